// Finding and enumerating registered codecs.
#include "media/internal/codec_registry.h"
#include "media/internal/media_handles.h"
#include "omf/internal/error_flow.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_media.h"

#include <cstring>
#include <optional>
#include <string>

namespace omf::media {
namespace {

constexpr const char* kNoName = "<none supplied>";
constexpr const char* kStandardVariety = "Standard";

// Copies `text` into `buffer` (truncated, terminated, rest zeroed).
void copyText(const char* text, char* buffer, omfInt32 length) {
    if (buffer == nullptr || length <= 0) return;
    std::memset(buffer, 0, size_t(length));
    std::strncpy(buffer, text, size_t(length) - 1);
}

bool admits(const omfCodecDef_t& codec, const char* pattern, omfFileRev_t revision) {
    if (codec.dataKind == nullptr || std::strstr(codec.dataKind, pattern) == nullptr) return false;
    if (codec.minFileRevision > omfInt32(revision)) return false;
    return !codec.hasMaxFileRevision || omfInt32(revision) <= codec.maxFileRevision;
}

// Visits the codecs of the ID table in its iteration order until `visit`
// answers true.
template <typename Visit> omfErr_t forEachCodec(CodecRegistry& registry, Visit visit) {
    omfTableIterate_t iterator{};
    omfBool found = false;
    OMF_CHECK(nullptr, omfsTableFirstEntry(registry.byID.get(), &iterator, &found));
    while (found) {
        if (visit(*static_cast<omfCodecDef_t*>(iterator.value),
                  static_cast<const char*>(iterator.key))) {
            return 0;
        }
        OMF_CHECK(nullptr, omfsTableNextEntry(&iterator, &found));
    }
    return 0;
}

omfErr_t lookup(omfSessionHdl_t session, const char* codecID, omfCodecDef_t* definition) {
    void* value = nullptr;
    omfBool found = false;
    OMF_CHECK(nullptr,
              omfsTableLookupString(registryOf(session)->byID.get(), codecID, &value, &found));
    if (!found) OMF_RAISE(nullptr, OM_ERR_INVALID_CODEC);
    *definition = *static_cast<omfCodecDef_t*>(value);
    return 0;
}

} // namespace
} // namespace omf::media

using namespace omf;
using namespace omf::media;

extern "C" {

omfErr_t omfmLookupCodec(omfSessionHdl_t session, const char* codecID, omfCodecDef_t* definition) {
    if (omfErr_t status = checkMediaSession(session)) return status;
    if (codecID == nullptr || definition == nullptr) return OM_ERR_NULL_PARAM;
    return lookup(session, codecID, definition);
}

omfErr_t omfmGetCodecDescription(omfSessionHdl_t session, const omfCodecDef_t* definition,
                                 const char* variety, char* nameBuffer, omfInt32 nameLength) {
    if (omfErr_t status = checkMediaSession(session)) return status;
    if (definition == nullptr || definition->entry == nullptr) return OM_ERR_INVALID_CODEC;
    if (nameBuffer == nullptr) return OM_ERR_NULL_PARAM;
    return describeCodec(*definition, variety, nameBuffer, nameLength, nullptr);
}

omfErr_t omfmGetCodecCapabilities(omfSessionHdl_t session, const char* codecID,
                                  omfUInt32* capabilities) {
    if (omfErr_t status = checkMediaSession(session)) return status;
    if (codecID == nullptr || capabilities == nullptr) return OM_ERR_NULL_PARAM;
    std::string id;
    std::optional<std::string> variety;
    splitCodecID(codecID, &id, &variety);
    omfCodecDef_t definition{};
    if (omfErr_t status = lookup(session, id.c_str(), &definition)) return status;
    omfCodecMetaInfo_t info{};
    if (omfErr_t status =
            describeCodec(definition, variety ? variety->c_str() : nullptr, nullptr, 0, &info))
        return status;
    *capabilities = info.capabilities;
    return 0;
}

omfErr_t omfmCountCodecs(omfSessionHdl_t session, const char* dataKindPattern,
                         omfFileRev_t fileRevision, omfInt32* count) {
    if (omfErr_t status = checkMediaSession(session)) return status;
    if (dataKindPattern == nullptr || count == nullptr) return OM_ERR_NULL_PARAM;
    *count = 0;
    return forEachCodec(*registryOf(session), [&](const omfCodecDef_t& codec, const char*) {
        if (admits(codec, dataKindPattern, fileRevision)) ++*count;
        return false;
    });
}

omfErr_t omfmNthCodecID(omfSessionHdl_t session, const char* dataKindPattern,
                        omfFileRev_t fileRevision, omfInt32 index, char* idBuffer,
                        omfInt32 idLength, char* nameBuffer, omfInt32 nameLength) {
    if (omfErr_t status = checkMediaSession(session)) return status;
    if (dataKindPattern == nullptr || idBuffer == nullptr) return OM_ERR_NULL_PARAM;
    const omfCodecDef_t* nth = nullptr;
    const char* nthID = nullptr;
    omfInt32 seen = 0;
    OMF_CHECK(nullptr,
              forEachCodec(*registryOf(session), [&](const omfCodecDef_t& codec, const char* id) {
                  if (!admits(codec, dataKindPattern, fileRevision) || ++seen != index)
                      return false;
                  nth = &codec;
                  nthID = id;
                  return true;
              }));
    if (nth == nullptr) OMF_RAISE(nullptr, OM_ERR_INVALID_CODEC);
    copyText(nthID, idBuffer, idLength);
    if (nameBuffer != nullptr && nameLength > 0) {
        omfErr_t status = describeCodec(*nth, nullptr, nameBuffer, nameLength, nullptr);
        if (status != 0 || nameBuffer[0] == '\0') copyText(kNoName, nameBuffer, nameLength);
    }
    return 0;
}

omfErr_t omfmCountCodecVarieties(omfSessionHdl_t session, const char* codecID,
                                 omfObject_t mediaKind, omfInt32* count) {
    if (omfErr_t status = checkMediaSession(session)) return status;
    if (codecID == nullptr || count == nullptr) return OM_ERR_NULL_PARAM;
    *count = 0;
    omfCodecDef_t codec{};
    OMF_CHECK(nullptr, lookup(session, codecID, &codec));
    omfCodecParms_t parms{};
    parms.spc.varietyCount.mediaKind = mediaKind;
    omfErr_t status = runOperation(codec, kCodecOpVarietyCount, parms, nullptr, nullptr);
    if (status == OM_ERR_INVALID_CODEC_OPERATION) return 0;
    OMF_CHECK(nullptr, status);
    *count = parms.spc.varietyCount.count;
    return 0;
}

omfErr_t omfmNthCodecVariety(omfSessionHdl_t session, const char* codecID, omfObject_t mediaKind,
                             omfInt32 index, char* buffer, omfInt32 length) {
    if (omfErr_t status = checkMediaSession(session)) return status;
    if (codecID == nullptr || buffer == nullptr) return OM_ERR_NULL_PARAM;
    omfCodecDef_t codec{};
    OMF_CHECK(nullptr, lookup(session, codecID, &codec));
    omfCodecParms_t parms{};
    parms.spc.varietyName.mediaKind = mediaKind;
    parms.spc.varietyName.index = index;
    parms.spc.varietyName.name = buffer;
    parms.spc.varietyName.nameLength = length;
    omfErr_t status = runOperation(codec, kCodecOpVarietyName, parms, nullptr, nullptr);
    if (status == OM_ERR_INVALID_CODEC_OPERATION) {
        copyText(kStandardVariety, buffer, length);
        return 0;
    }
    OMF_CHECK(nullptr, status);
    return 0;
}

} // extern "C"
