#include "tables/definition_stream.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "driver/context_lifecycle.h"
#include "filelayer/field_types.h"
#include "runtime/locale_tables.h"
#include "store/record_tree.h"
#include "tables/table_records.h"

namespace kestrand {

namespace {
constexpr uint32_t kMaxStringBytes = 65536;  // a damaged stream cannot make a longer one

bool hasDecimalItems(uint8_t type) { return type == kTypeDecimal || type == kTypePDecimal; }
bool hasTextItems(uint8_t type) { return type == kTypeString || type == kTypeCString || type == kTypePString; }

// The picture as stored: without the picture sign that begins every picture.
std::string storedPicture(const std::string& picture) {
  return !picture.empty() && picture.front() == '@' ? picture.substr(1) : picture;
}

// A text as the runtime's collation orders it, digraphs expanded to their two letters.
std::string collationForm(const std::string& text, const runtime::LocaleTables& tables) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    bool expanded = false;
    for (std::size_t e = 0; e + 4 <= tables.digraphs.size() && tables.digraphs[e] != 0; e += 4) {
      if (tables.digraphs[e] == c) {
        out += char(tables.ansiCollation[tables.digraphs[e + 1]]);
        out += char(tables.ansiCollation[tables.digraphs[e + 2]]);
        expanded = true;
        break;
      }
    }
    if (!expanded) out += char(tables.ansiCollation[c]);
  }
  return out;
}

bool sameName(const std::optional<std::string>& a, const std::optional<std::string>& b) {
  if (!a || !b) return !a && !b;
  const runtime::LocaleTables& tables = runtime::currentLocaleTables();
  return collationForm(*a, tables) == collationForm(*b, tables);
}

// The 512-byte window onto the table's DefinitionBlock records.
class DefinitionStream {
 public:
  DefinitionStream(DriverContext& ctx, DefinitionMode mode) : ctx_(ctx), mode_(mode) {
    if (mode_ != DefinitionMode::write) load();
  }

  DefinitionMode mode() const { return mode_; }

  void put(uint8_t byte) {
    if (position_ == kDefinitionBlockBytes) store();
    buffer_[position_++] = byte;
  }

  uint8_t get() {
    if (position_ == kDefinitionBlockBytes) load();
    return buffer_[position_++];
  }

  // Write mode: the last, partly filled block.
  void finish() {
    if (mode_ == DefinitionMode::write && position_ > 0) store();
  }

 private:
  void load() {
    RecordPtr probe = definitionBlock(ctx_.tableNumber, block_++, 0);
    buffer_.fill(0);
    if (StoreRecord* stored = findExact(*ctx_.dataFile, *probe)) {
      std::copy_n(stored->dataBytes(), std::min<uint32_t>(stored->dataLength(), kDefinitionBlockBytes),
                  buffer_.begin());
    }
    position_ = 0;
  }

  void store() {
    RecordPtr record = definitionBlock(ctx_.tableNumber, block_++, position_);
    std::copy_n(buffer_.begin(), position_, record->dataBytes());
    insertRecord(*ctx_.dataFile, std::move(record));
    position_ = 0;
  }

  DriverContext& ctx_;
  DefinitionMode mode_;
  uint16_t block_ = 0;
  uint32_t position_ = 0;
  std::array<uint8_t, kDefinitionBlockBytes> buffer_{};
};

// One exchange of a whole definition. Every item is written from the program's value
// or read from the stream; compare mode notes differences and stops at the first one
// of structure.
class DefinitionExchange {
 public:
  DefinitionExchange(DriverContext& ctx, DefinitionMode mode) : ctx_(ctx), stream_(ctx, mode) {}

  int run() {
    bool complete = header() && fields() && memos() && keys();
    (void)complete;
    stream_.finish();
    return result_;
  }

 private:
  bool writing() const { return stream_.mode() == DefinitionMode::write; }
  bool comparing() const { return stream_.mode() == DefinitionMode::compare; }
  bool reading() const { return stream_.mode() == DefinitionMode::read; }

  // A number of 8 or 16 bits: the program's value (truncated) or the stored one.
  uint32_t number(uint32_t value, int bits) {
    if (writing()) {
      stream_.put(uint8_t(value));
      if (bits == 16) stream_.put(uint8_t(value >> 8));
      return bits == 16 ? uint16_t(value) : uint8_t(value);
    }
    uint32_t stored = stream_.get();
    if (bits == 16) stored |= uint32_t(stream_.get()) << 8;
    return stored;
  }

  // A number that belongs to the structure: in compare mode a difference ends it.
  bool structural(uint32_t value, int bits, uint32_t* stored = nullptr) {
    uint32_t got = number(value, bits);
    if (stored != nullptr) *stored = got;
    if (comparing() && got != (bits == 16 ? uint16_t(value) : uint8_t(value))) return differs();
    return true;
  }

  bool differs() {
    result_ = kDefinitionDiffers;
    return false;
  }

  std::optional<std::string> text(const std::optional<std::string>& value) {
    if (writing()) {
      if (!value) {
        stream_.put(0);
        stream_.put(1);
      } else if (value->empty()) {
        stream_.put(0);
        stream_.put(0);
      } else {
        for (char c : *value) stream_.put(uint8_t(c));
        stream_.put(0);
      }
      return value;
    }
    uint8_t first = stream_.get();
    if (first == 0) {
      if (stream_.get() == 0) return std::string();
      return std::nullopt;
    }
    std::string out(1, char(first));
    for (uint8_t c = stream_.get(); c != 0 && out.size() < kMaxStringBytes; c = stream_.get()) out += char(c);
    return out;
  }

  // A name or picture: in compare mode a difference is noted and accepted.
  std::optional<std::string> name(const std::optional<std::string>& value) {
    std::optional<std::string> stored = text(value);
    if (comparing() && !sameName(stored, value) && result_ == kDefinitionMatches) result_ = kDefinitionNamesDiffer;
    return stored;
  }

  bool header() {
    bool blob = std::any_of(ctx_.memos.begin(), ctx_.memos.end(), [](const auto& m) { return m->isBlob(); });
    uint32_t version = number(blob ? 2 : 1, 16);
    if (comparing() && version != (blob ? 2u : 1u)) return differs();
    uint32_t recordLength = 0, fieldCount = 0, memoCount = 0, keyCount = 0;
    if (!structural(ctx_.recordLength, 16, &recordLength)) return false;
    if (!structural(uint32_t(ctx_.fields.size()), 16, &fieldCount)) return false;
    if (!structural(uint32_t(ctx_.memos.size()), 16, &memoCount)) return false;
    if (!structural(uint32_t(ctx_.keys.size()), 16, &keyCount)) return false;
    if (reading()) {
      // A stored definition no declaration could have made is not taken.
      if (recordLength > kMaxRecordLength || keyCount > kMaxKeys) return differs();
      replaceDescriptors(recordLength, fieldCount, memoCount, keyCount);
    }
    return true;
  }

  void replaceDescriptors(uint32_t recordLength, uint32_t fieldCount, uint32_t memoCount, uint32_t keyCount) {
    for (const auto& key : ctx_.keys) {
      if (key->declaration != nullptr && key->declaration->driverKey == key.get()) key->declaration->driverKey = nullptr;
    }
    for (const auto& memo : ctx_.memos) {
      if (memo->declaration != nullptr && memo->declaration->driverMemo == memo.get()) {
        memo->declaration->driverMemo = nullptr;
        memo->declaration->buffer = nullptr;
      }
    }
    ctx_.orderKey = nullptr;
    ctx_.deferredKey = nullptr;
    ctx_.recordLength = recordLength;
    ctx_.fields.assign(fieldCount, FieldDescriptor{});
    ctx_.memos.clear();
    for (uint32_t m = 0; m < memoCount; ++m) ctx_.memos.push_back(std::make_unique<MemoDescriptor>());
    ctx_.keys.clear();
    for (uint32_t k = 0; k < keyCount; ++k) {
      auto key = std::make_unique<KeyDescriptor>();
      key->context = &ctx_;
      key->number = k;
      ctx_.keys.push_back(std::move(key));
    }
  }

  bool fields() {
    for (FieldDescriptor& field : ctx_.fields) {
      uint32_t type = 0, offset = 0, elements = 0, size = 0, over = 0, index = 0;
      if (!structural(field.type, 8, &type) || !structural(field.offset, 16, &offset)) return false;
      std::optional<std::string> fieldName = name(field.name);
      if (!structural(field.elementCount, 16, &elements) || !structural(field.size, 16, &size) ||
          !structural(field.over, 16, &over) || !structural(field.index, 16, &index)) {
        return false;
      }
      uint32_t places = 0, elementBytes = 0, elementLength = 0;
      std::optional<std::string> picture;
      if (hasDecimalItems(uint8_t(type))) {
        if (!structural(field.decimalPlaces, 8, &places) || !structural(field.decimalBytes, 8, &elementBytes)) {
          return false;
        }
      }
      if (hasTextItems(uint8_t(type))) {
        if (!structural(field.stringLength, 16, &elementLength)) return false;
        picture = name(storedPicture(field.picture));
      }
      if (reading()) {
        field.type = uint8_t(type);
        field.offset = offset;
        field.name = fieldName.value_or("");
        field.label = field.name;
        field.elementCount = elements;
        field.size = size;
        field.over = over;
        field.index = index;
        field.decimalPlaces = uint8_t(places);
        field.decimalBytes = uint8_t(elementBytes);
        field.stringLength = elementLength;
        field.picture = picture.value_or("");
      }
    }
    return true;
  }

  bool memos() {
    for (const auto& memo : ctx_.memos) {
      std::optional<std::string> externalName = name(memo->externalName);
      std::optional<std::string> label = name(memo->label);
      uint32_t size = number(memo->size, 16);
      if (comparing() && size != uint16_t(memo->size) && !memo->isBlob()) return differs();
      uint32_t flags = number(memo->flags & (kMemoBinary | kMemoBlob), 16);
      if (reading()) {
        if (size > kMaxMemoSize) return differs();
        memo->externalName = externalName;
        memo->label = label.value_or("");
        memo->size = size;
        memo->flags = uint8_t(flags);
        memo->buffer.assign(size, ' ');
      }
    }
    return true;
  }

  bool keys() {
    for (const auto& key : ctx_.keys) {
      std::optional<std::string> externalName = name(key->externalName);
      std::optional<std::string> label = name(key->label);
      uint32_t flags = number(key->flags, 8);
      if (comparing() && (flags & ~uint32_t(kKeyFlagPrimary)) != (key->flags & ~uint32_t(kKeyFlagPrimary))) {
        return differs();
      }
      uint32_t count = 0;
      if (!structural(uint32_t(key->components.size()), 16, &count)) return false;
      if (reading()) {
        key->externalName = externalName;
        key->label = label.value_or("");
        key->flags = uint8_t(flags);
        key->components.assign(count, KeyComponent{});
      }
      for (KeyComponent& component : key->components) {
        uint32_t fieldNumber = 0, descending = 0;
        uint32_t mine = component.field != nullptr && !ctx_.fields.empty()
                            ? uint32_t(component.field - ctx_.fields.data())
                            : 0;
        if (!structural(mine, 16, &fieldNumber) || !structural(component.descending ? 1 : 0, 16, &descending)) {
          return false;
        }
        if (reading()) {
          if (fieldNumber >= ctx_.fields.size()) return differs();  // names no stored field
          component.field = &ctx_.fields[fieldNumber];
          component.descending = descending != 0;
        }
      }
    }
    return true;
  }

  DriverContext& ctx_;
  DefinitionStream stream_;
  int result_ = kDefinitionMatches;
};
}  // namespace

int exchangeDefinition(DriverContext& ctx, DefinitionMode mode) { return DefinitionExchange(ctx, mode).run(); }

}  // namespace kestrand
