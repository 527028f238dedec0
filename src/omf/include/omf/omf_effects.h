// Readers of the effects with fixed meanings (speed control, repeat, SMPTE
// wipe) that hide the difference between 1.x classes (SPED, REPT, a
// component whose EffectID names the wipe) and 2.x EFFE objects with effect
// slots, and readers of constant effect arguments (CVAL objects).
#pragma once

#include "omf/omf_types.h"

extern "C" {

// Effect IDs of the effects the toolkit knows by name.
#define kOmfEffectVideoSpeedControl "omfi:effect:VideoSpeedControl"
#define kOmfEffectVideoRepeat "omfi:effect:VideoRepeat"
#define kOmfEffectSMPTEVideoWipe "omfi:effect:SMPTEVideoWipe"
#define kOmfEffectSimpleVideoDissolve "omfi:effect:SimpleVideoDissolve"
#define kOmfEffectVideoStrobeEffect "omfi:effect:VideoStrobeEffect"

// Argument IDs of the inputs of an effect.
enum : omfInt32 {
    kOmfArgInputA = -1,
    kOmfArgInputB = -2,
    kOmfArgLevel = -3,
};

// The control arguments of a SMPTE wipe, delivered as stored: flags from
// ArgIDs 2 to 9 (0 when absent), numbers from ArgIDs 10 and 11 (1 when
// absent) and a flag from ArgID 12 (0 when absent).
typedef struct {
    omfUInt8 flags[8];
    omfInt32 number10;
    omfInt32 number11;
    omfUInt8 flag12;
} omfWipeArgs_t;

// Speed control: 2.x effects must use the VideoSpeedControl definition
// (else OM_ERR_INVALID_EFFECT_DEF); the ratio (ArgID 1) is required (OM_ERR_PROPERTY_MISSING), the
// input (ArgID -1) and the phase offset (ArgID 2) may be absent (null input, phase 0). 1.x SPED
// objects give their first track's component, PhaseOffset, Numerator and Denominator. Every output
// may be null.
omfErr_t omfiReadSpeedControl(omfHdl_t file, omfObject_t effect, omfInt64* length,
                              omfObject_t* inputSegment, omfRational_t* speedRatio,
                              omfUInt32* phaseOffset);

// Repeat: as speed control without a ratio, with the VideoRepeat definition.
omfErr_t omfiReadRepeat(omfHdl_t file, omfObject_t effect, omfInt64* length,
                        omfObject_t* inputSegment, omfUInt32* phaseOffset);

// SMPTE wipe. 2.x: the SMPTEVideoWipe definition (else OM_ERR_INVALID_EFFECT_DEF), inputs from
// ArgIDs -1, -2, -3 (null when absent), the wipe number from ArgID 1 (OM_ERR_PROPERTY_MISSING
// when absent) and the controls. 1.x: the number after the first ':' of the
// component's EffectID (OM_ERR_PROPERTY_MISSING when there is none), empty inputs and zeroed
// controls. Every output may be null.
omfErr_t omfiReadWipe(omfHdl_t file, omfObject_t effect, omfInt64* length, omfObject_t* inputA,
                      omfObject_t* inputB, omfObject_t* level, omfInt32* wipeNumber,
                      omfWipeArgs_t* controls);

// Constant arguments: `argValue` must be a CVAL of the named data kind
// ("omfi:data:Rational", "UInt32", "Int32", "Boolean") holding exactly 8, 4,
// 4 or 1 bytes; anything else is OM_ERR_INVALID_CONSTANT_VALUE. Numbers are decoded in the file's
// byte order.
omfErr_t omfiReadConstRational(omfHdl_t file, omfObject_t argValue, omfRational_t* value);
omfErr_t omfiReadConstUInt32(omfHdl_t file, omfObject_t argValue, omfUInt32* value);
omfErr_t omfiReadConstInt32(omfHdl_t file, omfObject_t argValue, omfInt32* value);
omfErr_t omfiReadConstBoolean(omfHdl_t file, omfObject_t argValue, omfBool* value);

} // extern "C"
