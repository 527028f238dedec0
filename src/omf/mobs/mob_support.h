// Steps shared by the mob building, walking and getter routines.
#pragma once

#include "omf/internal/error_flow.h"
#include "omf/internal/file_support.h"
#include "omf/internal/records.h"
#include "omf/omf_mobs.h"

#include <vector>

namespace omf::mobs {

inline bool is2x(omfHdl_t file) {
    return file->revision == kOmfRev2x;
}

// 1.x mob markers: a master mob's UsageCode, and the MobKind of a source
// mob's descriptor for files, tapes and film.
constexpr omfInt32 kMasterMobUsage1x = 7;
constexpr omfInt32 kFileMobKind1x = 1;
constexpr omfInt32 kTapeMobKind1x = 2;
constexpr omfInt32 kFilmMobKind1x = 3;

// Buckets of a mob's track table.
constexpr omfInt32 kTrackTableBuckets = 32;

inline bool sameMobID(const omfUID_t& a, const omfUID_t& b) {
    return a.prefix == b.prefix && a.major == b.major && a.minor == b.minor;
}

// The object's class as NUL-terminated text.
struct ClassName {
    char text[5] = {};
};
omfErr_t classOf(omfHdl_t file, omfObject_t object, ClassName* name);
// Whether the object's class is `ancestor` or descends from it; false when
// the class cannot be read.
bool isA(omfHdl_t file, omfObject_t object, const char* ancestor);

// Removes objects created by a routine that then failed, unless kept.
class CreatedObjects {
  public:
    explicit CreatedObjects(omfHdl_t file) : file_(file) {}
    ~CreatedObjects();
    CreatedObjects(const CreatedObjects&) = delete;
    CreatedObjects& operator=(const CreatedObjects&) = delete;
    omfErr_t create(const char* classID, omfObject_t* object);
    void keep() { objects_.clear(); }

  private:
    omfHdl_t file_;
    std::vector<omfObject_t> objects_;
};

// 1.x edit rates (ExactEditRate: two 32-bit numbers).
omfErr_t readEditRate1x(omfHdl_t file, omfObject_t object, omfProperty_t property,
                        omfRational_t* rate);
omfErr_t writeEditRate1x(omfHdl_t file, omfObject_t object, omfProperty_t property,
                         omfRational_t rate);
bool hasEditRate1x(omfHdl_t file, omfObject_t object);

// 1.x TrackKind of a data-kind handle (the token 1 to 4), OM_ERR_INVALID_DATAKIND otherwise.
omfErr_t trackKindOf(omfHdl_t file, omfObject_t dataKind, omfInt16* kind);
omfErr_t readTrackKind(omfHdl_t file, omfObject_t component, omfInt32* kind);
// The data-kind handle of a component (2.x DataKind, 1.x token).
omfErr_t componentDataKind(omfHdl_t file, omfObject_t component, omfObject_t* dataKind);
omfErr_t dataKindName(omfHdl_t file, omfObject_t dataKind, omfInt32 size, char* name);

// The value narrowed to 32 bits, OM_ERR_INT64_TRUNCATION when it does not fit.
omfErr_t narrow32(omfHdl_t file, omfInt64 value, omfInt32* narrowed);

// The mob table entry of a mob ID, or null.
MobTableEntry* findMobEntry(omfHdl_t file, const omfUID_t& mobID);

// The current time as a file time stamp.
omfTimeStamp_t now();

// Whether a mob is of a kind (the tests of omfiMobIs* and mob searches).
omfErr_t mobIsKind(omfHdl_t file, omfObject_t mob, omfMobKind_t kind, bool* result);

// Copies text into a caller's buffer of `size` bytes, cut to fit.
void copyText(const char* text, omfInt32 size, char* buffer);

} // namespace omf::mobs
