#include "sound_source.h"

#include <sndfile.h>

#include <filesystem>

namespace omftool {

namespace {

constexpr const char* kFileScheme = "file://";
constexpr int64_t kBlockFrames = 65536; // frames read from the file at a time

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Bits of a libsndfile PCM subtype; 0 for samples that are not integer PCM.
int bitsOf(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        return 8;
    case SF_FORMAT_PCM_16:
        return 16;
    case SF_FORMAT_PCM_24:
        return 24;
    case SF_FORMAT_PCM_32:
        return 32;
    default:
        return 0;
    }
}

} // namespace

std::string pathOfMediaURL(const std::string& url, const std::string& folder, std::string& why) {
    std::string path = url;
    if (url.rfind(kFileScheme, 0) == 0) {
        std::string rest = url.substr(std::string(kFileScheme).size());
        // file://host/path: only the local host is ours.
        if (!rest.empty() && rest[0] != '/') {
            const auto slash = rest.find('/');
            const std::string host = rest.substr(0, slash);
            if (host != "localhost") {
                why = "the URL " + url + " names another host";
                return {};
            }
            rest = slash == std::string::npos ? "/" : rest.substr(slash);
        }
        path.clear();
        for (std::size_t i = 0; i < rest.size(); ++i) {
            if (rest[i] == '%' && i + 2 < rest.size()) {
                const int high = hexDigit(rest[i + 1]), low = hexDigit(rest[i + 2]);
                if (high >= 0 && low >= 0) {
                    path += char(high * 16 + low);
                    i += 2;
                    continue;
                }
            }
            path += rest[i];
        }
    } else if (url.find("://") != std::string::npos) {
        why = "the URL " + url + " is not a file:// URL";
        return {};
    }
    if (path.empty()) {
        why = "an empty media URL";
        return {};
    }
    std::filesystem::path named(path);
    if (named.is_relative()) named = std::filesystem::path(folder) / named;
    return named.lexically_normal().string();
}

bool readSoundFormat(const std::string& path, SoundFileFormat& format, std::string& why) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        why = "cannot read " + path + " as a sound file: " + sf_strerror(nullptr);
        return false;
    }
    sf_close(file);
    format.channels = info.channels;
    format.sampleRate = info.samplerate;
    format.frames = info.frames;
    format.bits = bitsOf(info.format);
    format.aiff = (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_AIFF;
    // WAVE stores little-endian two's complement, and 8 bits unsigned, as memory takes them.
    format.bytesAsMemory = (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV &&
                           (info.format & SF_FORMAT_ENDMASK) != SF_ENDIAN_BIG &&
                           (info.format & SF_FORMAT_SUBMASK) != SF_FORMAT_PCM_S8 &&
                           info.channels == 1;
    if (format.bits == 0) {
        why = path + " holds samples that are not integer PCM (8, 16, 24 or 32 bits)";
        return false;
    }
    if (format.channels < 1 || format.sampleRate < 1) {
        why = path + " has no channels or no sample rate";
        return false;
    }
    return true;
}

SoundChannelReader::~SoundChannelReader() {
    if (file_ != nullptr) sf_close(static_cast<SNDFILE*>(file_));
}

bool SoundChannelReader::open(const std::string& path, std::string& why) {
    SF_INFO info{};
    file_ = sf_open(path.c_str(), SFM_READ, &info);
    if (file_ == nullptr) {
        why = "cannot read " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    channels_ = info.channels;
    return true;
}

bool SoundChannelReader::read(int channel, int64_t start, int64_t count,
                              std::vector<int32_t>& samples, std::string& why) {
    auto* file = static_cast<SNDFILE*>(file_);
    if (file == nullptr || channel < 0 || channel >= channels_) {
        why = "no channel " + std::to_string(channel + 1) + " to read";
        return false;
    }
    if (sf_seek(file, start, SEEK_SET) < 0) {
        why = std::string("cannot seek in the sound file: ") + sf_strerror(file);
        return false;
    }
    while (count > 0) {
        const int64_t block = std::min(count, kBlockFrames);
        frames_.resize(std::size_t(block * channels_));
        const sf_count_t got = sf_readf_int(file, frames_.data(), block);
        if (got != block) {
            why = "the sound file ends " + std::to_string(count - got) + " frames early";
            return false;
        }
        const std::size_t at = samples.size();
        samples.resize(at + std::size_t(block));
        const int32_t* from = frames_.data() + channel;
        for (int64_t i = 0; i < block; ++i, from += channels_)
            samples[at + std::size_t(i)] = *from;
        count -= block;
    }
    return true;
}

bool SoundChannelReader::readBytes(int64_t start, int64_t count, int frameBytes,
                                   std::vector<uint8_t>& bytes, std::string& why) {
    auto* file = static_cast<SNDFILE*>(file_);
    if (file == nullptr || sf_seek(file, start, SEEK_SET) < 0) {
        why = "cannot seek in the sound file";
        return false;
    }
    const std::size_t at = bytes.size();
    const auto wanted = sf_count_t(count * frameBytes);
    bytes.resize(at + std::size_t(wanted));
    if (sf_read_raw(file, bytes.data() + at, wanted) != wanted) {
        why = "the sound file ends early";
        return false;
    }
    return true;
}

namespace {

// The samples' top `Bytes` bytes, little-endian, `offset` added (8-bit samples are unsigned).
template <int Bytes>
void packAs(const std::vector<int32_t>& samples, int32_t offset, uint8_t* to) {
    constexpr int shift = 32 - 8 * Bytes;
    for (int32_t full : samples) {
        const auto sample = uint32_t((full >> shift) + offset);
        for (int b = 0; b < Bytes; ++b)
            *to++ = uint8_t(sample >> (8 * b));
    }
}

} // namespace

void packSamples(const std::vector<int32_t>& samples, int bits, std::vector<uint8_t>& bytes) {
    const int bytesPerSample = bits / 8;
    const std::size_t at = bytes.size();
    bytes.resize(at + samples.size() * std::size_t(bytesPerSample));
    uint8_t* to = bytes.data() + at;
    switch (bytesPerSample) {
    case 1:
        packAs<1>(samples, 128, to); // 8-bit samples are unsigned in memory, as in WAVE files
        break;
    case 2:
        packAs<2>(samples, 0, to);
        break;
    case 3:
        packAs<3>(samples, 0, to);
        break;
    default:
        packAs<4>(samples, 0, to);
        break;
    }
}

} // namespace omftool
