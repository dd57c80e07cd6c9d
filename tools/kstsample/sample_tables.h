// The tables of the sample data files: their record layouts as a program declares
// them, and the contents of their records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "filelayer/declarations.h"

namespace kestrand::sample {

struct SampleTable {
  std::string name;  // Windows-1252, as the driver takes it
  std::vector<FieldDeclaration> fields;  // fields[0] is the record's GROUP
  uint32_t recordLength = 0;
  uint32_t records = 0;
  void (*fill)(uint32_t i, uint8_t* image) = nullptr;
};

// customers, orders, products, "café" (accented) and a table whose name is empty.
std::vector<SampleTable> shopTables();

// A LONG ID and a STRING TEXT, `recordLength` bytes in all (at least 16).
SampleTable plainTable(std::string name, uint32_t records, uint32_t recordLength);

}  // namespace kestrand::sample
