// The codec stream: opening and closing, the cache (seen through the calls
// that reach the procedures), blocking, positions, and translated transfers
// through a small test translator.
#include "stream_fixture.h"

#include <cstring>
#include <limits>

using namespace stream_test;

namespace {

// ---- opening and closing ----

using StreamOpening = StreamTest;

TEST_F(StreamOpening, StartsEmptyAtZeroWithFormatsUnset) {
    ASSERT_EQ(open(kMediaCreated), 0);
    EXPECT_EQ(stream_.tag, kStreamTag);
    EXPECT_EQ(stream_.position, 0);
    EXPECT_EQ(stream_.cacheState, CacheState::empty);
    EXPECT_EQ(stream_.cache.size(), kStreamCacheSize);
    EXPECT_EQ(stream_.memoryFormat.kind, media_.nullKind);
    EXPECT_EQ(stream_.fileFormat.kind, media_.nullKind);
    EXPECT_EQ(stream_.file, file_);
    EXPECT_EQ(stream_.dataFile, file_);
}

TEST_F(StreamOpening, OpeningAnOpenStreamAgainIsRefused) {
    ASSERT_EQ(open(kMediaCreated), 0);
    EXPECT_EQ(open(kMediaCreated), OM_ERR_STREAM_REOPENED);
    EXPECT_EQ(OM_ERR_STREAM_REOPENED, 74);
    // The first opening is untouched and still works.
    const uint8_t byte = 7;
    EXPECT_EQ(streamWrite(stream_, &byte, 1), 0);
    EXPECT_EQ(streamClose(stream_), 0);
    EXPECT_EQ(open(kMediaOpenReadOnly), 0);
}

TEST_F(StreamOpening, AClosedStreamStillHoldingACacheIsRefused) {
    stream_.cache.resize(16);
    EXPECT_EQ(open(kMediaCreated), OM_ERR_STREAM_REOPENED);
    stream_.cache.clear();
    EXPECT_EQ(open(kMediaCreated), 0);
}

TEST_F(StreamOpening, NeedsAnOpenProcedure) {
    StreamProcedures procedures = standardStreamProcedures();
    procedures.open = nullptr;
    EXPECT_EQ(streamOpenWithProcedures(stream_, procedures, &media_, data_,
                                       kOmfProperty_IDAT_ImageData, kOmfType_DataValue),
              OM_ERR_NULL_STREAM_CALLBACK);
    EXPECT_EQ(OM_ERR_NULL_STREAM_CALLBACK, 58);
    EXPECT_NE(stream_.tag, kStreamTag);
    EXPECT_EQ(openCounting(kMediaCreated), 0);
}

TEST_F(StreamOpening, NeedsAValidMediaHandle) {
    omfMediaRec closed;
    closed.tag = 0;
    EXPECT_EQ(streamOpen(stream_, &closed, data_, kOmfProperty_IDAT_ImageData, kOmfType_DataValue),
              OM_ERR_BAD_MEDIA_HANDLE);
    EXPECT_EQ(streamOpen(stream_, nullptr, data_, kOmfProperty_IDAT_ImageData, kOmfType_DataValue),
              OM_ERR_BAD_MEDIA_HANDLE);
    EXPECT_EQ(open(kMediaCreated), 0);
}

TEST_F(StreamOpening, AFailedOpenLeavesTheStreamClosedAndReopenable) {
    // Reading media whose data object has no data value fails in the procedure.
    EXPECT_EQ(open(kMediaOpenReadOnly), OM_ERR_NULL_PARAM);
    EXPECT_NE(stream_.tag, kStreamTag);
    EXPECT_TRUE(stream_.cache.empty());
    EXPECT_EQ(open(kMediaCreated), 0);
}

TEST_F(StreamOpening, CloseNeedsCloseAndTruncateProcedures) {
    ASSERT_EQ(open(kMediaCreated), 0);
    const StreamProcedures saved = stream_.procedures;
    stream_.procedures.truncate = nullptr;
    EXPECT_EQ(streamClose(stream_), OM_ERR_NULL_STREAM_CALLBACK);
    stream_.procedures = saved;
    stream_.procedures.close = nullptr;
    EXPECT_EQ(streamClose(stream_), OM_ERR_NULL_STREAM_CALLBACK);
    stream_.procedures = saved;
    EXPECT_EQ(stream_.tag, kStreamTag);
    EXPECT_EQ(streamClose(stream_), 0);
    EXPECT_EQ(stream_.tag, 0u);
    EXPECT_TRUE(stream_.cache.empty());
}

TEST_F(StreamOpening, CloseWritesWhatTheCacheHolds) {
    const auto bytes = pattern(300);
    ASSERT_EQ(openCounting(kMediaCreated), 0);
    ASSERT_EQ(streamWrite(stream_, bytes.data(), 300), 0);
    EXPECT_TRUE(streamWriting(stream_));
    EXPECT_TRUE(calls_.writes.empty());
    ASSERT_EQ(streamClose(stream_), 0);
    EXPECT_FALSE(streamWriting(stream_));
    EXPECT_EQ(calls_.writes, std::vector<omfInt64>{300});

    std::vector<uint8_t> back(300);
    omfInt64 got = 0;
    ASSERT_EQ(open(kMediaOpenReadOnly), 0);
    ASSERT_EQ(streamRead(stream_, back.data(), 300, &got), 0);
    EXPECT_EQ(back, bytes);
}

TEST_F(StreamOpening, EveryOperationOnAClosedStreamIsRefused) {
    uint8_t byte = 0;
    omfInt64 count = 0;
    omfInt32 small = 0;
    auto expectAllRefused = [&] {
        EXPECT_EQ(streamRead(stream_, &byte, 1, &count), OM_ERR_STREAM_NOT_OPEN);
        EXPECT_EQ(streamWrite(stream_, &byte, 1), OM_ERR_STREAM_NOT_OPEN);
        EXPECT_EQ(streamFlush(stream_), OM_ERR_STREAM_NOT_OPEN);
        EXPECT_EQ(streamSeek(stream_, 0), OM_ERR_STREAM_NOT_OPEN);
        EXPECT_EQ(streamSkip(stream_, 1), OM_ERR_STREAM_NOT_OPEN);
        EXPECT_EQ(streamPosition(stream_, &count), OM_ERR_STREAM_NOT_OPEN);
        EXPECT_EQ(streamPosition32(stream_, &small), OM_ERR_STREAM_NOT_OPEN);
        EXPECT_EQ(streamLength(stream_, &count), OM_ERR_STREAM_NOT_OPEN);
        EXPECT_EQ(streamTruncate(stream_), OM_ERR_STREAM_NOT_OPEN);
        EXPECT_EQ(streamSetBlockingSize(stream_, 512), OM_ERR_STREAM_NOT_OPEN);
        EXPECT_EQ(streamSetMemoryFormat(stream_, StreamFormat{}), OM_ERR_STREAM_NOT_OPEN);
        EXPECT_EQ(streamSetFileFormat(stream_, StreamFormat{}), OM_ERR_STREAM_NOT_OPEN);
        EXPECT_EQ(streamSetTranslatorBufferSize(stream_, 64), OM_ERR_STREAM_NOT_OPEN);
        EXPECT_EQ(streamFileBytes(stream_, 1, &count), OM_ERR_STREAM_NOT_OPEN);
        EXPECT_EQ(streamMemoryBytes(stream_, 1, &count), OM_ERR_STREAM_NOT_OPEN);
        EXPECT_EQ(streamReadTranslated(stream_, 1, &byte, 1, &count), OM_ERR_STREAM_NOT_OPEN);
        EXPECT_EQ(streamWriteTranslated(stream_, 1, &byte, 1, &count), OM_ERR_STREAM_NOT_OPEN);
        EXPECT_EQ(streamClose(stream_), OM_ERR_STREAM_NOT_OPEN);
        EXPECT_FALSE(streamWriting(stream_));
    };
    EXPECT_EQ(OM_ERR_STREAM_NOT_OPEN, 80);
    expectAllRefused(); // never opened
    ASSERT_EQ(open(kMediaCreated), 0);
    EXPECT_EQ(streamWrite(stream_, &byte, 1), 0);
    EXPECT_EQ(streamPosition(stream_, &count), 0);
    EXPECT_EQ(count, 1);
    ASSERT_EQ(streamClose(stream_), 0);
    expectAllRefused(); // closed again
}

TEST_F(StreamOpening, TransfersCheckTheirArguments) {
    ASSERT_EQ(open(kMediaCreated), 0);
    uint8_t bytes[4] = {1, 2, 3, 4};
    omfInt64 count = 0;
    EXPECT_EQ(streamWrite(stream_, nullptr, 4), OM_ERR_NULL_DATA_ADDRESS);
    EXPECT_EQ(streamWrite(stream_, bytes, -1), OM_ERR_NEGATIVE_VALUE);
    EXPECT_EQ(streamWrite(stream_, bytes, 4), 0);
    ASSERT_EQ(streamSeek(stream_, 0), 0);
    EXPECT_EQ(streamRead(stream_, nullptr, 4, &count), OM_ERR_NULL_DATA_ADDRESS);
    EXPECT_EQ(streamRead(stream_, bytes, 4, nullptr), OM_ERR_NULL_PARAM);
    EXPECT_EQ(streamRead(stream_, bytes, -1, &count), OM_ERR_NEGATIVE_VALUE);
    EXPECT_EQ(streamRead(stream_, bytes, 4, &count), 0);
    EXPECT_EQ(count, 4);
}

// ---- the read cache ----

using StreamReadCache = StreamTest;

TEST_F(StreamReadCache, SmallReadsInsideTheCacheCostOneProcedureRead) {
    const auto bytes = pattern(20000);
    store(bytes);
    ASSERT_EQ(openCounting(kMediaOpenReadOnly), 0);
    std::vector<uint8_t> first(100), second(100);
    omfInt64 got = 0;
    ASSERT_EQ(streamRead(stream_, first.data(), 100, &got), 0);
    ASSERT_EQ(streamRead(stream_, second.data(), 100, &got), 0);
    EXPECT_EQ(calls_.reads, std::vector<omfInt64>{omfInt64(kStreamCacheSize)});
    EXPECT_TRUE(std::equal(first.begin(), first.end(), bytes.begin()));
    EXPECT_TRUE(std::equal(second.begin(), second.end(), bytes.begin() + 100));
    EXPECT_EQ(stream_.cachedReads, 1u);

    // Past the cache's end the cache is filled again from the position.
    std::vector<uint8_t> third(100);
    ASSERT_EQ(streamSeek(stream_, 10200), 0);
    ASSERT_EQ(streamRead(stream_, third.data(), 100, &got), 0);
    EXPECT_EQ(calls_.reads, (std::vector<omfInt64>{10240, 20000 - 10200}));
    EXPECT_TRUE(std::equal(third.begin(), third.end(), bytes.begin() + 10200));
}

TEST_F(StreamReadCache, ReadsOfTheCacheSizeUseItLargerOnesBypassIt) {
    const auto bytes = pattern(30000);
    store(bytes);
    ASSERT_EQ(openCounting(kMediaOpenReadOnly), 0);
    std::vector<uint8_t> out(10241);
    omfInt64 got = 0;
    ASSERT_EQ(streamRead(stream_, out.data(), 10240, &got), 0); // through the cache
    EXPECT_EQ(got, 10240);
    EXPECT_EQ(stream_.cacheState, CacheState::readData);
    ASSERT_EQ(streamRead(stream_, out.data(), 10241, &got), 0); // straight into `out`
    EXPECT_EQ(got, 10241);
    EXPECT_EQ(calls_.reads, (std::vector<omfInt64>{10240, 10241}));
    EXPECT_TRUE(std::equal(out.begin(), out.end(), bytes.begin() + 10240));
    EXPECT_EQ(stream_.position, 20481);
}

TEST_F(StreamReadCache, AReadAcrossTheEndDeliversWhatIsThere) {
    const auto bytes = pattern(300);
    store(bytes);
    ASSERT_EQ(openCounting(kMediaOpenReadOnly), 0);
    std::vector<uint8_t> out(100, 0xEE);
    omfInt64 got = -1;
    ASSERT_EQ(streamSeek(stream_, 250), 0);
    EXPECT_EQ(streamRead(stream_, out.data(), 100, &got), OM_ERR_END_OF_FILE);
    EXPECT_EQ(OM_ERR_END_OF_FILE, 91);
    EXPECT_EQ(got, 50);
    // The cache was filled with the 50 bytes left, not more.
    EXPECT_EQ(calls_.reads, std::vector<omfInt64>{50});
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 50, bytes.begin() + 250));
    EXPECT_EQ(out[50], 0xEE);
    EXPECT_EQ(stream_.position, 350); // advanced by the count asked

    // A read ending exactly at the end is complete.
    ASSERT_EQ(streamSeek(stream_, 200), 0);
    EXPECT_EQ(streamRead(stream_, out.data(), 100, &got), 0);
    EXPECT_EQ(got, 100);

    // Past the end nothing arrives.
    EXPECT_EQ(streamRead(stream_, out.data(), 1, &got), OM_ERR_END_OF_FILE);
    EXPECT_EQ(got, 0);
}

TEST_F(StreamReadCache, ALargeReadAcrossTheEndDeliversWhatIsThere) {
    const auto bytes = pattern(15000);
    store(bytes);
    ASSERT_EQ(open(kMediaOpenReadOnly), 0);
    std::vector<uint8_t> out(12000);
    omfInt64 got = 0;
    ASSERT_EQ(streamSeek(stream_, 5000), 0);
    EXPECT_EQ(streamRead(stream_, out.data(), 12000, &got), OM_ERR_END_OF_FILE);
    EXPECT_EQ(got, 10000);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 10000, bytes.begin() + 5000));
}

TEST_F(StreamReadCache, ASeekKeepsReadDataOnlyWhenItLandsInsideIt) {
    store(pattern(40000));
    ASSERT_EQ(openCounting(kMediaOpenReadOnly), 0);
    uint8_t out[100];
    omfInt64 got = 0;
    ASSERT_EQ(streamRead(stream_, out, 100, &got), 0);
    ASSERT_EQ(streamSeek(stream_, 5000), 0);
    EXPECT_EQ(stream_.cacheState, CacheState::readData);
    ASSERT_EQ(streamRead(stream_, out, 100, &got), 0);
    ASSERT_EQ(streamSeek(stream_, 0), 0);
    ASSERT_EQ(streamRead(stream_, out, 100, &got), 0);
    EXPECT_EQ(calls_.reads.size(), 1u);

    ASSERT_EQ(streamSeek(stream_, 10240), 0); // first byte after the cache
    EXPECT_EQ(stream_.cacheState, CacheState::empty);
    ASSERT_EQ(streamRead(stream_, out, 100, &got), 0);
    EXPECT_EQ(calls_.reads.size(), 2u);
    EXPECT_EQ(out[0], uint8_t(10240 % 251));
}

// ---- the write cache ----

using StreamWriteCache = StreamTest;

TEST_F(StreamWriteCache, SmallWritesCollectUntilTheCacheIsFull) {
    const auto bytes = pattern(10500);
    ASSERT_EQ(openCounting(kMediaCreated), 0);
    ASSERT_EQ(streamWrite(stream_, bytes.data(), 10000), 0);
    EXPECT_TRUE(calls_.writes.empty());
    EXPECT_EQ(stream_.cachedWrites, 1u);
    // 240 more still fit; one more byte does not.
    ASSERT_EQ(streamWrite(stream_, bytes.data() + 10000, 240), 0);
    EXPECT_TRUE(calls_.writes.empty());
    ASSERT_EQ(streamWrite(stream_, bytes.data() + 10240, 260), 0);
    EXPECT_EQ(calls_.writes, std::vector<omfInt64>{10240});
    ASSERT_EQ(streamClose(stream_), 0);
    EXPECT_EQ(calls_.writes, (std::vector<omfInt64>{10240, 260}));

    std::vector<uint8_t> back(10500);
    omfInt64 got = 0;
    ASSERT_EQ(open(kMediaOpenReadOnly), 0);
    ASSERT_EQ(streamRead(stream_, back.data(), 10500, &got), 0);
    EXPECT_EQ(back, bytes);
}

TEST_F(StreamWriteCache, WritesOfTheCacheSizeUseItLargerOnesBypassIt) {
    const auto bytes = pattern(10240 + 10241);
    ASSERT_EQ(openCounting(kMediaCreated), 0);
    ASSERT_EQ(streamWrite(stream_, bytes.data(), 10240), 0);
    EXPECT_TRUE(calls_.writes.empty());
    ASSERT_EQ(streamWrite(stream_, bytes.data() + 10240, 10241), 0);
    // The cached bytes go first, then the large write straight through.
    EXPECT_EQ(calls_.writes, (std::vector<omfInt64>{10240, 10241}));
    EXPECT_FALSE(streamWriting(stream_));
    ASSERT_EQ(streamClose(stream_), 0);
    EXPECT_EQ(calls_.writes.size(), 2u);

    std::vector<uint8_t> back(bytes.size());
    omfInt64 got = 0;
    ASSERT_EQ(open(kMediaOpenReadOnly), 0);
    ASSERT_EQ(streamRead(stream_, back.data(), omfInt64(back.size()), &got), 0);
    EXPECT_EQ(back, bytes);
}

TEST_F(StreamWriteCache, AReadWritesUnwrittenDataFirst) {
    const auto bytes = pattern(100);
    ASSERT_EQ(openCounting(kMediaCreated), 0);
    ASSERT_EQ(streamWrite(stream_, bytes.data(), 100), 0);
    ASSERT_EQ(streamSeek(stream_, 10), 0);
    uint8_t out[20];
    omfInt64 got = 0;
    ASSERT_EQ(streamRead(stream_, out, 20, &got), 0);
    EXPECT_EQ(calls_.writes, std::vector<omfInt64>{100});
    EXPECT_TRUE(std::equal(out, out + 20, bytes.begin() + 10));
}

TEST_F(StreamWriteCache, AWriteElsewhereWritesTheCachedBytesFirst) {
    auto bytes = pattern(100);
    ASSERT_EQ(openCounting(kMediaCreated), 0);
    ASSERT_EQ(streamWrite(stream_, bytes.data(), 100), 0);
    const uint8_t patch[10] = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
    ASSERT_EQ(streamSeek(stream_, 50), 0);
    ASSERT_EQ(streamWrite(stream_, patch, 10), 0);
    EXPECT_EQ(calls_.writes, std::vector<omfInt64>{100});
    ASSERT_EQ(streamClose(stream_), 0);
    std::memcpy(bytes.data() + 50, patch, 10);

    std::vector<uint8_t> back(100);
    omfInt64 got = 0;
    ASSERT_EQ(open(kMediaOpenReadOnly), 0);
    ASSERT_EQ(streamRead(stream_, back.data(), 100, &got), 0);
    EXPECT_EQ(back, bytes);
}

TEST_F(StreamWriteCache, TheLengthCountsUnwrittenBytes) {
    const auto bytes = pattern(100);
    ASSERT_EQ(open(kMediaCreated), 0);
    ASSERT_EQ(streamWrite(stream_, bytes.data(), 100), 0);
    omfInt64 length = 0;
    ASSERT_EQ(streamLength(stream_, &length), 0);
    EXPECT_EQ(length, 100);
    ASSERT_EQ(streamFlush(stream_), 0);
    ASSERT_EQ(streamLength(stream_, &length), 0);
    EXPECT_EQ(length, 100);
    EXPECT_EQ(stream_.cacheState, CacheState::empty);
}

// ---- blocking ----

using StreamBlocking = StreamTest;

TEST_F(StreamBlocking, WritesBeyondTheEndAppendZeroBlocksFirst) {
    const auto bytes = pattern(5000);
    ASSERT_EQ(openCounting(kMediaCreated), 0);
    ASSERT_EQ(streamSetBlockingSize(stream_, 4096), 0);
    ASSERT_EQ(streamWrite(stream_, bytes.data(), 100), 0);
    EXPECT_EQ(calls_.writes, std::vector<omfInt64>{4096});
    omfInt64 length = 0;
    ASSERT_EQ(streamLength(stream_, &length), 0);
    EXPECT_EQ(length, 4096);

    // Up to the block's end no block is added; one byte more adds one.
    ASSERT_EQ(streamWrite(stream_, bytes.data() + 100, 3996), 0);
    EXPECT_EQ(calls_.writes.size(), 1u);
    ASSERT_EQ(streamWrite(stream_, bytes.data() + 4096, 1), 0);
    // The unwritten bytes go before the new block, which follows them.
    EXPECT_EQ(calls_.writes, (std::vector<omfInt64>{4096, 4096, 4096}));
    ASSERT_EQ(streamClose(stream_), 0);

    ASSERT_EQ(open(kMediaOpenReadOnly), 0);
    ASSERT_EQ(streamLength(stream_, &length), 0);
    EXPECT_EQ(length, 8192);
    std::vector<uint8_t> back(8192);
    omfInt64 got = 0;
    ASSERT_EQ(streamRead(stream_, back.data(), 8192, &got), 0);
    EXPECT_TRUE(std::equal(back.begin(), back.begin() + 4097, bytes.begin()));
    EXPECT_TRUE(std::all_of(back.begin() + 4097, back.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(StreamBlocking, BlocksLargerThanTheZeroBufferAreWrittenInPieces) {
    const uint8_t byte = 1;
    ASSERT_EQ(openCounting(kMediaCreated), 0);
    ASSERT_EQ(streamSetBlockingSize(stream_, 40000), 0);
    ASSERT_EQ(streamWrite(stream_, &byte, 1), 0);
    EXPECT_EQ(calls_.writes, (std::vector<omfInt64>{32768, 40000 - 32768}));
    omfInt64 length = 0;
    ASSERT_EQ(streamLength(stream_, &length), 0);
    EXPECT_EQ(length, 40000);
}

TEST_F(StreamBlocking, WithoutABlockSizeTheDataGrowsByWhatIsWritten) {
    const auto bytes = pattern(100);
    ASSERT_EQ(openCounting(kMediaCreated), 0);
    ASSERT_EQ(streamWrite(stream_, bytes.data(), 100), 0);
    ASSERT_EQ(streamFlush(stream_), 0);
    EXPECT_EQ(calls_.writes, std::vector<omfInt64>{100});
    omfInt64 length = 0;
    ASSERT_EQ(streamLength(stream_, &length), 0);
    EXPECT_EQ(length, 100);
}

TEST_F(StreamBlocking, AWriteAfterASeekPastTheEndFillsTheGapWithBlocks) {
    const uint8_t byte = 5;
    ASSERT_EQ(open(kMediaCreated), 0);
    ASSERT_EQ(streamSetBlockingSize(stream_, 1000), 0);
    ASSERT_EQ(streamSeek(stream_, 2500), 0);
    ASSERT_EQ(streamWrite(stream_, &byte, 1), 0);
    ASSERT_EQ(streamFlush(stream_), 0);
    omfInt64 length = 0;
    ASSERT_EQ(streamLength(stream_, &length), 0);
    EXPECT_EQ(length, 3000);
    uint8_t back[2] = {9, 9};
    omfInt64 got = 0;
    ASSERT_EQ(streamSeek(stream_, 2499), 0);
    ASSERT_EQ(streamRead(stream_, back, 2, &got), 0);
    EXPECT_EQ(back[0], 0);
    EXPECT_EQ(back[1], 5);
}

// ---- positions ----

using StreamPositions = StreamTest;

TEST_F(StreamPositions, PositionsAre64BitAndThe32BitQueryRefusesWhatDoesNotFit) {
    ASSERT_EQ(open(kMediaCreated), 0);
    omfInt64 position = 0;
    omfInt32 small = -1;
    const omfInt64 largest32 = std::numeric_limits<omfInt32>::max();
    ASSERT_EQ(streamSeek(stream_, largest32), 0);
    EXPECT_EQ(streamPosition32(stream_, &small), 0);
    EXPECT_EQ(small, std::numeric_limits<omfInt32>::max());
    ASSERT_EQ(streamSkip(stream_, 1), 0);
    small = 7;
    EXPECT_EQ(streamPosition32(stream_, &small), OM_ERR_INT64_TRUNCATION);
    EXPECT_EQ(OM_ERR_INT64_TRUNCATION, 171);
    EXPECT_EQ(small, 7); // untouched on failure
    ASSERT_EQ(streamSeek(stream_, 5000000000LL), 0);
    ASSERT_EQ(streamPosition(stream_, &position), 0);
    EXPECT_EQ(position, 5000000000LL);
    EXPECT_EQ(streamPosition32(stream_, &small), OM_ERR_INT64_TRUNCATION);
    EXPECT_EQ(streamPosition(stream_, nullptr), OM_ERR_NULL_PARAM);
    EXPECT_EQ(streamPosition32(stream_, nullptr), OM_ERR_NULL_PARAM);
}

TEST_F(StreamPositions, SkipsMayGoBackButNotBeforeTheStart) {
    ASSERT_EQ(open(kMediaCreated), 0);
    omfInt64 position = 0;
    ASSERT_EQ(streamSeek(stream_, 100), 0);
    ASSERT_EQ(streamSkip(stream_, -40), 0);
    ASSERT_EQ(streamPosition(stream_, &position), 0);
    EXPECT_EQ(position, 60);
    EXPECT_EQ(streamSkip(stream_, -61), OM_ERR_NEGATIVE_VALUE);
    EXPECT_EQ(streamSkip(stream_, -60), 0);
    ASSERT_EQ(streamPosition(stream_, &position), 0);
    EXPECT_EQ(position, 0);
    EXPECT_EQ(streamSeek(stream_, -1), OM_ERR_NEGATIVE_VALUE);
    ASSERT_EQ(streamSeek(stream_, std::numeric_limits<omfInt64>::max()), 0);
    EXPECT_EQ(streamSkip(stream_, 1), OM_ERR_INT64_TRUNCATION);
}

TEST_F(StreamPositions, ReadsAndWritesAdvanceThePosition) {
    const auto bytes = pattern(64);
    ASSERT_EQ(open(kMediaCreated), 0);
    ASSERT_EQ(streamWrite(stream_, bytes.data(), 64), 0);
    omfInt64 position = 0, got = 0;
    ASSERT_EQ(streamPosition(stream_, &position), 0);
    EXPECT_EQ(position, 64);
    ASSERT_EQ(streamSkip(stream_, -32), 0);
    uint8_t out[16];
    ASSERT_EQ(streamRead(stream_, out, 16, &got), 0);
    ASSERT_EQ(streamPosition(stream_, &position), 0);
    EXPECT_EQ(position, 48);
    EXPECT_EQ(out[0], bytes[32]);
}

// ---- translated transfers ----

// Converts 3-byte file pixels (R, G, B) to 4-byte memory pixels (0xFF, R, G,
// B); with the swap flag the file holds them as (B, G, R). Active when the
// memory format's extra pointer is non-null (the test's way of asking for
// conversion).
class RgbToArgb : public FormatTranslator {
  public:
    struct Log {
        int setFormatsCalls = 0;
        std::vector<size_t> inputs; // input sizes of translate
        std::vector<bool> swaps;
    };
    explicit RgbToArgb(Log* log) : log_(log) {}

    omfErr_t setFormats(const StreamFormat& memory, const StreamFormat&, bool* active) override {
        ++log_->setFormatsCalls;
        *active = memory.extra != nullptr;
        return 0;
    }
    omfErr_t fileBytes(omfInt64 memoryBytes, omfInt64* fileBytes) override {
        *fileBytes = memoryBytes / 4 * 3;
        return 0;
    }
    omfErr_t memoryBytes(omfInt64 fileBytes, omfInt64* memoryBytes) override {
        *memoryBytes = fileBytes / 3 * 4;
        return 0;
    }
    omfErr_t translate(bool reading, std::span<const uint8_t> in, std::span<uint8_t> out, bool swap,
                       size_t* produced) override {
        log_->inputs.push_back(in.size());
        log_->swaps.push_back(swap);
        size_t pixels = reading ? in.size() / 3 : in.size() / 4;
        if (out.size() < pixels * (reading ? 4 : 3)) return OM_ERR_SAMPLE_TOO_LARGE;
        for (size_t i = 0; i < pixels; ++i) {
            if (reading) {
                const uint8_t* rgb = &in[i * 3];
                uint8_t* argb = &out[i * 4];
                argb[0] = 0xFF;
                argb[1] = swap ? rgb[2] : rgb[0];
                argb[2] = rgb[1];
                argb[3] = swap ? rgb[0] : rgb[2];
            } else {
                const uint8_t* argb = &in[i * 4];
                uint8_t* rgb = &out[i * 3];
                rgb[0] = swap ? argb[3] : argb[1];
                rgb[1] = argb[2];
                rgb[2] = swap ? argb[1] : argb[3];
            }
        }
        *produced = pixels * (reading ? 4 : 3);
        return 0;
    }

  private:
    Log* log_;
};

// Adds one to every byte reading, subtracts it writing.
class AddOne : public FormatTranslator {
  public:
    omfErr_t setFormats(const StreamFormat&, const StreamFormat&, bool* active) override {
        *active = true;
        return 0;
    }
    omfErr_t fileBytes(omfInt64 memoryBytes, omfInt64* fileBytes) override {
        *fileBytes = memoryBytes;
        return 0;
    }
    omfErr_t memoryBytes(omfInt64 fileBytes, omfInt64* memoryBytes) override {
        *memoryBytes = fileBytes;
        return 0;
    }
    omfErr_t translate(bool reading, std::span<const uint8_t> in, std::span<uint8_t> out, bool,
                       size_t* produced) override {
        for (size_t i = 0; i < in.size(); ++i)
            out[i] = uint8_t(in[i] + (reading ? 1 : -1));
        *produced = in.size();
        return 0;
    }
};

std::vector<uint8_t> argbOf(const std::vector<uint8_t>& rgb) {
    std::vector<uint8_t> argb;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
        argb.insert(argb.end(), {0xFF, rgb[i], rgb[i + 1], rgb[i + 2]});
    }
    return argb;
}

class TranslatedTransfer : public StreamTest {
  protected:
    // Opens the stream (reading stored data when `reading`) with the test
    // translator and both formats set; `convert` makes the translator active.
    void openTranslated(bool reading, bool convert) {
        ASSERT_EQ(openCounting(reading ? kMediaOpenReadOnly : kMediaCreated), 0);
        ASSERT_EQ(streamAddTranslator(stream_, std::make_unique<RgbToArgb>(&log_)), 0);
        ASSERT_EQ(streamSetFileFormat(stream_, StreamFormat{media_.pictureKind}), 0);
        ASSERT_EQ(streamSetMemoryFormat(
                      stream_, StreamFormat{media_.pictureKind, nullptr, convert ? this : nullptr}),
                  0);
        ASSERT_EQ(stream_.translators->active, convert);
    }

    RgbToArgb::Log log_;
};

TEST_F(TranslatedTransfer, BothFormatsMustBeSet) {
    uint8_t bytes[12] = {};
    omfInt64 moved = 0;
    ASSERT_EQ(open(kMediaCreated), 0);
    EXPECT_EQ(streamWriteTranslated(stream_, 12, bytes, 12, &moved), OM_ERR_FORMATS_NOT_SET);
    EXPECT_EQ(OM_ERR_FORMATS_NOT_SET, 60);
    ASSERT_EQ(streamSetMemoryFormat(stream_, StreamFormat{media_.pictureKind}), 0);
    EXPECT_EQ(streamWriteTranslated(stream_, 12, bytes, 12, &moved), OM_ERR_FORMATS_NOT_SET);
    ASSERT_EQ(streamSetFileFormat(stream_, StreamFormat{media_.pictureKind}), 0);
    EXPECT_EQ(streamWriteTranslated(stream_, 12, bytes, 12, &moved), 0);
    EXPECT_EQ(moved, 12);
    ASSERT_EQ(streamSetMemoryFormat(stream_, StreamFormat{media_.nullKind}), 0);
    EXPECT_EQ(streamReadTranslated(stream_, 12, bytes, 12, &moved), OM_ERR_FORMATS_NOT_SET);
}

TEST_F(TranslatedTransfer, AnInactiveTranslatorMovesBytesUnchanged) {
    const auto rgb = pattern(30);
    store(rgb);
    openTranslated(true, false);
    std::vector<uint8_t> out(30);
    omfInt64 moved = 0;
    EXPECT_EQ(streamReadTranslated(stream_, 30, out.data(), 29, &moved), OM_ERR_SAMPLE_TOO_LARGE);
    EXPECT_EQ(OM_ERR_SAMPLE_TOO_LARGE, 44);
    ASSERT_EQ(streamReadTranslated(stream_, 30, out.data(), 30, &moved), 0);
    EXPECT_EQ(moved, 30);
    EXPECT_EQ(out, rgb);
    EXPECT_TRUE(log_.inputs.empty());
    omfInt64 size = 0;
    ASSERT_EQ(streamMemoryBytes(stream_, 30, &size), 0);
    EXPECT_EQ(size, 30);
}

TEST_F(TranslatedTransfer, WritesAndReadsConvertThroughTheActiveTranslator) {
    const auto rgb = pattern(30);
    const auto argb = argbOf(rgb);
    openTranslated(false, true);
    omfInt64 moved = 0;
    ASSERT_EQ(streamWriteTranslated(stream_, 30, argb.data(), 40, &moved), 0);
    EXPECT_EQ(moved, 40);
    ASSERT_EQ(streamClose(stream_), 0);

    // The file holds the file format.
    std::vector<uint8_t> stored(30);
    omfInt64 got = 0;
    ASSERT_EQ(open(kMediaOpenReadOnly), 0);
    ASSERT_EQ(streamRead(stream_, stored.data(), 30, &got), 0);
    EXPECT_EQ(stored, rgb);
    ASSERT_EQ(streamClose(stream_), 0);

    openTranslated(true, true);
    std::vector<uint8_t> out(40);
    ASSERT_EQ(streamReadTranslated(stream_, 30, out.data(), 40, &moved), 0);
    EXPECT_EQ(moved, 40);
    EXPECT_EQ(out, argb);
    omfInt64 size = 0;
    ASSERT_EQ(streamMemoryBytes(stream_, 30, &size), 0);
    EXPECT_EQ(size, 40);
    ASSERT_EQ(streamFileBytes(stream_, 40, &size), 0);
    EXPECT_EQ(size, 30);
}

TEST_F(TranslatedTransfer, TheCallersBufferMustHoldTheConvertedSize) {
    store(pattern(30));
    openTranslated(true, true);
    std::vector<uint8_t> out(40);
    omfInt64 moved = -1;
    EXPECT_EQ(streamReadTranslated(stream_, 30, out.data(), 39, &moved), OM_ERR_SAMPLE_TOO_LARGE);
    EXPECT_EQ(moved, 0);
    EXPECT_TRUE(calls_.reads.empty());
    EXPECT_EQ(streamReadTranslated(stream_, 30, out.data(), 40, &moved), 0);
    EXPECT_EQ(streamWriteTranslated(stream_, 30, out.data(), 39, &moved), OM_ERR_SAMPLE_TOO_LARGE);
    EXPECT_EQ(streamReadTranslated(stream_, 30, nullptr, 40, &moved), OM_ERR_NULL_DATA_ADDRESS);
    EXPECT_EQ(streamReadTranslated(stream_, 30, out.data(), 40, nullptr), OM_ERR_NULL_PARAM);
}

TEST_F(TranslatedTransfer, DataMovesInPiecesOfTheNodeBuffer) {
    const auto rgb = pattern(30);
    store(rgb);
    openTranslated(true, true);
    ASSERT_EQ(streamSetTranslatorBufferSize(stream_, 12), 0); // four pixels
    std::vector<uint8_t> out(40);
    omfInt64 moved = 0;
    ASSERT_EQ(streamReadTranslated(stream_, 30, out.data(), 40, &moved), 0);
    EXPECT_EQ(log_.inputs, (std::vector<size_t>{12, 12, 6}));
    EXPECT_EQ(out, argbOf(rgb));
    EXPECT_EQ(calls_.reads.size(), 1u); // small pieces come from the cache
}

TEST_F(TranslatedTransfer, PiecesEndOnWholeUnits) {
    // 10240 is not a multiple of 3: the default buffer carries 3413 pixels.
    const auto rgb = pattern(30000);
    store(rgb);
    openTranslated(true, true);
    std::vector<uint8_t> out(40000);
    omfInt64 moved = 0;
    ASSERT_EQ(streamReadTranslated(stream_, 30000, out.data(), 40000, &moved), 0);
    EXPECT_EQ(log_.inputs, (std::vector<size_t>{10239, 10239, 9522}));
    EXPECT_EQ(moved, 40000);
    EXPECT_EQ(out, argbOf(rgb));
}

TEST_F(TranslatedTransfer, AFrameSizedBufferReadsEachPieceWithOneProcedureCall) {
    const auto rgb = pattern(3 * 8192);
    store(rgb);
    openTranslated(true, true);
    ASSERT_EQ(streamSetTranslatorBufferSize(stream_, 3 * 4096), 0);
    std::vector<uint8_t> out(4 * 8192);
    omfInt64 moved = 0;
    ASSERT_EQ(streamReadTranslated(stream_, 3 * 8192, out.data(), 4 * 8192, &moved), 0);
    EXPECT_EQ(calls_.reads, (std::vector<omfInt64>{3 * 4096, 3 * 4096}));
    EXPECT_EQ(stream_.cacheState, CacheState::empty); // nothing went through the cache
    EXPECT_EQ(out, argbOf(rgb));

    // Writing a frame of the buffer's size is one procedure write.
    ASSERT_EQ(streamClose(stream_), 0);
    calls_ = {};
    openTranslated(false, true);
    ASSERT_EQ(streamSetTranslatorBufferSize(stream_, 3 * 8192), 0);
    ASSERT_EQ(streamWriteTranslated(stream_, 3 * 8192, out.data(), 4 * 8192, &moved), 0);
    EXPECT_EQ(calls_.writes, std::vector<omfInt64>{3 * 8192});
    EXPECT_EQ(moved, 4 * 8192);
}

TEST_F(TranslatedTransfer, TheEndOfDataMidPieceTranslatesWhatArrived) {
    const auto rgb = pattern(30);
    store(rgb);
    openTranslated(true, true);
    ASSERT_EQ(streamSetTranslatorBufferSize(stream_, 12), 0);
    std::vector<uint8_t> out(48, 0xEE);
    omfInt64 moved = 0;
    EXPECT_EQ(streamReadTranslated(stream_, 36, out.data(), 48, &moved), OM_ERR_END_OF_FILE);
    EXPECT_EQ(moved, 40);
    EXPECT_EQ(log_.inputs, (std::vector<size_t>{12, 12, 6}));
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 40, argbOf(rgb).begin()));
    EXPECT_EQ(out[40], 0xEE);
}

TEST_F(TranslatedTransfer, TheEndOfDataInALargePieceTranslatesWhatArrived) {
    const auto rgb = pattern(3 * 5000);
    store(rgb);
    openTranslated(true, true);
    ASSERT_EQ(streamSetTranslatorBufferSize(stream_, 3 * 4000), 0);
    std::vector<uint8_t> out(4 * 6000);
    omfInt64 moved = 0;
    EXPECT_EQ(streamReadTranslated(stream_, 3 * 6000, out.data(), 4 * 6000, &moved),
              OM_ERR_END_OF_FILE);
    EXPECT_EQ(moved, 4 * 5000);
    EXPECT_EQ(log_.inputs, (std::vector<size_t>{3 * 4000, 3 * 1000}));
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 4 * 5000, argbOf(rgb).begin()));
}

TEST_F(TranslatedTransfer, NodeBuffersMustHoldWholeWords) {
    store(pattern(30));
    openTranslated(true, true);
    std::vector<uint8_t> out(40);
    omfInt64 moved = 0;
    stream_.translators->buffer.resize(10);
    EXPECT_EQ(streamReadTranslated(stream_, 30, out.data(), 40, &moved),
              OM_ERR_INVALID_SWAB_BUFFER_SIZE);
    EXPECT_EQ(OM_ERR_INVALID_SWAB_BUFFER_SIZE, 56);
    // Setting the size rounds it up to a multiple of 4.
    ASSERT_EQ(streamSetTranslatorBufferSize(stream_, 10), 0);
    EXPECT_EQ(stream_.translators->buffer.size(), 12u);
    EXPECT_EQ(streamReadTranslated(stream_, 30, out.data(), 40, &moved), 0);
    EXPECT_EQ(streamSetTranslatorBufferSize(stream_, 0), OM_ERR_INVALID_SWAB_BUFFER_SIZE);
}

TEST_F(TranslatedTransfer, AnActiveNodeNeedsATranslator) {
    store(pattern(30));
    openTranslated(true, true);
    auto bare = std::make_unique<TranslatorNode>();
    bare->active = true;
    bare->buffer.resize(kTranslatorBufferSize);
    stream_.translators->next = std::move(bare);
    std::vector<uint8_t> out(40);
    omfInt64 moved = 0;
    EXPECT_EQ(streamReadTranslated(stream_, 30, out.data(), 40, &moved), OM_ERR_MISSING_SWAP_PROC);
    EXPECT_EQ(OM_ERR_MISSING_SWAP_PROC, 57);
    stream_.translators->next->active = false;
    EXPECT_EQ(streamReadTranslated(stream_, 30, out.data(), 40, &moved), 0);
    EXPECT_EQ(streamAddTranslator(stream_, nullptr), OM_ERR_MISSING_SWAP_PROC);
}

TEST_F(TranslatedTransfer, SettingEitherFormatAsksEveryTranslator) {
    ASSERT_EQ(open(kMediaCreated), 0);
    RgbToArgb::Log second;
    ASSERT_EQ(streamAddTranslator(stream_, std::make_unique<RgbToArgb>(&log_)), 0);
    ASSERT_EQ(streamAddTranslator(stream_, std::make_unique<RgbToArgb>(&second)), 0);
    EXPECT_EQ(log_.setFormatsCalls, 1); // told the formats when added
    ASSERT_EQ(streamSetFileFormat(stream_, StreamFormat{media_.pictureKind}), 0);
    ASSERT_EQ(streamSetMemoryFormat(stream_, StreamFormat{media_.pictureKind, nullptr, this}), 0);
    EXPECT_EQ(log_.setFormatsCalls, 3);
    EXPECT_EQ(second.setFormatsCalls, 3);
    EXPECT_TRUE(stream_.translators->active);
    EXPECT_TRUE(stream_.translators->next->active);
    ASSERT_EQ(streamSetMemoryFormat(stream_, StreamFormat{media_.pictureKind}), 0);
    EXPECT_FALSE(stream_.translators->active);
    EXPECT_FALSE(stream_.translators->next->active);
}

TEST_F(TranslatedTransfer, TheFileFormatsSwapFlagReachesTheTranslator) {
    const std::vector<uint8_t> rgb = {1, 2, 3};
    store(rgb);
    openTranslated(true, true);
    ASSERT_EQ(
        streamSetFileFormat(stream_, StreamFormat{media_.pictureKind, nullptr, nullptr, true}), 0);
    std::vector<uint8_t> out(4);
    omfInt64 moved = 0;
    ASSERT_EQ(streamReadTranslated(stream_, 3, out.data(), 4, &moved), 0);
    EXPECT_EQ(out, (std::vector<uint8_t>{0xFF, 3, 2, 1}));
    EXPECT_EQ(log_.swaps, std::vector<bool>{true});
}

TEST_F(TranslatedTransfer, AChainRunsFromTheFileSideToTheMemorySide) {
    const auto rgb = pattern(30);
    openTranslated(false, true);
    ASSERT_EQ(streamAddTranslator(stream_, std::make_unique<AddOne>()), 0);
    auto memory = argbOf(rgb);
    for (auto& byte : memory)
        byte = uint8_t(byte + 1);
    omfInt64 moved = 0;
    ASSERT_EQ(streamWriteTranslated(stream_, 30, memory.data(), 40, &moved), 0);
    ASSERT_EQ(streamClose(stream_), 0);

    std::vector<uint8_t> stored(30);
    omfInt64 got = 0;
    ASSERT_EQ(open(kMediaOpenReadOnly), 0);
    ASSERT_EQ(streamRead(stream_, stored.data(), 30, &got), 0);
    EXPECT_EQ(stored, rgb);
    ASSERT_EQ(streamClose(stream_), 0);

    openTranslated(true, true);
    ASSERT_EQ(streamAddTranslator(stream_, std::make_unique<AddOne>()), 0);
    std::vector<uint8_t> out(40);
    ASSERT_EQ(streamReadTranslated(stream_, 30, out.data(), 40, &moved), 0);
    EXPECT_EQ(out, memory);
}

} // namespace
