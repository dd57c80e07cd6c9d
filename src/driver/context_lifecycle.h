// Creating a block's DriverContext on first use and freeing it again.
#pragma once

#include "filelayer/error_state.h"
#include "filelayer/file_control_block.h"

namespace kestrand {

// Limits of a declaration the driver can store.
inline constexpr uint32_t kMaxRecordLength = 15000;
inline constexpr uint32_t kMaxKeys = 240;
inline constexpr uint32_t kMaxMemoSize = 64000;

// Builds the context and attaches it to the block even when the result is not 0
// (the caller then destroys it); the block is registered with status 0 either way.
// 8 memory, 47 limits, 75 layout, 79 field type.
ErrorCode createContext(FileControlBlock& block, const char* driverName);

// Frees the block's context, detaches the declarations from it and removes the block
// from the registry.
void destroyContext(FileControlBlock& block);

}  // namespace kestrand
