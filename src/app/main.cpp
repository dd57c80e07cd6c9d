// prunex: removes one table from a multi-table Kestrand data file.
//   prunex data-file table-name [password]
// The outcome is shown as a message box on the console; the exit code is 0 in every
// case, so the program can run in scripts that only read what it shows.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "app/prunex.h"
#include "app/show_message.h"
#include "platform/console_box.h"

int main(int argc, char** argv) {
  try {
    kestrand::platform::keepRunningWhenConsoleCloses();
    std::vector<std::string> arguments(argv, argv + argc);
    kestrand::runPrunex(arguments, std::cout, std::cerr);
  } catch (const std::exception& failure) {
    try {
      kestrand::showMessage(std::cerr, failure.what(), "Error", kestrand::kExclamationIcon);
    } catch (...) {
    }
  } catch (...) {
  }
  return 0;
}
