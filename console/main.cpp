// tarnwick: the console front end.
#include <iostream>

#include "console/console.h"
#include "platform/machine.h"

#ifdef _WIN32
#include <windows.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  SetConsoleOutputCP(CP_UTF8);
#endif
  std::vector<std::string> args(argv + 1, argv + argc);
  auto machine = tw::NewMachine(nullptr);
  if (!machine) {
    std::cerr << "tarnwick: the machine cannot be reached\n";
    return tw::console::kExitFailed;
  }
  return tw::console::Run(*machine, args, std::cout, std::cerr);
}
