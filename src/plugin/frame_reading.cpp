// LoadFrameTagList: one frame of the selected picture media read as 8-bit A, R, G, B and
// stored, fields woven, into the host's image.
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "class_state.h"
#include "dv_decoding.h"
#include "error_report.h"
#include "frame_weaving.h"
#include "omf/omf_codec_ids.h"
#include "omf/omf_media.h"
#include "omf/omf_session.h"
#include "omf_format.h"
#include "tarsel/system/image.h"

namespace omfplugin {

namespace {

// Bits per pixel of media whose alpha is kept.
constexpr int32_t kBitsWithAlpha = 32;
// Room for a codec ID with its terminating zero.
constexpr int kCodecIDSize = 64;

// Room for the decoder's messages of one read.
constexpr omfInt32 kDecoderTextSize = 256;

// What the decoder said during the last read of `media`; empty when nothing.
std::string DecoderMessages(omfMediaHdl_t media) {
    char text[kDecoderTextSize] = {};
    omfBool found = false;
    if (omfmGetDecodeWarning(media, text, kDecoderTextSize, &found) != 0 || !found) return {};
    return text;
}

// The field facts of the media; what cannot be read keeps FieldInfo's defaults.
FieldInfo ReadFieldInfo(omfMediaHdl_t media, omfObject_t pictureKind, omfInt32& layout) {
    FieldInfo fields;
    omfFormatEntry_t items[3] = {omfmFormatEntry(kOmfFrameLayout),
                                 omfmFormatEntry(kOmfFieldDominance), omfmFormatEntry(kOmfVFmtEnd)};
    if (omfmGetInfo(media, kMediaInfoVideoFormat, pictureKind, sizeof items, items) == 0) {
        layout = items[0].operand.int32;
        fields.DominanceCode = items[1].operand.int32;
        if (omfmGetFieldOrder(media, &fields.FieldOrder) != 0) fields.FieldOrder = 2;
        if (omfmGetSignalStandard(media, &fields.SignalStandard) != 0) fields.SignalStandard = 0;
    }
    omfFormatEntry_t lineMap[2] = {omfmFormatEntry(kOmfVideoLineMap), omfmFormatEntry(kOmfVFmtEnd)};
    if (omfmGetInfo(media, kMediaInfoVideoFormat, pictureKind, sizeof lineMap, lineMap) == 0) {
        fields.Line1 = lineMap[0].operand.lineMap[0];
        fields.Line2 = lineMap[0].operand.lineMap[1];
    }
    return fields;
}

} // namespace

omfErr_t OMFFormat::ReadFrameBytes(std::span<uint8_t> buffer, omfInt32& bytesRead) {
    bytesRead = 0;
    char codecID[kCodecIDSize] = {};
    omfmGetCodecID(m_SelectedMedia, sizeof codecID, codecID);
    if (std::strcmp(codecID, kOmfCodecTDVC) != 0) {
        return omfmReadChannelSamples(m_SelectedMedia, 1, omfInt32(buffer.size()), buffer.data(),
                                      &bytesRead);
    }
    // DV frames arrive compressed; the movie server decodes them into the same buffer.
    omfInt32 samples = 0, compressed = 0;
    if (omfErr_t failed = omfmReadMediaSamples(m_SelectedMedia, 1, omfInt32(buffer.size()),
                                               buffer.data(), &samples, &compressed)) {
        return failed;
    }
    if (samples != 1 || compressed <= 0) return 0;
    bytesRead = static_cast<omfInt32>(
        DecodeDVFrame(m_Server, this, m_StoredWidth, m_StoredHeight,
                      std::span<const uint8_t>(buffer.data(), std::size_t(compressed)), buffer));
    return 0;
}

bool OMFFormat::ReadSourceFrame(int32_t frame, int32_t source, Image*& image, TagList& tags) {
    tags.Set(IMG_PixelAspectX, PixelAspectX);
    tags.Set(IMG_PixelAspectY, PixelAspectY);
    if (Width == 0 || Height == 0 || !ImageFormat::LoadFrameTagList(frame, image, tags)) {
        return false;
    }
    ObjectLock toolkit(TheClass().ToolkitLock);
    if (!m_File || !m_SelectedMedia) return false;

    omfObject_t pictureKind = nullptr;
    omfErr_t error = 0;
    omfsFindDataKind(m_File, kOmfDataKindPicture, &pictureKind, &error);
    omfInt32 layout = m_FrameLayout;
    const FieldInfo fields = ReadFieldInfo(m_SelectedMedia, pictureKind, layout);

    if (omfErr_t failed = omfmSeekFrame(m_SelectedMedia, omfInt64(source) + 1)) {
        Report(failed);
        return false;
    }
    // Room for two fields of 4-byte pixels.
    const std::size_t size = std::size_t(m_StoredWidth) * 8 * std::size_t(m_StoredHeight);
    if (size == 0 || size > std::size_t(INT32_MAX)) return false;
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size]);
    if (!buffer) return false;
    omfInt32 bytesRead = 0;
    const omfErr_t failed = ReadFrameBytes(std::span(buffer.get(), size), bytesRead);
    const std::string said = DecoderMessages(m_SelectedMedia);
    if (failed != 0) {
        Report(failed, said);
        return false;
    }
    // Damaged data the decoder got through still gives its frame, with a word to the host.
    if (!said.empty()) ReportError(m_File, kOmfDecodeWarningError, said);
    if (bytesRead <= 0) return false;

    FrameGeometry geometry;
    geometry.Layout = layout;
    geometry.StoredWidth = m_StoredWidth;
    geometry.StoredHeight = m_StoredHeight;
    geometry.Sampled = m_SampledArea;
    geometry.Display = m_DisplayArea;
    geometry.KeepAlpha = BitsPerPixel == kBitsWithAlpha;
    // Only two fields have a placement, row shift or dominance to reverse: a full frame or a
    // single field is stored as the rows read.
    const FieldPlacement placement =
        layout == kOmfSeparateFields
            ? PlaceFields(fields, m_SampledArea, m_StoredHeight, m_DisplayArea)
            : FieldPlacement{};
    StoreFrame(buffer.get(), std::size_t(bytesRead), geometry, placement, *image);
    if (placement.Reverse) image->ReverseFieldDominance(true);
    return true;
}

bool OMFFormat::LoadFrameTagList(int32_t frame, Image*& image, TagList& tags) {
    if (!m_Session.Session) return false;
    if (m_SequenceMode) return LoadSequenceFrame(frame, image, tags);
    if (m_SelectedMedia) {
        ObjectLock toolkit(TheClass().ToolkitLock);
        if (OpenPictureMedia(m_SelectedMedia, false) != 0) return false;
    }
    return ReadSourceFrame(frame, frame, image, tags);
}

} // namespace omfplugin
