// The list of blocks that have a driver context. At process end the layer sends
// DESTROY (argument 0) to every block in it, the most recently added first.
#pragma once

#include <cstdint>
#include <vector>

#include "filelayer/file_control_block.h"

namespace kestrand {

struct FileRegistryEntry {
  FileControlBlock* block = nullptr;
  std::uintptr_t threadTag = 0;  // the thread of a THREAD block, else 0
  uint32_t status = 0;           // 0, or the mode word after OPEN or SHARE
};

// Adds the block (newest last) or updates its status.
void registerFile(FileControlBlock& block, uint32_t status);
void unregisterFile(const FileControlBlock& block);
// The entry of a block, or nullptr.
const FileRegistryEntry* findRegisteredFile(const FileControlBlock& block);
std::vector<FileRegistryEntry> registeredFiles();

// DESTROY to every registered block, newest first. Runs by itself at process exit;
// a program may call it earlier.
void destroyRegisteredFiles();

}  // namespace kestrand
