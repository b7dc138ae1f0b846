#include <gtest/gtest.h>

#include "com/Dispatch.h"
#include "data/DataErrors.h"
#include "data/MemoryRecordset.h"

namespace tavlora::data {
namespace {

using com::Variant;

std::shared_ptr<MemoryRecordset> people() {
    return std::make_shared<MemoryRecordset>(
        std::vector<std::string>{"ID", "Name", "name"},
        std::vector<MemoryRecordset::Row>{{Variant(int32_t{1}), Variant("Ann"), Variant("first")},
                                          {Variant(int32_t{2}), Variant::null(), Variant("second")}});
}

template <typename F>
com::HRESULT errorCodeOf(F&& f) {
    try {
        f();
    } catch (const com::Error& e) {
        return e.code();
    }
    return com::hr::kOk;
}

TEST(RecordsetTest, CursorWalksEveryRowThenStandsAtEof) {
    auto rst = people();
    Field id = rst->Fields().Item("id");
    ASSERT_FALSE(rst->Eof());
    EXPECT_EQ(id.Value(), Variant(int32_t{1}));
    rst->MoveNext();
    EXPECT_EQ(id.Value(), Variant(int32_t{2})) << "a field taken once follows the cursor";
    EXPECT_TRUE(rst->Fields().Item(1).Value().isNull());
    rst->MoveNext();
    EXPECT_TRUE(rst->Eof());
    EXPECT_EQ(errorCodeOf([&] { rst->MoveNext(); }), hr::kNoCurrentRecord);
    EXPECT_EQ(errorCodeOf([&] { id.Value(); }), hr::kNoCurrentRecord);
}

TEST(RecordsetTest, EmptyRecordsetIsAtEofAtOnceButKeepsItsFields) {
    MemoryRecordset rst({"A", "B"}, {});
    EXPECT_TRUE(rst.Eof());
    EXPECT_EQ(rst.Fields().Count(), 2);
    EXPECT_EQ(rst.Fields().Item(1).Name(), "B");
}

TEST(RecordsetTest, NameLookupIgnoresCaseAndTakesTheFirstMatch) {
    auto rst = people();
    EXPECT_EQ(rst->Fields().Item("NAME").Index(), 1);
    EXPECT_EQ(rst->Fields().Item("name").Value(), Variant("Ann"));
    EXPECT_EQ(rst->FindField("nAmE"), 1);
    EXPECT_EQ(rst->FindField("missing"), -1);
}

TEST(RecordsetTest, NonAsciiNamesMatchWithoutRegardToCase) {
    MemoryRecordset rst({"straße", "ÄRGER"}, {{Variant("x"), Variant("y")}});
    EXPECT_EQ(rst.FindField("ärger"), 1);
    EXPECT_EQ(rst.FindField("STRAßE"), 0);
}

TEST(RecordsetTest, UnknownNameOrPositionRaisesItemNotFound) {
    auto rst = people();
    try {
        rst->Fields().Item("Salary");
        FAIL() << "no error";
    } catch (const com::Error& e) {
        EXPECT_EQ(e.code(), hr::kItemNotFound);
        EXPECT_NE(std::string(e.what()).find("\"Salary\""), std::string::npos) << e.what();
    }
    EXPECT_EQ(errorCodeOf([&] { rst->Fields().Item(3); }), hr::kItemNotFound);
    EXPECT_EQ(errorCodeOf([&] { rst->Fields().Item(-1); }), hr::kItemNotFound);
}

TEST(RecordsetTest, RowWithTheWrongNumberOfValuesIsRefused) {
    EXPECT_EQ(errorCodeOf([] { MemoryRecordset({"A", "B"}, {{Variant("only one")}}); }), com::hr::kInvalidArg);
}

TEST(RecordsetDispatchTest, AutomationClientReadsThroughFieldsAndField) {
    auto rst = people();
    Variant asObject = rst->toVariant();
    com::Dispatch& recordset = *asObject.asObject();
    EXPECT_EQ(recordset.get("EOF"), Variant(false));
    Variant fields = recordset.get("Fields");
    EXPECT_EQ(fields.asObject()->get("Count"), Variant(int32_t{3}));
    Variant byName = fields.asObject()->call("Item", {Variant("NAME")});
    EXPECT_EQ(byName.asObject()->get("Name"), Variant("Name"));
    EXPECT_EQ(byName.asObject()->get("Value"), Variant("Ann"));
    Variant byIndex = fields.asObject()->call("Item", {Variant(int16_t{2})});
    EXPECT_EQ(byIndex.asObject()->get("Value"), Variant("first"));

    recordset.call("MoveNext");
    EXPECT_TRUE(byName.asObject()->get("Value").isNull());
    recordset.call("MoveNext");
    EXPECT_EQ(recordset.get("EOF"), Variant(true));
    EXPECT_EQ(errorCodeOf([&] { fields.asObject()->call("Item", {Variant("nope")}); }), hr::kItemNotFound);
}

TEST(RecordsetDispatchTest, FieldObjectsKeepTheRecordsetAlive) {
    Variant field;
    {
        auto rst = people();
        field = rst->toVariant().asObject()->get("Fields").asObject()->call("Item", {Variant(int32_t{0})});
    }
    EXPECT_EQ(field.asObject()->get("Value"), Variant(int32_t{1}));
}

TEST(RecordsetDispatchTest, RecordsetComesBackOutOfAVariant) {
    auto rst = people();
    EXPECT_EQ(recordsetFromVariant(rst->toVariant()), rst);
    EXPECT_EQ(errorCodeOf([] { recordsetFromVariant(Variant(com::ObjectPtr())); }), com::hr::kObjectNotSet);
    EXPECT_EQ(errorCodeOf([] { recordsetFromVariant(Variant("text")); }), com::hr::kTypeMismatch);
}

TEST(RecordsetDispatchTest, StackOwnedRecordsetCannotBeHandedOut) {
    MemoryRecordset rst({"A"}, {});
    EXPECT_EQ(errorCodeOf([&] { rst.toVariant(); }), com::hr::kInvalidCall);
}

}  // namespace
}  // namespace tavlora::data
