// The runtime's character tables: collating orders, case partners, character classes
// and digraphs. Table names are upper-cased through them and every table stores a
// copy in its locale record, so that its keys are rebuilt with the tables they were
// built with.
//
// Stored form (1152 bytes, in this order):
//   offset  width  content
//   0       256    collating order of each ANSI (Windows-1252) character
//   256     256    collating order of each OEM character
//   512     256    case partner: the upper-case letter of a lower-case one and back, 0 = none
//   768     256    character class: 1 upper-case letter, 2 lower-case letter, 4 digit, 0 other
//   1024    64     digraphs: up to 16 entries (source, first, second, 0), ended by source 0
//   1088    64     the same digraphs in the OEM character set
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kestrand::runtime {

inline constexpr std::size_t kLocaleTablesBytes = 1152;

inline constexpr uint8_t kClassUpper = 1;
inline constexpr uint8_t kClassLower = 2;
inline constexpr uint8_t kClassDigit = 4;

struct LocaleTables {
  std::array<uint8_t, 256> ansiCollation{};
  std::array<uint8_t, 256> oemCollation{};
  std::array<uint8_t, 256> casePartner{};
  std::array<uint8_t, 256> charClass{};
  std::array<uint8_t, 64> digraphs{};
  std::array<uint8_t, 64> oemDigraphs{};

  std::array<uint8_t, kLocaleTablesBytes> serialize() const;
  static LocaleTables parse(const uint8_t* bytes);  // kLocaleTablesBytes bytes
};

// The tables the runtime holds when its locale settings replace nothing: every
// character collates as its own code (ANSI and OEM alike); A-Z and a-z are each
// other's partners and classes; 0-9 are digits; no digraphs.
LocaleTables defaultLocaleTables();

// The tables as the runtime currently holds them (the defaults unless replaced).
const LocaleTables& currentLocaleTables();
void setCurrentLocaleTables(const LocaleTables& tables);

// Upper-cases in place through the current tables: every character classed as a
// lower-case letter becomes its case partner.
void upperCaseInPlace(std::string& text);

}  // namespace kestrand::runtime
