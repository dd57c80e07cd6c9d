// The process's command line as the runtime reads it: one text, the program name
// first, parameters separated by white space or commas, double quotes grouping.
// Linux hands a program an argument vector instead; the text is rebuilt from it so
// that every argument arrives as exactly one parameter with its own value, except
// that a comma still separates parameters.
#pragma once

#include <string>
#include <vector>

namespace kestrand::platform {

// The command-line text of an argument vector (program name first). An argument
// holding a character of code 0x20 or less, a double quote or a slash is enclosed in double quotes, its double quotes doubled (one made of double quotes
// alone only has them doubled); an empty argument becomes a quoted single space,
// which clips to the empty text; any other stays bare.
std::string commandLineFromArguments(const std::vector<std::string>& arguments);

// The full path of the running program's own file; empty when it cannot be read.
std::string programPath();

}  // namespace kestrand::platform
