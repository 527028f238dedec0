// Reading and building WAVE headers (numbers little-endian).
#include "wave/wave_header.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"

#include <cmath>
#include <cstring>

namespace omf::codecs::wave {

namespace {

constexpr bool kBigEndian = false;
constexpr uint16_t kFormatPCM = 1;
constexpr uint32_t kFormatSize = 16;
constexpr omfInt32 kLargestUnsignedBits = 8;

// The rate rounded to the nearest whole number (0 without a denominator).
uint32_t wholeRate(omfRational_t rate) {
    if (rate.denominator == 0) return 0;
    const double value = std::round(double(rate.numerator) / double(rate.denominator));
    if (!(value >= 0) || value > 4294967295.0) return 0;
    return uint32_t(value);
}

} // namespace

bool offsetBinarySamples(omfInt32 sampleBits) {
    return sampleBits <= kLargestUnsignedBits;
}

omfErr_t readHeader(omfHdl_t file, audio::HeaderSource& source, bool wantDataStart,
                    audio::SoundHeader* header) {
    bool sawFormat = false, sawData = false;
    uint32_t dataSize = 0;
    audio::SoundHeader found;
    omfErr_t status = audio::walkChunks(
        source, kBigEndian, [&](const audio::Chunk& chunk, bool* done) -> omfErr_t {
            if (chunk.is("fmt ")) {
                uint8_t format[16];
                if (!source.readAt(chunk.body, format, sizeof format)) return OM_ERR_WAVE_READ;
                if (audio::loadUInt16(format, kBigEndian) != kFormatPCM) return OM_ERR_WAVE_READ;
                found.channels = audio::loadUInt16(format + 2, kBigEndian);
                const uint32_t rate = audio::loadUInt32(format + 4, kBigEndian);
                found.sampleRate = {rate <= 0x7FFFFFFF ? omfInt32(rate) : 0, 1};
                // bytes per second (8) and block align (12) are not trusted
                found.sampleBits = audio::loadUInt16(format + 14, kBigEndian);
                sawFormat = true;
            } else if (chunk.is("data")) {
                dataSize = chunk.size;
                found.dataStart = chunk.body;
                found.dataSizePosition = chunk.body - 4;
                sawData = true;
            }
            *done = sawFormat && sawData;
            return 0;
        });
    if (status != 0) OMF_RAISE(file, status);
    if (!sawFormat || !found.usable() || (wantDataStart && !sawData)) {
        OMF_RAISE(file, OM_ERR_WAVE_READ);
    }
    found.sampleFrames = sawData ? omfInt64(dataSize) / found.bytesPerFrame() : 0;
    *header = found;
    return 0;
}

std::array<uint8_t, kHeaderBytes> buildHeader(const audio::SoundHeader& header,
                                              omfInt64 dataBytes) {
    std::array<uint8_t, kHeaderBytes> bytes{};
    uint8_t* at = bytes.data();
    const uint32_t rate = wholeRate(header.sampleRate);
    const auto blockAlign = uint16_t(header.bytesPerFrame());
    std::memcpy(at, "RIFF", 4);
    audio::storeUInt32(at + 4, uint32_t(kHeaderBytes - 8 + uint64_t(dataBytes)), kBigEndian);
    std::memcpy(at + 8, "WAVEfmt ", 8);
    audio::storeUInt32(at + 16, kFormatSize, kBigEndian);
    audio::storeUInt16(at + 20, kFormatPCM, kBigEndian);
    audio::storeUInt16(at + 22, uint16_t(header.channels), kBigEndian);
    audio::storeUInt32(at + 24, rate, kBigEndian);
    audio::storeUInt32(at + 28, uint32_t(uint64_t(blockAlign) * rate), kBigEndian);
    audio::storeUInt16(at + 32, blockAlign, kBigEndian);
    audio::storeUInt16(at + 34, uint16_t(header.sampleBits), kBigEndian);
    std::memcpy(at + 36, "data", 4);
    audio::storeUInt32(at + kDataSizePosition, uint32_t(dataBytes), kBigEndian);
    return bytes;
}

} // namespace omf::codecs::wave
