// The product's entry in Apps & features, as a later program (an update) touches it.
#pragma once

// Rewrites "DisplayVersion" in the existing uninstall entry, under the machine or the
// current user, wherever it is. Opens the entry, never creates it: without one there
// is nothing to correct. A failure is logged and otherwise ignored, as a stale version
// is no reason to fail an installation. True when the value was written.
bool RewriteDisplayVersion(const char* displayVersion);
