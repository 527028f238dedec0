// Finds, for each JFIF resolution of the AVR codec, the scale of the Annex K quantisation
// tables whose frames come nearest the ratio the resolution's name gives, and prints the table
// that src/codecs/avr/jfif_table_scales.cpp holds.
//
// Method: the reference clip (reference_clip.h) is rendered at 720 x 486 (NTSC, 29.97 frames
// per second) and 720 x 576 (PAL, 25), prepared as the plug-in's saver prepares a rendered
// frame for the resolution (fields split, one-field half-width resolutions: columns averaged
// in pairs, centred, the first field's rows; black leading lines above), and written through the
// toolkit as AVR media of the resolution with its tables scaled by the percent tried. The ratio is
// the 8-bit 4:2:2 size of the stored pictures (width x stored rows x 2 bytes) over their compressed
// size, NTSC and PAL frames together. The ratio grows with the scale, so a bisection over whole
// percents finds the scale nearest the named ratio (on a log scale).
//
// Run: build/tools/jfif_calibration/calibrate_jfif_tables [scratch folder]
#include "reference_clip.h"

#include "avr/resolution_table.h"

#include "omf/omf_avid_codecs.h"
#include "omf/omf_media.h"
#include "omf/omf_session.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace {

using omf::codecs::avr::kResolutionCount;
using omf::codecs::avr::Resolution;

constexpr int kFramesPerStandard = 3;
constexpr int kRenderedWidth = 720;
constexpr int kSmallestScale = 1;
constexpr int kLargestScale = 2000;
constexpr std::string_view kJfifPrefix = "JFIF";

struct Standard {
    const char* name;
    omfRational_t rate;
    omfInt32 code;
    int renderedRows;
    bool is525;
};
constexpr Standard kStandards[] = {{"NTSC", {2997, 100}, kOmfAVRNTSC, 486, true},
                                   {"PAL", {25, 1}, kOmfAVRPAL, 576, false}};

// The ratio a JFIF name promises: the number before its ':'.
double namedRatio(std::string_view name) {
    return std::atof(std::string(name.substr(kJfifPrefix.size())).c_str());
}

// Moves each of the `images` images of `picture` (rows of `stride` bytes) down by `lines` rows,
// black above: the saver places the rendered frame below the resolution's leading lines.
void belowLeadingLines(std::vector<uint8_t>& picture, size_t stride, int images, int lines) {
    const size_t imageBytes = picture.size() / size_t(images);
    const size_t shift = size_t(lines) * stride;
    for (int image = 0; image < images; ++image) {
        uint8_t* start = picture.data() + size_t(image) * imageBytes;
        std::memmove(start + shift, start, imageBytes - shift);
        std::memset(start, 0, shift);
    }
}

// The frame the saver stores for `resolution` from a rendered frame of `rows`: the rendered
// frame for full frames, its even rows followed by its odd ones for two fields, and for the
// narrow one-field resolutions the first field's rows of the frame halved in width (averaged
// in pairs) and centred; each image below the leading lines.
std::vector<uint8_t> storedPicture(const omfAVRResolution_t& resolution, bool is525,
                                   const std::vector<uint8_t>& rendered, int rows) {
    const int lines = is525 ? resolution.leadingLines525 : resolution.leadingLines625;
    const size_t renderedStride = size_t(kRenderedWidth) * 3;
    if (resolution.width == kRenderedWidth && resolution.fields == 1) {
        std::vector<uint8_t> frame = rendered;
        belowLeadingLines(frame, renderedStride, 1, lines);
        return frame;
    }
    if (resolution.width == kRenderedWidth) {
        std::vector<uint8_t> fields(rendered.size());
        uint8_t* out = fields.data();
        for (int first = 0; first < 2; ++first) {
            for (int row = first; row < rows; row += 2, out += renderedStride)
                std::memcpy(out, &rendered[size_t(row) * renderedStride], renderedStride);
        }
        belowLeadingLines(fields, renderedStride, 2, lines);
        return fields;
    }
    const int width = resolution.width;
    const int offset = (kRenderedWidth / 2 - width) / 2;
    std::vector<uint8_t> stored(size_t(width) * size_t(rows / 2) * 3);
    uint8_t* out = stored.data();
    for (int row = 0; row < rows; row += 2) {
        for (int x = 0; x < width; ++x) {
            const uint8_t* pair = &rendered[size_t(row) * renderedStride + size_t(x + offset) * 6];
            for (int k = 0; k < 3; ++k)
                *out++ = uint8_t((pair[k] + pair[k + 3] + 1) / 2);
        }
    }
    belowLeadingLines(stored, size_t(width) * 3, 1, lines);
    return stored;
}

class Calibration {
  public:
    explicit Calibration(std::string folder) : m_Folder(std::move(folder)) {}

    bool start() {
        omfProductIdentification_t ident{};
        ident.companyName = "OMF toolkit";
        ident.productName = "JFIF table calibration";
        ident.productVersionString = "1";
        ident.platform = "Linux";
        if (omfsStartSession(&ident, &m_Session) != 0 || omfmInit(m_Session) != 0) return false;
        omfInt32 count = 0;
        const omfAvidCodecEntry_t* codecs = omfmAvidCodecs(&count);
        for (omfInt32 i = 0; i < count; ++i) {
            if (!codecs[i].needsDVDecoder && omfmAddCodec(m_Session, codecs[i].entry) != 0)
                return false;
        }
        for (const Standard& standard : kStandards) {
            for (int frame = 0; frame < kFramesPerStandard; ++frame)
                m_Rendered.push_back(
                    jfif_calibration::referenceFrame(kRenderedWidth, standard.renderedRows, frame));
        }
        return true;
    }

    ~Calibration() {
        if (m_Session) omfsFinishSession(m_Session);
    }

    // The ratio of `resolution`'s frames with the tables scaled by `percent`, of the standard
    // `only` names or of both when it is null; 0 on failure.
    double ratio(const Resolution& resolution, int percent, const char* only = nullptr) {
        omfAVRResolution_t record = omf::codecs::avr::makeRecord(resolution);
        omf::codecs::avr::putQuantTables(record, percent);
        double raw = 0, compressed = 0;
        size_t rendered = 0;
        for (const Standard& standard : kStandards) {
            if (only != nullptr && std::strcmp(only, standard.name) != 0) {
                rendered += kFramesPerStandard;
                continue;
            }
            const int rows = (standard.is525 ? record.height525 : record.height625) * record.fields;
            for (int frame = 0; frame < kFramesPerStandard; ++frame, ++rendered) {
                const std::vector<uint8_t> picture = storedPicture(
                    record, standard.is525, m_Rendered[rendered], standard.renderedRows);
                const omfInt32 bytes = frameBytes(record, standard, picture);
                if (bytes <= 0) return 0;
                compressed += bytes;
                raw += double(record.width) * rows * 2;
            }
        }
        return raw / compressed;
    }

  private:
    // The compressed size of `picture` written as one frame of `record` media.
    omfInt32 frameBytes(const omfAVRResolution_t& record, const Standard& standard,
                        const std::vector<uint8_t>& picture) {
        const std::string path = m_Folder + "/calibration.omf";
        omfHdl_t file = nullptr;
        if (omfsNewFile(path.c_str(), m_Session, kOmfRev1x, &file) != 0) return 0;
        omfObject_t master = nullptr, fileMob = nullptr;
        omfMediaHdl_t media = nullptr;
        omfInt32 size = 0;
        const std::string codec = std::string("AJPG:") + record.name + ":" + standard.name;
        if (omfmCreateMasterMob(file, "calibration", 11, &master) == 0 &&
            omfmCreateFileMob(file, "File Mob", standard.rate, codec.c_str(), &fileMob) == 0 &&
            omfmCreateAVRMedia(file, master, 1, fileMob, standard.rate, &record, standard.code,
                               &media) == 0) {
            omfFormatEntry_t memory[4] = {
                omfmFormatEntry(kOmfPixelFormat), omfmFormatEntry(kOmfRGBCompLayout),
                omfmFormatEntry(kOmfRGBCompSizes), omfmFormatEntry(kOmfVFmtEnd)};
            memory[0].operand.int32 = kOmfPixRGBA;
            std::memcpy(memory[1].operand.compLayout, "RGB", 3);
            std::memset(memory[2].operand.compSizes, 8, 3);
            omfObject_t kind = nullptr;
            omfErr_t kindError = 0;
            omfsFindDataKind(file, kOmfDataKindPicture, &kind, &kindError);
            omfFrameSizeInfo_t frame{kind, 1, 0};
            if (omfmSetMemoryFormat(media, memory) == 0 &&
                omfmWriteMediaSamples(media, 1, picture.data(), omfInt32(picture.size())) == 0 &&
                omfmGetInfo(media, kMediaInfoFrameSize, kind, sizeof frame, &frame) == 0)
                size = frame.frameSize;
            omfmCloseMedia(media);
        }
        omfsCloseOMFFile(file);
        std::filesystem::remove(path);
        return size;
    }

    std::string m_Folder;
    omfSessionHdl_t m_Session = nullptr;
    std::vector<std::vector<uint8_t>> m_Rendered;
};

// The whole percent whose ratio is nearest `target` on a log scale.
int nearestScale(Calibration& calibration, const Resolution& resolution, double target,
                 double* reached) {
    int low = kSmallestScale, high = kLargestScale;
    while (high - low > 1) {
        const int middle = (low + high) / 2;
        (calibration.ratio(resolution, middle) < target ? low : high) = middle;
    }
    const double lowRatio = calibration.ratio(resolution, low);
    const double highRatio = calibration.ratio(resolution, high);
    const bool takeLow =
        std::fabs(std::log(lowRatio / target)) <= std::fabs(std::log(highRatio / target));
    *reached = takeLow ? lowRatio : highRatio;
    return takeLow ? low : high;
}

} // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : std::filesystem::temp_directory_path().string();
    Calibration calibration(folder);
    if (!calibration.start()) {
        std::fprintf(stderr, "calibrate_jfif_tables: cannot start the toolkit\n");
        return 2;
    }
    std::printf("    // ID, percent: name, named ratio, ratio reached on the reference clip (NTSC, "
                "PAL)\n");
    for (omfInt32 number = 1; number <= kResolutionCount; ++number) {
        const Resolution& resolution = *omf::codecs::avr::resolutionNumber(number);
        const std::string_view name = resolution.name;
        if (!name.starts_with(kJfifPrefix)) continue;
        const double target = namedRatio(name);
        double reached = 0;
        const int percent = nearestScale(calibration, resolution, target, &reached);
        if (reached <= 0) {
            std::fprintf(stderr, "calibrate_jfif_tables: cannot write %s media\n", resolution.name);
            return 2;
        }
        std::printf("    {%d, %d}, // %s %.0f:1, %.2f:1 (%.2f, %.2f)\n", resolution.resolutionID,
                    percent, resolution.name, target, reached,
                    calibration.ratio(resolution, percent, kStandards[0].name),
                    calibration.ratio(resolution, percent, kStandards[1].name));
        std::fflush(stdout);
    }
    return 0;
}
