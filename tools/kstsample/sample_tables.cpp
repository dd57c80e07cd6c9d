#include "sample_tables.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "filelayer/field_types.h"

namespace kestrand::sample {

namespace {
FieldDeclaration field(uint8_t type, uint32_t offset, uint32_t size, const char* label, const char* picture = "",
                       uint8_t places = 0) {
  FieldDeclaration entry = declareField(type, offset, size, label);
  entry.picture = picture;
  entry.places = places;
  return entry;
}

FieldDeclaration record(uint32_t length, uint32_t members) { return declareGroup(0, length, "RECORD", members); }

void putLong(uint8_t* at, uint32_t v) {
  for (int b = 0; b < 4; ++b) at[b] = uint8_t(v >> (8 * b));
}

void putShort(uint8_t* at, uint16_t v) {
  at[0] = uint8_t(v);
  at[1] = uint8_t(v >> 8);
}

// A STRING: the text, padded with spaces.
void putText(uint8_t* at, uint32_t size, const std::string& text) {
  std::memset(at, ' ', size);
  std::memcpy(at, text.data(), std::min<std::size_t>(size, text.size()));
}

// A DATE: day, month, year (16 bits).
void putDate(uint8_t* at, uint32_t day, uint32_t month, uint32_t year) {
  at[0] = uint8_t(day);
  at[1] = uint8_t(month);
  putShort(at + 2, uint16_t(year));
}

// A DECIMAL of `bytes` bytes: packed decimal digits, the sign nibble (0) first.
void putDecimal(uint8_t* at, uint32_t bytes, uint64_t scaled) {
  std::memset(at, 0, bytes);
  for (uint32_t nibble = 2 * bytes - 1; nibble >= 1 && scaled != 0; --nibble, scaled /= 10) {
    uint8_t digit = uint8_t(scaled % 10);
    at[nibble / 2] |= nibble % 2 != 0 ? digit : uint8_t(digit << 4);
  }
}

std::string numbered(const char* prefix, uint32_t n) {
  char text[48];
  std::snprintf(text, sizeof text, "%s %04u", prefix, n);
  return text;
}

const char* const kCities[] = {"Lisboa", "Porto", "Coimbra", "Braga", "Faro", "Aveiro", "\xC9vora"};

void fillCustomer(uint32_t i, uint8_t* image) {
  putLong(image, i + 1);
  putText(image + 4, 30, numbered("Customer", i + 1));
  putText(image + 34, 20, kCities[i % 7]);
  putDate(image + 54, 1 + i % 28, 1 + i % 12, 2000 + i % 24);
  putDecimal(image + 58, 5, (i * 7919) % 1000000);
}

void fillOrder(uint32_t i, uint8_t* image) {
  putLong(image, 10001 + i);
  putLong(image + 4, 1 + (i * 37) % 300);
  putDate(image + 8, 1 + i % 28, 1 + (i / 28) % 12, 2023);
  putDecimal(image + 12, 6, 1000 + (i * 104729) % 5000000);
  putText(image + 18, 10, i % 5 == 0 ? "OPEN" : "SHIPPED");
}

void fillProduct(uint32_t i, uint8_t* image) {
  putLong(image, i + 1);
  putText(image + 4, 40, numbered("Product", i + 1));
  putDecimal(image + 44, 4, 99 + (i * 331) % 100000);
  putShort(image + 48, uint16_t((i * 13) % 500));
}

void fillRemark(uint32_t i, uint8_t* image) {
  putLong(image, i + 1);
  const std::string note = numbered("Remarque", i + 1);
  std::memcpy(image + 4, note.data(), note.size());  // a CSTRING: NUL-terminated
}

void fillPlain(uint32_t i, uint8_t* image) {
  putLong(image, i + 1);
  putText(image + 4, 12, numbered("Row", i + 1));
}
}  // namespace

std::vector<SampleTable> shopTables() {
  std::vector<SampleTable> tables;
  tables.push_back({"customers",
                    {record(63, 5), field(kTypeLong, 0, 4, "ID"), field(kTypeString, 4, 30, "NAME", "@s30"),
                     field(kTypeString, 34, 20, "CITY", "@s20"), field(kTypeDate, 54, 4, "SINCE"),
                     field(kTypeDecimal, 58, 5, "BALANCE", "", 2)},
                    63, 300, fillCustomer});
  tables.push_back({"orders",
                    {record(28, 5), field(kTypeLong, 0, 4, "ORDERNO"), field(kTypeLong, 4, 4, "CUSTOMER"),
                     field(kTypeDate, 8, 4, "ORDERED"), field(kTypeDecimal, 12, 6, "TOTAL", "", 2),
                     field(kTypeString, 18, 10, "STATUS", "@s10")},
                    28, 500, fillOrder});
  tables.push_back({"products",
                    {record(50, 4), field(kTypeLong, 0, 4, "ID"), field(kTypeString, 4, 40, "TITLE", "@s40"),
                     field(kTypeDecimal, 44, 4, "PRICE", "", 2), field(kTypeShort, 48, 2, "STOCK")},
                    50, 120, fillProduct});
  // "café" in Windows-1252: the runtime upper-cases the ASCII letters only (CAFé).
  tables.push_back({"caf\xE9",
                    {record(64, 2), field(kTypeLong, 0, 4, "ID"), field(kTypeCString, 4, 60, "NOTE", "@s59")},
                    64, 12, fillRemark});
  tables.push_back(plainTable("", 3, 16));
  return tables;
}

SampleTable plainTable(std::string name, uint32_t records, uint32_t recordLength) {
  recordLength = std::max<uint32_t>(recordLength, 16);
  SampleTable table;
  table.name = std::move(name);
  table.fields = {record(recordLength, 2), field(kTypeLong, 0, 4, "ID"),
                  field(kTypeString, 4, recordLength - 4, "TEXT")};
  table.recordLength = recordLength;
  table.records = records;
  table.fill = fillPlain;
  return table;
}

}  // namespace kestrand::sample
