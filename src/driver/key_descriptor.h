// The driver's own description of one declared key, built with the context and
// completed when the table opens.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrand {

struct DriverContext;
struct FieldDescriptor;
struct KeyDeclaration;
struct DataFile;

// Key flags as the driver keeps them.
inline constexpr uint8_t kKeyFlagDup = 0x01;
inline constexpr uint8_t kKeyFlagOpt = 0x02;
inline constexpr uint8_t kKeyFlagNoCase = 0x04;
inline constexpr uint8_t kKeyFlagPassed = 0x08;
inline constexpr uint8_t kKeyFlagPrimary = 0x10;
inline constexpr uint8_t kKeyFlagIndex = 0x20;    // not maintained by writes
inline constexpr uint8_t kKeyFlagDynamic = 0x40;  // an INDEX declared without components

struct KeyComponent {
  const FieldDescriptor* field = nullptr;
  bool descending = false;
};

struct KeyDescriptor {
  DriverContext* context = nullptr;       // the context the key belongs to
  KeyDeclaration* declaration = nullptr;  // whose driverKey points here
  std::optional<std::string> externalName;  // none when the declaration gives none
  std::string label;
  uint32_t number = 0;  // 0-based position in the declaration; the key's record type
  uint8_t flags = 0;
  std::vector<KeyComponent> components;
  bool built = false;  // a dynamic index has been built
  DataFile* store = nullptr;  // the key's entries: the table's file or a private one

  bool isDynamic() const { return (flags & kKeyFlagDynamic) != 0; }
};

}  // namespace kestrand
