// The AVR codec hands each operation on media to the codec that does the
// work for the handle's resolution (TIFF for "AVR" names, Avid JFIF for
// "JFIF" names, CDCI for uncompressed), found by codec ID in the session's
// registry. For the call the handle carries that codec's definition, so
// that anything the codec asks of the handle reaches it; the AVR
// definition is restored afterwards.
#include "avr/avr_codec.h"
#include "avr/resolution_table.h"
#include "avr/variety.h"
#include "media/codec_support/codec_calls.h"
#include "media/codec_support/file_facts.h"
#include "media/codec_support/media_handle.h"
#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_registry.h"

#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace omf::codecs::avr {

namespace {

// Components of JFIF and uncompressed resolutions: 8-bit 4:2:2 in the
// file, 8-bit RGB in memory.
constexpr omfInt32 kComponentWidth = 8;
constexpr omfInt32 kSubsampling422 = 2;
constexpr char kMemoryLayout[] = "RGB";
constexpr omfUInt8 kMemorySizes[] = {8, 8, 8};

// The handle carries another codec's definition while it lives, and no
// variety: the AVR variety names a resolution, which the underlying codec
// is given as a record, not one of that codec's own varieties.
class DefinitionSwap {
  public:
    DefinitionSwap(omfMediaHdl_t media, const omfCodecDef_t& underlying)
        : media_(media), saved_(media->codec), savedVariety_(std::move(media->codecVariety)) {
        media_->codec = underlying;
        media_->codecVariety.reset();
    }
    ~DefinitionSwap() {
        media_->codec = saved_;
        media_->codecVariety = std::move(savedVariety_);
    }
    DefinitionSwap(const DefinitionSwap&) = delete;
    DefinitionSwap& operator=(const DefinitionSwap&) = delete;

  private:
    omfMediaHdl_t media_;
    omfCodecDef_t saved_;
    std::optional<std::string> savedVariety_;
};

omfErr_t varietyOf(omfHdl_t file, omfMediaHdl_t media, Variety* variety) {
    if (media == nullptr) OMF_RAISE(file, OM_ERR_BAD_MEDIA_HANDLE);
    std::string_view text = media->codecVariety ? std::string_view(*media->codecVariety) : "";
    if (omfErr_t status = parseVariety(text, variety)) OMF_RAISE(file, status);
    return 0;
}

omfErr_t underlyingCodec(omfHdl_t file, ResolutionKind kind, omfCodecDef_t* definition) {
    if (file == nullptr ||
        omfmLookupCodec(media::fileSession(file), underlyingCodecID(kind), definition)) {
        OMF_RAISE(file, OM_ERR_INVALID_CODEC);
    }
    return 0;
}

// Runs `slot` of `underlying` on the handle; the parameter block keeps the
// codec's answers and gets the AVR codec's persistent data back.
omfErr_t runUnderlying(const omfCodecDef_t& underlying, omfCodecOperationIndex_t slot,
                       omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    void* persistent = parms->persistent;
    omfErr_t status = 0;
    {
        DefinitionSwap swap(media, underlying);
        status = media::runOperation(underlying, slot, *parms, media, file);
    }
    parms->persistent = persistent;
    return status;
}

omfErr_t putList(const omfCodecDef_t& underlying, omfMediaHdl_t media, omfHdl_t file,
                 omfMediaInfoSelector_t selector, omfFormatEntry_t* list, size_t entries) {
    omfCodecParms_t parms{};
    parms.spc.info.selector = selector;
    parms.spc.info.mediaKind = media->pictureKind;
    parms.spc.info.size = omfInt32(entries * sizeof(omfFormatEntry_t));
    parms.spc.info.buffer = list;
    return runUnderlying(underlying, kCodecOpPutInfo, &parms, media, file);
}

// The component format of JFIF and uncompressed resolutions.
omfErr_t setComponents(const omfCodecDef_t& underlying, omfMediaHdl_t media, omfHdl_t file) {
    omfFormatEntry_t stored[3] = {};
    stored[0].opcode = kOmfCDCICompWidth;
    stored[0].operand.int32 = kComponentWidth;
    stored[1].opcode = kOmfCDCIHorizSubsampling;
    stored[1].operand.int32 = kSubsampling422;
    OMF_CHECK(file, putList(underlying, media, file, kMediaInfoVideoFormat, stored, 3));

    omfFormatEntry_t memory[4] = {};
    memory[0].opcode = kOmfPixelFormat;
    memory[0].operand.int32 = kOmfPixRGBA;
    memory[1].opcode = kOmfRGBCompLayout;
    std::memcpy(memory[1].operand.compLayout, kMemoryLayout, sizeof kMemoryLayout);
    memory[2].opcode = kOmfRGBCompSizes;
    std::memcpy(memory[2].operand.compSizes, kMemorySizes, sizeof kMemorySizes);
    OMF_CHECK(file, putList(underlying, media, file, kMediaInfoMemoryFormat, memory, 4));
    return 0;
}

bool written(omfMediaHdl_t media) {
    return media->openMode == kMediaCreated || media->openMode == kMediaOpenAppend;
}

} // namespace

omfErr_t delegateOperation(omfCodecOperationIndex_t slot, omfCodecParms_t* parms,
                           omfMediaHdl_t media, omfHdl_t file) {
    Variety variety;
    OMF_CHECK(file, varietyOf(file, media, &variety));
    omfCodecDef_t underlying{};
    OMF_CHECK(file, underlyingCodec(file, variety.kind, &underlying));
    OMF_CHECK(file, runUnderlying(underlying, slot, parms, media, file));
    return 0;
}

omfErr_t createAVR(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    Variety variety;
    OMF_CHECK(file, varietyOf(file, media, &variety));
    omfCodecDef_t underlying{};
    OMF_CHECK(file, underlyingCodec(file, variety.kind, &underlying));
    OMF_CHECK(file, runUnderlying(underlying, kCodecOpCreate, parms, media, file));
    if (variety.kind == ResolutionKind::tiff) return 0;
    if (omfErr_t status = setComponents(underlying, media, file)) {
        // The handle never reaches its caller: the codec's state goes now.
        omfCodecParms_t close{};
        runUnderlying(underlying, kCodecOpClose, &close, media, file);
        return propagate(file, status, __FILE__, __LINE__);
    }
    return 0;
}

omfErr_t closeAVR(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    Variety variety;
    OMF_CHECK(file, varietyOf(file, media, &variety));
    omfCodecDef_t underlying{};
    OMF_CHECK(file, underlyingCodec(file, variety.kind, &underlying));
    OMF_CHECK(file, runUnderlying(underlying, kCodecOpClose, parms, media, file));
    // The CDCI codec knows no resolutions; the descriptor gets the ID here.
    const Resolution* resolution = resolutionNamed(variety.name);
    if (variety.kind != ResolutionKind::uncompressed || resolution == nullptr || !written(media) ||
        media->descriptor == nullptr) {
        return 0;
    }
    const auto* data = static_cast<const AvrData*>(parms->persistent);
    if (data == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    OMF_CHECK(file, omfsWriteInt32(file, media->descriptor, data->resolutionID,
                                   resolution->resolutionID));
    return 0;
}

omfErr_t initDescriptorAVR(omfCodecParms_t* parms, omfMediaHdl_t, omfHdl_t file) {
    const char* text = parms->spc.initDescriptor.variety;
    Variety variety;
    if (omfErr_t status = parseVariety(text != nullptr ? text : "", &variety)) {
        OMF_RAISE(file, status);
    }
    omfCodecDef_t underlying{};
    OMF_CHECK(file, underlyingCodec(file, variety.kind, &underlying));
    // The underlying codec gets no variety: the resolution is not one of its own.
    omfCodecParms_t underlyingParms = *parms;
    underlyingParms.spc.initDescriptor.variety = nullptr;
    return media::runOperation(underlying, kCodecOpInitDescriptor, underlyingParms, nullptr, file);
}

} // namespace omf::codecs::avr
