// Reading and building AIFC headers (numbers big-endian).
#include "aifc/aifc_header.h"

#include "audio/extended_rate.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"

#include <cstring>

namespace omf::codecs::aifc {

namespace {

constexpr bool kBigEndian = true;
constexpr uint32_t kCommonSize = 38;
constexpr char kCompressionName[] = "Not Compressed";

} // namespace

omfErr_t readHeader(omfHdl_t file, audio::HeaderSource& source, bool wantDataStart,
                    audio::SoundHeader* header) {
    bool sawCommon = false, sawSound = false;
    audio::SoundHeader found;
    omfErr_t status = audio::walkChunks(
        source, kBigEndian, [&](const audio::Chunk& chunk, bool* done) -> omfErr_t {
            if (chunk.is("COMM")) {
                uint8_t common[18];
                if (!source.readAt(chunk.body, common, sizeof common)) return OM_ERR_AIFC_READ;
                found.channels = omfInt16(audio::loadUInt16(common, kBigEndian));
                found.sampleFrames = audio::loadUInt32(common + 2, kBigEndian);
                found.sampleBits = omfInt16(audio::loadUInt16(common + 6, kBigEndian));
                found.sampleRate = audio::rateFromDouble(audio::extendedToDouble(common + 8));
                found.frameCountPosition = chunk.body + 2;
                sawCommon = true;
            } else if (chunk.is("SSND")) {
                found.dataSizePosition = chunk.body - 4;
                if (wantDataStart) {
                    uint8_t sound[8];
                    if (!source.readAt(chunk.body, sound, sizeof sound)) return OM_ERR_AIFC_READ;
                    uint32_t offset = audio::loadUInt32(sound, kBigEndian);
                    if (offset > kLargestSoundOffset) offset = 0;
                    found.dataStart = chunk.body + 8 + offset;
                }
                sawSound = true;
            }
            *done = sawCommon && sawSound;
            return 0;
        });
    if (status != 0) OMF_RAISE(file, status);
    if (!sawCommon || !found.usable() || (wantDataStart && !sawSound)) {
        OMF_RAISE(file, OM_ERR_AIFC_READ);
    }
    *header = found;
    return 0;
}

std::array<uint8_t, kHeaderBytes> buildHeader(const audio::SoundHeader& header,
                                              omfInt64 dataBytes) {
    std::array<uint8_t, kHeaderBytes> bytes{};
    uint8_t* at = bytes.data();
    std::memcpy(at, "FORM", 4);
    audio::storeUInt32(at + 4, uint32_t(kHeaderBytes - 8 + uint64_t(dataBytes)), kBigEndian);
    std::memcpy(at + 8, "AIFCCOMM", 8);
    audio::storeUInt32(at + 16, kCommonSize, kBigEndian);
    audio::storeUInt16(at + 20, uint16_t(header.channels), kBigEndian);
    audio::storeUInt32(at + kFrameCountPosition, uint32_t(header.sampleFrames), kBigEndian);
    audio::storeUInt16(at + 26, uint16_t(header.sampleBits), kBigEndian);
    audio::doubleToExtended(audio::rateToDouble(header.sampleRate), at + 28);
    std::memcpy(at + 38, "NONE", 4);
    at[42] = uint8_t(sizeof kCompressionName - 1);
    std::memcpy(at + 43, kCompressionName, sizeof kCompressionName - 1);
    at[57] = 0; // pads the odd-length name
    std::memcpy(at + 58, "SSND", 4);
    audio::storeUInt32(at + kSoundSizePosition, uint32_t(8 + uint64_t(dataBytes)), kBigEndian);
    // offset and block size stay 0
    return bytes;
}

} // namespace omf::codecs::aifc
