#include "runtime/locale_tables.h"

#include <algorithm>

namespace kestrand::runtime {

namespace {
LocaleTables& current() {
  static LocaleTables tables = defaultLocaleTables();
  return tables;
}
}  // namespace

std::array<uint8_t, kLocaleTablesBytes> LocaleTables::serialize() const {
  std::array<uint8_t, kLocaleTablesBytes> bytes{};
  auto out = bytes.begin();
  out = std::copy(ansiCollation.begin(), ansiCollation.end(), out);
  out = std::copy(oemCollation.begin(), oemCollation.end(), out);
  out = std::copy(casePartner.begin(), casePartner.end(), out);
  out = std::copy(charClass.begin(), charClass.end(), out);
  out = std::copy(digraphs.begin(), digraphs.end(), out);
  std::copy(oemDigraphs.begin(), oemDigraphs.end(), out);
  return bytes;
}

LocaleTables LocaleTables::parse(const uint8_t* bytes) {
  LocaleTables tables;
  const uint8_t* in = bytes;
  auto take = [&in](auto& field) {
    std::copy_n(in, field.size(), field.begin());
    in += field.size();
  };
  take(tables.ansiCollation);
  take(tables.oemCollation);
  take(tables.casePartner);
  take(tables.charClass);
  take(tables.digraphs);
  take(tables.oemDigraphs);
  return tables;
}

LocaleTables defaultLocaleTables() {
  LocaleTables tables;
  for (int c = 0; c < 256; ++c) {
    tables.ansiCollation[c] = static_cast<uint8_t>(c);
    tables.oemCollation[c] = static_cast<uint8_t>(c);
  }
  for (int c = 'A'; c <= 'Z'; ++c) {
    tables.casePartner[c] = static_cast<uint8_t>(c - 'A' + 'a');
    tables.casePartner[c - 'A' + 'a'] = static_cast<uint8_t>(c);
    tables.charClass[c] = kClassUpper;
    tables.charClass[c - 'A' + 'a'] = kClassLower;
  }
  for (int c = '0'; c <= '9'; ++c) tables.charClass[c] = kClassDigit;
  return tables;
}

const LocaleTables& currentLocaleTables() { return current(); }
void setCurrentLocaleTables(const LocaleTables& tables) { current() = tables; }

void upperCaseInPlace(std::string& text) {
  const LocaleTables& tables = current();
  for (char& ch : text) {
    auto c = static_cast<uint8_t>(ch);
    if (tables.charClass[c] == kClassLower) ch = static_cast<char>(tables.casePartner[c]);
  }
}

}  // namespace kestrand::runtime
