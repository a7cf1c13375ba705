// bench_setup: the timed runs of Setup.exe under Wine that tools/bench asks for.
//   bench_setup prepare-update <TDMClient.exe>
//   bench_setup wizard <runs> <Setup.exe>...
//   bench_setup install <Setup.exe> [no-debug] [screenshot <file.bmp> <percent>]
//   bench_setup write-files <directory> <count> <bytes per file> [<folders> [log|refresh|repaint]]
// Paths may be Unix paths; they are seen through Wine's Z: drive.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_setup_runs.h"
#include "driver.h"

namespace {

int Usage() {
  std::fputs(
      "usage: bench_setup prepare-update <TDMClient.exe>\n"
      "       bench_setup wizard <runs> <Setup.exe>...\n"
      "       bench_setup install <Setup.exe> [no-debug] [screenshot <file.bmp> <percent>]\n"
      "       bench_setup write-files <directory> <count> <bytes per file>"
      " [<folders> [log|refresh|repaint]]\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  const std::string path = driver::WinePath(argv[2]);
  try {
    if (command == "prepare-update" && argc == 3) return bench::PrepareUpdate(path) ? 0 : 1;
    if (command == "wizard" && argc >= 4) {
      const int runs = std::atoi(argv[2]);
      if (runs < 1) return Usage();
      std::vector<std::string> setups;
      for (int i = 3; i < argc; ++i) setups.push_back(driver::WinePath(argv[i]));
      return bench::TimeToWizard(setups, runs) ? 0 : 1;
    }
    if (command == "install") {
      bench::InstallOptions options;
      for (int i = 3; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "no-debug") {
          options.debug = false;
        } else if (word == "screenshot" && i + 2 < argc) {
          options.screenshot = driver::WinePath(argv[i + 1]);
          options.shotAt = std::atoi(argv[i + 2]);
          i += 2;
        } else {
          return Usage();
        }
      }
      return bench::InstallWithDefaults(path, options) ? 0 : 1;
    }
    if (command == "write-files" && argc >= 5 && argc <= 7) {
      const int count = std::atoi(argv[3]);
      const long size = std::atol(argv[4]);
      const int folders = argc > 5 ? std::atoi(argv[5]) : 1;
      const std::string extra = argc > 6 ? argv[6] : "";
      if (count < 1 || size < 1 || folders < 1) return Usage();
      const bench::WriterExtra what = extra == "log"       ? bench::WriterExtra::LogLine
                                      : extra == "refresh" ? bench::WriterExtra::Refresh
                                      : extra == "repaint" ? bench::WriterExtra::FullRepaint
                                                           : bench::WriterExtra::None;
      if (!extra.empty() && what == bench::WriterExtra::None) return Usage();
      return bench::WriteFilesLikeTheInstaller(path, count, static_cast<std::uint32_t>(size),
                                               folders, what)
                 ? 0
                 : 1;
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "bench_setup %s: %s\n", command.c_str(), error.what());
    return 1;
  }
  return Usage();
}
