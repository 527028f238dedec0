// The codec stream: opening and closing, the cache (seen through the calls
// that reach the procedures), blocking and positions.
#include "stream_fixture.h"

#include <algorithm>
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

} // namespace
