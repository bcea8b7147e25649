// kelmat: 3D Studio files to the engine's asset files.
#include <iostream>
#include <string>
#include <vector>

#include "tools/kelmat/KelmatTool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return kelmat_tool::Run(args, std::cout, std::cerr);
}
