// Behaviour of preferences, documents and the application's messages.
#include "tarsel/system/application.h"
#include "tarsel/system/preferences.h"

#include <gtest/gtest.h>

namespace {

TEST(Preferences, RegisteredDefaultsAnswerByKind) {
    EXPECT_TRUE(DefPrefInt("Test.Prefs.Flow", 0));
    EXPECT_TRUE(DefPrefDouble("Test.Prefs.Gain", 2.5));
    EXPECT_TRUE(DefPrefString("Test.Prefs.Name", "clip"));
    EXPECT_EQ(GetPrefInt("Test.Prefs.Flow", 7), 0);
    EXPECT_EQ(GetPrefInt("Test.Prefs.Gain"), 2);
    EXPECT_DOUBLE_EQ(GetPrefDouble("Test.Prefs.Flow", 9.0), 0.0);
    EXPECT_EQ(GetPrefString("Test.Prefs.Name"), "clip");
    EXPECT_EQ(GetPrefInt("Test.Prefs.Name", 5), 5);
    EXPECT_EQ(GetPrefInt("Test.Prefs.Missing", -3), -3);
    DefPrefInt("Test.Prefs.Flow", 4);
    EXPECT_EQ(GetPrefInt("Test.Prefs.Flow"), 4);
    DefPrefDouble("Test.Prefs.Huge", 1e300);
    EXPECT_EQ(GetPrefInt("Test.Prefs.Huge", 11), 11);
}

TEST(Preferences, DocumentValuesOverrideDefaults) {
    TarselDoc doc;
    EXPECT_DOUBLE_EQ(doc.GetPrefDouble(PREF_FFAspectX), 1.0);
    EXPECT_DOUBLE_EQ(doc.GetPrefDouble(PREF_FFAspectY), 1.0);
    EXPECT_DOUBLE_EQ(doc.GetPrefDouble(PREF_FFRate), 24.0);
    doc.SetPref(PREF_FFAspectX, 0.9);
    doc.SetPref(PREF_FFRate, int64_t{25});
    EXPECT_DOUBLE_EQ(doc.GetPrefDouble(PREF_FFAspectX), 0.9);
    EXPECT_DOUBLE_EQ(doc.GetPrefDouble(PREF_FFRate), 25.0);
    DefPrefInt("Test.Doc.Level", 3);
    EXPECT_EQ(doc.GetPrefInt("Test.Doc.Level"), 3);
    doc.SetPref("Test.Doc.Level", int64_t{8});
    EXPECT_EQ(doc.GetPrefInt("Test.Doc.Level"), 8);
    EXPECT_EQ(GetPrefInt("Test.Doc.Level"), 3);
    doc.SetPref("Test.Doc.Title", std::string("x"));
    EXPECT_DOUBLE_EQ(doc.GetPrefDouble("Test.Doc.Title", -1.0), -1.0);
    EXPECT_EQ(doc.GetPrefString("Test.Doc.Title"), "x");
    TarselDoc other;
    EXPECT_DOUBLE_EQ(other.GetPrefDouble(PREF_FFAspectX), 1.0);
}

TEST(ApplicationMessages, OnlyOneApplicationAtATime) {
    EXPECT_EQ(GetApp(), nullptr);
    {
        Application app;
        EXPECT_EQ(GetApp(), &app);
        {
            Application second;
            EXPECT_EQ(GetApp(), &app);
        }
        EXPECT_EQ(GetApp(), &app);
    }
    EXPECT_EQ(GetApp(), nullptr);
}

TEST(ApplicationMessages, ErrorsArePrintedAndTheLatestAreKept) {
    Application app;
    testing::internal::CaptureStderr();
    app.ShowMessage(MSG_Error, "OMF Error: %d\n%s", 35, "OMFI_ERR: bad thing");
    app.ShowMessage(MSG_Info, "quiet %s", "note");
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed, "OMF Error: 35\nOMFI_ERR: bad thing\n");
    auto messages = app.LastMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].Category, MSG_Error);
    EXPECT_EQ(messages[0].Text, "OMF Error: 35\nOMFI_ERR: bad thing");
    EXPECT_EQ(messages[1].Text, "quiet note");

    for (int i = 0; i < 100; ++i)
        app.ShowMessage(MSG_Info, "n%d", i);
    messages = app.LastMessages();
    ASSERT_EQ(messages.size(), Application::KeptMessages);
    EXPECT_EQ(messages.front().Text, "n36");
    EXPECT_EQ(messages.back().Text, "n99");
    app.ClearMessages();
    EXPECT_TRUE(app.LastMessages().empty());
}

} // namespace
