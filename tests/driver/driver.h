// The outside driver of the end-to-end tests: starts a Windows program under test,
// finds its forms, controls and message boxes, reads what a user would see and acts
// as a user would. Everything here runs in the test's own process under Wine.
#pragma once

#include "app.h"            // IWYU pragma: export
#include "message_box.h"    // IWYU pragma: export
#include "paths.h"          // IWYU pragma: export
#include "child_process.h"  // IWYU pragma: export
#include "screenshot.h"     // IWYU pragma: export
#include "wait_until.h"     // IWYU pragma: export
#include "window.h"         // IWYU pragma: export
