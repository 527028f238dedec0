// Speed control, repeat and SMPTE wipe readers for 1.x and 2.x files.
#include "effects/effect_support.h"
#include "omf/internal/effect_slots.h"
#include "omf/internal/error_flow.h"
#include "omf/omf_access.h"
#include "omf/omf_effects.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"

#include <cstring>
#include <string>
#include <vector>

namespace omf::effects {
namespace {

// ArgIDs of the fixed effects' controls.
constexpr omfInt32 kArgSpeedRatio = 1;
constexpr omfInt32 kArgPhaseOffset = 2;
constexpr omfInt32 kArgWipeNumber = 1;
constexpr omfInt32 kArgFirstWipeFlag = 2; // flags 2..9
constexpr omfInt32 kArgWipeNumber10 = 10;
constexpr omfInt32 kArgWipeNumber11 = 11;
constexpr omfInt32 kArgWipeFlag12 = 12;

// The 2.x phase offset (ArgID 2) when present; 0 otherwise.
omfErr_t readPhaseArgument(omfHdl_t file, omfObject_t effect, omfUInt32* phase) {
    omfObject_t value = nullptr;
    bool found = false;
    OMF_CHECK(file, findEffectSlot(file, effect, kArgPhaseOffset, &value, &found));
    *phase = 0;
    if (found) OMF_CHECK(file, omfiReadConstUInt32(file, value, phase));
    return 0;
}

// The input segment (ArgID -1, null when absent).
omfErr_t readInputArgument(omfHdl_t file, omfObject_t effect, omfInt32 argID, omfObject_t* input) {
    bool found = false;
    OMF_CHECK(file, findEffectSlot(file, effect, argID, input, &found));
    return 0;
}

// The parts speed control and repeat share: length, input and phase offset.
omfErr_t readTimeWarp(omfHdl_t file, omfObject_t effect, const char* effectID, omfInt64* length,
                      omfObject_t* inputSegment, omfUInt32* phaseOffset) {
    omfInt64 readLength = 0;
    omfObject_t input = nullptr;
    omfUInt32 phase = 0;
    if (file->revision == kOmfRev2x) {
        OMF_CHECK(file, requireDefinition(file, effect, effectID));
        OMF_CHECK(file, componentLength(file, effect, &readLength));
        OMF_CHECK(file, readInputArgument(file, effect, kOmfArgInputA, &input));
        OMF_CHECK(file, readPhaseArgument(file, effect, &phase));
    } else {
        OMF_CHECK(file, componentLength(file, effect, &readLength));
        OMF_CHECK(file, firstTrackComponent(file, effect, &input));
        omfInt16 stored = 0;
        OMF_CHECK(file, omfsReadInt16(file, effect, kOmfProperty_WARP_PhaseOffset, &stored));
        phase = static_cast<omfUInt32>(stored);
    }
    if (length != nullptr) *length = readLength;
    if (inputSegment != nullptr) *inputSegment = input;
    if (phaseOffset != nullptr) *phaseOffset = phase;
    return 0;
}

// A 32-bit wipe control: Int32 or UInt32 constants are both accepted.
omfErr_t readWipeNumber(omfHdl_t file, omfObject_t effect, omfInt32 argID, omfInt32* number) {
    omfObject_t value = nullptr;
    bool found = false;
    OMF_CHECK(file, findEffectSlot(file, effect, argID, &value, &found));
    if (!found) return 0; // keeps the default
    omfObject_t dataKind = nullptr;
    OMF_CHECK(file, omfsReadObjRef(file, value, kOmfProperty_CPNT_DataKind, &dataKind));
    omfObject_t unsignedKind = nullptr;
    omfErr_t status = 0;
    if (omfsFindDataKind(file, "omfi:data:UInt32", &unsignedKind, &status) &&
        dataKind == unsignedKind) {
        omfUInt32 stored = 0;
        OMF_CHECK(file, omfiReadConstUInt32(file, value, &stored));
        *number = static_cast<omfInt32>(stored);
        return 0;
    }
    OMF_CHECK(file, omfiReadConstInt32(file, value, number));
    return 0;
}

omfErr_t readWipeFlag(omfHdl_t file, omfObject_t effect, omfInt32 argID, omfUInt8* flag) {
    omfObject_t value = nullptr;
    bool found = false;
    OMF_CHECK(file, findEffectSlot(file, effect, argID, &value, &found));
    if (!found) return 0;
    omfBool stored = false;
    OMF_CHECK(file, omfiReadConstBoolean(file, value, &stored));
    *flag = stored ? 1 : 0;
    return 0;
}

// The decimal number after the first ':' of a 1.x EffectID; OM_ERR_PROPERTY_MISSING without one.
omfErr_t readWipeNumber1x(omfHdl_t file, omfObject_t effect, omfInt32* number) {
    omfInt64 size = 0;
    if (!omfsPropertyPresent(file, effect, kOmfProperty_CPNT_EffectID, kOmfType_String)) {
        OMF_RAISE(file, OM_ERR_PROPERTY_MISSING);
    }
    OMF_CHECK(file,
              omfsValueLength(file, effect, kOmfProperty_CPNT_EffectID, kOmfType_String, &size));
    std::vector<char> text;
    try {
        text.resize(static_cast<size_t>(size) + 1, '\0');
    } catch (...) {
        OMF_RAISE(file, OM_ERR_NO_MEMORY);
    }
    OMF_CHECK(file, omfsReadString(file, effect, kOmfProperty_CPNT_EffectID, text.data(),
                                   static_cast<omfInt32>(text.size())));
    const char* colon = std::strchr(text.data(), ':');
    if (colon == nullptr) OMF_RAISE(file, OM_ERR_PROPERTY_MISSING);
    const char* digits = colon + 1;
    bool negative = *digits == '-';
    if (negative || *digits == '+') ++digits;
    if (*digits < '0' || *digits > '9') OMF_RAISE(file, OM_ERR_PROPERTY_MISSING);
    omfInt64 parsed = 0;
    for (; *digits >= '0' && *digits <= '9'; ++digits) {
        parsed = parsed * 10 + (*digits - '0');
        if (parsed > INT32_MAX)
            OMF_RAISE(file, OM_ERR_INT64_TRUNCATION); // does not fit a wipe number
    }
    *number = static_cast<omfInt32>(negative ? -parsed : parsed);
    return 0;
}

omfErr_t readWipe2x(omfHdl_t file, omfObject_t effect, omfObject_t inputs[3], omfInt32* wipeNumber,
                    omfWipeArgs_t* controls) {
    OMF_CHECK(file, requireDefinition(file, effect, kOmfEffectSMPTEVideoWipe));
    OMF_CHECK(file, readInputArgument(file, effect, kOmfArgInputA, &inputs[0]));
    OMF_CHECK(file, readInputArgument(file, effect, kOmfArgInputB, &inputs[1]));
    OMF_CHECK(file, readInputArgument(file, effect, kOmfArgLevel, &inputs[2]));
    omfObject_t numberValue = nullptr;
    bool found = false;
    OMF_CHECK(file, findEffectSlot(file, effect, kArgWipeNumber, &numberValue, &found));
    if (!found) OMF_RAISE(file, OM_ERR_PROPERTY_MISSING);
    OMF_CHECK(file, omfiReadConstInt32(file, numberValue, wipeNumber));
    for (omfInt32 i = 0; i < 8; ++i) {
        OMF_CHECK(file, readWipeFlag(file, effect, kArgFirstWipeFlag + i, &controls->flags[i]));
    }
    controls->number10 = 1;
    controls->number11 = 1;
    OMF_CHECK(file, readWipeNumber(file, effect, kArgWipeNumber10, &controls->number10));
    OMF_CHECK(file, readWipeNumber(file, effect, kArgWipeNumber11, &controls->number11));
    OMF_CHECK(file, readWipeFlag(file, effect, kArgWipeFlag12, &controls->flag12));
    return 0;
}

} // namespace
} // namespace omf::effects

using namespace omf;
using namespace omf::effects;

extern "C" {

omfErr_t omfiReadSpeedControl(omfHdl_t file, omfObject_t effect, omfInt64* length,
                              omfObject_t* inputSegment, omfRational_t* speedRatio,
                              omfUInt32* phaseOffset) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (effect == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    omfRational_t ratio{0, 1};
    if (file->revision == kOmfRev2x) {
        OMF_CHECK(file, readTimeWarp(file, effect, kOmfEffectVideoSpeedControl, length,
                                     inputSegment, phaseOffset));
        omfObject_t value = nullptr;
        bool found = false;
        OMF_CHECK(file, findEffectSlot(file, effect, kArgSpeedRatio, &value, &found));
        if (!found) OMF_RAISE(file, OM_ERR_PROPERTY_MISSING);
        OMF_CHECK(file, omfiReadConstRational(file, value, &ratio));
    } else {
        OMF_CHECK(file, readTimeWarp(file, effect, nullptr, length, inputSegment, phaseOffset));
        OMF_CHECK(file, omfsReadInt32(file, effect, kOmfProperty_SPED_Numerator, &ratio.numerator));
        OMF_CHECK(file,
                  omfsReadInt32(file, effect, kOmfProperty_SPED_Denominator, &ratio.denominator));
    }
    if (speedRatio != nullptr) *speedRatio = ratio;
    return 0;
}

omfErr_t omfiReadRepeat(omfHdl_t file, omfObject_t effect, omfInt64* length,
                        omfObject_t* inputSegment, omfUInt32* phaseOffset) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (effect == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    OMF_CHECK(file,
              readTimeWarp(file, effect, kOmfEffectVideoRepeat, length, inputSegment, phaseOffset));
    return 0;
}

omfErr_t omfiReadWipe(omfHdl_t file, omfObject_t effect, omfInt64* length, omfObject_t* inputA,
                      omfObject_t* inputB, omfObject_t* level, omfInt32* wipeNumber,
                      omfWipeArgs_t* controls) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (effect == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    omfInt64 readLength = 0;
    omfObject_t inputs[3] = {nullptr, nullptr, nullptr};
    omfInt32 number = 0;
    omfWipeArgs_t readControls{};
    if (file->revision == kOmfRev2x) {
        OMF_CHECK(file, readWipe2x(file, effect, inputs, &number, &readControls));
        OMF_CHECK(file, componentLength(file, effect, &readLength));
    } else {
        OMF_CHECK(file, componentLength(file, effect, &readLength));
        OMF_CHECK(file, readWipeNumber1x(file, effect, &number));
    }
    if (length != nullptr) *length = readLength;
    if (inputA != nullptr) *inputA = inputs[0];
    if (inputB != nullptr) *inputB = inputs[1];
    if (level != nullptr) *level = inputs[2];
    if (wipeNumber != nullptr) *wipeNumber = number;
    if (controls != nullptr) *controls = readControls;
    return 0;
}

} // extern "C"
