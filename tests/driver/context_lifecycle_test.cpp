#include "driver/context_lifecycle.h"

#include <gtest/gtest.h>

#include "driver/declared_file.h"
#include "driver/driver_identity.h"
#include "filelayer/error_state.h"
#include "filelayer/field_types.h"
#include "filelayer/file_registry.h"
#include "filelayer/operation_code.h"

namespace kestrand {
namespace {

using testing_support::DeclaredFile;
using testing_support::DriverTest;
using testing_support::field;

class CreateContextTest : public DriverTest {
 protected:
  // The result of creating the context, which is then destroyed again.
  ErrorCode create(DeclaredFile& file) {
    ErrorCode error = createContext(file.block, kDriverName);
    destroyContext(file.block);
    return error;
  }
};

TEST_F(CreateContextTest, CopiesTheBlockAndDescribesItsDeclaration) {
  DeclaredFile file;
  std::string owner = "secret";
  file.block.owner = {owner.c_str(), kTextNulTerminated};
  file.block.attributes = kAttrCreate | kAttrOem;
  file.entries[2].externalName = "CustName";
  ASSERT_EQ(createContext(file.block, kDriverName), 0);
  const DriverContext& ctx = *file.context();
  EXPECT_EQ(ctx.name, "C:\\DATA\\SHOP.KST\\!CUSTOMERS");  // without the padding
  EXPECT_EQ(ctx.owner, "secret");
  EXPECT_EQ(ctx.attributes, kContextCreate | kContextOem);
  EXPECT_EQ(ctx.block, &file.block);
  EXPECT_EQ(ctx.driverName, kDriverName);
  EXPECT_EQ(ctx.recordBuffer, file.buffer.data());

  ASSERT_EQ(ctx.fields.size(), 2u);
  EXPECT_EQ(ctx.fields[1].name, "CustName");
  EXPECT_EQ(ctx.fields[1].label, "NAME");
  EXPECT_EQ(ctx.fields[1].unnamed, 0);
  EXPECT_EQ(ctx.fields[0].name, "ID");
  EXPECT_EQ(ctx.fields[0].unnamed, 1);
  EXPECT_EQ(ctx.fields[1].stringLength, 10u);
  EXPECT_EQ(ctx.fields[1].index, 1u);

  ASSERT_EQ(ctx.keys.size(), 2u);
  EXPECT_EQ(file.key.driverKey, ctx.keys[0].get());
  EXPECT_EQ(ctx.keys[0]->components.at(0).field, &ctx.fields[0]);
  EXPECT_EQ(ctx.keys[1]->flags, kKeyFlagIndex | kKeyFlagDynamic);
  EXPECT_EQ(ctx.keys[1]->number, 1u);

  ASSERT_EQ(ctx.memos.size(), 1u);
  EXPECT_EQ(file.memo.driverMemo, ctx.memos[0].get());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.memo.buffer), 8), std::string(8, ' '));

  ASSERT_NE(findRegisteredFile(file.block), nullptr);
  EXPECT_EQ(findRegisteredFile(file.block)->status, 0u);
}

TEST_F(CreateContextTest, KeyFlagsAndDescendingComponents) {
  DeclaredFile file;
  int32_t components[2] = {-2, 1};
  file.key.components = components;
  file.key.componentCount = 2;
  file.key.flags = kKeyDup | kKeyNoCase | kKeyPrimary | kKeyIndex;
  ASSERT_EQ(createContext(file.block, kDriverName), 0);
  const KeyDescriptor& key = *file.context()->keys[0];
  EXPECT_EQ(key.flags, kKeyFlagDup | kKeyFlagNoCase | kKeyFlagPrimary | kKeyFlagIndex);  // not dynamic
  ASSERT_EQ(key.components.size(), 2u);
  EXPECT_EQ(key.components[0].field->label, "NAME");
  EXPECT_TRUE(key.components[0].descending);
  EXPECT_FALSE(key.components[1].descending);
}

TEST_F(CreateContextTest, DestroyLeavesNoDeclarationPointingIntoIt) {
  DeclaredFile file;
  ASSERT_EQ(createContext(file.block, kDriverName), 0);
  destroyContext(file.block);
  EXPECT_EQ(file.context(), nullptr);
  EXPECT_EQ(file.key.driverKey, nullptr);
  EXPECT_EQ(file.memo.driverMemo, nullptr);
  EXPECT_EQ(file.memo.buffer, nullptr);
  EXPECT_EQ(findRegisteredFile(file.block), nullptr);
}

TEST_F(CreateContextTest, RefusesWhatTheDriverCannotStore) {
  {
    DeclaredFile file;
    file.declareRecord({field(kTypeGroup, 0, 15001, "REC", 1), field(kTypeString, 0, 15001, "S")}, 15001);
    EXPECT_EQ(create(file), 47);
    file.declareRecord({field(kTypeGroup, 0, 15000, "REC", 1), field(kTypeString, 0, 15000, "S")}, 15000);
    EXPECT_EQ(create(file), 0);
  }
  {
    DeclaredFile file;
    file.memo.size = 64001;
    EXPECT_EQ(create(file), 47);
    file.memo.size = 64000;
    EXPECT_EQ(create(file), 0);
  }
  {
    DeclaredFile file;
    std::vector<KeyDeclaration> many(241, file.key);
    std::vector<KeyDeclaration*> pointers;
    for (KeyDeclaration& k : many) pointers.push_back(&k);
    file.block.keys = pointers.data();
    file.block.keyCount = 241;
    EXPECT_EQ(create(file), 47);
    file.block.keyCount = 240;
    EXPECT_EQ(create(file), 0);
  }
}

struct LayoutCase {
  const char* what;
  std::vector<FieldDeclaration> entries;
  ErrorCode expected;
};

TEST_F(CreateContextTest, RecordLayouts) {
  const LayoutCase cases[] = {
      {"a record entry that is not a GROUP", {field(kTypeString, 0, 10, "S")}, 75},
      {"a gap of two bytes", {field(kTypeGroup, 0, 10, "R", 2), field(kTypeLong, 0, 4, "A"), field(kTypeLong, 6, 4, "B")},
       75},
      {"an overlay inside an earlier field",
       {field(kTypeGroup, 0, 10, "R", 2), field(kTypeString, 0, 10, "S"), field(kTypeLong, 2, 4, "L")}, 75},
      {"an overlay at the start of an earlier field",
       {field(kTypeGroup, 0, 10, "R", 3), field(kTypeString, 0, 6, "S"), field(kTypeLong, 6, 4, "L"),
        field(kTypeLong, 6, 4, "L2")},
       0},
      {"a PDECIMAL over a STRING",
       {field(kTypeGroup, 0, 10, "R", 2), field(kTypeString, 0, 10, "S"), field(kTypePDecimal, 0, 5, "P")}, 0},
      {"a PDECIMAL over nothing", {field(kTypeGroup, 0, 5, "R", 1), field(kTypePDecimal, 0, 5, "P")}, 79},
      {"a MEMO type over nothing", {field(kTypeGroup, 0, 5, "R", 1), field(kTypeMemo, 0, 5, "M")}, 79},
      {"an unsupported member of a GROUP that lies over a field",
       {field(kTypeGroup, 0, 8, "R", 4), field(kTypeString, 0, 8, "S"), field(kTypeGroup, 0, 8, "G", 2),
        field(kTypeBFloat4, 0, 4, "F"), field(kTypeAny, 4, 4, "A")},
       0},
      {"an overlay matching only a member of an earlier GROUP",
       {field(kTypeGroup, 0, 8, "R", 4), field(kTypeGroup, 0, 8, "G", 2), field(kTypeLong, 0, 4, "A"),
        field(kTypeLong, 4, 4, "B"), field(kTypeLong, 4, 4, "C")},
       75},
      {"a GROUP claiming more members than follow",
       {field(kTypeGroup, 0, 4, "R", 2), field(kTypeGroup, 0, 4, "G", 5), field(kTypeLong, 0, 4, "A")}, 75},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.what);
    DeclaredFile file;
    file.declareNoKeysOrMemos();
    file.declareRecord(c.entries, 10);
    EXPECT_EQ(create(file), c.expected);
  }
}

TEST_F(CreateContextTest, OverlaysAndGroupsAreNumberedInDeclarationOrder) {
  DeclaredFile file;
  file.declareNoKeysOrMemos();
  file.declareRecord({field(kTypeGroup, 0, 12, "R", 5), field(kTypeGroup, 0, 8, "G", 2), field(kTypeLong, 0, 4, "A"),
                      field(kTypeLong, 4, 4, "B"), field(kTypeString, 0, 8, "OVERG"), field(kTypeLong, 8, 4, "C")},
                     12);
  ASSERT_EQ(createContext(file.block, kDriverName), 0);
  const std::vector<FieldDescriptor>& fields = file.context()->fields;
  ASSERT_EQ(fields.size(), 5u);
  EXPECT_EQ(fields[0].groupSize, 2u);
  EXPECT_EQ(fields[3].over, 1u);
  EXPECT_EQ(fields[3].overField, 1u);  // the GROUP, field number 1
  EXPECT_EQ(fields[4].over, 0u);
  EXPECT_EQ(fields[4].offset, 8u);
}

TEST_F(CreateContextTest, KeyComponentsMustBeSingleFieldsOfTheRecord) {
  {
    DeclaredFile file;
    file.entries[1].dimensions = {2, 0, 0, 0};  // ID becomes LONG[2]
    file.entries[2].offset = 8;
    file.declareRecord(file.entries, 18);
    EXPECT_EQ(create(file), 75);
  }
  {
    DeclaredFile file;
    file.keyComponents[0] = 3;  // the record has two fields
    EXPECT_EQ(create(file), 75);
  }
}

// Through the entry: a refused declaration leaves no context, and every operation
// tries again.
TEST_F(CreateContextTest, ARefusalRepeatsAtEveryOperation) {
  DeclaredFile file;
  file.declareRecord({field(kTypeGroup, 0, 15001, "REC", 1), field(kTypeString, 0, 15001, "S")}, 15001);
  for (int32_t code : {opOpen, opName, opNext}) {
    file.call(code);
    EXPECT_EQ(errorCode(), 47);
    EXPECT_EQ(errorFile(), &file.block);
    EXPECT_EQ(file.context(), nullptr);
    EXPECT_EQ(findRegisteredFile(file.block), nullptr);
  }
}

}  // namespace
}  // namespace kestrand
