// The boxes prunex shows, as they reach the console.
#pragma once

#include <string>

namespace kestrand::expected {

inline const std::string kUsageBox =
    "Usage\n"
    "Prunex.exe: A commandline program designed for\n"
    "the quick removal of a table within a KESTRAND data file.\n"
    "\n"
    "Usage:\n"
    "\n"
    "prunex yourkstfile tablename [password]\n"
    "1\n";

inline std::string errorBox(const std::string& text) { return "Error\n" + text + "\n\n" + text + "\n"; }

}  // namespace kestrand::expected
