// The DV service through the server: frames compressed and decompressed,
// the field order of separated fields for 480- and 576-line frames, the
// round trip's fidelity, and inputs that are not whole DV frames.
#include "movie_writing_fixture.h"

#include <cstring>

namespace {

constexpr int kWidth = 720;
constexpr size_t kNtscFrameBytes = 120000;
constexpr size_t kPalFrameBytes = 144000;

class DVService : public MovieServerTest {
  protected:
    ScriptVal Compress(const std::vector<uint8_t>& pixels, int height, int separateFields) {
        return app_.CallMember(
            "AvidDVCompress",
            ArgumentTable(
                {Table({{"Width", kWidth},
                        {"Height", height},
                        {"separateFields", separateFields},
                        {"RawDataIn", ScriptVal::NewMemBlock(pixels.data(), pixels.size())}})}));
    }
    ScriptVal Decompress(const std::vector<uint8_t>& frame, int width, int height,
                         int separateFields) {
        return app_.CallMember(
            "AvidDVDecompress",
            ArgumentTable(
                {Table({{"Width", width},
                        {"Height", height},
                        {"separateFields", separateFields},
                        {"RawDataIn", ScriptVal::NewMemBlock(frame.data(), frame.size())}})}));
    }
    // A DV frame of `height` lines made by the server from the pattern.
    std::vector<uint8_t> DVFrame(int height) {
        ScriptVal answer = Compress(ArgbPattern(kWidth, height), height, 0);
        const ScriptVal* data = answer.FindKeyConst("RawDataOut");
        EXPECT_TRUE(data && data->IsMemBlock());
        std::vector<uint8_t> frame = data ? BytesOf(*data) : std::vector<uint8_t>();
        frame.resize(static_cast<size_t>(answer.ToInteger("compressedSize")));
        return frame;
    }
    // A smooth frame given as separated fields: the first half the lines of
    // one field, the second half the other's, in the order DV decompression
    // delivers them (480 lines: odd lines first).
    static std::vector<uint8_t> SeparatedFields(const std::vector<uint8_t>& frame, int height) {
        const size_t bytes = kWidth * 4;
        const int first = height == 480 ? 1 : 0;
        std::vector<uint8_t> fields(frame.size());
        for (int row = 0; row < height; ++row) {
            const int line =
                row < height / 2 ? 2 * row + first : 2 * (row - height / 2) + 1 - first;
            std::memcpy(&fields[row * bytes], &frame[line * bytes], bytes);
        }
        return fields;
    }
    static std::vector<uint8_t> Row(const std::vector<uint8_t>& image, int row) {
        const size_t bytes = kWidth * 4;
        return std::vector<uint8_t>(image.begin() + row * bytes, image.begin() + (row + 1) * bytes);
    }
};

TEST_F(DVService, AnNtscFrameCompressesTo120000BytesAndAPalFrameTo144000) {
    EXPECT_EQ(DVFrame(480).size(), kNtscFrameBytes);
    EXPECT_EQ(DVFrame(576).size(), kPalFrameBytes);
}

TEST_F(DVService, A480LineFrameDecompressesTo1382400BytesWithTheOddLinesFirst) {
    const std::vector<uint8_t> frame = DVFrame(480);
    ScriptVal inOrder = Decompress(frame, kWidth, 480, 0);
    ScriptVal fields = Decompress(frame, kWidth, 480, 1);
    ASSERT_TRUE(inOrder.FindKeyConst("RawDataOut"));
    ASSERT_TRUE(fields.FindKeyConst("RawDataOut"));
    const std::vector<uint8_t> lines = BytesOf(*inOrder.FindKeyConst("RawDataOut"));
    const std::vector<uint8_t> separated = BytesOf(*fields.FindKeyConst("RawDataOut"));
    ASSERT_EQ(lines.size(), 1382400u);
    ASSERT_EQ(separated.size(), 1382400u);
    EXPECT_EQ(Row(separated, 0), Row(lines, 1));
    EXPECT_EQ(Row(separated, 1), Row(lines, 3));
    EXPECT_EQ(Row(separated, 239), Row(lines, 479));
    EXPECT_EQ(Row(separated, 240), Row(lines, 0));
    EXPECT_EQ(Row(separated, 479), Row(lines, 478));
    EXPECT_NE(Row(lines, 0), Row(lines, 1)); // the rows tell the lines apart
}

TEST_F(DVService, A576LineFrameWithSeparatedFieldsStartsWithLine0AndRow288IsLine1) {
    const std::vector<uint8_t> frame = DVFrame(576);
    const std::vector<uint8_t> lines =
        BytesOf(*Decompress(frame, kWidth, 576, 0).FindKeyConst("RawDataOut"));
    const std::vector<uint8_t> separated =
        BytesOf(*Decompress(frame, kWidth, 576, 1).FindKeyConst("RawDataOut"));
    ASSERT_EQ(lines.size(), 720u * 4 * 576);
    ASSERT_EQ(separated.size(), lines.size());
    EXPECT_EQ(Row(separated, 0), Row(lines, 0));
    EXPECT_EQ(Row(separated, 1), Row(lines, 2));
    EXPECT_EQ(Row(separated, 288), Row(lines, 1));
    EXPECT_EQ(Row(separated, 575), Row(lines, 575));
}

TEST_F(DVService, TheRoundTripKeepsThePictureAbove30Decibels) {
    for (int height : {480, 576}) {
        for (int separateFields : {0, 1}) {
            // Separated fields go in and come back separated.
            std::vector<uint8_t> source = ArgbPattern(kWidth, height, 3);
            if (separateFields) source = SeparatedFields(source, height);
            ScriptVal compressed = Compress(source, height, separateFields);
            ASSERT_TRUE(compressed.FindKeyConst("RawDataOut")) << height;
            std::vector<uint8_t> frame = BytesOf(*compressed.FindKeyConst("RawDataOut"));
            frame.resize(static_cast<size_t>(compressed.ToInteger("compressedSize")));
            ScriptVal decoded = Decompress(frame, kWidth, height, separateFields);
            ASSERT_TRUE(decoded.FindKeyConst("RawDataOut")) << height;
            const MemBlock* pixels = decoded.FindKeyConst("RawDataOut")->GetData();
            const double psnr =
                ArgbPsnr(source, static_cast<const uint8_t*>(pixels->data), pixels->size);
            EXPECT_GE(psnr, 30.0) << height << " lines, separateFields " << separateFields;
            RecordProperty("psnr_" + std::to_string(height) + "_" + std::to_string(separateFields),
                           std::to_string(psnr));
            std::printf("DV round trip %d lines, separateFields %d: %.2f dB\n", height,
                        separateFields, psnr);
        }
    }
}

TEST_F(DVService, TheOmfPlugInsCallGetsTheWholeFrame) {
    // Width, twice the field height, separated fields and one DV frame.
    const std::vector<uint8_t> frame = DVFrame(480);
    ScriptVal answer = Decompress(frame, 720, 2 * 240, 1);
    ASSERT_TRUE(answer.IsTable());
    const ScriptVal* data = answer.FindKeyConst("RawDataOut");
    ASSERT_TRUE(data && data->IsMemBlock());
    EXPECT_EQ(data->GetData()->size, 720u * 4 * 480);
}

TEST_F(DVService, InputThatIsNotAWholeFrameOfTheStatedSizeGivesNil) {
    const std::vector<uint8_t> frame = DVFrame(480);
    ASSERT_EQ(frame.size(), kNtscFrameBytes);
    // The control: the whole frame at its size.
    EXPECT_TRUE(Decompress(frame, kWidth, 480, 1).FindKeyConst("RawDataOut"));
    // One byte short.
    std::vector<uint8_t> shortFrame(frame.begin(), frame.end() - 1);
    EXPECT_FALSE(Decompress(shortFrame, kWidth, 480, 1).HasKey("RawDataOut"));
    // A stated size that is not the frame's.
    EXPECT_FALSE(Decompress(frame, kWidth, 576, 1).HasKey("RawDataOut"));
    EXPECT_FALSE(Decompress(frame, 360, 480, 0).HasKey("RawDataOut"));
    EXPECT_FALSE(Decompress(frame, 0, 0, 0).HasKey("RawDataOut"));
    // Bytes that are no DV frame.
    std::vector<uint8_t> noise(kNtscFrameBytes);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
    EXPECT_FALSE(Decompress(noise, kWidth, 480, 0).HasKey("RawDataOut"));
    EXPECT_FALSE(Decompress({}, kWidth, 480, 0).HasKey("RawDataOut"));
}

TEST_F(DVService, MissingRawDataInGivesRawDataOutNil) {
    ScriptVal decoded = app_.CallMember(
        "AvidDVDecompress", ArgumentTable({Table({{"Width", kWidth}, {"Height", 480}})}));
    ASSERT_TRUE(decoded.IsTable());
    EXPECT_FALSE(decoded.HasKey("RawDataOut"));
    ScriptVal encoded = app_.CallMember(
        "AvidDVCompress", ArgumentTable({Table({{"Width", kWidth}, {"Height", 480}})}));
    ASSERT_TRUE(encoded.IsTable());
    EXPECT_FALSE(encoded.HasKey("RawDataOut"));
    EXPECT_EQ(encoded.ToInteger("compressedSize", -1), 0);
}

TEST_F(DVService, CompressRefusesShortPixelsAndSizesDVDoesNotHave) {
    const std::vector<uint8_t> pixels = ArgbPattern(kWidth, 480);
    EXPECT_EQ(Compress(pixels, 480, 0).ToInteger("compressedSize"), 120000); // the control
    std::vector<uint8_t> shortPixels(pixels.begin(), pixels.end() - 1);
    ScriptVal refused = Compress(shortPixels, 480, 0);
    EXPECT_FALSE(refused.HasKey("RawDataOut"));
    EXPECT_EQ(refused.ToInteger("compressedSize", -1), 0);
    EXPECT_FALSE(Compress(ArgbPattern(kWidth, 240), 240, 0).HasKey("RawDataOut"));
}

} // namespace
