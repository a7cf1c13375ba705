// Ends the process, as a power cut or the task manager would, right after the N-th
// journal operation of an apply; N comes from TDM_KILL_AFTER_OP. Linked only into test
// builds.
#include <windows.h>

#include <cstdlib>

#include "apply_seam.h"

namespace apply_seam {

void AfterOperation(std::size_t done) {
  char value[32] = {};
  const DWORD length = GetEnvironmentVariableA("TDM_KILL_AFTER_OP", value, sizeof value);
  if (length == 0 || length >= sizeof value) return;
  if (std::strtoull(value, nullptr, 10) == done)
    TerminateProcess(GetCurrentProcess(), kKilledExitCode);
}

}  // namespace apply_seam
