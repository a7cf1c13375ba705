// Windows looks for a DLL in the program's own folder before System32 unless told
// otherwise, so a DLL planted beside an installer in a Downloads folder would run with
// the installer's rights. Every program calls this first thing: from then on DLLs come
// from System32 only. The programs import directly only DLLs Windows always takes from
// System32 (its known DLLs) and load the others late (delay-loaded), after this call.
#pragma once

// False where Windows lacks SetDefaultDllDirectories (before 8, without its update):
// the program goes on and logs it once its log is open.
bool LoadDllsFromSystem32Only();
