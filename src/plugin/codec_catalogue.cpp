#include "codec_catalogue.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "omf/omf_codec_ids.h"
#include "omf/omf_media.h"
#include "omf/omf_session.h"

namespace omfplugin {

namespace {

// The plug-in's own first entry: 32-bit RGBA frames.
constexpr const char* kRGBACodecName = "RGBA Codec";

// The picture data kind without a file: the toolkit's fixed 1.x token for pictures, which
// codecs take as the picture kind of any session.
omfObject_t PictureKindToken() {
    return reinterpret_cast<omfObject_t>(intptr_t{1});
}

void CopyText(char (&to)[kCodecTextSize], const char* from) {
    std::memset(to, 0, sizeof to);
    std::memcpy(to, from, strnlen(from, sizeof to - 1));
}

// The codec at `index` (from 1) with its varieties, or null when it cannot be read.
CodecEntry* ReadCodec(omfSessionHdl_t session, omfInt32 index) {
    char id[kCodecTextSize] = {};
    char name[kCodecTextSize] = {};
    if (omfmNthCodecID(session, kOmfDataKindPicture, kOmfRev1x, index, id, sizeof id, name,
                       sizeof name) != 0) {
        return nullptr;
    }
    id[kCodecTextSize - 1] = name[kCodecTextSize - 1] = '\0';
    omfUInt32 capabilities = 0;
    if (omfmGetCodecCapabilities(session, id, &capabilities) != 0) return nullptr;
    omfInt32 varieties = 0;
    if (omfmCountCodecVarieties(session, id, PictureKindToken(), &varieties) != 0) return nullptr;

    auto* codec = new CodecEntry;
    CopyText(codec->ID, id);
    CopyText(codec->Name, name);
    codec->Capabilities = capabilities;
    for (omfInt32 v = 1; v <= varieties; ++v) {
        char variety[kCodecTextSize] = {};
        if (omfmNthCodecVariety(session, id, PictureKindToken(), v, variety, sizeof variety) != 0)
            continue;
        variety[kCodecTextSize - 1] = '\0';
        auto* record = new CodecEntry;
        CopyText(record->Name, variety);
        // A variety the codec cannot describe alone has the codec's capabilities.
        const std::string withVariety = std::string(id) + ":" + variety;
        if (omfmGetCodecCapabilities(session, withVariety.c_str(), &record->Capabilities) != 0)
            record->Capabilities = capabilities;
        codec->Varieties.AddTail(record);
    }
    return codec;
}

} // namespace

CodecEntry::CodecEntry() : Varieties(true, CodecEntryDisposer()) {}
CodecEntry::~CodecEntry() = default;

bool CodecEntry::TakesQuality(std::string_view variety) const {
    bool takes = TakesQuality();
    Varieties.ForEach([&](std::size_t, const List::Node& node) {
        const auto* record = static_cast<const CodecEntry*>(node.Item);
        if (std::string_view(record->Name) != variety) return true;
        takes = takes && record->TakesQuality();
        return false;
    });
    return takes;
}

List::Disposer CodecEntryDisposer() {
    return [](void* item, void*) { delete static_cast<CodecEntry*>(item); };
}

void BuildCodecCatalogue(omfSessionHdl_t session, List& catalogue) {
    auto* rgba = new CodecEntry;
    CopyText(rgba->ID, kOmfCodecRGBA);
    CopyText(rgba->Name, kRGBACodecName);
    catalogue.AddTail(rgba);

    omfInt32 count = 0;
    if (omfmCountCodecs(session, kOmfDataKindPicture, kOmfRev1x, &count) != 0) return;
    for (omfInt32 index = 1; index <= count; ++index) {
        if (CodecEntry* codec = ReadCodec(session, index)) catalogue.AddTail(codec);
    }
}

} // namespace omfplugin
