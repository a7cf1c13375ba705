#include <iostream>

#include "commands.h"
#include "mapped_file.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return mksetup::RunMksetup(args, std::cout, std::cerr, mksetup::StandardErrorIsTerminal());
}
