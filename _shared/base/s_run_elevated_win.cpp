#include "s_run_elevated_win.h"

#include <shellapi.h>

#include "s_handle_win.h"
#include "s_logging.h"

namespace elevated {

bool RunAndWait(const std::string& program, const std::string& parameters,
                const std::string& directory, DWORD& code) {
  constexpr char kUnit[] = "_shared/run_elevated";
  CLog::Instance()->Log(1, kUnit, __LINE__, "%s %s with the verb %s", program.c_str(),
                        parameters.c_str(), kVerb);
  SHELLEXECUTEINFOA execute{};
  execute.cbSize = sizeof execute;
  execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  execute.lpVerb = kVerb;
  execute.lpFile = program.c_str();
  execute.lpParameters = parameters.c_str();
  execute.lpDirectory = directory.c_str();
  execute.nShow = SW_HIDE;
  if (!ShellExecuteExA(&execute) || execute.hProcess == nullptr) {
    const DWORD error = GetLastError();
    CLog::Instance()->Log(1, kUnit, __LINE__, "not started: error %lu", error);
    SetLastError(error == ERROR_SUCCESS ? ERROR_ACCESS_DENIED : error);
    return false;
  }
  const handles::Handle process(execute.hProcess);
  WaitForSingleObject(process.get(), INFINITE);
  code = 1;
  GetExitCodeProcess(process.get(), &code);
  CLog::Instance()->Log(1, kUnit, __LINE__, "%s ended with %lu", program.c_str(), code);
  return true;
}

}  // namespace elevated
