// SaveHeader: a new OMF file with one master mob named after it, a file mob "File Mob" for the
// chosen codec, and picture media of the template's size (or of the chosen Avid resolution).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "class_state.h"
#include "omf/omf_avid_codecs.h"
#include "omf/omf_codec_ids.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_media.h"
#include "omf/omf_session.h"
#include "omf_format.h"
#include "tarsel/system/image.h"

namespace omfplugin {

namespace {

constexpr const char* kFileMobName = "File Mob";
// Bits per pixel of frames with and without alpha.
constexpr omfInt16 kBitsRGB = 24;
constexpr omfInt16 kBitsARGB = 32;
// Lengths of one 8-bit quantisation table and of the two chrominance tables.
constexpr std::size_t kLumaTableBytes = kQuantTableEntries;
constexpr std::size_t kChromaTablesBytes = 2 * kQuantTableEntries;

bool IsCodec(const char* codecText, const char* id) {
    return std::strncmp(codecText, id, std::strlen(id)) == 0;
}

// The file name without its folder and extension.
std::string MobNameFor(const std::string& path) {
    std::string name = path.substr(path.find_last_of("/\\") + 1);
    if (const std::size_t dot = name.find_last_of('.'); dot != std::string::npos && dot > 0)
        name.resize(dot);
    return name;
}

// One component's tables as the codec holds them; the copies are freed with the record.
struct CodecTables {
    omfJPEGTables_t Record{};
    ~CodecTables() {
        std::free(Record.quantTable);
        std::free(Record.acTable);
        std::free(Record.dcTable);
    }
};

} // namespace

omfErr_t OMFFormat::PutQualityTables() {
    // The media was just created, so the codec still holds the built-in tables.
    CodecTables builtIn[2];
    for (omfUInt32 component = 0; component < 2; ++component) {
        builtIn[component].Record.component = component;
        const omfErr_t status = omfmGetInfo(m_Media, kMediaInfoJPEGTables, nullptr,
                                            sizeof(omfJPEGTables_t), &builtIn[component].Record);
        // A codec without quantisation tables (uncompressed media) takes none.
        if (status == OM_ERR_INVALID_CODEC_OPERATION) return 0;
        if (status != 0) return status;
        if (builtIn[component].Record.quantLength != omfInt16(kQuantTableEntries)) return 0;
    }
    m_Save.LumaTable.reset(new (std::nothrow) uint8_t[kLumaTableBytes]);
    m_Save.ChromaTables.reset(new (std::nothrow) uint8_t[kChromaTablesBytes]);
    if (!m_Save.LumaTable || !m_Save.ChromaTables) return 0;

    const int scale = QualityScale(m_Save.Quality);
    const std::span<const uint8_t, kQuantTableEntries> luma(builtIn[0].Record.quantTable,
                                                            kQuantTableEntries);
    const std::span<const uint8_t, kQuantTableEntries> chroma(builtIn[1].Record.quantTable,
                                                              kQuantTableEntries);
    ScaleQuantTable(
        luma, scale,
        std::span<uint8_t, kQuantTableEntries>(m_Save.LumaTable.get(), kQuantTableEntries));
    // Both chrominance components start from the built-in chrominance table.
    for (int half = 0; half < 2; ++half) {
        ScaleQuantTable(chroma, scale,
                        std::span<uint8_t, kQuantTableEntries>(m_Save.ChromaTables.get() +
                                                                   half * kQuantTableEntries,
                                                               kQuantTableEntries));
    }
    uint8_t* scaled[2] = {m_Save.LumaTable.get(), m_Save.ChromaTables.get()};
    for (omfUInt32 component = 0; component < 2; ++component) {
        omfJPEGTables_t tables = builtIn[component].Record;
        tables.quantTable = scaled[component];
        tables.quantLength = omfInt16(kQuantTableEntries);
        if (omfErr_t status = omfmPutJPEGTables(m_Media, sizeof tables, &tables)) return status;
    }
    return 0;
}

omfErr_t OMFFormat::CreateFrameSizedMedia(const Image& templateImage) {
    m_StoredWidth = templateImage.Width();
    m_StoredHeight = templateImage.Height();
    m_Save.Layout = kOmfFullFrame;
    m_Save.ReportedWidth = m_StoredWidth;
    m_Save.ReportedHeight = m_StoredHeight;
    if (omfErr_t status = omfmCreateVideoMedia(
            m_File, m_Save.MasterMob, m_Save.TrackID, m_Save.FileMob, 0, m_FrameRate,
            m_StoredHeight, m_StoredWidth, kOmfFullFrame, m_Save.DisplayAspect, &m_Media)) {
        m_Media = nullptr;
        return status;
    }
    // Frames arrive as 8-bit R, G, B (A, R, G, B for "RGBA"), rows from the top, whatever
    // the codec would take by default.
    const bool withAlpha = IsCodec(m_Save.CodecText, kOmfCodecRGBA);
    omfFormatEntry_t memory[5] = {omfmFormatEntry(kOmfFrameLayout),
                                  omfmFormatEntry(kOmfPixelFormat),
                                  omfmFormatEntry(kOmfRGBCompLayout),
                                  omfmFormatEntry(kOmfRGBCompSizes), omfmFormatEntry(kOmfVFmtEnd)};
    memory[0].operand.int32 = kOmfFullFrame;
    memory[1].operand.int32 = kOmfPixRGBA;
    std::memcpy(memory[2].operand.compLayout, withAlpha ? "ARGB" : "RGB", withAlpha ? 4 : 3);
    std::memset(memory[3].operand.compSizes, 8, withAlpha ? 4 : 3);
    if (!withAlpha) {
        m_Save.BitsPerPixel = kBitsRGB;
        if (omfErr_t status = omfmSetMemoryFormat(m_Media, memory)) return status;
        // Tables go only to a codec and variety that compress with them: a variety that
        // stores frames uncompressed ("TIFF:Uncompressed") fixes its compression and refuses
        // tables, rather than quietly dropping a quality it cannot apply.
        omfUInt32 capabilities = 0;
        if (omfErr_t status =
                omfmGetCodecCapabilities(m_Session.Session, m_Save.CodecText, &capabilities))
            return status;
        if ((capabilities & kOmfCodecTakesQuantTables) == 0) return 0;
        return PutQualityTables();
    }
    m_Save.BitsPerPixel = kBitsARGB;
    // The file keeps the alpha: A, R, G, B of 8 bits each.
    if (omfErr_t status = omfmSetFileFormat(m_Media, memory + 2)) return status;
    return omfmSetMemoryFormat(m_Media, memory);
}

omfErr_t OMFFormat::CreateResolutionMedia(const Image& templateImage, omfObject_t pictureKind) {
    const double rate = m_FrameRate.denominator > 0
                            ? double(m_FrameRate.numerator) / double(m_FrameRate.denominator)
                            : 0.0;
    const StandardChoice standard = ChooseSaveStandard(templateImage.Height(), rate);
    // The codec text keeps the resolution's standard after its variety.
    const std::size_t used = strnlen(m_Save.CodecText, kSaveTextSize - 1);
    std::snprintf(m_Save.CodecText + used, kSaveTextSize - used, ":%s", standard.Suffix);
    m_Save.Standard = standard.Standard;

    omfAVRResolution_t resolution;
    if (omfErr_t status = omfmAVRResolution(m_Save.VarietyName, &resolution)) return status;
    if (omfErr_t status =
            omfmCreateAVRMedia(m_File, m_Save.MasterMob, m_Save.TrackID, m_Save.FileMob,
                               m_FrameRate, &resolution, m_Save.Standard, &m_Media)) {
        m_Media = nullptr;
        return status;
    }
    omfFrameLayout_t layout = kOmfFullFrame;
    if (omfErr_t status =
            omfmGetVideoFormat(m_Media, &layout, &m_Save.ReportedWidth, &m_Save.ReportedHeight,
                               nullptr, &m_Save.BitsPerPixel, &m_Save.PixelFormat)) {
        return status;
    }
    m_Save.Layout = layout;
    m_StoredWidth = m_Save.ReportedWidth;
    m_StoredHeight = m_Save.ReportedHeight;
    const std::string_view variety = m_Save.VarietyName;
    if (variety.starts_with("Unc") || variety.starts_with("JFI")) m_Save.BitsPerPixel = kBitsRGB;
    m_Save.SeparateFields = layout == kOmfSeparateFields || layout == kOmfMixedFields;
    // Only media of two fields has a line map (the toolkit refuses one for other layouts).
    if (m_Save.SeparateFields) {
        const omfInt32 fieldOrder = m_Save.Standard == kSaveStandardNTSC ? 1 : 0;
        if (omfErr_t status = omfmPutLineMap(m_Media, 0, fieldOrder)) return status;
    }
    if (layout != kOmfFullFrame) {
        // The codec takes the field order code only together with the line map it belongs to:
        // both are written back as they stand.
        omfFormatEntry_t order[3] = {omfmFormatEntry(kOmfFieldDominance),
                                     omfmFormatEntry(kOmfVideoLineMap),
                                     omfmFormatEntry(kOmfVFmtEnd)};
        if (omfErr_t status =
                omfmGetInfo(m_Media, kMediaInfoVideoFormat, pictureKind, sizeof order, order)) {
            return status;
        }
        m_Save.FieldOrderCode = order[0].operand.int32;
        if (omfErr_t status = omfmSetFileFormat(m_Media, order)) return status;
    }
    if (m_Save.SeparateFields) m_StoredHeight = 2 * m_Save.ReportedHeight;
    return 0;
}

bool OMFFormat::SaveHeader(const TsStringT& path, Image* templateImage) {
    if (!m_Session.Session || !templateImage) return false;
    ObjectLock toolkit(TheClass().ToolkitLock);
    // A file saved before by this object is finished first.
    FinishSavedFile();
    CloseFile();
    m_FileName = path.ToANSI();
    if (omfErr_t failed = omfsNewFile(m_FileName.c_str(), m_Session.Session, kOmfRev1x, &m_File)) {
        m_File = nullptr;
        Report(failed);
        return false;
    }
    const std::string mobName = MobNameFor(m_FileName);
    if (omfErr_t failed = omfmCreateMasterMob(m_File, mobName.c_str(), omfInt32(mobName.size()),
                                              &m_Save.MasterMob)) {
        Report(failed);
        return false;
    }
    if (omfErr_t failed = omfmCreateFileMob(m_File, kFileMobName, m_FrameRate, m_Save.CodecText,
                                            &m_Save.FileMob)) {
        Report(failed);
        return false;
    }
    m_Save.DisplayAspect =
        ReduceDisplayAspect(templateImage->Width(), templateImage->Height(),
                            templateImage->PixelAspectX(), templateImage->PixelAspectY());
    m_Save.Standard = kSaveStandardNone;
    m_Save.SeparateFields = false;
    m_Save.FieldOrderCode = 0;
    m_Save.PixelFormat = kOmfPixRGBA;
    m_Save.TrackID = 1;

    omfObject_t pictureKind = nullptr;
    omfErr_t kindError = 0;
    omfsFindDataKind(m_File, kOmfDataKindPicture, &pictureKind, &kindError);
    const omfErr_t status = IsCodec(m_Save.CodecText, kOmfCodecAVR)
                                ? CreateResolutionMedia(*templateImage, pictureKind)
                                : CreateFrameSizedMedia(*templateImage);
    m_Save.FrameBytes = std::size_t(m_StoredWidth) * std::size_t(m_StoredHeight) *
                        std::size_t(m_Save.BitsPerPixel) / 8;
    if (status != 0) {
        Report(status);
        return false;
    }
    return true;
}

} // namespace omfplugin
