// Reading and writing the container label through the file stream handler:
// byte-order detection, the extended label, TOC buffer size, and the
// messages of failed label I/O.
#include "handler_test_support.h"

#include <bit>
#include <cstring>
#include <sys/stat.h>

namespace {

constexpr uint8_t kMagic[8] = {0xA4, 0x43, 0x4D, 0xA5, 0x48, 0x64, 0x72, 0xD7};
constexpr uint8_t kExtendedMagic[8] = {0xA5, 0x43, 0x4D, 0xA5, 0x48, 0x64, 0x72, 0xD7};
constexpr CMSize kGiB = CMSize{1} << 30;

void put(std::vector<uint8_t>& bytes, uint64_t value, int width, bool littleEndian) {
    for (int index = 0; index < width; ++index) {
        const int shift = 8 * (littleEndian ? index : width - 1 - index);
        bytes.push_back(static_cast<uint8_t>(value >> shift));
    }
}

struct LabelFields {
    uint16_t flags = 0, bufSize = 1, major = 2, minor = 0;
    uint32_t tocOffset = 0, tocSize = 0;
};

std::vector<uint8_t> labelBytes(const LabelFields& fields, bool littleEndian) {
    std::vector<uint8_t> bytes(kMagic, kMagic + 8);
    put(bytes, fields.flags, 2, littleEndian);
    put(bytes, fields.bufSize, 2, littleEndian);
    put(bytes, fields.major, 2, littleEndian);
    put(bytes, fields.minor, 2, littleEndian);
    put(bytes, fields.tocOffset, 4, littleEndian);
    put(bytes, fields.tocSize, 4, littleEndian);
    return bytes;
}

struct ReadResult {
    CMMagicBytes magic = {};
    uint16_t flags = 0, bufSize = 0, major = 0, minor = 0;
    CMSize tocOffset = 0, tocSize = 0;
};

class HandlerLabelTest : public handler_test::HandlerSessionTest {
  protected:
    ReadResult readLabel(CMRefCon refCon) {
        ReadResult result;
        stream_.readLabel(refCon, result.magic, &result.flags, &result.bufSize, &result.major,
                          &result.minor, &result.tocOffset, &result.tocSize);
        return result;
    }

    // Writes `data` followed by a label and reads the label back.
    ReadResult readBack(const std::vector<uint8_t>& label, bool* swapped = nullptr,
                        std::vector<uint8_t> data = std::vector<uint8_t>(64, 0xEE)) {
        data.insert(data.end(), label.begin(), label.end());
        writeBytes("label.bento", data);
        CMRefCon refCon = openFile("label.bento", "rb");
        EXPECT_NE(refCon, nullptr);
        if (refCon == nullptr) return {};
        ReadResult result = readLabel(refCon);
        if (swapped != nullptr) *swapped = CMGetFileRefConSwapped(refCon);
        stream_.close(refCon);
        return result;
    }

    void writeLabel(CMRefCon refCon, uint16_t flags, uint16_t bufSize, uint16_t major,
                    uint16_t minor, CMSize tocOffset, CMSize tocSize) {
        stream_.writeLabel(refCon, kMagic, flags, bufSize, major, minor, tocOffset, tocSize);
    }

    std::vector<uint8_t> fileTail(const std::string& name, size_t count) {
        std::vector<uint8_t> bytes(count);
        FILE* file = std::fopen(path(name).c_str(), "rb");
        EXPECT_NE(file, nullptr);
        if (file == nullptr) return bytes;
        fseeko(file, -static_cast<off_t>(count), SEEK_END);
        EXPECT_EQ(std::fread(bytes.data(), 1, count, file), count);
        std::fclose(file);
        return bytes;
    }

    std::string lastMessage() const { return state_.handler.defaultError.text; }
};

// A label written in one byte order, which reading must recognise.
struct ByteOrderCase {
    const char* what;
    LabelFields fields;
    bool littleEndian;
};

void PrintTo(const ByteOrderCase& testCase, std::ostream* out) {
    *out << testCase.what;
}

class LabelByteOrderTest : public HandlerLabelTest,
                           public ::testing::WithParamInterface<ByteOrderCase> {};

TEST_P(LabelByteOrderTest, DecidesOrderFromTheRawLabel) {
    const ByteOrderCase& testCase = GetParam();
    LabelFields fields = testCase.fields;
    fields.tocOffset = 0x00010203;
    fields.tocSize = 0x40;
    bool swapped = false;
    const ReadResult result = readBack(labelBytes(fields, testCase.littleEndian), &swapped);
    const bool hostLittle = std::endian::native == std::endian::little;
    // Fields of the container's order are reversed by ExtractData from now on.
    EXPECT_EQ(swapped, testCase.littleEndian != hostLittle);
    EXPECT_EQ(std::memcmp(result.magic, kMagic, 8), 0);
    EXPECT_EQ(result.flags, fields.flags);
    EXPECT_EQ(result.major, fields.major);
    EXPECT_EQ(result.minor, fields.minor);
    EXPECT_EQ(result.tocOffset, fields.tocOffset);
    EXPECT_EQ(result.tocSize, fields.tocSize);
    EXPECT_EQ(state_.reports, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Labels, LabelByteOrderTest,
    ::testing::Values(
        // The version field, taken big-endian, is 0x0100: little-endian.
        ByteOrderCase{"LittleVersion1", {0, 1, 1, 0}, true},
        ByteOrderCase{"LittleVersion1AnyMinor", {0, 1, 1, 5}, true},
        // 0x0101 reads the same both ways; the flags show the order taken.
        ByteOrderCase{"Version0x0101", {0x1234, 1, 0x0101, 0}, true},
        // Version 2: the little-endian flag bits decide, whichever of them is set.
        ByteOrderCase{"LittleFlagsBoth", {0x0101, 1, 2, 0}, true},
        ByteOrderCase{"LittleFlagsLowByte", {0x0001, 1, 2, 0}, true},
        ByteOrderCase{"LittleFlagsHighByte", {0x0100, 1, 2, 0}, true},
        ByteOrderCase{"BigVersion2", {0, 1, 2, 0}, false},
        // Orders whose version makes no sense are corrected by the other order.
        ByteOrderCase{"BigVersion1", {0, 1, 1, 0}, false},
        ByteOrderCase{"BigVersion1Minor3", {0, 1, 1, 3}, false},
        ByteOrderCase{"BigVersion2WithFlagBit", {0x0001, 1, 2, 0}, false},
        ByteOrderCase{"LittleVersion2WithoutFlags", {0, 1, 2, 0}, true},
        ByteOrderCase{"BigVersion0", {0, 1, 0, 3}, false},
        // Neither order gives a known version: the flag rule stands.
        ByteOrderCase{"UnknownVersion", {0x0100, 1, 0x0303, 0}, true},
        ByteOrderCase{"UnknownVersionBig", {0, 1, 0x0307, 0}, false}),
    [](const ::testing::TestParamInfo<ByteOrderCase>& info) { return info.param.what; });

TEST_F(HandlerLabelTest, TocBufferSizeNeverExceedsTheToc) {
    struct Case {
        uint16_t bufSize;
        uint32_t tocSize;
        uint16_t expected;
    };
    const Case cases[] = {
        {0, 5000, 5},           // no size given: just enough units for the TOC
        {4, 1000, 1},           // larger than the TOC: shrunk
        {1, 5000, 1},           // smaller than the TOC: kept
        {8, 8192, 8},           // exactly the TOC: kept
        {8, 8191, 8},           // one byte short: tocSize / 1024 + 1
        {0, 100u << 20, 65535}, // more units than 16 bits hold: the largest size
    };
    for (const Case& testCase : cases) {
        LabelFields fields;
        fields.flags = 0x0101;
        fields.bufSize = testCase.bufSize;
        fields.tocSize = testCase.tocSize;
        EXPECT_EQ(readBack(labelBytes(fields, true)).bufSize, testCase.expected)
            << testCase.bufSize << " " << testCase.tocSize;
    }
}

TEST_F(HandlerLabelTest, LabelRoundTrip) {
    CMRefCon refCon = openFile("round.bento", "wb+");
    ASSERT_NE(refCon, nullptr);
    const std::vector<uint8_t> data(3000, 0x11);
    ASSERT_EQ(stream_.write(refCon, data.data(), 1, data.size()), data.size());
    writeLabel(refCon, 0, 1, 2, 0, 1000, 2000);
    stream_.close(refCon);

    // Little-endian 16- and 32-bit fields, the flag bits added.
    const std::vector<uint8_t> expected = labelBytes({0x0101, 1, 2, 0, 1000, 2000}, true);
    EXPECT_EQ(fileTail("round.bento", 24), expected);

    refCon = openFile("round.bento", "rb");
    ASSERT_NE(refCon, nullptr);
    const ReadResult result = readLabel(refCon);
    EXPECT_EQ(std::memcmp(result.magic, kMagic, 8), 0);
    EXPECT_EQ(result.flags, 0x0101);
    EXPECT_EQ(result.major, 2);
    EXPECT_EQ(result.minor, 0);
    EXPECT_EQ(result.tocOffset, 1000u);
    EXPECT_EQ(result.tocSize, 2000u);
    EXPECT_EQ(result.bufSize, 1);
    EXPECT_FALSE(CMGetFileRefConSwapped(refCon));
    stream_.close(refCon);
    EXPECT_EQ(state_.reports, 0);
}

TEST_F(HandlerLabelTest, FlagBitsAreNotAddedTwice) {
    CMRefCon refCon = openFile("flags.bento", "wb+");
    ASSERT_NE(refCon, nullptr);
    writeLabel(refCon, 0x0111, 1, 2, 0, 0, 0);
    stream_.close(refCon);
    EXPECT_EQ(fileTail("flags.bento", 24), labelBytes({0x0111, 1, 2, 0, 0, 0}, true));
}

TEST_F(HandlerLabelTest, RevisionZeroLabelKeepsItsFlagsAndIsWrittenNatively) {
    CMRefCon refCon = openFile("rev0.bento", "wb+");
    ASSERT_NE(refCon, nullptr);
    CMSetFileRefConSwapped(refCon, true);
    writeLabel(refCon, 0, 1, 1, 0, 0x10203, 0x40);
    // Writing the label returns the handler to native mode.
    EXPECT_FALSE(CMGetFileRefConSwapped(refCon));
    stream_.close(refCon);
    EXPECT_EQ(fileTail("rev0.bento", 24), labelBytes({0, 1, 1, 0, 0x10203, 0x40}, true));
    bool swapped = true;
    const ReadResult result = readBack(fileTail("rev0.bento", 24), &swapped);
    EXPECT_FALSE(swapped);
    EXPECT_EQ(result.major, 1);
    EXPECT_EQ(result.tocOffset, 0x10203u);
}

TEST_F(HandlerLabelTest, ExtendedLabelCarriesTocBeyond4GiB) {
    // The data is sparse: only the TOC bytes and the labels occupy the disk.
    const CMSize tocOffset = 5 * kGiB + 12;
    const std::vector<uint8_t> toc(40, 0x77);
    CMRefCon refCon = openFile("large.bento", "wb+");
    ASSERT_NE(refCon, nullptr);
    ASSERT_EQ(stream_.seek(refCon, tocOffset, kCMSeekSet), 0);
    ASSERT_EQ(stream_.write(refCon, toc.data(), 1, toc.size()), toc.size());
    writeLabel(refCon, 0, 1, 2, 1, tocOffset, toc.size());
    EXPECT_EQ(stream_.size(refCon), tocOffset + toc.size() + 48);
    stream_.close(refCon);
    EXPECT_EQ(state_.reports, 0);

    // The label's own TOC fields are zero; the extended label holds them.
    const std::vector<uint8_t> tail = fileTail("large.bento", 48);
    EXPECT_EQ(std::vector<uint8_t>(tail.begin(), tail.begin() + 8),
              std::vector<uint8_t>(kExtendedMagic, kExtendedMagic + 8));
    EXPECT_EQ(std::vector<uint8_t>(tail.begin() + 24, tail.end()),
              labelBytes({0x0101, 1, 2, 1, 0, 0}, true));

    refCon = openFile("large.bento", "rb");
    ASSERT_NE(refCon, nullptr);
    const ReadResult result = readLabel(refCon);
    EXPECT_EQ(result.major, 2);
    EXPECT_EQ(result.minor, 1);
    EXPECT_EQ(result.tocOffset, tocOffset);
    EXPECT_EQ(result.tocSize, toc.size());
    // Positions past 4 GiB are reachable for reading the TOC.
    std::vector<uint8_t> readToc(toc.size());
    ASSERT_EQ(stream_.seek(refCon, result.tocOffset, kCMSeekSet), 0);
    EXPECT_EQ(stream_.tell(refCon), tocOffset);
    EXPECT_EQ(stream_.read(refCon, readToc.data(), 1, readToc.size()), readToc.size());
    EXPECT_EQ(readToc, toc);
    stream_.close(refCon);
}

TEST_F(HandlerLabelTest, TocEndingPast4GiBGetsTheExtendedLabelUnasked) {
    CMRefCon refCon = openFile("edge.bento", "wb+");
    ASSERT_NE(refCon, nullptr);
    const CMSize tocOffset = 4 * kGiB - 16; // fits in 32 bits, its end does not
    writeLabel(refCon, 0, 1, 2, 0, tocOffset, 32);
    stream_.close(refCon);
    refCon = openFile("edge.bento", "rb");
    ASSERT_NE(refCon, nullptr);
    const ReadResult result = readLabel(refCon);
    EXPECT_EQ(result.minor, 1);
    EXPECT_EQ(result.tocOffset, tocOffset);
    EXPECT_EQ(result.tocSize, 32u);
    stream_.close(refCon);
}

TEST_F(HandlerLabelTest, Version1LabelWithMinor1ReadsTheExtendedLabel) {
    CMRefCon refCon = openFile("v11.bento", "wb+");
    ASSERT_NE(refCon, nullptr);
    CMSetFileRefConSwapped(refCon, true);
    writeLabel(refCon, 0, 1, 1, 1, 300, 48);
    stream_.close(refCon);
    refCon = openFile("v11.bento", "rb");
    ASSERT_NE(refCon, nullptr);
    const ReadResult result = readLabel(refCon);
    EXPECT_EQ(result.major, 1);
    EXPECT_EQ(result.minor, 1);
    EXPECT_EQ(result.flags, 0);
    EXPECT_EQ(result.tocOffset, 300u);
    EXPECT_EQ(result.tocSize, 48u);
    stream_.close(refCon);
}

TEST_F(HandlerLabelTest, OtherVersionsIgnoreBytesBeforeTheLabel) {
    // Minor version 1 means an extended label only for majors 1 and 2.
    const ReadResult result = readBack(labelBytes({0x0101, 1, 0, 1, 99, 7}, true));
    EXPECT_EQ(result.tocOffset, 99u);
    EXPECT_EQ(result.tocSize, 7u);
    EXPECT_EQ(state_.reports, 0);
}

TEST_F(HandlerLabelTest, ShortFileReportsTheLabelRead) {
    writeBytes("short.bento", std::vector<uint8_t>(10, 0xA4));
    CMRefCon refCon = openFile("short.bento", "rb");
    ASSERT_NE(refCon, nullptr);
    const ReadResult result = readLabel(refCon);
    stream_.close(refCon);
    EXPECT_EQ(state_.reports, 1);
    EXPECT_EQ(lastMessage(), "Incorrect byte length read while reading label from container \"" +
                                 path("short.bento") + "\"!");
    EXPECT_EQ(state_.handler.defaultError.number, 0);
    EXPECT_TRUE(state_.handler.defaultError.pending);
    // Nothing of the short file passes for a label.
    EXPECT_EQ(result.magic[0], 0);
    EXPECT_EQ(result.major, 0);
    EXPECT_EQ(result.tocSize, 0u);
}

TEST_F(HandlerLabelTest, MissingExtendedLabelIsReported) {
    // A 1.1 label with nothing in front of it.
    writeBytes("noext.bento", labelBytes({0x0101, 1, 1, 1, 0, 0}, true));
    CMRefCon refCon = openFile("noext.bento", "rb");
    ASSERT_NE(refCon, nullptr);
    const ReadResult result = readLabel(refCon);
    stream_.close(refCon);
    EXPECT_EQ(state_.reports, 1);
    EXPECT_EQ(lastMessage(), "Incorrect byte length on extra label from container \"" +
                                 path("noext.bento") + "\"!");
    EXPECT_EQ(result.tocOffset, 0u);
}

TEST_F(HandlerLabelTest, WrongExtendedMagicIsReported) {
    std::vector<uint8_t> extended(kMagic, kMagic + 8); // the label's magic, not the extended one
    put(extended, 4096, 8, true);
    put(extended, 64, 8, true);
    const ReadResult result =
        readBack(labelBytes({0x0101, 1, 1, 1, 0, 0}, true), nullptr, extended);
    EXPECT_EQ(state_.reports, 1);
    EXPECT_EQ(lastMessage(), "Incorrect extended magic byte sequence!");
    EXPECT_EQ(result.tocOffset, 0u);
    EXPECT_EQ(result.tocSize, 0u);
}

TEST_F(HandlerLabelTest, A21LabelWithoutExtendedLabelIsLeftToTheVersionCheck) {
    writeBytes("noext21.bento", labelBytes({0x0101, 1, 2, 1, 40, 8}, true));
    CMRefCon refCon = openFile("noext21.bento", "rb");
    ASSERT_NE(refCon, nullptr);
    const ReadResult result = readLabel(refCon);
    stream_.close(refCon);
    EXPECT_EQ(state_.reports, 0);
    EXPECT_EQ(result.major, 2);
    EXPECT_EQ(result.minor, 1);
    EXPECT_EQ(result.tocOffset, 40u);
    EXPECT_EQ(result.tocSize, 8u);
}

// /dev/full accepts positioning but fails every write that reaches it.
class FullDeviceLabelTest : public HandlerLabelTest {
  protected:
    void SetUp() override {
        HandlerLabelTest::SetUp();
        struct stat info;
        if (stat("/dev/full", &info) != 0) GTEST_SKIP() << "no /dev/full";
        refCon_ = CMCreateFileRefCon(session_, "/dev/full", nullptr, nullptr);
        ASSERT_NE(refCon_, nullptr);
        ASSERT_NE(stream_.open(refCon_, "wb+"), nullptr);
    }
    void TearDown() override {
        if (refCon_ != nullptr) stream_.close(refCon_);
        HandlerLabelTest::TearDown();
    }
    CMRefCon refCon_ = nullptr;
};

TEST_F(FullDeviceLabelTest, FailedLabelWriteIsReported) {
    writeLabel(refCon_, 0, 1, 2, 0, 0, 0);
    EXPECT_EQ(state_.reports, 1);
    EXPECT_EQ(lastMessage(),
              "Incorrect byte length written while writing label to container \"/dev/full\"!");
}

TEST_F(FullDeviceLabelTest, FailedExtendedLabelWriteIsReportedAlone) {
    // Pending data must reach the device before the extended label goes out.
    const std::vector<uint8_t> data(100, 1);
    stream_.write(refCon_, data.data(), 1, data.size());
    writeLabel(refCon_, 0, 1, 2, 1, 0, 0);
    EXPECT_EQ(state_.reports, 1);
    EXPECT_EQ(lastMessage(),
              "Incorrect byte length written on EXTRA label to container \"/dev/full\"!");
}

} // namespace
