// Registry key files: what a valid file gives, each malformed input with its
// exact error and line beside a valid control, and every limit at N and N+1.
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using platform::KeyFileError;
using platform::RegistryValues;

constexpr const char* kKey = "HKEY_LOCAL_MACHINE\\Software\\Apple Computer, Inc.\\QuickTime";

struct Parsed {
    KeyFileError error;
    size_t line;
    RegistryValues values;
};

Parsed Parse(const std::string& bytes) {
    Parsed parsed;
    parsed.error = parsed.values.Parse(bytes, parsed.line);
    return parsed;
}

std::string KeyLine() {
    return std::string("[") + kKey + "]\n";
}

TEST(RegistryKeyFile, ValuesAreFoundByKeyAndNameWithoutRegardToCase) {
    Parsed parsed = Parse("; QuickTime folders\n"
                          "\n" +
                          KeyLine() +
                          "  \"QTSysDir\" = \"/opt/qt/\"  \r\n"
                          "\"QuickTime.qts folder\"=\"C:\\\\QuickTime\\\\\"\n"
                          "\"Quoted\"=\"say \\\"hi\\\"\"\n"
                          "[Other]\n"
                          "\"QTSysDir\"=\"elsewhere\"\n"
                          "\"QTSysDir\"=\"replaced\"");
    ASSERT_EQ(parsed.error, KeyFileError::None);
    EXPECT_EQ(parsed.values.Count(), 4u);
    EXPECT_EQ(parsed.values.Query(kKey, "QTSysDir"), "/opt/qt/");
    EXPECT_EQ(parsed.values.Query("hkey_local_machine\\SOFTWARE\\apple computer, inc.\\quicktime",
                                  "qtsysdir"),
              "/opt/qt/");
    EXPECT_EQ(parsed.values.Query(kKey, "QuickTime.qts folder"), "C:\\QuickTime\\");
    EXPECT_EQ(parsed.values.Query(kKey, "Quoted"), "say \"hi\"");
    EXPECT_EQ(parsed.values.Query("Other", "QTSysDir"), "replaced");
    EXPECT_EQ(parsed.values.Query(kKey, "QTExtDir"), std::nullopt);
    EXPECT_EQ(parsed.values.Query("Missing", "QTSysDir"), std::nullopt);
}

TEST(RegistryKeyFile, AnEmptyTextAndAnEmptyFileAreValid) {
    Parsed parsed = Parse(KeyLine() + "\"QTExtDir\"=\"\"\n");
    ASSERT_EQ(parsed.error, KeyFileError::None);
    EXPECT_EQ(parsed.values.Query(kKey, "QTExtDir"), "");
    EXPECT_EQ(Parse("").error, KeyFileError::None);
}

TEST(RegistryKeyFile, EachMalformedLineHasItsErrorAndLine) {
    struct Case {
        std::string bytes;
        KeyFileError error;
        size_t line;
    };
    const Case cases[] = {
        {"\"A\"=\"b\"\n", KeyFileError::ValueOutsideKey, 1},
        {"[Key\n", KeyFileError::UnterminatedKeyName, 1},
        {"[\n", KeyFileError::UnterminatedKeyName, 1},
        {"; fine\n[]\n", KeyFileError::EmptyKeyName, 2},
        {"[Key]\nA=\"b\"\n", KeyFileError::NotAValueLine, 2},
        {"[Key]\n\"A\"=b\n", KeyFileError::NotAValueLine, 2},
        {"[Key]\n\"A=\"b\"\n", KeyFileError::MissingEquals, 2},
        {"[Key]\n\"A\"\"b\"\n", KeyFileError::MissingEquals, 2},
        {"[Key]\n\"A\"\n", KeyFileError::MissingEquals, 2},
        {"[Key]\n\"A\"=\"b\n", KeyFileError::UnterminatedText, 2},
        {"[Key]\n\"A\"=\"b\\\n", KeyFileError::UnterminatedText, 2},
        {"[Key]\n\"A\n", KeyFileError::UnterminatedText, 2},
        {"[Key]\n\"A\"=\"b\\n\"\n", KeyFileError::BadEscape, 2},
        {"[Key]\n\"\"=\"b\"\n", KeyFileError::EmptyValueName, 2},
        {"[Key]\n\"A\"=\"b\" c\n", KeyFileError::TrailingText, 2},
        {"[Key]\n\"A\"=\"b\"\"c\"\n", KeyFileError::TrailingText, 2},
        {std::string("[Key]\n\"A\"=\"b\0\"\n", 13), KeyFileError::NulByte, 0},
    };
    for (const Case& c : cases) {
        Parsed parsed = Parse(c.bytes);
        EXPECT_EQ(parsed.error, c.error) << c.bytes;
        EXPECT_EQ(parsed.line, c.line) << c.bytes;
        EXPECT_EQ(parsed.values.Count(), 0u) << c.bytes; // nothing half-read is kept
    }
    // Controls: an escaped backslash ends a text cleanly; a comment may not
    // follow a value on its line.
    EXPECT_EQ(Parse("[Key]\n\"A\"=\"b\\\\\"\n").error, KeyFileError::None);
    EXPECT_EQ(Parse("[Key]\n\"A\"=\"b\\\\\" ; \n").error, KeyFileError::TrailingText);
}

TEST(RegistryKeyFile, LimitsHoldAtTheirSizeAndFailOneBeyond) {
    auto withKey = [](size_t length) { return "[" + std::string(length, 'k') + "]\n"; };
    EXPECT_EQ(Parse(withKey(platform::kMaxKeyNameLength)).error, KeyFileError::None);
    EXPECT_EQ(Parse(withKey(platform::kMaxKeyNameLength + 1)).error, KeyFileError::KeyNameTooLong);

    auto withName = [](size_t length) {
        return "[K]\n\"" + std::string(length, 'n') + "\"=\"v\"\n";
    };
    EXPECT_EQ(Parse(withName(platform::kMaxValueNameLength)).error, KeyFileError::None);
    EXPECT_EQ(Parse(withName(platform::kMaxValueNameLength + 1)).error,
              KeyFileError::ValueNameTooLong);

    // Escapes count as the one character they stand for.
    auto withText = [](size_t length) {
        return "[K]\n\"N\"=\"" + std::string(length - 1, 't') + "\\\\\"\n";
    };
    Parsed longest = Parse(withText(platform::kMaxValueTextLength));
    ASSERT_EQ(longest.error, KeyFileError::None);
    EXPECT_EQ(longest.values.Query("K", "N")->size(), platform::kMaxValueTextLength);
    EXPECT_EQ(Parse(withText(platform::kMaxValueTextLength + 1)).error,
              KeyFileError::ValueTextTooLong);

    // A whole file: comment padding up to the limit, then one byte more.
    std::string file = "[K]\n\"N\"=\"v\"\n;";
    file.append(platform::kMaxKeyFileBytes - file.size(), 'x');
    EXPECT_EQ(Parse(file).error, KeyFileError::None);
    EXPECT_EQ(Parse(file + "x").error, KeyFileError::TooLarge);
}

class RegistryFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/tarsel-registry-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override {
        unlink(File().c_str());
        rmdir(folder_.c_str());
        unsetenv(platform::kRegistryFileVariable);
    }
    std::string File() const { return folder_ + "/keys.reg"; }
    void Write(const std::string& bytes) const {
        std::FILE* file = std::fopen(File().c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    std::string folder_;
};

TEST_F(RegistryFiles, AFileIsLoadedAndAMissingOneGivesNoValues) {
    Write(KeyLine() + "\"QTSysDir\"=\"/x/\"\n");
    RegistryValues values;
    size_t line = 99;
    ASSERT_EQ(values.Load(File(), line), KeyFileError::None);
    EXPECT_EQ(values.Query(kKey, "QTSysDir"), "/x/");
    EXPECT_EQ(values.Load(folder_ + "/absent.reg", line), KeyFileError::None);
    EXPECT_EQ(values.Count(), 0u);
    EXPECT_EQ(line, 0u);
}

TEST_F(RegistryFiles, FoldersAndOversizedFilesAreRefusedBeforeReading) {
    RegistryValues values;
    size_t line = 0;
    EXPECT_EQ(values.Load(folder_, line), KeyFileError::Unreadable);
    Write(std::string(platform::kMaxKeyFileBytes, ';'));
    EXPECT_EQ(values.Load(File(), line), KeyFileError::None);
    Write(std::string(platform::kMaxKeyFileBytes + 1, ';'));
    EXPECT_EQ(values.Load(File(), line), KeyFileError::TooLarge);
    Write("[K]\n[\n");
    EXPECT_EQ(values.Load(File(), line), KeyFileError::UnterminatedKeyName);
    EXPECT_EQ(line, 2u);
}

TEST_F(RegistryFiles, ThePathComesFromTheVariableElseSitsNextToTheProgram) {
    setenv(platform::kRegistryFileVariable, File().c_str(), 1);
    EXPECT_EQ(platform::RegistryFilePath(), File());
    unsetenv(platform::kRegistryFileVariable);
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(length, 0);
    EXPECT_EQ(platform::RegistryFilePath(), std::string(self, length) + ".reg");
}

} // namespace
