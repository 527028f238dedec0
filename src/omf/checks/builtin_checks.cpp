// The built-in semantic checks, registered in this order at session start:
// each row attaches a data rule or the class referenced objects must have
// to one property code in the revisions given.
#include "checks/data_rules.h"
#include "omf/internal/checks.h"
#include "omf/omf_checks.h"

#include <span>

namespace omf {
namespace {

using namespace rules;

constexpr omfRevisionSet_t k1x = kOmfRevisions1x;
constexpr omfRevisionSet_t k2x = kOmfRevisions2x;
constexpr omfRevisionSet_t kBoth = kOmfRevisionsBoth;

// Range rules, named for what they accept and the code they answer.
constexpr omfDataRule_t kNonNegative16 =
    numberInRange<int16_t, 0, kInt16Max, OM_ERR_NEGATIVE_VALUE>;
constexpr omfDataRule_t kPositive16 = numberInRange<int16_t, 1, kInt16Max, OM_ERR_NEGATIVE_VALUE>;
constexpr omfDataRule_t kNonNegative32 =
    numberInRange<int32_t, 0, kInt32Max, OM_ERR_NEGATIVE_VALUE>;
constexpr omfDataRule_t kPositive32 = numberInRange<int32_t, 1, kInt32Max, OM_ERR_NEGATIVE_VALUE>;
constexpr omfDataRule_t kTrackKind = numberInRange<int16_t, 0, 6, OM_ERR_INVALID_TRACK_KIND>;
constexpr omfDataRule_t kAttributeKind =
    numberInRange<int16_t, 0, 3, OM_ERR_INVALID_ATTRIBUTE_KIND>;
constexpr omfDataRule_t kEdgeCodeFormat =
    numberInRange<int32_t, 0, 3, OM_ERR_INVALID_EDGE_CODE_FORMAT>;
constexpr omfDataRule_t kTapeCase = numberInRange<int32_t, 0, 7, OM_ERR_INVALID_TAPE_CASE>;
constexpr omfDataRule_t kVideoSignal = numberInRange<int32_t, 0, 3, OM_ERR_INVALID_VIDEO_SIGNAL>;
constexpr omfDataRule_t kTapeFormat = numberInRange<int32_t, 0, 6, OM_ERR_INVALID_TAPE_FORMAT>;
constexpr omfDataRule_t kEditHint = numberInRange<int32_t, 0, 4, OM_ERR_INVALID_EDIT_HINT>;
constexpr omfDataRule_t kInterpolation = numberInRange<int32_t, 1, 2, OM_ERR_INVALID_INTERPOLATION>;

struct CheckRow {
    omfProperty_t property;
    omfRevisionSet_t revisions;
    omfDataRule_t rule;          // null for a referenced-class row
    const char* referencedClass; // null for a data-rule row
};

constexpr CheckRow rule(omfProperty_t property, omfRevisionSet_t revisions, omfDataRule_t check) {
    return {property, revisions, check, nullptr};
}
constexpr CheckRow refersTo(omfProperty_t property, omfRevisionSet_t revisions,
                            const char* classID) {
    return {property, revisions, nullptr, classID};
}

// clang-format off
constexpr CheckRow kCheckRows[] = {
    rule(126, k1x, editRate),             // EditRate (WARP)
    rule(120, k1x, relativeTrack),        // RelativeTrack (TRKR)
    rule(119, k1x, kNonNegative16),       // RelativeScope (TRKR)
    rule(108, k1x, kNonNegative16),       // LabelNumber (TRAK)
    rule(18, k1x, kNonNegative32),        // Length (CLIP)
    rule(38, k1x, kNonNegative32),        // StartEC (ECCP)
    rule(113, k1x, kNonNegative32),       // CutPoint (TRAN)
    rule(116, k1x, kNonNegative32),       // GroupLength (TRKG)
    rule(45, k1x, compositionMob),        // CompositionMobs
    rule(44, k1x, sourceMob),             // SourceMobs
    rule(49, k1x, objectSpine),           // ObjectSpine
    rule(25, k1x, editRate),              // EditRate (CPNT)
    rule(59, k1x, dataPresent),           // MobKind (MDES)
    rule(57, k1x, booleanValue),          // IsDouble (MASK)
    rule(96, k1x, booleanValue),          // IsGanged (SLCT)
    rule(62, k1x, booleanValue),          // IsOMFI (MDFL)
    rule(142, k2x, booleanValue),         // IsTimeWarp (EDEF)
    rule(3, k1x, byteOrder),              // ByteOrder
    rule(201, k2x, byteOrder),            // ByteOrder (HEAD)
    rule(24, k1x, kTrackKind),            // TrackKind (CPNT)
    rule(100, k1x, kPositive32),          // Denominator (SPED)
    rule(10, kBoth, kAttributeKind),      // Kind (ATTB)
    rule(103, kBoth, kPositive16),        // FPS (TCCP)
    rule(63, kBoth, editRate),            // SampleRate (MDFL)
    rule(64, kBoth, kNonNegative32),      // Length (MDFL)
    rule(46, k1x, mediaData),             // MediaData
    rule(204, k2x, mediaData),            // MediaData (HEAD)
    rule(60, kBoth, locator),             // Locator (MDES)
    rule(37, kBoth, kEdgeCodeFormat),     // CodeFormat (ECCP)
    rule(36, kBoth, filmKind),            // FilmKind (ECCP)
    rule(31, k2x, kNonNegative32),        // Length (CPNT)
    rule(39, k2x, kNonNegative32),        // Start (ECCP)
    rule(156, k2x, definitionObject),     // DefinitionObjects (HEAD)
    rule(91, k2x, kNonNegative32),        // StartTime (SCLP)
    rule(86, k2x, kNonNegative32),        // FadeInLength (SCLP)
    rule(87, k2x, kNonNegative16),        // FadeInType (SCLP)
    rule(88, k2x, kNonNegative32),        // FadeOutLength (SCLP)
    rule(89, k2x, kNonNegative16),        // FadeOutType (SCLP)
    rule(105, k2x, kNonNegative32),       // Start (TCCP)
    rule(174, k2x, kNonNegative32),       // Length (MDTP)
    rule(171, k2x, kTapeCase),            // FormFactor (MDTP)
    rule(172, k2x, kVideoSignal),         // VideoSignal (MDTP)
    rule(173, k2x, kTapeFormat),          // TapeFormat (MDTP)
    rule(164, k2x, kNonNegative32),       // FrameRate (MDFM)
    rule(166, k2x, editRate),             // FilmAspectRatio (MDFM)
    rule(163, k2x, filmKind),             // FilmFormat (MDFM)
    rule(159, k2x, editRate),             // InputEditRate (ERAT)
    rule(160, k2x, kNonNegative32),       // InputOffset (ERAT)
    rule(161, k2x, kNonNegative32),       // ResultOffset (ERAT)
    rule(179, k2x, kNonNegative32),       // TrackID (TRKD)
    rule(144, k2x, kInterpolation),       // Interpolation (VVAL)
    rule(149, k2x, kEditHint),            // EditHint (CTLP)
    refersTo(47, k1x, "MOBJ"),            // ExternalFiles
    refersTo(111, k1x, "CPNT"),           // TrackComponent (TRAK)
    refersTo(93, k1x, "CPNT"),            // Sequence (SEQU)
    refersTo(48, k1x, "ATTR"),            // Attributes
    refersTo(8, k1x, "ATTR"),             // Attributes (ATCP)
    refersTo(29, k1x, "ATTR"),            // Attributes (CPNT)
    refersTo(109, k1x, "ATTR"),           // Attributes (TRAK)
    refersTo(16, kBoth, "ATTB"),          // AttrRefs (ATTR)
    refersTo(70, k1x, "MDES"),            // PhysicalMedia (MOBJ)
    refersTo(28, k1x, "CPNT"),            // Precomputed (CPNT)
    refersTo(117, k1x, "TRAK"),           // Tracks (TRKG)
    refersTo(21, kBoth, "CLSD"),          // ParentClass (CLSD)
    refersTo(43, k1x, "CLSD"),            // ClassDictionary
    refersTo(30, k2x, "DDEF"),            // DataKind (CPNT)
    refersTo(78, k2x, "SEGM"),            // Segment (MSLT)
    refersTo(150, k2x, "SEGM"),           // Slots (NEST)
    refersTo(153, k2x, "SEGM"),           // Selected (SLCT)
    refersTo(154, k2x, "SEGM"),           // Alternates (SLCT)
    refersTo(80, k2x, "TRKD"),            // TrackDesc (MSLT)
    refersTo(94, k2x, "CPNT"),            // Components (SEQU)
    refersTo(203, k2x, "CLSD"),           // ClassDictionary (HEAD)
    refersTo(157, k2x, "MOBJ"),           // Mobs (HEAD)
    refersTo(169, k2x, "SCLP"),           // Choices (MGRP)
    refersTo(170, k2x, "SCLP"),           // StillFrame (MGRP)
    refersTo(72, k2x, "MSLT"),            // Slots (MOBJ)
    refersTo(130, k2x, "MOBJ"),           // PrimaryMobs (HEAD)
    refersTo(177, k2x, "MDES"),           // MediaDescription (SMOB)
    refersTo(114, k2x, "EFFE"),           // Effect (TRAN)
    refersTo(158, k2x, "SEGM"),           // InputSegment (ERAT)
    refersTo(131, k2x, "EDEF"),           // EffectKind (EFFE)
    refersTo(132, k2x, "ESLT"),           // EffectSlots (EFFE)
    refersTo(134, k2x, "SCLP"),           // FinalRendering (EFFE)
    refersTo(135, k2x, "SCLP"),           // WorkingRendering (EFFE)
    refersTo(137, k2x, "SEGM"),           // ArgValue (ESLT)
    refersTo(145, k2x, "CTLP"),           // PointList (VVAL)
    refersTo(147, k2x, "DDEF"),           // DataKind (CTLP)
};
// clang-format on

} // namespace

omfErr_t registerBuiltinChecks(omfSessionHdl_t session) {
    for (const CheckRow& row : std::span(kCheckRows)) {
        omfErr_t status =
            row.rule != nullptr
                ? omfsSetDataRule(session, row.property, row.revisions, row.rule)
                : omfsSetRefClass(session, row.property, row.revisions, row.referencedClass);
        if (status != 0) return status;
    }
    return 0;
}

} // namespace omf
