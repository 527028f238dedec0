// Security texts mapped onto file modes.
#include "platform/access_rules.h"

#include <gtest/gtest.h>

namespace {

using platform::FileModeFromSecurityText;

TEST(AccessRules, TheFrameSectionTextGivesTheOwnerAlone) {
    // System and administrators are the superuser; the interactive user is the owner.
    EXPECT_EQ(FileModeFromSecurityText("D:P(A;OICI;GA;;;SY)(A;OICI;GA;;;BA)(A;OICI;GRGW;;;IU)"),
              0600u);
    EXPECT_EQ(FileModeFromSecurityText("D:"), 0600u);
}

TEST(AccessRules, GrantsToEveryoneOpenGroupAndOthers) {
    EXPECT_EQ(FileModeFromSecurityText("D:(A;;GR;;;WD)"), 0644u);
    EXPECT_EQ(FileModeFromSecurityText("D:(A;;GW;;;AU)"), 0622u);
    EXPECT_EQ(FileModeFromSecurityText("D:(A;;GA;;;WD)"), 0666u);
    EXPECT_EQ(FileModeFromSecurityText("D:(A;;GRGX;;;WD)"), 0644u); // nothing is run
    EXPECT_EQ(FileModeFromSecurityText("D:(A;;0x80000000;;;WD)"), 0644u);
    EXPECT_EQ(FileModeFromSecurityText("D:(A;;0x10000000;;;WD)"), 0666u);
    EXPECT_EQ(FileModeFromSecurityText("D:PAI(A;OICI;GA;;;WD)"), 0666u);
}

TEST(AccessRules, DenialsTakeBitsFromGroupAndOthersOnly) {
    EXPECT_EQ(FileModeFromSecurityText("D:(A;;GA;;;WD)(D;;GW;;;WD)"), 0644u);
    EXPECT_EQ(FileModeFromSecurityText("D:(D;;GW;;;WD)(A;;GA;;;WD)"), 0644u);
    EXPECT_EQ(FileModeFromSecurityText("D:(D;;GA;;;IU)"), 0600u); // the creator keeps its access
}

TEST(AccessRules, TextsOutsideTheFormAreRefused) {
    const char* refused[] = {
        "",
        "O:SY",                     // no access list
        "D:X(A;;GA;;;WD)",          // unknown list flag
        "D:(A;;GA;;;WD",            // unclosed entry
        "D:(A;;GA;;WD)",            // five fields
        "D:(A;;GA;;;WD;)",          // seven fields
        "D:(U;;GA;;;WD)",           // unknown entry type
        "D:(A;oi;GA;;;WD)",         // flags are upper-case letters
        "D:(A;;GZ;;;WD)",           // unknown right
        "D:(A;;G;;;WD)",            // half a right
        "D:(A;;;;;WD)",             // no rights
        "D:(A;;0x;;;WD)",           // a number without digits
        "D:(A;;0x1G;;;WD)",         // not hexadecimal
        "D:(A;;0x100000000;;;WD)",  // more than 32 bits
        "D:(A;;GA;guid;;WD)",       // object types are not used
        "D:(A;;GA;;;S-1-5-32-544)", // accounts by number are not known
        "D:(A;;GA;;;XX)",           // unknown account
        "D:(A;;GA;;;WD)junk",       // text after the entries
    };
    for (const char* text : refused)
        EXPECT_EQ(FileModeFromSecurityText(text), std::nullopt) << text;
}

TEST(AccessRules, TextsAreReadUpTo4096Characters) {
    const std::string entry = "(A;;GR;;;WD)";
    auto text = [&](size_t length) {
        return "D:" + std::string(length - 2 - entry.size(), 'P') + entry;
    };
    EXPECT_EQ(FileModeFromSecurityText(text(4096)), 0644u);
    EXPECT_EQ(FileModeFromSecurityText(text(4097)), std::nullopt);
}

} // namespace
