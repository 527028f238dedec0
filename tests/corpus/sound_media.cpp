// Sound media: whole AIFC and WAVE file images as media data, their headers as the
// descriptors' summaries.
#include "corpus.h"
#include "mob_writer.h"

namespace corpus {
namespace {

// A rate as the 80-bit extended number of an AIFC COMM chunk (whole rates only).
Bytes extendedRate(uint32_t rate) {
    int exponent = 31;
    while (exponent > 0 && (rate & (1u << exponent)) == 0)
        --exponent;
    ByteSink sink(true);
    sink.u16(uint16_t(16383 + exponent));
    const uint64_t mantissa = uint64_t(rate) << (63 - exponent);
    sink.u32(uint32_t(mantissa >> 32)).u32(uint32_t(mantissa));
    return sink.bytes();
}

// Interleaved test samples of the media's shape, as little-endian sample bytes.
void prepare(SoundMedia* media) {
    const int bytes = (media->bits + 7) / 8;
    media->samples.clear();
    for (int32_t frame = 0; frame < media->frames; ++frame) {
        for (int channel = 0; channel < media->channels; ++channel) {
            const int32_t range = 1 << (media->bits - 2);
            const int32_t value = (frame * 37 * (channel + 1)) % (2 * range) - range;
            for (int i = 0; i < bytes; ++i)
                media->samples.push_back(uint8_t(uint32_t(value) >> (8 * i)));
        }
    }
}

// The samples in big-endian order, as AIFC stores them.
Bytes bigEndianSamples(const SoundMedia& media) {
    Bytes swapped = media.samples;
    const size_t bytes = size_t(media.bits + 7) / 8;
    for (size_t at = 0; at + bytes <= swapped.size(); at += bytes) {
        for (size_t i = 0; i < bytes / 2; ++i)
            std::swap(swapped[at + i], swapped[at + bytes - 1 - i]);
    }
    return swapped;
}

Bytes aifcHeader(const SoundMedia& media) {
    const auto dataBytes = uint32_t(media.samples.size());
    ByteSink header(true);
    header.text("FORM").u32(4 + 8 + 38 + 8 + 8 + dataBytes).text("AIFC");
    header.text("COMM").u32(38).u16(uint16_t(media.channels)).u32(uint32_t(media.frames));
    header.u16(uint16_t(media.bits)).raw(extendedRate(uint32_t(media.rate.numerator)));
    header.text("NONE").u8(14).text("Not Compressed").u8(0);
    header.text("SSND").u32(8 + dataBytes).u32(0).u32(0);
    return header.bytes();
}

Bytes waveHeader(const SoundMedia& media) {
    const auto dataBytes = uint32_t(media.samples.size());
    const auto blockAlign = uint16_t(media.channels * ((media.bits + 7) / 8));
    ByteSink header(false);
    header.text("RIFF").u32(36 + dataBytes).text("WAVEfmt ").u32(16).u16(1);
    header.u16(uint16_t(media.channels)).u32(uint32_t(media.rate.numerator));
    header.u32(uint32_t(media.rate.numerator) * blockAlign).u16(blockAlign);
    header.u16(uint16_t(media.bits)).text("data").u32(dataBytes);
    return header.bytes();
}

void soundMobs(MobWriter& writer, const SoundMedia& media, std::string_view descriptorClass,
               std::string_view dataClass, const Bytes& header, const Bytes& image) {
    CorpusFile& file = writer.file();
    CMObject descriptor = writer.fileDescriptor(descriptorClass, media.rate, media.frames, true);
    file.bytes(descriptor, std::string(descriptorClass) + ":Summary", writer.mediaBytesType(),
               header);
    CMObject data = writer.mediaData(dataClass, media.fileMob);
    const std::string property = std::string(dataClass) + (file.is2x() ? ":AudioData" : ":Data");
    file.bytes(data, property, writer.mediaBytesType(), image);
    CMObject fileClip = writer.sourceClip(DataKind::Sound, media.rate, media.frames, MobID{}, 0, 0);
    writer.mob(MobKind::File, media.name + " file", media.fileMob, DataKind::Sound,
               {{1, media.rate, fileClip}}, media.frames, descriptor);
    CMObject masterClip =
        writer.sourceClip(DataKind::Sound, media.rate, media.frames, media.fileMob, 1, 0);
    writer.mob(MobKind::Master, media.name, media.master, DataKind::Sound,
               {{1, media.rate, masterClip}}, media.frames);
}

} // namespace

bool WriteAifcMedia(MobWriter& writer, SoundMedia* media) {
    media->codecID = "AIFC";
    prepare(media);
    const Bytes header = aifcHeader(*media);
    ByteSink image(true);
    image.raw(header).raw(bigEndianSamples(*media));
    if (image.bytes().size() % 2 != 0) image.u8(0); // chunks end on an even byte
    soundMobs(writer, *media, "AIFD", "AIFC", header, image.bytes());
    return writer.file().ok();
}

bool WriteWaveMedia(MobWriter& writer, SoundMedia* media) {
    media->codecID = "WAVE";
    prepare(media);
    const Bytes header = waveHeader(*media);
    ByteSink image(false);
    image.raw(header).raw(media->samples);
    soundMobs(writer, *media, "WAVD", "WAVE", header, image.bytes());
    return writer.file().ok();
}

} // namespace corpus
