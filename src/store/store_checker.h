// A structural check of a data file on disk, independent of the page cache: header,
// regions, every slot a reachable tree page of its class whose image parses exactly,
// keys ascending across the whole tree, separators, levels and the sentinel. Meant for
// a settled file (no commit pending) and for tests and the kstcheck tool.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kestrand {

struct StoreCheck {
  std::vector<std::string> problems;  // empty when the file is sound
  uint32_t pages = 0;
  uint32_t levels = 0;
  // Key and data of every record but the sentinel, in key order, when asked for.
  std::vector<std::pair<std::string, std::string>> records;
  uint64_t recordCount = 0;

  bool sound() const { return problems.empty(); }
};

StoreCheck checkDataFile(const std::string& path, const std::string& password, bool collectRecords = false);

}  // namespace kestrand
