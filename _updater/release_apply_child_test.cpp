// Applies release B over A in the folder and group its command line names; the exit
// code is the ApplyStatus. Built with the kill seam as apply_child_killed.
#include <cstdio>

#include "release_apply_fixture_test.h"

int main(int argc, char** argv) {
  if (argc != 3) return 100;
  const updater::ApplyOutcome outcome =
      updater::ApplyRelease(apply_fixture::Request(argv[1], argv[2]));
  std::printf("%s %lu\n", outcome.name.c_str(), outcome.error);
  return static_cast<int>(outcome.status);
}
