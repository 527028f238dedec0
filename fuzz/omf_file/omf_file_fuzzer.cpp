// Opens an OMF file from arbitrary bytes through the toolkit and reads the
// HEAD object's lists and the identification and mob properties they lead to.
#include "../common/omf_fuzz_input.h"
#include "omf/omf_access.h"
#include "omf/omf_errors.h"
#include "omf/omf_session.h"

#include <cstdint>
#include <string>

namespace {

constexpr omfProperty_t kIdentificationList = 205;
constexpr omfProperty_t kCompanyName = 211;
constexpr omfProperty_t kProductVersion = 213;
constexpr omfProperty_t kMobs = 157;
constexpr omfProperty_t kCompositionMobs = 45;
constexpr omfProperty_t kSourceMobs = 44;
constexpr omfProperty_t kMobID = 66;
constexpr omfProperty_t kName = 71;
constexpr omfProperty_t kClassDictionary = 203;

void readFile(omfHdl_t file) {
    omfObject_t head = nullptr;
    if (omfsGetHeadObject(file, &head) != 0) return;
    char text[128];
    omfInt32 count = omfsLengthObjRefArray(file, head, kIdentificationList);
    for (omfInt32 i = 1; i <= count && i <= 64; ++i) {
        omfObject_t idnt = nullptr;
        if (omfsGetNthObjRefArray(file, head, kIdentificationList, &idnt, i) != 0) continue;
        omfsReadString(file, idnt, kCompanyName, text, sizeof text);
        omfProductVersion_t version;
        omfsReadProductVersion(file, idnt, kProductVersion, &version);
    }
    count = omfsLengthObjRefArray(file, head, kMobs);
    for (omfInt32 i = 1; i <= count && i <= 256; ++i) {
        omfObject_t mob = nullptr;
        omfUID_t id;
        omfClassID_t classID;
        if (omfsGetNthObjRefArray(file, head, kMobs, &mob, i) != 0) continue;
        omfsReadUID(file, mob, kMobID, &id);
        omfsReadString(file, mob, kName, text, sizeof text);
        omfsReadClassOf(file, mob, classID);
    }
    for (omfProperty_t list : {kCompositionMobs, kSourceMobs}) {
        count = omfsLengthMobIndex(file, head, list);
        for (omfInt32 i = 1; i <= count && i <= 256; ++i) {
            omfUID_t id;
            omfObject_t mob = nullptr;
            omfsGetNthMobIndex(file, head, list, i, &id, &mob);
        }
    }
    count = omfsLengthObjRefArray(file, head, kClassDictionary);
    for (omfInt32 i = 1; i <= count && i <= 256; ++i) {
        omfObject_t entry = nullptr;
        omfsGetNthObjRefArray(file, head, kClassDictionary, &entry, i);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::withOMFFile(data, size, readFile);
    return 0;
}
