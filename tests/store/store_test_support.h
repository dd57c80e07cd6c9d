// Shared helpers of the storage tests: records from text, the whole record set of a data
// file, and opening a data file for writing.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/temp_dir.h"
#include "store/data_file.h"
#include "store/store_record.h"

namespace kestrand::testing_support {

using RecordSet = std::map<std::string, std::string>;

// Share modes of the open flags.
inline constexpr uint32_t kReadWrite = 0x02;
inline constexpr uint32_t kDenyNone = 0x40;
inline constexpr uint32_t kDenyWrite = 0x20;
inline constexpr uint32_t kDenyAll = 0x10;
inline constexpr uint32_t kCreate = 0x100;

RecordPtr record(const std::string& key, const std::string& data = "");
// Every record but the sentinel, in key order, read through the tree.
RecordSet readAll(DataFile& dataFile);
// Opens (creating when asked) and switches to write mode with the access lock held.
ErrorCode openForWrite(DataFile& dataFile, const std::string& path, uint32_t flags, const std::string& password = "");
void insertText(DataFile& dataFile, const std::string& key, const std::string& data = "");
bool eraseText(DataFile& dataFile, const std::string& key);
// Inserts every record of the set.
void insertAll(DataFile& dataFile, const RecordSet& records);
// The checker's verdict as one text (empty when sound).
std::string checkerProblems(const std::string& path, const std::string& password = "");
// The corruption report an action raised, or 0.
int reportOf(const std::function<void()>& action);
// n bytes that do not compress (no runs), different for each seed.
std::string noise(std::size_t n, uint32_t seed);

}  // namespace kestrand::testing_support
