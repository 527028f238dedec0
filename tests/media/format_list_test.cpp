// Format lists as codecs keep them: replacing a code's value, the entry
// limit, and lookups in terminated lists.
#include "media/codec_support/format_list.h"

#include "omf/omf_error_codes.h"

#include <gtest/gtest.h>

using omf::media::FormatList;

TEST(FormatList, RepeatedCodeReplacesItsValueInPlace) {
    FormatList list;
    ASSERT_EQ(list.putInt32(kOmfFrameLayout, kOmfFullFrame), 0);
    ASSERT_EQ(list.putRect(kOmfStoredRect, omfRect_t{0, 0, 720, 486}), 0);
    ASSERT_EQ(list.putInt32(kOmfFrameLayout, kOmfSeparateFields), 0);
    EXPECT_EQ(list.size(), 2u);
    EXPECT_EQ(list.data()[0].opcode, kOmfFrameLayout);
    EXPECT_EQ(list.data()[0].operand.int32, kOmfSeparateFields);
    EXPECT_EQ(list.data()[2].opcode, kOmfVFmtEnd);
    ASSERT_NE(list.find(kOmfStoredRect), nullptr);
    EXPECT_EQ(list.find(kOmfStoredRect)->operand.rect.ySize, 486);
    EXPECT_EQ(list.find(kOmfPixelSize), nullptr);
}

TEST(FormatList, HoldsThirtyThreeEntriesAndRefusesTheThirtyFourth) {
    FormatList list;
    for (omfInt32 code = 1; code <= kOmfMaxFormatEntries; ++code) {
        ASSERT_EQ(list.putInt32(code, code * 10), 0) << code;
    }
    EXPECT_EQ(list.size(), size_t(kOmfMaxFormatEntries));
    EXPECT_EQ(list.putInt32(kOmfMaxFormatEntries + 1, 0), OM_ERR_OPERATION_LIST_OVERFLOW);
    EXPECT_EQ(list.size(), size_t(kOmfMaxFormatEntries));
    // A full list still takes new values for codes it holds.
    EXPECT_EQ(list.putInt32(7, 70000), 0);
    EXPECT_EQ(list.find(7)->operand.int32, 70000);
    EXPECT_EQ(list.data()[kOmfMaxFormatEntries].opcode, kOmfVFmtEnd);
    list.clear();
    EXPECT_EQ(list.size(), 0u);
    EXPECT_EQ(list.data()[0].opcode, kOmfVFmtEnd);
}

TEST(FormatList, ByteOperandsAreCutToEightBytes) {
    FormatList list;
    ASSERT_EQ(list.putBytes(kOmfRGBCompLayout, "ARGBXYZW-too-long", 17), 0);
    const omfFormatEntry_t* entry = list.find(kOmfRGBCompLayout);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(std::string(entry->operand.compLayout, 8), "ARGBXYZW");
    EXPECT_EQ(entry->operand.raw[8], 0);
    EXPECT_EQ(omf::media::findFormatEntry(nullptr, kOmfRGBCompLayout), nullptr);
}
