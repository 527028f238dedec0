// Locator texts normalised into Windows-style paths, and hostile texts kept in bounds.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "locator_path.h"

namespace {

using omfplugin::kLocatorPathSize;
using omfplugin::NormaliseLocatorPath;

std::string Normalised(std::string_view text) {
    char out[kLocatorPathSize];
    std::memset(out, 'x', sizeof out);
    NormaliseLocatorPath(text, out);
    EXPECT_NE(std::memchr(out, '\0', sizeof out), nullptr) << "unterminated for " << text;
    return out;
}

TEST(NormaliseLocatorPath, FileURLsBecomeDrivePathsAndShares) {
    EXPECT_EQ(Normalised("file:///C:/Media/a%20b.omf"), "C:\\Media\\a b.omf");
    EXPECT_EQ(Normalised("file://srv/share/x"), "\\\\srv\\share\\x");
    EXPECT_EQ(Normalised("file:////srv/share/x"), "\\\\srv\\share\\x");
    EXPECT_EQ(Normalised("/media/clips/a.omf"), "\\media\\clips\\a.omf");
    EXPECT_EQ(Normalised("D:\\Clips\\b.omf"), "D:\\Clips\\b.omf");
    EXPECT_EQ(Normalised(""), "");
}

TEST(NormaliseLocatorPath, EscapesDecodeInEitherCase) {
    EXPECT_EQ(Normalised("a%41%62%2fc"), "aAb\\c");
    EXPECT_EQ(Normalised("%7e%7E"), "~~");
}

TEST(NormaliseLocatorPath, BadEscapesAreDroppedWithoutReadingPastTheText) {
    EXPECT_EQ(Normalised("a%zzb"), "ab");
    EXPECT_EQ(Normalised("abc%"), "abc");
    EXPECT_EQ(Normalised("abc%4"), "abc");
    EXPECT_EQ(Normalised("abc%4g"), "abc");
    // A text that is not terminated where it ends: nothing after its end is read.
    const char buffer[] = {'a', 'b', '%', '4', '1', '4', '1'};
    EXPECT_EQ(Normalised(std::string_view(buffer, 4)), "ab");
}

TEST(NormaliseLocatorPath, AnyLengthGivesAtMost255Characters) {
    EXPECT_EQ(Normalised(std::string(1000, 'a')), std::string(255, 'a'));
    std::string escapes;
    for (int i = 0; i < 400; ++i)
        escapes += "%41";
    EXPECT_EQ(Normalised(escapes), std::string(255, 'A'));
    EXPECT_EQ(Normalised(std::string(300, '/')).size(), 2u);
}

} // namespace
