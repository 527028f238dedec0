// TsID interning, TsStringT and TagList.
#include "tarsel/tags.h"
#include "tarsel/ts_id.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

TEST(TsIDs, EqualTextsShareOneIdentifier) {
    std::string built = std::string("OMF") + "Format";
    TsID a("OMFFormat");
    TsID b(built);
    EXPECT_TRUE(a == b);
    EXPECT_EQ(a.c_str(), b.c_str()); // one stored copy
    EXPECT_TRUE(a == "OMFFormat");
    EXPECT_FALSE(a == "OMFFormats");
    EXPECT_FALSE(a == TsID("Other"));
    EXPECT_STREQ(static_cast<const char*>(a), "OMFFormat");
}

TEST(TsIDs, EmptyTextIsNoID) {
    EXPECT_TRUE(TsID("").IsNoID());
    EXPECT_TRUE(TsID(static_cast<const char*>(nullptr)) == NOID);
    EXPECT_STREQ(NOID.c_str(), "");
    EXPECT_FALSE(TsID("x") == NOID);
}

TEST(TsIDs, InterningFromManyThreadsAgrees) {
    std::vector<const char*> seen(8);
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&seen, i] {
            for (int k = 0; k < 1000; ++k)
                TsID("warm" + std::to_string(k));
            seen[i] = TsID("SharedName").c_str();
        });
    for (auto& thread : threads)
        thread.join();
    for (const char* text : seen)
        EXPECT_EQ(text, seen[0]);
}

TEST(TsStrings, AnsiFormKeepsTheBytes) {
    TsStringT path("/media/clip 01.omf");
    EXPECT_STREQ(path.ToANSI(), "/media/clip 01.omf");
    EXPECT_STREQ(TsStringT(TsID("Abc")).ToANSI(), "Abc");
    EXPECT_TRUE(TsStringT().IsEmpty());
}

TEST(TagLists, AddKeepsDuplicatesInOrder) {
    TagList tags;
    tags.Add(0x38000064, ".omf");
    tags.Add(0x38000064, ".omfi");
    tags.Add(0x10000069, 0);
    auto extensions = tags.FindAll(0x38000064);
    ASSERT_EQ(extensions.size(), 2u);
    EXPECT_EQ(std::get<std::string>(extensions[0]->value), ".omf");
    EXPECT_EQ(std::get<std::string>(extensions[1]->value), ".omfi");
    EXPECT_EQ(tags.GetText(0x38000064), ".omf");
    EXPECT_EQ(tags.Count(), 3u);
}

TEST(TagLists, SetReplacesTheFirstEntryOrAppends) {
    TagList tags;
    tags.Set(0x10000000, 5);
    tags.Set(0x10000000, 0x180000);
    EXPECT_EQ(tags.Count(), 1u);
    EXPECT_EQ(tags.GetInt(0x10000000), 0x180000);
    tags.Set(0x20000000, 0.9);
    EXPECT_DOUBLE_EQ(tags.GetDouble(0x20000000), 0.9);
    tags.Init();
    EXPECT_TRUE(tags.IsEmpty());
}

TEST(TagLists, TypedReadsFallBackToDefaults) {
    TagList tags;
    int marker = 0;
    tags.Add(1, 7);
    tags.Add(2, 2.75);
    tags.Add(3, TsID("AJPG"));
    tags.AddPtr(4, &marker);
    EXPECT_EQ(tags.GetInt(1), 7);
    EXPECT_DOUBLE_EQ(tags.GetDouble(1), 7.0); // integers read as doubles
    EXPECT_EQ(tags.GetInt(2), 2);             // doubles truncate
    EXPECT_TRUE(tags.GetID(3) == "AJPG");
    EXPECT_EQ(tags.GetText(3), "AJPG");
    EXPECT_EQ(tags.GetPtr(4), &marker);
    EXPECT_EQ(tags.GetInt(99, -1), -1);
    EXPECT_EQ(tags.GetText(1, "none"), "none"); // a number is not text
    EXPECT_EQ(tags.GetPtr(1), nullptr);
    tags.Remove(1);
    EXPECT_FALSE(tags.Has(1));
}

} // namespace
