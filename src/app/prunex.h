// Prunex's main procedure: reads the parameters (data file, table name, optional
// password), composes the full table name, removes the table and shows the outcome in
// one box: usage and error boxes on `err`, the success box on `out`.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kestrand {

// The longest full table name; longer compositions are cut.
inline constexpr std::size_t kFullNameLength = 399;

// `arguments` is the process's argument vector, program name first.
void runPrunex(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace kestrand
