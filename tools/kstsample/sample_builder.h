// Building sample data files through the driver, and listing what a file holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "filelayer/error_state.h"
#include "sample_tables.h"

namespace kestrand::sample {

// Creates the table in the data file through the driver's CREATE (which replaces a
// table of that name and creates a missing file), then appends its records. 0 or the
// error code of the step that failed.
ErrorCode buildTable(const std::string& path, const SampleTable& table, const std::string& password);

struct TableListing {
  std::string name;  // as stored: upper-cased, Windows-1252
  uint32_t tableNumber = 0;
  uint32_t records = 0;
};

// The tables of a data file in the order of their names, with their record counts.
ErrorCode listTables(const std::string& path, const std::string& password, std::vector<TableListing>& out);

}  // namespace kestrand::sample
