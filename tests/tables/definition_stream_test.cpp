// The stored definition: its bytes, its blocks, and how an open compares or reads it.
#include "tables/definition_stream.h"

#include <gtest/gtest.h>

#include <functional>

#include "filelayer/field_types.h"
#include "filelayer/operation_code.h"
#include "runtime/locale_tables.h"
#include "tables/table_test_support.h"

namespace kestrand {
namespace {

using testing_support::field;
using testing_support::fileRecords;
using testing_support::RecordList;
using testing_support::TableBlock;

using DefinitionTest = testing_support::TableTest;

std::string bytes(std::initializer_list<int> list) {
  std::string out;
  for (int b : list) out += char(b);
  return out;
}

const std::string* dataOf(const RecordList& records, const std::string& key) {
  for (const auto& [k, data] : records) {
    if (k == key) return &data;
  }
  return nullptr;
}

// One LONG ID at 0, one unique key K1 on it.
void declareIdTable(TableBlock& table) {
  table.declareRecord({field(kTypeGroup, 0, 4, "REC", 1), field(kTypeLong, 0, 4, "ID")}, 4);
  table.addKey("K1", 0, {1});
}

TEST_F(DefinitionTest, CreatedTableIsStoredByteForByte) {
  const std::string path = file("a.kst");
  TableBlock first(path + "\\!first");
  declareIdTable(first);
  ASSERT_EQ(first.create(), 0);
  TableBlock orders(path + "\\!orders");
  ASSERT_EQ(orders.create(), 0);

  const RecordList records = fileRecords(path);
  const std::string one = bytes({0, 0, 0, 1});
  const std::string* definition = dataOf(records, one + bytes({0xFA, 0, 0}));
  ASSERT_NE(definition, nullptr);
  EXPECT_EQ(*definition, bytes({0x01, 0x00, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00,              // header
                                0x06, 0x00, 0x00, 0x49, 0x44, 0x00, 0x01, 0x00, 0x04, 0x00, 0x00, 0x00,  // ID
                                0x00, 0x00,                                                             //
                                0x00, 0x01, 0x4B, 0x31, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00}));  // K1
  ASSERT_NE(dataOf(records, bytes({0xFE, 'O', 'R', 'D', 'E', 'R', 'S'})), nullptr);
  EXPECT_EQ(*dataOf(records, bytes({0xFE, 'O', 'R', 'D', 'E', 'R', 'S'})), bytes({0, 0, 0, 2}));
  EXPECT_EQ(*dataOf(records, bytes({0xFE, 'F', 'I', 'R', 'S', 'T'})), one);

  // Zeroed counters for the data and the key, and the runtime's tables.
  EXPECT_EQ(*dataOf(records, one + bytes({0xF6, 0xF3})), std::string(8, '\0'));
  EXPECT_EQ(*dataOf(records, one + bytes({0xF6, 0x00})), std::string(8, '\0'));
  const auto tables = runtime::defaultLocaleTables().serialize();
  EXPECT_EQ(*dataOf(records, one + bytes({0xFB, 0x01})), '\0' + std::string(tables.begin(), tables.end()));
  // Nothing else belongs to table 1.
  EXPECT_EQ(testing_support::tableRecords(records, "FIRST").size(), 5u);
}

TEST_F(DefinitionTest, LongDefinitionsFillBlocksOf512) {
  const std::string path = file("b.kst");
  // 43 LONG fields with 18-character names: 10 + 43 x 30 = 1300 bytes.
  std::vector<std::string> names;
  for (int i = 0; i < 43; ++i) names.push_back("FIELD_NUMBER_" + std::to_string(10000 + i));
  std::vector<FieldDeclaration> entries = {field(kTypeGroup, 0, 172, "REC", 43)};
  for (int i = 0; i < 43; ++i) entries.push_back(field(kTypeLong, uint32_t(4 * i), 4, names[i].c_str()));
  {
    TableBlock table(path + "\\!wide");
    table.declareRecord(entries, 172);
    ASSERT_EQ(table.create(), 0);
  }
  // A name long enough for 257 blocks: block 256 is numbered 00 01.
  const std::string longName(257 * 512, 'N');
  {
    TableBlock table(path + "\\!deep");
    table.declareRecord({field(kTypeGroup, 0, 4, "REC", 1), field(kTypeLong, 0, 4, longName.c_str())}, 4);
    ASSERT_EQ(table.create(), 0);
  }

  const RecordList records = fileRecords(path);
  const std::string wide = bytes({0, 0, 0, 1, 0xFA});
  ASSERT_NE(dataOf(records, wide + bytes({0, 0})), nullptr);
  ASSERT_NE(dataOf(records, wide + bytes({1, 0})), nullptr);
  ASSERT_NE(dataOf(records, wide + bytes({2, 0})), nullptr);
  EXPECT_EQ(dataOf(records, wide + bytes({0, 0}))->size(), 512u);
  EXPECT_EQ(dataOf(records, wide + bytes({1, 0}))->size(), 512u);
  EXPECT_EQ(dataOf(records, wide + bytes({2, 0}))->size(), 276u);
  EXPECT_EQ(dataOf(records, wide + bytes({3, 0})), nullptr);
  const std::string deep = bytes({0, 0, 0, 2, 0xFA});
  EXPECT_NE(dataOf(records, deep + bytes({0x00, 0x01})), nullptr);
  EXPECT_NE(dataOf(records, deep + bytes({0x01, 0x00})), nullptr);

  // A program that declares nothing reads the stream back across the blocks.
  TableBlock reader(path + "\\!wide");
  reader.declareNoRecord();
  ASSERT_EQ(reader.open(), 0);
  ASSERT_EQ(reader.context()->fields.size(), 43u);
  EXPECT_EQ(reader.context()->recordLength, 172u);
  EXPECT_EQ(reader.context()->fields[42].name, names[42]);
  EXPECT_EQ(reader.context()->fields[42].offset, 168u);
}

// The key and memos the comparisons vary: by default a PRIMARY key K1 on ID without
// external name, a MEMO of 100 and a BLOB.
struct Variant {
  uint32_t keyFlags = kKeyPrimary;
  int32_t component = 1;
  const char* keyExternalName = nullptr;
  uint32_t memoSize = 100;
  uint32_t blobSize = 0;
};

void declareVariant(TableBlock& table, const Variant& v) {
  table.addKey("K1", v.keyFlags, {v.component}, v.keyExternalName);
  table.addMemo("NOTES", v.memoSize, 0);
  table.addMemo("PICTURE", v.blobSize, kMemoBlob);
}

void declareBase(TableBlock& table) { declareVariant(table, Variant{}); }

std::function<void(TableBlock&)> variant(Variant v) {
  return [v](TableBlock& table) { declareVariant(table, v); };
}

TEST_F(DefinitionTest, OpenComparesTheStructureAndAcceptsNames) {
  struct Case {
    const char* what;
    std::function<void(TableBlock&)> declare;
    ErrorCode open;
    int comparison;  // exchangeDefinition in compare mode once open
  };
  const std::vector<Case> cases = {
      {"same", declareBase, 0, kDefinitionMatches},
      {"other labels",
       [](TableBlock& t) {
         t.declareRecord({field(kTypeGroup, 0, 16, "R", 2), field(kTypeLong, 0, 4, "CODE"),
                          field(kTypeString, 4, 12, "TITLE")},
                         16);
         t.addKey("BYCODE", kKeyPrimary, {1});
         t.addMemo("TEXT", 100, 0);
         t.addMemo("IMAGE", 0, kMemoBlob);
       },
       0, kDefinitionNamesDiffer},
      {"a field one byte longer",
       [](TableBlock& t) {
         t.declarePlainRecord(17);
         declareBase(t);
       },
       47, -1},
      {"no PRIMARY", variant({.keyFlags = 0}), 0, kDefinitionMatches},
      {"another BLOB size", variant({.blobSize = 500}), 0, kDefinitionMatches},
      {"another MEMO size", variant({.memoSize = 101}), 47, -1},
      {"empty external name where none was", variant({.keyExternalName = ""}), 0, kDefinitionNamesDiffer},
      {"a descending component", variant({.component = -1}), 47, -1},
      {"a DUP key", variant({.keyFlags = kKeyPrimary | kKeyDup}), 47, -1},
  };
  const std::string path = file("c.kst");
  {
    TableBlock stored(path + "\\!t");
    declareBase(stored);
    ASSERT_EQ(stored.create(), 0);
  }
  const std::string before = testing_support::fileBytes(path);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TableBlock table(path + "\\!t");
    c.declare(table);
    EXPECT_EQ(table.open(), c.open);
    if (c.open == 0) {
      EXPECT_EQ(exchangeDefinition(*table.context(), DefinitionMode::compare), c.comparison);
      EXPECT_EQ(table.close(), 0);
    }
  }
  EXPECT_EQ(testing_support::fileBytes(path), before);
}

TEST_F(DefinitionTest, ProgramWithoutRecordTakesTheStoredDefinition) {
  const std::string path = file("d.kst");
  {
    TableBlock stored(path + "\\!t");
    stored.declareRecord({field(kTypeGroup, 0, 19, "REC", 3), field(kTypeLong, 0, 4, "ID"),
                          field(kTypeCString, 4, 10, "NAME"), field(kTypeDecimal, 14, 5, "PRICE")},
                         19);
    declareBase(stored);
    ASSERT_EQ(stored.create(), 0);
  }
  TableBlock reader(path + "\\!t");
  reader.declareNoRecord();
  reader.addKey("OWN", kKeyDup, {});  // replaced by the stored keys
  ASSERT_EQ(reader.open(), 0);
  const DriverContext& ctx = *reader.context();
  EXPECT_EQ(ctx.recordLength, 19u);
  ASSERT_EQ(ctx.fields.size(), 3u);
  EXPECT_EQ(ctx.fields[1].type, kTypeCString);
  EXPECT_EQ(ctx.fields[1].stringLength, 10u);
  EXPECT_EQ(ctx.fields[2].decimalBytes, 5u);
  ASSERT_EQ(ctx.memos.size(), 2u);
  EXPECT_EQ(ctx.memos[0]->size, 100u);
  EXPECT_TRUE(ctx.memos[1]->isBlob());
  ASSERT_EQ(ctx.keys.size(), 1u);
  EXPECT_EQ(ctx.keys[0]->label, "K1");
  EXPECT_FALSE(ctx.keys[0]->externalName.has_value());
  EXPECT_EQ(ctx.keys[0]->flags, kKeyFlagPrimary);
  ASSERT_EQ(ctx.keys[0]->components.size(), 1u);
  EXPECT_EQ(ctx.keys[0]->components[0].field, &ctx.fields[0]);
}

TEST_F(DefinitionTest, AStoredDefinitionNoDeclarationCouldMakeIsNotTaken) {
  const std::string path = file("e.kst");
  testing_support::makeTables(path, {{"T", 3}, {"U", 1}});
  {
    // T's definition as stored, but its key names field 7 of a record of two.
    DataFile dataFile;
    ASSERT_EQ(testing_support::openForWrite(dataFile, path, 0x42), 0);
    const std::string key = bytes({0, 0, 0, 1, 0xFA, 0, 0});
    ASSERT_TRUE(testing_support::eraseText(dataFile, key));
    testing_support::insertText(dataFile, key,
                                bytes({1, 0, 8, 0, 0, 0, 0, 0, 1, 0}) +  // no fields, one key
                                    bytes({0, 1, 'K', 0, 0, 1, 0, 7, 0, 0, 0}));
    destroyDataFile(dataFile);
  }
  TableBlock reader(path + "\\!t");
  reader.declareNoRecord();
  EXPECT_EQ(reader.open(), 47);
  EXPECT_EQ(reader.remove(), 0);  // a removal goes on all the same
  EXPECT_EQ(testing_support::tableNames(fileRecords(path)), std::vector<std::string>{"U"});
}

}  // namespace
}  // namespace kestrand
