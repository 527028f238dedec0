// Timecode and edgecode components, source-clip fades, default fades,
// edit-rate converters and the mob summary getter.
#include "mobs/mob_support.h"

#include "omf/omf_access.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"

#include <cstring>

namespace omf::mobs {
namespace {

constexpr omfInt32 kDropFrameFlag1x = 1;

omfErr_t findKind(omfHdl_t file, const char* name, omfObject_t* dataKind) {
    omfErr_t status = 0;
    if (!omfsFindDataKind(file, name, dataKind, &status)) {
        if (status != 0) return propagate(file, status, __FILE__, __LINE__);
        OMF_RAISE(file, OM_ERR_INVALID_DATAKIND);
    }
    return 0;
}

// Reads an optional fade (length and type); absent fades are zero.
omfErr_t readFade(omfHdl_t file, omfObject_t clip, omfProperty_t lengthProperty,
                  omfProperty_t typeProperty, omfLength_t* length, omfInt32* type,
                  omfBool* present) {
    bool there = is2x(file) ? omfsPropertyPresent(file, clip, lengthProperty, kOmfType_Length32) ||
                                  omfsPropertyPresent(file, clip, lengthProperty, kOmfType_Length64)
                            : omfsPropertyPresent(file, clip, lengthProperty, kOmfType_Long);
    omfLength_t fadeLength = 0;
    omfInt32 fadeType = 0;
    if (there) {
        OMF_CHECK(file, omfsReadLength(file, clip, lengthProperty, &fadeLength));
        if (is2x(file)) {
            OMF_CHECK(file, omfsReadEnum(file, clip, typeProperty, kOmfType_FadeType, &fadeType));
        } else {
            OMF_CHECK(file, omfsReadInt32(file, clip, typeProperty, &fadeType));
        }
    }
    if (length != nullptr) *length = fadeLength;
    if (type != nullptr) *type = fadeType;
    if (present != nullptr) *present = there;
    return 0;
}

omfErr_t writeFade(omfHdl_t file, omfObject_t clip, omfProperty_t lengthProperty,
                   omfProperty_t typeProperty, omfLength_t length, omfInt32 type) {
    OMF_CHECK(file, omfsWriteLength(file, clip, lengthProperty, length));
    if (is2x(file)) {
        OMF_CHECK(file, omfsWriteEnum(file, clip, typeProperty, kOmfType_FadeType, type));
    } else {
        OMF_CHECK(file, omfsWriteInt32(file, clip, typeProperty, type));
    }
    return 0;
}

} // namespace
} // namespace omf::mobs

using namespace omf;
using namespace omf::mobs;

extern "C" {

omfErr_t omfiTimecodeNew(omfHdl_t file, omfLength_t length, omfTimecode_t timecode,
                         omfObject_t* component) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (component == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    omfObject_t dataKind = nullptr;
    OMF_CHECK(file, findKind(file, kOmfDataKindTimecode, &dataKind));
    CreatedObjects created(file);
    omfObject_t object = nullptr;
    OMF_CHECK(file, created.create("TCCP", &object));
    OMF_CHECK(file, omfiInitComponent(file, object, length, dataKind));
    if (is2x(file)) {
        OMF_CHECK(file,
                  omfsWritePosition(file, object, kOmfProperty_TCCP_Start, timecode.startFrame));
        OMF_CHECK(file, omfsWriteUInt16(file, object, kOmfProperty_TCCP_FPS, timecode.fps));
        OMF_CHECK(file, omfsWriteBoolean(file, object, kOmfProperty_TCCP_Drop, timecode.drop));
    } else {
        omfInt32 start = 0;
        OMF_CHECK(file, narrow32(file, timecode.startFrame, &start));
        if (timecode.fps > 0x7FFF) OMF_RAISE(file, OM_ERR_INT64_TRUNCATION);
        OMF_CHECK(file, omfsWriteInt32(file, object, kOmfProperty_TCCP_StartTC, start));
        OMF_CHECK(file, omfsWriteInt16(file, object, kOmfProperty_TCCP_FPS,
                                       static_cast<omfInt16>(timecode.fps)));
        OMF_CHECK(file, omfsWriteInt32(file, object, kOmfProperty_TCCP_Flags,
                                       timecode.drop ? kDropFrameFlag1x : 0));
    }
    created.keep();
    *component = object;
    return 0;
}

omfErr_t omfiTimecodeGetInfo(omfHdl_t file, omfObject_t component, omfLength_t* length,
                             omfTimecode_t* timecode) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (component == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (length != nullptr) OMF_CHECK(file, omfiComponentLength(file, component, length));
    if (timecode == nullptr) return 0;
    if (is2x(file)) {
        OMF_CHECK(file, omfsReadPosition(file, component, kOmfProperty_TCCP_Start,
                                         &timecode->startFrame));
        OMF_CHECK(file, omfsReadUInt16(file, component, kOmfProperty_TCCP_FPS, &timecode->fps));
        OMF_CHECK(file, omfsReadBoolean(file, component, kOmfProperty_TCCP_Drop, &timecode->drop));
        return 0;
    }
    omfInt32 start = 0, flags = 0;
    omfInt16 fps = 0;
    OMF_CHECK(file, omfsReadInt32(file, component, kOmfProperty_TCCP_StartTC, &start));
    OMF_CHECK(file, omfsReadInt16(file, component, kOmfProperty_TCCP_FPS, &fps));
    OMF_CHECK(file, omfsReadInt32(file, component, kOmfProperty_TCCP_Flags, &flags));
    timecode->startFrame = start;
    timecode->fps = static_cast<omfUInt16>(fps);
    timecode->drop = (flags & kDropFrameFlag1x) != 0;
    return 0;
}

omfErr_t omfiEdgecodeNew(omfHdl_t file, omfLength_t length, omfEdgecode_t edgecode,
                         omfObject_t* component) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (component == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    omfObject_t dataKind = nullptr;
    OMF_CHECK(file, findKind(file, kOmfDataKindEdgecode, &dataKind));
    CreatedObjects created(file);
    omfObject_t object = nullptr;
    OMF_CHECK(file, created.create("ECCP", &object));
    OMF_CHECK(file, omfiInitComponent(file, object, length, dataKind));
    if (is2x(file)) {
        OMF_CHECK(file,
                  omfsWritePosition(file, object, kOmfProperty_ECCP_Start, edgecode.startFrame));
    } else {
        omfInt32 start = 0;
        OMF_CHECK(file, narrow32(file, edgecode.startFrame, &start));
        OMF_CHECK(file, omfsWriteInt32(file, object, kOmfProperty_ECCP_StartEC, start));
    }
    OMF_CHECK(file, omfsWriteEnum(file, object, kOmfProperty_ECCP_FilmKind, kOmfType_FilmType,
                                  edgecode.filmKind));
    OMF_CHECK(file, omfsWriteEnum(file, object, kOmfProperty_ECCP_CodeFormat, kOmfType_EdgeType,
                                  edgecode.codeFormat));
    OMF_CHECK(file, omfsWriteDataBytes(file, object, kOmfProperty_ECCP_Header,
                                       omfsByteDataType(file->revision), 0, sizeof edgecode.header,
                                       edgecode.header));
    created.keep();
    *component = object;
    return 0;
}

omfErr_t omfiEdgecodeGetInfo(omfHdl_t file, omfObject_t component, omfLength_t* length,
                             omfEdgecode_t* edgecode) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (component == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (length != nullptr) OMF_CHECK(file, omfiComponentLength(file, component, length));
    if (edgecode == nullptr) return 0;
    *edgecode = omfEdgecode_t{};
    if (is2x(file)) {
        OMF_CHECK(file, omfsReadPosition(file, component, kOmfProperty_ECCP_Start,
                                         &edgecode->startFrame));
    } else {
        omfInt32 start = 0;
        OMF_CHECK(file, omfsReadInt32(file, component, kOmfProperty_ECCP_StartEC, &start));
        edgecode->startFrame = start;
    }
    OMF_CHECK(file, omfsReadEnum(file, component, kOmfProperty_ECCP_FilmKind, kOmfType_FilmType,
                                 &edgecode->filmKind));
    OMF_CHECK(file, omfsReadEnum(file, component, kOmfProperty_ECCP_CodeFormat, kOmfType_EdgeType,
                                 &edgecode->codeFormat));
    if (omfsPropertyPresent(file, component, kOmfProperty_ECCP_Header,
                            omfsByteDataType(file->revision))) {
        omfInt32 bytesRead = 0;
        OMF_CHECK(file, omfsReadDataBytes(file, component, kOmfProperty_ECCP_Header,
                                          omfsByteDataType(file->revision), 0,
                                          sizeof edgecode->header, edgecode->header, &bytesRead));
    }
    return 0;
}

omfErr_t omfiSourceClipSetFade(omfHdl_t file, omfObject_t clip, omfLength_t fadeInLength,
                               omfInt32 fadeInType, omfLength_t fadeOutLength,
                               omfInt32 fadeOutType) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (clip == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (!isA(file, clip, "SCLP")) OMF_RAISE(file, OM_ERR_NOT_SOURCE_CLIP);
    OMF_CHECK(file, writeFade(file, clip, kOmfProperty_SCLP_FadeInLength,
                              kOmfProperty_SCLP_FadeInType, fadeInLength, fadeInType));
    OMF_CHECK(file, writeFade(file, clip, kOmfProperty_SCLP_FadeOutLength,
                              kOmfProperty_SCLP_FadeOutType, fadeOutLength, fadeOutType));
    return 0;
}

omfErr_t omfiSourceClipGetFade(omfHdl_t file, omfObject_t clip, omfLength_t* fadeInLength,
                               omfInt32* fadeInType, omfBool* fadeInPresent,
                               omfLength_t* fadeOutLength, omfInt32* fadeOutType,
                               omfBool* fadeOutPresent) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (clip == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (!isA(file, clip, "SCLP")) OMF_RAISE(file, OM_ERR_NOT_SOURCE_CLIP);
    OMF_CHECK(file,
              readFade(file, clip, kOmfProperty_SCLP_FadeInLength, kOmfProperty_SCLP_FadeInType,
                       fadeInLength, fadeInType, fadeInPresent));
    OMF_CHECK(file,
              readFade(file, clip, kOmfProperty_SCLP_FadeOutLength, kOmfProperty_SCLP_FadeOutType,
                       fadeOutLength, fadeOutType, fadeOutPresent));
    return 0;
}

omfErr_t omfiCompMobSetDefaultFade(omfHdl_t file, omfObject_t mob, omfLength_t length,
                                   omfInt32 fadeType, omfRational_t editUnit) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (!is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    if (mob == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (!isA(file, mob, "CMOB")) OMF_RAISE(file, OM_ERR_NOT_COMPOSITION);
    OMF_CHECK(file, omfsWriteLength(file, mob, kOmfProperty_CMOB_DefFadeLength, length));
    OMF_CHECK(file,
              omfsWriteEnum(file, mob, kOmfProperty_CMOB_DefFadeType, kOmfType_FadeType, fadeType));
    OMF_CHECK(file, omfsWriteRational(file, mob, kOmfProperty_CMOB_DefFadeEditUnit, editUnit));
    return 0;
}

omfErr_t omfiCompMobGetDefaultFade(omfHdl_t file, omfObject_t mob, omfLength_t* length,
                                   omfInt32* fadeType, omfRational_t* editUnit, omfBool* present) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (!is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    if (mob == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (!isA(file, mob, "CMOB")) OMF_RAISE(file, OM_ERR_NOT_COMPOSITION);
    bool there =
        omfsPropertyPresent(file, mob, kOmfProperty_CMOB_DefFadeLength, kOmfType_Length32) ||
        omfsPropertyPresent(file, mob, kOmfProperty_CMOB_DefFadeLength, kOmfType_Length64);
    if (present != nullptr) *present = there;
    omfLength_t fadeLength = 0;
    omfInt32 type = 0;
    omfRational_t unit{0, 1};
    if (there) {
        OMF_CHECK(file, omfsReadLength(file, mob, kOmfProperty_CMOB_DefFadeLength, &fadeLength));
        OMF_CHECK(file,
                  omfsReadEnum(file, mob, kOmfProperty_CMOB_DefFadeType, kOmfType_FadeType, &type));
        OMF_CHECK(file, omfsReadRational(file, mob, kOmfProperty_CMOB_DefFadeEditUnit, &unit));
    }
    if (length != nullptr) *length = fadeLength;
    if (fadeType != nullptr) *fadeType = type;
    if (editUnit != nullptr) *editUnit = unit;
    return 0;
}

omfErr_t omfiEditRateConverterNew(omfHdl_t file, omfObject_t dataKind, omfLength_t length,
                                  omfRational_t inputEditRate, omfPosition_t inputOffset,
                                  omfPosition_t resultOffset, omfObject_t inputSegment,
                                  omfObject_t* converter) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (converter == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (!is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    if (inputSegment == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    CreatedObjects created(file);
    omfObject_t object = nullptr;
    OMF_CHECK(file, created.create("ERAT", &object));
    OMF_CHECK(file, omfiInitComponent(file, object, length, dataKind));
    OMF_CHECK(file, omfsWriteObjRef(file, object, kOmfProperty_ERAT_InputSegment, inputSegment));
    OMF_CHECK(file,
              omfsWriteRational(file, object, kOmfProperty_ERAT_InputEditRate, inputEditRate));
    OMF_CHECK(file, omfsWritePosition(file, object, kOmfProperty_ERAT_InputOffset, inputOffset));
    OMF_CHECK(file, omfsWritePosition(file, object, kOmfProperty_ERAT_ResultOffset, resultOffset));
    created.keep();
    *converter = object;
    return 0;
}

omfErr_t omfiEditRateConverterGetInfo(omfHdl_t file, omfObject_t converter,
                                      omfRational_t* inputEditRate, omfPosition_t* inputOffset,
                                      omfPosition_t* resultOffset, omfObject_t* inputSegment) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (!is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    if (converter == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (inputEditRate != nullptr) {
        OMF_CHECK(file, omfsReadRational(file, converter, kOmfProperty_ERAT_InputEditRate,
                                         inputEditRate));
    }
    if (inputOffset != nullptr) {
        OMF_CHECK(file,
                  omfsReadPosition(file, converter, kOmfProperty_ERAT_InputOffset, inputOffset));
    }
    if (resultOffset != nullptr) {
        OMF_CHECK(file,
                  omfsReadPosition(file, converter, kOmfProperty_ERAT_ResultOffset, resultOffset));
    }
    if (inputSegment != nullptr) {
        OMF_CHECK(file,
                  omfsReadObjRef(file, converter, kOmfProperty_ERAT_InputSegment, inputSegment));
    }
    return 0;
}

omfErr_t omfiMobGetInfo(omfHdl_t file, omfObject_t mob, omfMobID_t* mobID, omfInt32 nameSize,
                        char* name, omfTimeStamp_t* lastModified, omfTimeStamp_t* creationTime) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (mob == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (mobID != nullptr) OMF_CHECK(file, omfiReadMobID(file, mob, mobID));
    if (name != nullptr) OMF_CHECK(file, omfiMobGetName(file, mob, nameSize, name));
    if (lastModified != nullptr) {
        OMF_CHECK(file, omfsReadTimeStamp(file, mob, kOmfProperty_MOBJ_LastModified, lastModified));
    }
    if (creationTime != nullptr) {
        *creationTime = omfTimeStamp_t{};
        if (is2x(file)) {
            OMF_CHECK(file,
                      omfsReadTimeStamp(file, mob, kOmfProperty_MOBJ_CreationTime, creationTime));
        }
    }
    return 0;
}

} // extern "C"
