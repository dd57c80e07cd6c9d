// LONGPATH: the full path of a file with each existing component as the directory
// stores it. The error state is cleared first; a path that cannot be made full comes
// back unchanged and posts nothing.
#pragma once

#include <string>
#include <string_view>

namespace kestrand {

std::string LONGPATH(std::string_view path);

}  // namespace kestrand
