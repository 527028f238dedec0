// The numbered container messages and their formatting.
#include "../../src/container/handlers/message_format.h"
#include "container/cm_api.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string format(CMErrorNbr number, std::vector<const char*> args) {
    char text[256];
    std::memset(text, '#', sizeof text);
    const size_t length =
        CMFormatErrorMessage(text, sizeof text, number, static_cast<int>(args.size()), args.data());
    EXPECT_EQ(length, std::strlen(text));
    return text;
}

TEST(ErrorMessageTable, HoldsNumbersZeroTo135) {
    for (CMErrorNbr number = 0; number <= 135; ++number) {
        ASSERT_NE(CMErrorTemplate(number), nullptr) << number;
        EXPECT_GT(std::strlen(CMErrorTemplate(number)), 0u) << number;
    }
    EXPECT_EQ(CMErrorTemplate(136), nullptr);
    EXPECT_EQ(CMErrorTemplate(-1), nullptr);
}

TEST(ErrorMessageTable, KeepsTextsAsUsersKnowThem) {
    EXPECT_STREQ(CMErrorTemplate(0), "^0");
    EXPECT_STREQ(CMErrorTemplate(9), "Handler routine(s) missing for operation type(s): ^0");
    EXPECT_STREQ(CMErrorTemplate(25),
                 "Have global name tied to value of wrong type in containter \"^0\"");
    EXPECT_STREQ(CMErrorTemplate(28),
                 "Object ^0 alread defined -- trying to redefine it for \"^1\" (container \"^2\")");
    EXPECT_STREQ(CMErrorTemplate(74),
                 "Connot allocate space for an object reference in container \"^0\")");
    EXPECT_STREQ(CMErrorTemplate(79), "Memory allocator and dealocator handlers must be supplied");
    EXPECT_STREQ(
        CMErrorTemplate(94),
        "\"Use value\" handler for type \"^0\" in container \"^1\" MUST return a metahandler");
    EXPECT_STREQ(CMErrorTemplate(135),
                 "Invalid global name (file \"^0\" possibly transfered as text at some point)");
}

TEST(ErrorNames, StandForTheirNumbersAndTexts) {
    // Handlers and the OMF layer compare reported numbers with these names.
    EXPECT_EQ(CM_ERR_MESSAGE, 0);
    EXPECT_EQ(format(CM_ERR_MESSAGE, {"Cannot open \"x\""}), "Cannot open \"x\"");
    EXPECT_EQ(CM_ERR_MISSING_HANDLERS, 9);
    EXPECT_EQ(format(CM_ERR_MISSING_HANDLERS, {"Seek Tell"}),
              "Handler routine(s) missing for operation type(s): Seek Tell");
    EXPECT_EQ(CM_ERR_BAD_MAGIC, 12);
    EXPECT_EQ(format(CM_ERR_BAD_MAGIC, {"f.omf", "A4CM", "XXXX"}),
              "Invalid magic byte sequence in label for container \"f.omf\" - expected "
              "\"A4CM\", got \"XXXX\"");
    EXPECT_EQ(CM_ERR_BAD_WRITE, 50);
    EXPECT_EQ(format(CM_ERR_BAD_WRITE, {"f.omf"}), "Write error writing to container \"f.omf\"");
    // The last name is the last number with a message.
    EXPECT_EQ(CM_ERR_TEXT_TRANSFERRED, 135);
    EXPECT_EQ(format(CM_ERR_TEXT_TRANSFERRED, {"f.omf"}),
              "Invalid global name (file \"f.omf\" possibly transfered as text at some point)");
    EXPECT_EQ(CMErrorTemplate(CM_ERR_TEXT_TRANSFERRED + 1), nullptr);
}

TEST(ErrorMessageFormat, SubstitutesArgumentsByNumber) {
    EXPECT_EQ(format(13, {"f.omf", "2", "0", "3", "1"}),
              "Invalid version fields in label for container \"f.omf\" - expected 2.0, got 3.1");
    // Arguments are taken by number, not by order of appearance.
    EXPECT_EQ(format(124, {"1B", "c"}), "Invalid TOC code read (0x1B) from TOC in container \"c\"");
    EXPECT_EQ(format(0, {"Cannot open \"x\"!\n    No such file or directory"}),
              "Cannot open \"x\"!\n    No such file or directory");
}

TEST(ErrorMessageFormat, MissingArgumentsInsertNothing) {
    EXPECT_EQ(format(34, {"a"}), "Objects not in same containers (containers \"a\" and \"\")");
    EXPECT_EQ(format(34, {}), "Objects not in same containers (containers \"\" and \"\")");
    EXPECT_EQ(format(34, {nullptr, "b"}),
              "Objects not in same containers (containers \"\" and \"b\")");
    char text[256];
    EXPECT_EQ(CMFormatErrorMessage(text, sizeof text, 61, 3, nullptr),
              std::strlen("Cannot write to a container (\"\") opened for reading"));
    EXPECT_STREQ(text, "Cannot write to a container (\"\") opened for reading");
}

TEST(ErrorMessageFormat, CaretWithoutDigitsIsCopied) {
    // Message 90 puts a percent sign before its caret; message 0 makes a
    // caret followed by a letter or at the end reach the output unchanged.
    EXPECT_EQ(format(90, {"x", "t", "c"}),
              "Invalid metadata format spec"
              "ification (%x) for type \"t\" in container \"c\"");
    EXPECT_EQ(format(0, {"a^b^"}), "a^b^");
}

TEST(ErrorMessageFormat, ArgumentsThemselvesAreNotExpanded) {
    EXPECT_EQ(format(0, {"^0^1", "second"}), "^0^1");
}

TEST(ErrorMessageFormat, CutsAt255Characters) {
    const std::string longName(400, 'n');
    char text[300];
    std::memset(text, '#', sizeof text);
    const char* args[] = {longName.c_str()};
    const size_t length = CMFormatErrorMessage(text, sizeof text, 61, 1, args);
    EXPECT_EQ(length, 255u);
    EXPECT_EQ(text[255], '\0');
    EXPECT_EQ(std::string(text, 30), "Cannot write to a container (\"");
    EXPECT_EQ(text[256], '#'); // nothing written past the terminator
}

TEST(ErrorMessageFormat, NeverOverflowsASmallBuffer) {
    // Exactly sized heap buffers let the address sanitizer catch any overrun.
    for (size_t size : {1u, 2u, 10u, 40u}) {
        std::vector<char> text(size, '#');
        const char* args[] = {"container"};
        const size_t length = CMFormatErrorMessage(text.data(), size, 61, 1, args);
        EXPECT_EQ(length, size - 1);
        EXPECT_EQ(text[size - 1], '\0');
        EXPECT_EQ(std::string(text.data()),
                  std::string("Cannot write to a container (\"container\")").substr(0, size - 1));
    }
    char untouched = '#';
    EXPECT_EQ(CMFormatErrorMessage(&untouched, 0, 61, 0, nullptr), 0u);
    EXPECT_EQ(untouched, '#');
}

TEST(ErrorMessageFormat, UnknownNumbersAreNamed) {
    EXPECT_EQ(format(136, {"ignored"}), "Undefined error message for error #136");
    EXPECT_EQ(format(-7, {}), "Undefined error message for error #-7");
    EXPECT_EQ(format(100000, {}), "Undefined error message for error #100000");
}

TEST(ErrorMessageFormat, ArgumentNumbersMayHaveSeveralDigits) {
    // No numbered message uses ^10 or above, so use the substitution itself.
    const std::vector<const char*> args = {"a", "b", "c", "d", "e", "f",
                                           "g", "h", "i", "j", "k", "l"};
    char text[256];
    container::substituteMessageArguments(text, sizeof text, "[^10|^1|^11|^12|^99999999999]",
                                          static_cast<int>(args.size()), args.data());
    EXPECT_STREQ(text, "[k|b|l||]");
}

} // namespace
