// The FileControlBlock: how a program describes one declared file to the file
// access layer, and the signature of the driver entry that serves it.
#pragma once

#include <cstdint>

#include "filelayer/declarations.h"
#include "filelayer/text_reference.h"

namespace kestrand {

struct FileControlBlock;
struct DriverContext;  // the driver's own, behind FileControlBlock::context

// A driver's one entry point: operation code, block, the further arguments (each one
// machine word: numbers, or pointers such as a KeyDeclaration). The result is 0 unless
// the operation names one.
using DriverEntry = std::intptr_t (*)(int32_t code, FileControlBlock* block, const std::intptr_t* args);

// Attribute bits of the block (the driver keeps them shifted down by one).
inline constexpr uint8_t kAttrEncrypt = 0x02;
inline constexpr uint8_t kAttrCreate = 0x04;
inline constexpr uint8_t kAttrReclaim = 0x08;
inline constexpr uint8_t kAttrThread = 0x10;
inline constexpr uint8_t kAttrOem = 0x20;
inline constexpr uint8_t kAttrBit6 = 0x40;  // passed to the driver, no meaning

// Block flag bit 1: write no activity-log line for this file.
inline constexpr uint8_t kBlockNoLog = 0x02;

struct FileControlBlock {
  DriverEntry driver = nullptr;
  TextReference name;           // for the Kestrand driver: path, "\!", table name
  TextReference driverOptions;  // may be none
  TextReference owner;          // the password
  uint8_t attributes = 0;
  uint8_t keyCount = 0;
  uint8_t memoCount = 0;
  uint32_t recordLength = 0;
  const RecordDeclaration* record = nullptr;
  KeyDeclaration* const* keys = nullptr;
  MemoDeclaration* const* memos = nullptr;
  uint8_t* recordBuffer = nullptr;
  DriverContext* context = nullptr;  // owned by the driver; null until the first operation
  uint8_t flags = 0;
};

}  // namespace kestrand
