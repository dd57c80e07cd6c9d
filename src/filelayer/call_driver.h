// The single call that hands an operation to a file's driver: unchanged arguments,
// unchanged result, no look at the error state.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "filelayer/file_control_block.h"

namespace kestrand {

std::intptr_t callDriver(int32_t code, FileControlBlock& block, std::initializer_list<std::intptr_t> args = {});

}  // namespace kestrand
