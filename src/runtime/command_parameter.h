// commandParameter: the program's parameters as the runtime hands them out, taken
// from the process's whole command line once and kept for the run.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrand::runtime {

// What follows the program name on a command line: leading white space, the program
// name (up to the first white space outside double quotes) and the white space after
// it are skipped; the rest is kept unchanged.
std::string parameterTextOf(std::string_view commandLine);

// The tokens of a parameter text, numbered from 1 in the order returned. Outside
// double quotes a token ends at a character of code 0x20 or less, at "," or at a "/"
// that is not its first character; characters from 0x80 up are ordinary. A double
// quote switches quoting and is dropped; two in a row give one and do not switch.
// After a token, codes 0x20 or less and then one "," are skipped, so an empty token
// between two commas counts.
std::vector<std::string> parameterTokens(std::string_view parameterText);

class CommandParameters {
 public:
  CommandParameters(std::string_view commandLine, std::string programPath);

  // "" gives the whole parameter text; "0" the program's own path; a number n the
  // n-th token (empty past the end); any other selector is a name: "/name" finds the
  // first token starting with it (without its "/"), "name" the value of the first
  // token "name=value"; letter case does not matter; no match gives empty.
  std::string commandParameter(std::string_view selector) const;

 private:
  std::string parameterText_;
  std::vector<std::string> tokens_;
  std::string programPath_;
};

}  // namespace kestrand::runtime
