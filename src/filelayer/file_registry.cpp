#include "filelayer/file_registry.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <thread>

#include "filelayer/call_driver.h"
#include "filelayer/operation_code.h"

namespace kestrand {

namespace {
std::vector<FileRegistryEntry>& entries() {
  static std::vector<FileRegistryEntry> list;
  return list;
}

void destroyAtExit() { destroyRegisteredFiles(); }

void armExitHandler() {
  static bool armed = false;
  if (!armed) {
    armed = true;
    entries();  // constructed before the handler is registered, so it outlives it
    std::atexit(destroyAtExit);
  }
}

std::uintptr_t threadTagOf(const FileControlBlock& block) {
  if ((block.attributes & kAttrThread) == 0) return 0;
  return static_cast<std::uintptr_t>(std::hash<std::thread::id>{}(std::this_thread::get_id()));
}
}  // namespace

void registerFile(FileControlBlock& block, uint32_t status) {
  armExitHandler();
  for (FileRegistryEntry& entry : entries()) {
    if (entry.block == &block) {
      entry.status = status;
      return;
    }
  }
  entries().push_back({&block, threadTagOf(block), status});
}

void unregisterFile(const FileControlBlock& block) {
  std::erase_if(entries(), [&](const FileRegistryEntry& entry) { return entry.block == &block; });
}

const FileRegistryEntry* findRegisteredFile(const FileControlBlock& block) {
  for (const FileRegistryEntry& entry : entries()) {
    if (entry.block == &block) return &entry;
  }
  return nullptr;
}

std::vector<FileRegistryEntry> registeredFiles() { return entries(); }

void destroyRegisteredFiles() {
  // DESTROY removes the block's entry; take the newest until none is left. A driver
  // that leaves its entry behind is taken off here so the loop always ends.
  while (!entries().empty()) {
    FileControlBlock* block = entries().back().block;
    callDriver(opDestroy, *block, {0});
    if (!entries().empty() && entries().back().block == block) entries().pop_back();
  }
}

}  // namespace kestrand
