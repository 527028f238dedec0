// ScriptVal: kinds, conversions, tables, memory blocks and result slots.
#include "tarsel/script_object.h"
#include "tarsel/script_val.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace {

TEST(ScriptValKinds, EachConstructorGivesItsTypeCode) {
    EXPECT_EQ(ScriptVal().Type(), kScriptNil);
    EXPECT_EQ(ScriptVal(nullptr).Type(), kScriptNil);
    EXPECT_EQ(ScriptVal(true).Type(), kScriptBoolean);
    EXPECT_EQ(ScriptVal(7).Type(), kScriptInteger);
    EXPECT_EQ(ScriptVal(7u).Type(), kScriptInteger);
    EXPECT_EQ(ScriptVal(int64_t{1} << 40).Type(), kScriptInteger);
    EXPECT_EQ(ScriptVal(2.5).Type(), kScriptNumber);
    EXPECT_EQ(ScriptVal("text").Type(), kScriptString);
    EXPECT_EQ(ScriptVal(TsID("Name")).Type(), kScriptID);
    EXPECT_EQ(ScriptVal::NewTable().Type(), kScriptTable);
    EXPECT_EQ(ScriptVal::NewMemBlock(nullptr, 4).Type(), kScriptMemBlock);
    // The codes callers compare against by number.
    EXPECT_EQ(kScriptNil, 0);
    EXPECT_EQ(kScriptTable, 4);
    EXPECT_EQ(kScriptInteger, 5);
    EXPECT_EQ(kScriptMemBlock, 9);
}

TEST(ScriptValKinds, NullTextAndNullObjectAreNil) {
    EXPECT_TRUE(ScriptVal(static_cast<const char*>(nullptr)).IsNil());
    EXPECT_TRUE(ScriptVal(static_cast<ScriptObject*>(nullptr)).IsNil());
}

TEST(ScriptValConversions, NumbersConvertBetweenKinds) {
    EXPECT_EQ(ScriptVal(3.99).ToInteger(), 3);
    EXPECT_EQ(ScriptVal(-3.99).ToInteger(), -3);
    EXPECT_EQ(ScriptVal(1e300).ToInteger(), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(ScriptVal(-1e300).ToInteger(), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(ScriptVal(std::numeric_limits<double>::quiet_NaN()).ToInteger(), 0);
    EXPECT_DOUBLE_EQ(ScriptVal(12).ToNumber(), 12.0);
    EXPECT_EQ(ScriptVal(true).ToInteger(), 1);
    EXPECT_EQ(ScriptVal("42").ToInteger(), 42);
    EXPECT_EQ(ScriptVal("4.5").ToInteger(), 4);
    EXPECT_DOUBLE_EQ(ScriptVal("4.5").ToNumber(), 4.5);
    EXPECT_EQ(ScriptVal("42abc").ToInteger(), 0);
    EXPECT_EQ(ScriptVal::NewTable().ToInteger(), 0);
}

TEST(ScriptValConversions, TruthFollowsValueNotPresence) {
    EXPECT_FALSE(ScriptVal().ToBoolean());
    EXPECT_FALSE(ScriptVal(false).ToBoolean());
    EXPECT_FALSE(ScriptVal(0).ToBoolean());
    EXPECT_FALSE(ScriptVal(0.0).ToBoolean());
    EXPECT_TRUE(ScriptVal(2).ToBoolean());
    EXPECT_TRUE(ScriptVal("").ToBoolean());
    EXPECT_TRUE(ScriptVal::NewTable().ToBoolean());
}

TEST(ScriptValConversions, TextForms) {
    EXPECT_EQ(ScriptVal("abc").ToString(), "abc");
    EXPECT_EQ(ScriptVal(TsID("Ident")).ToString(), "Ident");
    EXPECT_EQ(ScriptVal(-17).ToString(), "-17");
    EXPECT_EQ(ScriptVal(0.5).ToString(), "0.5");
    EXPECT_EQ(ScriptVal(true).ToString(), "true");
    EXPECT_EQ(ScriptVal().ToString(), "");
    EXPECT_TRUE(ScriptVal("Ident").ToID() == "Ident");
}

TEST(ScriptValTables, KeysByNumberAndNameAreDistinct) {
    ScriptVal table = ScriptVal::NewTable();
    table.Set(1, "first");
    table.Set("1", "named one");
    table.Set("Width", 720);
    EXPECT_EQ(table.NumKeys(), 3u);
    EXPECT_EQ(table.ToString(1), "first");
    EXPECT_EQ(table.ToString("1"), "named one");
    EXPECT_EQ(table.ToInteger("Width"), 720);
    EXPECT_EQ(table.ToInteger("Height", -5), -5);
    EXPECT_EQ(table.ToString("Missing", "dflt"), "dflt");
    EXPECT_TRUE(table.ToBoolean("Missing", true));
    EXPECT_DOUBLE_EQ(table.ToNumber("Missing", 2.5), 2.5);
}

TEST(ScriptValTables, SettingNilRemovesAKey) {
    ScriptVal table = ScriptVal::NewTable();
    table.Set("a", 1);
    table.Set("a", ScriptVal());
    EXPECT_EQ(table.NumKeys(), 0u);
    EXPECT_EQ(table.FindKey("a"), nullptr);
}

TEST(ScriptValTables, SubscriptMakesNilIntoATable) {
    ScriptVal value;
    value["Inner"]["Deep"] = 3;
    ASSERT_TRUE(value.IsTable());
    const ScriptVal* inner = value.FindKeyConst("Inner");
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->ToInteger("Deep"), 3);
}

TEST(ScriptValTables, CopiesShareOneTable) {
    ScriptVal table = ScriptVal::NewTable();
    ScriptVal alias = table;
    alias.Set("k", 9);
    EXPECT_EQ(table.ToInteger("k"), 9);
}

TEST(ScriptValTables, WalkVisitsNumbersAscendingThenNames) {
    ScriptVal table = ScriptVal::NewTable();
    table.Set("b", 1);
    table.Set(10, 1);
    table.Set(-1, 1);
    table.Set("a", 1);
    table.Set(2, 1);
    std::vector<std::string> order;
    table.ForEachKey([&](const ScriptKey& key, const ScriptVal&) {
        order.push_back(key.IsName() ? std::string(key.Name()) : std::to_string(key.Number()));
    });
    EXPECT_EQ(order, (std::vector<std::string>{"-1", "2", "10", "a", "b"}));
}

TEST(ScriptValTables, NonTablesHaveNoKeys) {
    ScriptVal number(5);
    EXPECT_EQ(number.FindKey(1), nullptr);
    EXPECT_EQ(number.NumKeys(), 0u);
    EXPECT_EQ(number.ToInteger(1, 77), 77);
    number.Remove(1); // harmless
    EXPECT_EQ(number.ToInteger(), 5);
}

TEST(ScriptValResultSlot, ReturnFormsWriteKeyMinusOne) {
    ScriptVal args = ScriptVal::NewTable();
    args.Return(ScriptVal("answer"));
    EXPECT_EQ(args.ToString(-1), "answer");
    args.ReturnBoolean(false);
    EXPECT_TRUE(args.Result().IsBoolean());
    args.ReturnNil();
    EXPECT_TRUE(args.Result().IsNil());
    EXPECT_EQ(args.FindKey(kScriptResultKey), nullptr);
}

TEST(ScriptValMemBlocks, NullDataAllocatesZeroedBytesForTheCaller) {
    ScriptVal value;
    const MemBlock* block = value.SetMemBlock(nullptr, 1000);
    ASSERT_NE(block, nullptr);
    ASSERT_NE(block->data, nullptr);
    EXPECT_EQ(block->size, 1000u);
    const auto* bytes = static_cast<const unsigned char*>(block->data);
    for (size_t i = 0; i < block->size; ++i)
        ASSERT_EQ(bytes[i], 0) << i;
    std::memset(block->data, 0xAB, block->size);
    EXPECT_EQ(static_cast<const unsigned char*>(value.GetData()->data)[999], 0xAB);
}

TEST(ScriptValMemBlocks, GivenDataIsCopied) {
    unsigned char source[4] = {1, 2, 3, 4};
    ScriptVal value = ScriptVal::NewMemBlock(source, sizeof source);
    source[0] = 99;
    const MemBlock* block = value.GetData();
    ASSERT_NE(block, nullptr);
    EXPECT_NE(block->data, static_cast<void*>(source));
    EXPECT_EQ(static_cast<const unsigned char*>(block->data)[0], 1);
    EXPECT_EQ(ScriptVal(3).GetData(), nullptr);
}

TEST(ScriptValSetTyped, SetsFromCodeAndRawData) {
    ScriptVal value;
    int64_t number = 123;
    ASSERT_TRUE(value.SetTyped(kScriptInteger, &number));
    EXPECT_EQ(value.ToInteger(), 123);
    ASSERT_TRUE(value.SetTyped(kScriptTable, nullptr));
    EXPECT_TRUE(value.IsTable());
    EXPECT_EQ(value.NumKeys(), 0u);
    MemBlock request{nullptr, 64};
    ASSERT_TRUE(value.SetTyped(kScriptMemBlock, &request));
    ASSERT_TRUE(value.IsMemBlock());
    EXPECT_EQ(value.GetData()->size, 64u);
    EXPECT_NE(value.GetData()->data, nullptr);
    // Unknown codes and missing data leave the value alone.
    EXPECT_FALSE(value.SetTyped(42, &number));
    EXPECT_FALSE(value.SetTyped(kScriptInteger, nullptr));
    EXPECT_TRUE(value.IsMemBlock());
    ASSERT_TRUE(value.SetTyped(kScriptNil, nullptr));
    EXPECT_TRUE(value.IsNil());
}

TEST(ScriptValCalls, CallingANonObjectAnswersNil) {
    EXPECT_TRUE(ScriptVal(5).CallMember("Anything").IsNil());
    EXPECT_TRUE(ScriptVal().CallMember("Anything").IsNil());
}

} // namespace
