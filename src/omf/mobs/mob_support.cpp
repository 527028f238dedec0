// Steps shared by the mob building, walking and getter routines.
#include "mobs/mob_support.h"

#include "omf/internal/access_support.h"
#include "omf/internal/registry.h"
#include "omf/omf_access.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"

#include <cstdint>
#include <cstring>
#include <ctime>
#include <limits>

namespace omf::mobs {

omfErr_t classOf(omfHdl_t file, omfObject_t object, ClassName* name) {
    if (object == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    omfClassID_t classID;
    OMF_CHECK(file, omfsReadClassOf(file, object, classID));
    std::memcpy(name->text, classID, 4);
    name->text[4] = '\0';
    return 0;
}

bool isA(omfHdl_t file, omfObject_t object, const char* ancestor) {
    if (object == nullptr) return false;
    omfClassID_t classID;
    if (omfsReadClassOf(file, object, classID) != 0) return false;
    char text[5] = {};
    std::memcpy(text, classID, 4);
    return classIsA(file, text, ancestor);
}

CreatedObjects::~CreatedObjects() {
    for (omfObject_t object : objects_)
        CMRemoveObject(object);
}

omfErr_t CreatedObjects::create(const char* classID, omfObject_t* object) {
    omfObject_t created = nullptr;
    OMF_CHECK(file_, omfsObjectNew(file_, classID, &created));
    objects_.push_back(created);
    *object = created;
    return 0;
}

omfErr_t readEditRate1x(omfHdl_t file, omfObject_t object, omfProperty_t property,
                        omfRational_t* rate) {
    int32_t fields[2] = {};
    for (int i = 0; i < 2; ++i) {
        OMF_CHECK(file, omfsReadValueBytes(file, object, property, 4 * i, 0, kOmfType_ExactEditRate,
                                           4, &fields[i]));
    }
    *rate = omfRational_t{fields[0], fields[1]};
    return 0;
}

omfErr_t writeEditRate1x(omfHdl_t file, omfObject_t object, omfProperty_t property,
                         omfRational_t rate) {
    OMF_CHECK(file, checkWrite(file, object, property, kOmfType_ExactEditRate, &rate, sizeof rate));
    const int32_t fields[2] = {rate.numerator, rate.denominator};
    for (int i = 0; i < 2; ++i) {
        OMF_CHECK(file, omfsWriteValueBytes(file, object, property, 4 * i, kOmfType_ExactEditRate,
                                            4, &fields[i]));
    }
    return 0;
}

bool hasEditRate1x(omfHdl_t file, omfObject_t object) {
    return omfsPropertyPresent(file, object, kOmfProperty_CPNT_EditRate, kOmfType_ExactEditRate);
}

omfErr_t trackKindOf(omfHdl_t file, omfObject_t dataKind, omfInt16* kind) {
    auto token = reinterpret_cast<intptr_t>(dataKind);
    if (token < 1 || token > 4) OMF_RAISE(file, OM_ERR_INVALID_DATAKIND);
    *kind = static_cast<omfInt16>(token);
    return 0;
}

omfErr_t readTrackKind(omfHdl_t file, omfObject_t component, omfInt32* kind) {
    OMF_CHECK(file,
              omfsReadEnum(file, component, kOmfProperty_CPNT_TrackKind, kOmfType_TrackType, kind));
    return 0;
}

omfErr_t componentDataKind(omfHdl_t file, omfObject_t component, omfObject_t* dataKind) {
    if (component == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (is2x(file)) {
        OMF_CHECK(file, omfsReadObjRef(file, component, kOmfProperty_CPNT_DataKind, dataKind));
        return 0;
    }
    omfInt32 kind = 0;
    OMF_CHECK(file, readTrackKind(file, component, &kind));
    *dataKind = reinterpret_cast<omfObject_t>(static_cast<intptr_t>(kind));
    return 0;
}

omfErr_t dataKindName(omfHdl_t file, omfObject_t dataKind, omfInt32 size, char* name) {
    if (name == nullptr || size <= 0) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (is2x(file)) {
        if (dataKind == nullptr) OMF_RAISE(file, OM_ERR_INVALID_DATAKIND);
        OMF_CHECK(file,
                  omfsReadUniqueName(file, dataKind, kOmfProperty_DDEF_DataKindID, name, size));
        return 0;
    }
    static constexpr const char* kNames[] = {"omfi:data:NoDatakind", kOmfDataKindPicture,
                                             kOmfDataKindSound, kOmfDataKindTimecode,
                                             kOmfDataKindEdgecode};
    auto token = reinterpret_cast<intptr_t>(dataKind);
    if (token < 0 || token > 4) OMF_RAISE(file, OM_ERR_INVALID_DATAKIND);
    copyText(kNames[token], size, name);
    return 0;
}

omfErr_t narrow32(omfHdl_t file, omfInt64 value, omfInt32* narrowed) {
    if (value < std::numeric_limits<omfInt32>::min() ||
        value > std::numeric_limits<omfInt32>::max()) {
        OMF_RAISE(file, OM_ERR_INT64_TRUNCATION);
    }
    *narrowed = static_cast<omfInt32>(value);
    return 0;
}

MobTableEntry* findMobEntry(omfHdl_t file, const omfUID_t& mobID) {
    if (!file->mobTable) return nullptr;
    void* value = nullptr;
    omfBool found = false;
    if (omfsTableLookupUID(file->mobTable.get(), mobID, &value, &found) != 0 || !found) {
        return nullptr;
    }
    return static_cast<MobTableEntry*>(value);
}

omfTimeStamp_t now() {
    return omfTimeStamp_t{static_cast<uint32_t>(std::time(nullptr)), 1};
}

void copyText(const char* text, omfInt32 size, char* buffer) {
    if (buffer == nullptr || size <= 0) return;
    size_t length = std::min<size_t>(std::strlen(text), static_cast<size_t>(size) - 1);
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
}

} // namespace omf::mobs
