// Picture media of the uncompressed, JPEG and TIFF codecs: descriptors and image data as the
// property table and the codecs' stored forms describe them.
#include "corpus.h"
#include "mob_writer.h"

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

namespace corpus {
namespace {

constexpr int32_t kFullFrame = 1;         // FrameLayout of one picture per frame
constexpr int32_t kTiffFullFrameCode = 1; // the TIFF frame layout tag's code for it

// The descriptor properties of every digital image: size, layout, line map, aspect.
void imageDescription(MobWriter& writer, CMObject descriptor, const PictureMedia& media) {
    CorpusFile& file = writer.file();
    file.int32(descriptor, "DIDD:StoredWidth", writer.int32Type(), media.width);
    file.int32(descriptor, "DIDD:StoredHeight", writer.int32Type(), media.storedHeight);
    file.int32(descriptor, "DIDD:FrameLayout", "LayoutType", media.layout);
    file.int32Array(descriptor, "DIDD:VideoLineMap", "Int32Array",
                    media.layout == kFullFrame ? std::vector<int32_t>{0, 0}
                                               : std::vector<int32_t>{20, 283});
    file.rational(descriptor, "DIDD:ImageAspectRatio", "Rational", {4, 3});
}

// Component video's sampling: 8-bit components, chroma halved across.
void componentDescription(MobWriter& writer, CMObject descriptor) {
    writer.file().int32(descriptor, "CDCI:ComponentWidth", writer.int32Type(), 8);
    writer.file().int32(descriptor, "CDCI:HorizontalSubsampling", writer.uint32Type(), 2);
}

// The master mob and the file mob of `media`, the file mob described by `descriptor`.
void pictureMobs(MobWriter& writer, const PictureMedia& media, CMObject descriptor) {
    const auto frames = int32_t(media.stored.size());
    CMObject fileClip = writer.sourceClip(DataKind::Picture, media.rate, frames, MobID{}, 0, 0);
    writer.mob(MobKind::File, media.name + " file", media.fileMob, DataKind::Picture,
               {{1, media.rate, fileClip}}, frames, descriptor);
    CMObject masterClip =
        writer.sourceClip(DataKind::Picture, media.rate, frames, media.fileMob, 1, 0);
    writer.mob(MobKind::Master, media.name, media.master, DataKind::Picture,
               {{1, media.rate, masterClip}}, frames);
}

Bytes joined(const std::vector<Bytes>& frames) {
    Bytes all;
    for (const Bytes& frame : frames)
        all.insert(all.end(), frame.begin(), frame.end());
    return all;
}

// Studio-range Y'CbCr 4:2:2 of an RGB picture, each pair stored as Cb, Y0, Cr, Y1.
Bytes componentPicture(const Bytes& rgb) {
    Bytes stored;
    auto luma = [](const uint8_t* p) {
        return uint8_t(16 + (65.738 * p[0] + 129.057 * p[1] + 25.064 * p[2]) / 256 + 0.5);
    };
    for (size_t at = 0; at + 6 <= rgb.size(); at += 6) {
        const uint8_t* first = &rgb[at];
        const uint8_t* second = &rgb[at + 3];
        const double r = (first[0] + second[0]) / 2.0, g = (first[1] + second[1]) / 2.0,
                     b = (first[2] + second[2]) / 2.0;
        stored.push_back(uint8_t(128 + (-37.945 * r - 74.494 * g + 112.439 * b) / 256 + 0.5));
        stored.push_back(luma(first));
        stored.push_back(uint8_t(128 + (112.439 * r - 94.154 * g - 18.285 * b) / 256 + 0.5));
        stored.push_back(luma(second));
    }
    return stored;
}

Bytes jpegImage(const Bytes& rgb, int32_t width, int32_t height) {
    jpeg_compress_struct compress{};
    jpeg_error_mgr errors{};
    compress.err = jpeg_std_error(&errors);
    jpeg_create_compress(&compress);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&compress, &out, &size);
    compress.image_width = JDIMENSION(width);
    compress.image_height = JDIMENSION(height);
    compress.input_components = 3;
    compress.in_color_space = JCS_RGB;
    jpeg_set_defaults(&compress);
    jpeg_set_quality(&compress, 90, TRUE);
    jpeg_start_compress(&compress, TRUE);
    for (int32_t row = 0; row < height; ++row) {
        JSAMPROW line = const_cast<JSAMPROW>(&rgb[size_t(row) * size_t(width) * 3]);
        jpeg_write_scanlines(&compress, &line, 1);
    }
    jpeg_finish_compress(&compress);
    Bytes image(out, out + size);
    jpeg_destroy_compress(&compress);
    std::free(out);
    return image;
}

void prepare(PictureMedia* media, int32_t width, int32_t height, int frames) {
    media->width = width;
    media->storedHeight = height;
    media->layout = kFullFrame;
    media->rate = {25, 1};
    for (int frame = 0; frame < frames; ++frame)
        media->rgb.push_back(TestPicture(width, height, frame));
}

} // namespace

Bytes TestPicture(int32_t width, int32_t height, int32_t frame) {
    Bytes rgb;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            rgb.push_back(uint8_t(x * 255 / (width - 1)));
            rgb.push_back(uint8_t(y * 255 / (height - 1)));
            rgb.push_back(uint8_t(64 + 50 * frame));
        }
    }
    return rgb;
}

bool WriteCdciMedia(MobWriter& writer, PictureMedia* media) {
    prepare(media, 64, 48, 3);
    media->codecID = "CDCI";
    for (const Bytes& rgb : media->rgb)
        media->stored.push_back(componentPicture(rgb));
    CMObject descriptor = writer.fileDescriptor("CDCI", media->rate, 3, true);
    imageDescription(writer, descriptor, *media);
    componentDescription(writer, descriptor);
    CMObject data = writer.mediaData("IDAT", media->fileMob);
    writer.file().bytes(data, "IDAT:ImageData", "DataValue", joined(media->stored));
    pictureMobs(writer, *media, descriptor);
    return writer.file().ok();
}

bool WriteRgbaMedia(MobWriter& writer, PictureMedia* media) {
    prepare(media, 64, 48, 3);
    media->codecID = "RGBA";
    media->stored = media->rgb;
    CMObject descriptor = writer.fileDescriptor("RGBA", media->rate, 3, true);
    imageDescription(writer, descriptor, *media);
    writer.file().compArray(descriptor, "RGBA:PixelLayout", "CompCodeArray", {'R', 'G', 'B'});
    writer.file().compArray(descriptor, "RGBA:PixelStructure", "CompSizeArray", {8, 8, 8});
    CMObject data = writer.mediaData("IDAT", media->fileMob);
    writer.file().bytes(data, "IDAT:ImageData", "DataValue", joined(media->stored));
    pictureMobs(writer, *media, descriptor);
    return writer.file().ok();
}

bool WriteJpegMedia(MobWriter& writer, PictureMedia* media) {
    prepare(media, 64, 48, 3);
    media->codecID = "JPEG";
    // One image per frame, back to back; the index holds each frame's start and the end.
    std::vector<int32_t> index{0};
    for (const Bytes& rgb : media->rgb) {
        media->stored.push_back(jpegImage(rgb, media->width, media->storedHeight));
        index.push_back(index.back() + int32_t(media->stored.back().size()));
    }
    CMObject descriptor = writer.fileDescriptor("CDCI", media->rate, 3, true);
    imageDescription(writer, descriptor, *media);
    componentDescription(writer, descriptor);
    writer.file().string(descriptor, "DIDD:Compression", "String", "JPEG");
    CMObject data = writer.mediaData("JPEG", media->fileMob);
    writer.file().bytes(data, "IDAT:ImageData", "DataValue", joined(media->stored));
    writer.file().int32Array(data, "JPEG:FrameIndex", "Position32Array", index);
    pictureMobs(writer, *media, descriptor);
    return writer.file().ok();
}

bool WriteTiffMedia(MobWriter& writer, PictureMedia* media) {
    prepare(media, 64, 48, 3);
    media->codecID = "TIFF";
    media->stored = media->rgb;
    const auto frameBytes = uint32_t(media->rgb.front().size());
    const auto frames = uint32_t(media->rgb.size());
    // The image keeps the file's byte order; frames from byte 8, the directory after them.
    const bool big = writer.file().bigEndian();
    const uint32_t directoryAt = 8 + frames * frameBytes;
    constexpr uint16_t kEntries = 14;
    const uint32_t extraAt = directoryAt + 2 + kEntries * 12 + 4;
    enum : uint16_t { kShort = 3, kLong = 4, kRational = 5 };
    ByteSink directory(big), extra(big);
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        directory.u16(tag).u16(type).u32(count);
        if (type == kShort && count == 1) {
            directory.u16(uint16_t(value)).u16(0); // a short value sits in the first half
        } else {
            directory.u32(value);
        }
    };
    auto later = [&]() { return extraAt + uint32_t(extra.bytes().size()); };
    directory.u16(kEntries);
    entry(256, kLong, 1, uint32_t(media->width));
    entry(257, kLong, 1, uint32_t(media->storedHeight));
    entry(258, kShort, 3, later());
    extra.u16(8).u16(8).u16(8).u16(0);
    entry(259, kShort, 1, 1);
    entry(262, kShort, 1, 2); // RGB
    entry(273, kLong, 1, 8);
    entry(277, kShort, 1, 3);
    entry(278, kLong, 1, uint32_t(media->storedHeight));
    entry(279, kLong, 1, frameBytes);
    entry(282, kRational, 1, later());
    extra.u32(72).u32(1);
    entry(283, kRational, 1, later());
    extra.u32(72).u32(1);
    entry(296, kShort, 1, 2);
    entry(34434, kShort, 1, kTiffFullFrameCode);
    entry(34435, kRational, 1, later());
    extra.u32(uint32_t(media->rate.numerator)).u32(uint32_t(media->rate.denominator));
    directory.u32(0); // no further directory

    ByteSink image(big);
    image.text(big ? "MM" : "II").u16(42).u32(directoryAt);
    for (const Bytes& frame : media->rgb)
        image.raw(frame);
    image.raw(directory.bytes()).raw(extra.bytes());
    ByteSink summary(big);
    summary.text(big ? "MM" : "II").u16(42).u32(8).raw(directory.bytes());

    CorpusFile& file = writer.file();
    CMObject descriptor = writer.fileDescriptor("TIFD", media->rate, int32_t(frames), true);
    file.boolean(descriptor, "TIFD:IsUniform", true);
    file.boolean(descriptor, "TIFD:IsContiguous", true);
    file.bytes(descriptor, "TIFD:Summary", writer.mediaBytesType(), summary.bytes());
    CMObject data = writer.mediaData("TIFF", media->fileMob);
    file.bytes(data, file.is2x() ? "TIFF:ImageData" : "TIFF:Data", writer.mediaBytesType(),
               image.bytes());
    pictureMobs(writer, *media, descriptor);
    return file.ok();
}

// DV frames are written by dv_media.cpp; it shares the mob layout through this entry.
bool WriteDvDescribed(MobWriter& writer, PictureMedia* media, int32_t frameBytes) {
    CorpusFile& file = writer.file();
    CMObject descriptor =
        writer.fileDescriptor("CDCI", media->rate, int32_t(media->stored.size()), true);
    imageDescription(writer, descriptor, *media);
    componentDescription(writer, descriptor);
    file.string(descriptor, "DIDD:Compression", "String", "DV/C");
    file.int32(descriptor, "CDCI:FrameSampleSize", writer.int32Type(), frameBytes);
    CMObject data = writer.mediaData("TDVC", media->fileMob);
    file.bytes(data, "IDAT:ImageData", "DataValue", joined(media->stored));
    pictureMobs(writer, *media, descriptor);
    return file.ok();
}

} // namespace corpus
