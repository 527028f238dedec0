// The audio translator of a sound codec's stream. When the formats are set
// it works out both directions (file to memory for reads, memory to file for
// writes): a plain copy, a byte swap of whole samples, or a conversion.
#include "media/codec_support/translators.h"

#include "omf/omf_audio_format.h"
#include "omf/omf_error_codes.h"
#include "translate/audio_samples.h"

#include <bit>
#include <cstring>
#include <limits>
#include <optional>

namespace omf::media {

namespace {

constexpr int kLargestSampleBits = 32;

// One side's samples: what its list says, the other side's list filling the gaps.
struct AudioDescription {
    int bits = 0;
    omfRational_t rate{0, 0};
    omfInt32 format = kOmfTwosComplement;
    omfInt32 channels = 1;
};

struct ListItems {
    std::optional<int> bits;
    std::optional<omfRational_t> rate;
    std::optional<omfInt32> format, channels;
};

ListItems readList(const omfFormatEntry_t* list) {
    ListItems items;
    for (; list != nullptr && list->opcode != kOmfVFmtEnd; ++list) {
        switch (list->opcode) {
        case kOmfAudioSampleBits:
            items.bits = list->operand.int16;
            break;
        case kOmfAudioSampleRate:
            items.rate = list->operand.ratio;
            break;
        case kOmfAudioSampleFormat:
            items.format = list->operand.int32;
            break;
        case kOmfAudioFrameChannels:
            items.channels = list->operand.int32;
            break;
        default:
            break; // picture codes and unknown codes say nothing about sound
        }
    }
    return items;
}

void apply(const ListItems& items, AudioDescription& description) {
    if (items.bits) description.bits = *items.bits;
    if (items.rate) description.rate = *items.rate;
    if (items.format) description.format = *items.format;
    if (items.channels) description.channels = *items.channels;
}

AudioDescription describeAudio(const omfFormatEntry_t* own, const omfFormatEntry_t* other) {
    AudioDescription description;
    apply(readList(other), description);
    apply(readList(own), description);
    return description;
}

bool sameRate(omfRational_t a, omfRational_t b) {
    return int64_t(a.numerator) * b.denominator == int64_t(b.numerator) * a.denominator;
}

bool sameSamples(const AudioDescription& a, const AudioDescription& b) {
    return a.bits == b.bits && a.format == b.format && sameRate(a.rate, b.rate);
}

// Destination frames per source frame: `repeat` of each, or one of every
// `keepEvery`; OM_ERR_CODEC_RATE_MULTIPLE when neither rate is a whole
// multiple of the other.
omfErr_t rateFactors(omfRational_t source, omfRational_t destination, int64_t* repeat,
                     int64_t* keepEvery) {
    *repeat = *keepEvery = 1;
    if (sameRate(source, destination)) return 0;
    // destination / source = up / down
    const int64_t up = int64_t(destination.numerator) * source.denominator;
    const int64_t down = int64_t(source.numerator) * destination.denominator;
    if (up <= 0 || down <= 0) return OM_ERR_CODEC_RATE_MULTIPLE;
    if (up % down == 0) {
        *repeat = up / down;
    } else if (down % up == 0) {
        *keepEvery = down / up;
    } else {
        return OM_ERR_CODEC_RATE_MULTIPLE;
    }
    return 0;
}

enum class Mode { copy, swap, convert };

// One direction, worked out when the formats are set.
struct Direction {
    omfErr_t error = OM_ERR_FORMATS_NOT_SET;
    Mode mode = Mode::copy;
    int sampleBytes = 1; // copy and swap
    SampleLayout source, destination;
    size_t channels = 1;
    int64_t repeat = 1, keepEvery = 1;
};

bool wholeBytes(int bits) {
    return bits > 0 && bits % 8 == 0;
}

Direction planDirection(const AudioDescription& source, bool sourceBig,
                        const AudioDescription& destination, bool destinationBig, bool swap) {
    Direction direction;
    direction.error = 0;
    if (sameSamples(source, destination)) {
        if (!swap || source.bits == 8) {
            direction.mode = Mode::copy;
            return direction;
        }
        // Swapping moves whole samples of 2, 3 or 4 bytes.
        if (!wholeBytes(source.bits) || source.bits > kLargestSampleBits) {
            direction.error = OM_ERR_AUDIO_SAMPLE_SIZE;
            return direction;
        }
        direction.mode = Mode::swap;
        direction.sampleBytes = source.bits / 8;
        return direction;
    }
    direction.mode = Mode::convert;
    for (int bits : {source.bits, destination.bits}) {
        if (bits <= 0 || bits % 4 != 0) {
            direction.error = OM_ERR_CANNOT_TRANSLATE;
            return direction;
        }
        if (bits > kLargestSampleBits) {
            direction.error = OM_ERR_AUDIO_SAMPLE_SIZE;
            return direction;
        }
    }
    if (source.channels < 1 || destination.channels != source.channels) {
        direction.error = OM_ERR_CANNOT_TRANSLATE;
        return direction;
    }
    direction.error =
        rateFactors(source.rate, destination.rate, &direction.repeat, &direction.keepEvery);
    direction.source = {source.bits, sourceBig, source.format == kOmfOffsetBinary};
    direction.destination = {destination.bits, destinationBig,
                             destination.format == kOmfOffsetBinary};
    direction.channels = size_t(source.channels);
    return direction;
}

// Source frames in `bytes`, when they are a whole number.
bool wholeFrames(size_t bytes, int bits, size_t channels, size_t* frames) {
    const uint64_t frameBits = uint64_t(bits) * channels;
    const uint64_t totalBits = uint64_t(bytes) * 8;
    if (frameBits == 0 || totalBits % frameBits != 0) return false;
    *frames = size_t(totalBits / frameBits);
    return true;
}

class AudioTranslator final : public FormatTranslator {
  public:
    omfErr_t setFormats(const StreamFormat& memory, const StreamFormat& file,
                        bool* active) override {
        memory_ = describeAudio(memory.list, file.list);
        file_ = describeAudio(file.list, memory.list);
        constexpr bool hostBig = std::endian::native == std::endian::big;
        const bool fileBig = file.swap ? !hostBig : hostBig;
        reading_ = planDirection(file_, fileBig, memory_, hostBig, file.swap);
        writing_ = planDirection(memory_, hostBig, file_, fileBig, file.swap);
        if (active != nullptr) {
            *active = !sameSamples(memory_, file_) || (file.swap && file_.bits != 8);
        }
        return 0;
    }

    omfErr_t fileBytes(omfInt64 memoryBytes, omfInt64* fileBytes) override {
        // Memory frames come from file frames as the reading direction makes them.
        return countBytes(memoryBytes, memory_, file_, reading_.keepEvery, reading_.repeat,
                          fileBytes);
    }

    omfErr_t memoryBytes(omfInt64 fileBytes, omfInt64* memoryBytes) override {
        return countBytes(fileBytes, file_, memory_, reading_.repeat, reading_.keepEvery,
                          memoryBytes);
    }

    omfErr_t translate(bool reading, std::span<const uint8_t> in, std::span<uint8_t> out,
                       bool /*swap: taken with the formats*/, size_t* produced) override {
        const Direction& direction = reading ? reading_ : writing_;
        if (direction.error != 0) return direction.error;
        *produced = 0;
        switch (direction.mode) {
        case Mode::copy:
            if (out.size() < in.size()) return OM_ERR_SAMPLE_TOO_LARGE;
            std::memcpy(out.data(), in.data(), in.size());
            *produced = in.size();
            return 0;
        case Mode::swap:
            if (in.size() % size_t(direction.sampleBytes) != 0) return OM_ERR_PARTIAL_BYTE_TRANSFER;
            if (out.size() < in.size()) return OM_ERR_SAMPLE_TOO_LARGE;
            swapSamples(in, out.data(), direction.sampleBytes);
            *produced = in.size();
            return 0;
        case Mode::convert:
            return convert(direction, in, out, produced);
        }
        return OM_ERR_CANNOT_TRANSLATE;
    }

  private:
    static omfErr_t convert(const Direction& direction, std::span<const uint8_t> in,
                            std::span<uint8_t> out, size_t* produced) {
        if (reinterpret_cast<uintptr_t>(in.data()) % 4 != 0 ||
            reinterpret_cast<uintptr_t>(out.data()) % 4 != 0) {
            return OM_ERR_BUFFER_NOT_ALIGNED;
        }
        size_t frames = 0;
        if (!wholeFrames(in.size(), direction.source.bits, direction.channels, &frames)) {
            return OM_ERR_PARTIAL_BYTE_TRANSFER;
        }
        // Only whole groups of `keepEvery` frames are taken, as the byte counts say.
        const size_t kept = frames / size_t(direction.keepEvery);
        frames = kept * size_t(direction.keepEvery);
        const uint64_t outBits = uint64_t(kept) * uint64_t(direction.repeat) * direction.channels *
                                 uint64_t(direction.destination.bits);
        if (outBits % 8 != 0) return OM_ERR_PARTIAL_BYTE_TRANSFER;
        const size_t needed = size_t(outBits / 8);
        if (out.size() < needed) return OM_ERR_SAMPLE_TOO_LARGE;
        std::memset(out.data(), 0, needed);
        convertSamples(in.data(), direction.source, out.data(), direction.destination, frames,
                       direction.channels, direction.repeat, direction.keepEvery);
        *produced = needed;
        return 0;
    }

    // Bytes on the `to` side for `bytes` on the `from` side: whole frames of
    // `from`, times `repeat` or one in `keepEvery`.
    static omfErr_t countBytes(omfInt64 bytes, const AudioDescription& from,
                               const AudioDescription& to, int64_t repeat, int64_t keepEvery,
                               omfInt64* result) {
        if (result == nullptr || bytes < 0) return OM_ERR_CANNOT_TRANSLATE;
        const int64_t channels = from.channels > 0 ? from.channels : 1;
        if (from.bits <= 0 || to.bits <= 0 || from.bits > kLargestSampleBits ||
            to.bits > kLargestSampleBits) {
            return OM_ERR_AUDIO_SAMPLE_SIZE;
        }
        const __int128 frames = __int128(bytes) * 8 / (int64_t(from.bits) * channels);
        const __int128 toFrames = frames / keepEvery * repeat;
        const __int128 toBytes = toFrames * channels * to.bits / 8;
        if (toBytes > std::numeric_limits<omfInt64>::max()) return OM_ERR_INT64_OVERFLOW;
        *result = omfInt64(toBytes);
        return 0;
    }

    AudioDescription memory_, file_;
    Direction reading_, writing_;
};

} // namespace

std::unique_ptr<FormatTranslator> makeAudioTranslator() {
    return std::make_unique<AudioTranslator>();
}

} // namespace omf::media
