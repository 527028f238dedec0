// The file stream handler's buffering: whatever the mix of positioning, small
// and large reads and writes on either stream, the handler answers exactly as
// an unbuffered file would, and the file ends up holding exactly the bytes
// written.
#include "handler_test_support.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sys/stat.h>

namespace {

using handler_test::HandlerSessionTest;

// What a plain, unbuffered file holds and where the stream stands.
struct FileModel {
    std::vector<uint8_t> bytes;
    CMSize position = 0;
    bool atEnd = false;

    size_t read(size_t count, std::vector<uint8_t>& out) {
        const size_t available = position < bytes.size() ? bytes.size() - position : 0;
        const size_t got = std::min(count, available);
        out.assign(bytes.begin() + static_cast<std::ptrdiff_t>(position),
                   bytes.begin() + static_cast<std::ptrdiff_t>(position + got));
        position += got;
        atEnd = atEnd || got < count; // sticky until the stream is positioned or written
        return got;
    }
    void write(const std::vector<uint8_t>& data) {
        if (bytes.size() < position + data.size()) bytes.resize(position + data.size(), 0);
        std::copy(data.begin(), data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(position));
        position += data.size();
        atEnd = false;
    }
};

class FileStreamBufferingTest : public HandlerSessionTest {
  protected:
    std::vector<uint8_t> fileBytes(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }

    // A transfer size: mostly a few bytes, as values are, sometimes larger
    // than the handler's buffers.
    static size_t transferSize(std::mt19937& random) {
        const unsigned kind = random() % 10;
        if (kind < 7) return 1 + random() % 16;
        if (kind < 9) return 1 + random() % 9000;
        return 60000 + random() % 140000;
    }

    // Runs random operations on the open stream and on the model side by
    // side, checking every answer; `label` reads the label first so that the
    // TOC region is read through the second stream.
    void runAgainstModel(CMRefCon refCon, FileModel& model, unsigned seed, int operations) {
        std::mt19937 random(seed);
        std::vector<uint8_t> got, expected;
        for (int step = 0; step < operations; ++step) {
            SCOPED_TRACE("step " + std::to_string(step));
            const CMSize limit = model.bytes.size() + 1000;
            switch (random() % 6) {
            case 0: { // position from the start
                const CMSize position = random() % limit;
                ASSERT_EQ(stream_.seek(refCon, position, kCMSeekSet), 0);
                model.position = position;
                model.atEnd = false;
                break;
            }
            case 1: { // position relative to here, either way
                const auto offset = static_cast<int64_t>(random() % 20000) - 10000;
                const int64_t target = static_cast<int64_t>(model.position) + offset;
                const int answer =
                    stream_.seek(refCon, static_cast<CMSize>(offset), kCMSeekCurrent);
                if (target < 0) {
                    ASSERT_EQ(answer, -1);
                } else {
                    ASSERT_EQ(answer, 0);
                    model.position = static_cast<CMSize>(target);
                    model.atEnd = false;
                }
                break;
            }
            case 2:
            case 3: { // read
                const size_t count = transferSize(random);
                got.assign(count, 0xEE);
                const size_t read = stream_.read(refCon, got.data(), 1, count);
                const size_t wanted = model.read(count, expected);
                ASSERT_EQ(read, wanted);
                got.resize(read);
                ASSERT_EQ(got, expected);
                ASSERT_EQ(stream_.eof(refCon), model.atEnd ? 1 : 0);
                break;
            }
            default: { // write
                std::vector<uint8_t> data(transferSize(random));
                for (uint8_t& byte : data) byte = static_cast<uint8_t>(random());
                ASSERT_EQ(stream_.write(refCon, data.data(), 1, data.size()), data.size());
                model.write(data);
                break;
            }
            }
            ASSERT_EQ(stream_.tell(refCon), model.position);
        }
        ASSERT_EQ(stream_.size(refCon), model.bytes.size());
    }
};

TEST_F(FileStreamBufferingTest, NewFileAnswersAsAnUnbufferedFileWould) {
    CMRefCon refCon = openFile("new.bin", "wb+");
    ASSERT_NE(refCon, nullptr);
    FileModel model;
    runAgainstModel(refCon, model, 7, 3000);
    EXPECT_EQ(stream_.flush(refCon), 0);
    stream_.close(refCon);
    EXPECT_EQ(fileBytes("new.bin"), model.bytes);
}

TEST_F(FileStreamBufferingTest, UpdatedContainerAnswersAlikeOnBothStreams) {
    // A file whose label puts the TOC region in its second half: positioning
    // there reads through the TOC stream while writes go to the primary.
    FileModel model;
    model.bytes.resize(300000 - 24);
    std::mt19937 fill(3);
    for (uint8_t& byte : model.bytes) byte = static_cast<uint8_t>(fill());
    const uint32_t tocOffset = 150000;
    handler_test::appendLabel(model.bytes, tocOffset);
    writeBytes("update.bento", model.bytes);

    CMRefCon refCon = openFile("update.bento", "rb+");
    ASSERT_NE(refCon, nullptr);
    CMMagicBytes magic;
    uint16_t flags, bufSize, major, minor;
    CMSize offset = 0, size = 0;
    stream_.readLabel(refCon, magic, &flags, &bufSize, &major, &minor, &offset, &size);
    ASSERT_EQ(offset, tocOffset);
    model.position = stream_.tell(refCon);
    runAgainstModel(refCon, model, 11, 3000);
    // Both streams were used.
    ASSERT_EQ(stream_.seek(refCon, tocOffset + 10, kCMSeekSet), 0);
    EXPECT_TRUE(CMFileRefConReadingTOCStream(refCon));
    stream_.close(refCon);
    EXPECT_EQ(fileBytes("update.bento"), model.bytes);
}

TEST_F(FileStreamBufferingTest, ReadsSeeBytesWrittenPastAnEarlierEndOfFile) {
    CMRefCon refCon = openFile("grow.bin", "wb+");
    ASSERT_NE(refCon, nullptr);
    std::vector<uint8_t> first(100), second(50);
    for (size_t i = 0; i < first.size(); ++i) first[i] = static_cast<uint8_t>(i);
    for (size_t i = 0; i < second.size(); ++i) second[i] = static_cast<uint8_t>(200 + i);
    ASSERT_EQ(stream_.write(refCon, first.data(), 1, first.size()), first.size());
    // Reading the whole file leaves it in a read-ahead cut short by its end.
    std::vector<uint8_t> back(200);
    ASSERT_EQ(stream_.seek(refCon, 0, kCMSeekSet), 0);
    ASSERT_EQ(stream_.read(refCon, back.data(), 1, back.size()), first.size());
    ASSERT_EQ(stream_.seek(refCon, 0, kCMSeekEnd), 0);
    ASSERT_EQ(stream_.write(refCon, second.data(), 1, second.size()), second.size());
    ASSERT_EQ(stream_.seek(refCon, 0, kCMSeekSet), 0);
    ASSERT_EQ(stream_.read(refCon, back.data(), 1, back.size()), 150u);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), back.begin()));
    EXPECT_TRUE(std::equal(second.begin(), second.end(), back.begin() + 100));
    stream_.close(refCon);
}

TEST_F(FileStreamBufferingTest, BlockReadsInOrderSeeWritesAheadOfThemAndTheEnd) {
    // Media blocks read in order from an unaligned start go through the
    // read-ahead; bytes written ahead of the reader, inside what it has
    // already read ahead, must come out as written.
    FileModel model;
    model.bytes.resize(1000000);
    std::mt19937 fill(5);
    for (uint8_t& byte : model.bytes)
        byte = static_cast<uint8_t>(fill());
    writeBytes("blocks.bin", model.bytes);
    CMRefCon refCon = openFile("blocks.bin", "rb+");
    ASSERT_NE(refCon, nullptr);

    constexpr size_t kBlock = 16384;
    std::vector<uint8_t> got(kBlock), expected;
    CMSize position = 1000;
    ASSERT_EQ(stream_.seek(refCon, position, kCMSeekSet), 0);
    model.position = position;
    for (int block = 0; position < model.bytes.size(); ++block) {
        SCOPED_TRACE("block " + std::to_string(block));
        if (block == 3) {
            // Overwrite the middle of the next block, then come back.
            const std::vector<uint8_t> patch(300, 0x5A);
            ASSERT_EQ(stream_.seek(refCon, position + 5000, kCMSeekSet), 0);
            ASSERT_EQ(stream_.write(refCon, patch.data(), 1, patch.size()), patch.size());
            model.position = position + 5000;
            model.write(patch);
            ASSERT_EQ(stream_.seek(refCon, position, kCMSeekSet), 0);
            model.position = position;
        }
        const size_t read = stream_.read(refCon, got.data(), 1, kBlock);
        const size_t wanted = model.read(kBlock, expected);
        ASSERT_EQ(read, wanted);
        ASSERT_TRUE(std::equal(expected.begin(), expected.end(), got.begin()));
        position += read;
    }
    // The last block was cut short by the end of the file.
    EXPECT_EQ(stream_.eof(refCon), 1);
    stream_.close(refCon);
}

TEST_F(FileStreamBufferingTest, PositionsPastFourGiB) {
    CMRefCon refCon = openFile("big.bin", "wb+");
    ASSERT_NE(refCon, nullptr);
    const CMSize far = (CMSize(5) << 30) + 3; // the file stays sparse
    const uint8_t word[4] = {'a', 'b', 'c', 'd'};
    ASSERT_EQ(stream_.seek(refCon, far, kCMSeekSet), 0);
    ASSERT_EQ(stream_.write(refCon, word, 1, 4), 4u);
    EXPECT_EQ(stream_.tell(refCon), far + 4);
    EXPECT_EQ(stream_.size(refCon), far + 4);

    uint8_t back[4] = {};
    ASSERT_EQ(stream_.seek(refCon, far - 3, kCMSeekSet), 0);
    ASSERT_EQ(stream_.read(refCon, back, 1, 4), 4u);
    EXPECT_EQ(std::vector<uint8_t>(back, back + 4), (std::vector<uint8_t>{0, 0, 0, 'a'}));
    // Backwards past the start fails and leaves the position alone.
    EXPECT_EQ(stream_.seek(refCon, static_cast<CMSize>(-static_cast<int64_t>(far + 2)),
                           kCMSeekCurrent),
              -1);
    EXPECT_EQ(stream_.tell(refCon), far + 1);
    ASSERT_EQ(stream_.seek(refCon, static_cast<CMSize>(-4), kCMSeekEnd), 0);
    ASSERT_EQ(stream_.read(refCon, back, 1, 4), 4u);
    EXPECT_EQ(std::vector<uint8_t>(back, back + 4), (std::vector<uint8_t>{'a', 'b', 'c', 'd'}));
    stream_.close(refCon);
    EXPECT_EQ(std::filesystem::file_size(path("big.bin")), far + 4);
}

TEST_F(FileStreamBufferingTest, ALostWriteFailsEveryLaterWriteAndFlush) {
    struct stat info;
    if (stat("/dev/full", &info) != 0) GTEST_SKIP() << "no /dev/full";
    CMRefCon refCon = CMCreateFileRefCon(session_, "/dev/full", nullptr, nullptr);
    ASSERT_NE(refCon, nullptr);
    ASSERT_NE(stream_.open(refCon, "wb+"), nullptr);
    const std::vector<uint8_t> small(10, 1), large(100000, 2);
    // A small write is only buffered; the device's refusal shows at the flush.
    EXPECT_EQ(stream_.write(refCon, small.data(), 1, small.size()), small.size());
    EXPECT_EQ(stream_.flush(refCon), EOF);
    // From then on nothing is taken for written.
    EXPECT_EQ(stream_.write(refCon, small.data(), 1, small.size()), 0u);
    EXPECT_EQ(stream_.flush(refCon), EOF);
    stream_.close(refCon);

    // A write larger than the buffer goes to the device at once.
    refCon = CMCreateFileRefCon(session_, "/dev/full", nullptr, nullptr);
    ASSERT_NE(refCon, nullptr);
    ASSERT_NE(stream_.open(refCon, "wb+"), nullptr);
    EXPECT_EQ(stream_.write(refCon, large.data(), 1, large.size()), 0u);
    stream_.close(refCon);
}

TEST_F(FileStreamBufferingTest, ReadOnlyStreamsTakeNoWrites) {
    writeBytes("ro.bin", {1, 2, 3, 4});
    CMRefCon refCon = openFile("ro.bin", "rb");
    ASSERT_NE(refCon, nullptr);
    const uint8_t data[2] = {9, 9};
    EXPECT_EQ(stream_.write(refCon, data, 1, 2), 0u);
    EXPECT_EQ(stream_.flush(refCon), 0);
    uint8_t back[4] = {};
    ASSERT_EQ(stream_.seek(refCon, 0, kCMSeekSet), 0);
    EXPECT_EQ(stream_.read(refCon, back, 1, 4), 4u);
    EXPECT_EQ(back[0], 1);
    stream_.close(refCon);
    EXPECT_EQ(fileBytes("ro.bin"), (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST_F(FileStreamBufferingTest, ElementCountsOfWritesAndBytesOfReads) {
    CMRefCon refCon = openFile("elements.bin", "wb+");
    ASSERT_NE(refCon, nullptr);
    const uint32_t words[3] = {1, 2, 3};
    EXPECT_EQ(stream_.write(refCon, words, 4, 3), 3u); // elements
    EXPECT_EQ(stream_.write(refCon, words, 0, 3), 0u); // no bytes, no elements
    ASSERT_EQ(stream_.seek(refCon, 0, kCMSeekSet), 0);
    uint32_t back[4] = {};
    EXPECT_EQ(stream_.read(refCon, back, 4, 4), 12u); // bytes, short at the end
    EXPECT_EQ(stream_.eof(refCon), 1);
    stream_.close(refCon);
}

} // namespace
