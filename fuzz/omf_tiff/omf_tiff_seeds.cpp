// Writes the seeds of the TIFF harness: the TIFF images the codec writes
// (uncompressed and JPEG, of one and two fields, one with FP16QTables), each behind the harness's
// two header bytes.
#include "omf_tiff_input.h"

#include "media/internal/media_records.h"

#include "omf/omf_errors.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Seed {
    const char* name;
    bool jpeg;
    omfFrameLayout_t layout;
    bool fp16Tables;
};

constexpr omfInt32 kWidth = 16, kHeight = 8, kFrames = 3;

// The TIFF image of new media written through the codec.
omfErr_t writeImage(omfSessionHdl_t session, const std::string& path, const Seed& seed,
                    std::vector<uint8_t>* image) {
    std::remove(path.c_str());
    omfHdl_t file = nullptr;
    if (omfErr_t status = omfsNewFile(path.c_str(), session, kOmfRev2x, &file)) return status;
    omfObject_t master = nullptr, fileMob = nullptr;
    omfMediaHdl_t media = nullptr;
    omfErr_t status = omfmCreateMasterMob(file, "seed", 4, &master);
    if (status == 0) status = omfmCreateFileMob(file, "seed", {25, 1}, "TIFF", &fileMob);
    if (status == 0) {
        status = omfmCreateVideoMedia(file, master, 1, fileMob, 0, {25, 1}, kHeight, kWidth,
                                      seed.layout, {4, 3}, &media);
    }
    omfObject_t data = media != nullptr ? media->dataObject : nullptr;
    if (status == 0 && seed.jpeg) {
        omfFormatEntry_t list[2];
        std::memset(list, 0, sizeof list);
        list[0].opcode = kOmfIsCompressed;
        list[0].operand.byte = 1;
        status = omfmSetFileFormat(media, list);
    }
    const int fields = seed.layout == kOmfSeparateFields ? 2 : 1;
    std::vector<uint8_t> frame(size_t(kWidth * kHeight * fields * 3));
    for (omfInt32 i = 0; status == 0 && i < kFrames; ++i) {
        for (size_t b = 0; b < frame.size(); ++b)
            frame[b] = uint8_t(b * 3 + i * 40);
        status = omfmWriteMediaSamples(media, 1, frame.data(), omfInt32(frame.size()));
    }
    if (media != nullptr) {
        omfErr_t closed = omfmCloseMedia(media);
        if (status == 0) status = closed;
    }
    omfInt64 length = 0;
    if (status == 0) {
        status =
            omfsValueLength(file, data, kOmfProperty_TIFF_ImageData, kOmfType_DataValue, &length);
    }
    if (status == 0) {
        image->resize(size_t(length));
        omfInt32 read = 0;
        status = omfsReadDataBytes(file, data, kOmfProperty_TIFF_ImageData, kOmfType_DataValue, 0,
                                   omfInt32(length), image->data(), &read);
    }
    omfErr_t closed = omfsCloseOMFFile(file);
    std::remove(path.c_str());
    return status != 0 ? status : closed;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const Seed seeds[] = {
        {"tiff-rgb.bin", false, kOmfFullFrame, false},
        {"tiff-rgb-fields.bin", false, kOmfSeparateFields, false},
        {"tiff-jpeg.bin", true, kOmfFullFrame, false},
        {"tiff-jpeg-fields.bin", true, kOmfSeparateFields, false},
        {"tiff-jpeg-fp16.bin", true, kOmfFullFrame, true},
    };
    omfProductIdentification_t ident{};
    ident.companyName = "seeds";
    ident.productName = "seeds";
    omfSessionHdl_t session = nullptr;
    if (omfsStartSession(&ident, &session) != 0 || omfmInit(session) != 0) return 1;
    int result = 0;
    for (const Seed& seed : seeds) {
        std::vector<uint8_t> image;
        if (omfErr_t status =
                writeImage(session, std::string(argv[1]) + "/seed.omf", seed, &image)) {
            std::fprintf(stderr, "%s: OMF error %d\n", seed.name, int(status));
            result = 1;
            continue;
        }
        std::vector<uint8_t> input = {uint8_t(seed.fp16Tables ? fuzz::kWithFp16Tables : 0),
                                      uint8_t(kFrames)};
        if (seed.fp16Tables) {
            // Luminance and chrominance steps of 2, little-endian as the image.
            for (size_t i = 0; i < fuzz::kFp16TablesBytes; i += 2)
                input.insert(input.end(), {2, 0});
        }
        input.insert(input.end(), image.begin(), image.end());
        std::ofstream(std::string(argv[1]) + "/" + seed.name, std::ios::binary)
            .write(reinterpret_cast<const char*>(input.data()), std::streamsize(input.size()));
    }
    omfsFinishSession(session);
    return result;
}
