// Writes the seed inputs of the JPEG harness into a folder: JPEG media of
// whole images with their index, and Avid JPEG media of images without
// tables, the tables in a table stream, in both chroma layouts and with
// separated fields.
#include "omf_jpeg_input.h"

#include "avid_jpeg/table_stream.h"
#include "jpeg/jpeg_layer.h"
#include "media/codec_support/codec_stream.h"
#include "media/internal/media_records.h"
#include "omf/omf_error_codes.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 24;
constexpr int kHeight = 16;

std::vector<uint8_t> picture(int seed) {
    std::vector<uint8_t> rgb(size_t(kWidth) * kHeight * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = uint8_t(i * 3 + size_t(seed) * 40 + i / 72);
    return rgb;
}

// Compresses images back to back into an in-memory stream of a scratch
// OMF file and answers their bytes with the offset of every image's end.
std::vector<uint8_t> compressImages(int images, bool withTables, int subsampling,
                                    std::vector<omfInt32>& index) {
    omfProductIdentification_t ident{};
    ident.companyName = "fuzz";
    ident.productName = "seeds";
    omfSessionHdl_t session = nullptr;
    omfHdl_t file = nullptr;
    omfObject_t data = nullptr;
    std::vector<uint8_t> bytes;
    const std::string scratch = "/tmp/omf-jpeg-seed-scratch.omf";
    if (omfsStartSession(&ident, &session) != 0 || omfmInit(session) != 0 ||
        omfsNewFile(scratch.c_str(), session, kOmfRev2x, &file) != 0 ||
        omfsObjectNew(file, "IDAT", &data) != 0)
        return bytes;
    omfMediaRec media;
    media.file = file;
    media.dataFile = file;
    media.openMode = kMediaCreated;
    omfsWriteDataBytes(file, data, kOmfProperty_IDAT_ImageData, kOmfType_DataValue, 0, 0, "");
    omf::media::streamOpen(media.stream, &media, data, kOmfProperty_IDAT_ImageData,
                           kOmfType_DataValue);
    omf::codecs::jpeg::JpegLayer layer(omf::codecs::jpeg::MessageFamily::jpeg);
    omf::codecs::jpeg::CompressOptions options;
    options.writeTables = withTables;
    options.horizontalSubsampling = subsampling;
    index = {0};
    for (int i = 0; i < images; ++i) {
        std::vector<uint8_t> rgb = picture(i);
        omf::codecs::jpeg::ImageRows rows{rgb.data(), size_t(kWidth) * 3, kWidth, kHeight,
                                          omf::codecs::jpeg::PixelOrder::rgb};
        layer.compress(file, media.stream, options, rows);
        omfInt64 position = 0;
        omf::media::streamPosition(media.stream, &position);
        index.push_back(omfInt32(position));
    }
    omfInt64 length = 0;
    omf::media::streamLength(media.stream, &length);
    bytes.resize(size_t(length));
    omf::media::streamSeek(media.stream, 0);
    omfInt64 got = 0;
    omf::media::streamRead(media.stream, bytes.data(), length, &got);
    omf::media::streamClose(media.stream);
    omfsCloseOMFFile(file);
    omfsFinishSession(session);
    std::remove(scratch.c_str());
    return bytes;
}

void writeSeed(const std::string& folder, const std::string& name, bool avid, int subsampling,
               int layout) {
    const int images = layout == kOmfSeparateFields ? 4 : 2;
    std::vector<omfInt32> ends;
    std::vector<uint8_t> image = compressImages(images, !avid, subsampling, ends);
    // Separated fields: one frame is two images, so every other end starts a frame.
    std::vector<omfInt32> index;
    for (size_t i = 0; i < ends.size(); i += (layout == kOmfSeparateFields ? 2 : 1))
        index.push_back(ends[i]);
    std::vector<uint8_t> tables =
        avid ? omf::codecs::avid_jpeg::buildTableStream(omf::codecs::jpeg::annexKTables())
             : std::vector<uint8_t>{};
    const int height = layout == kOmfSeparateFields ? kHeight : kHeight;
    std::vector<uint8_t> input = {
        uint8_t((avid ? fuzz::kAvidJpegMedia : 0) | (subsampling == 1 ? fuzz::kFullChroma : 0)),
        uint8_t(kWidth - 8),
        uint8_t(height - 8),
        uint8_t(layout - 1),
        uint8_t(index.size()),
        uint8_t(tables.size() >> 8),
        uint8_t(tables.size() & 0xFF)};
    input.insert(input.end(), tables.begin(), tables.end());
    for (omfInt32 entry : index) {
        for (int b = 0; b < 4; ++b)
            input.push_back(uint8_t(uint32_t(entry) >> (8 * b)));
    }
    input.insert(input.end(), image.begin(), image.end());
    std::ofstream(folder + "/" + name, std::ios::binary)
        .write(reinterpret_cast<const char*>(input.data()), std::streamsize(input.size()));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_omf_jpeg_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    writeSeed(folder, "jpeg-422-frames", false, 2, kOmfFullFrame);
    writeSeed(folder, "jpeg-444-frames", false, 1, kOmfFullFrame);
    writeSeed(folder, "avid-422-frames", true, 2, kOmfFullFrame);
    writeSeed(folder, "avid-422-fields", true, 2, kOmfSeparateFields);
    return 0;
}
