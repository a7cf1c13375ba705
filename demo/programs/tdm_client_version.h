// The demo client's product version, 0.807.<TDM_CLIENT_BUILD>: the build sets the
// last part (3 for the full release, 4 for the update). Shared by code and resource.
#pragma once

#ifndef TDM_CLIENT_BUILD
#error "TDM_CLIENT_BUILD must be set by the build"
#endif

#define TDM_STRINGIZE_(x) #x
#define TDM_STRINGIZE(x) TDM_STRINGIZE_(x)
#define TDM_CLIENT_VERSION_TEXT "0.807." TDM_STRINGIZE(TDM_CLIENT_BUILD)
