// Opens an OMF file from arbitrary bytes through the toolkit and reads the
// HEAD object's lists and the identification and mob properties they lead to.
#include "../common/omf_fuzz_input.h"
#include "omf/omf_access.h"
#include "omf/omf_errors.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"

#include <cstdint>
#include <string>

namespace {

void readFile(omfHdl_t file) {
    omfObject_t head = nullptr;
    if (omfsGetHeadObject(file, &head) != 0) return;
    char text[128];
    omfInt32 count = omfsLengthObjRefArray(file, head, kOmfProperty_HEAD_IdentificationList);
    for (omfInt32 i = 1; i <= count && i <= 64; ++i) {
        omfObject_t idnt = nullptr;
        if (omfsGetNthObjRefArray(file, head, kOmfProperty_HEAD_IdentificationList, &idnt, i) != 0)
            continue;
        omfsReadString(file, idnt, kOmfProperty_IDNT_CompanyName, text, sizeof text);
        omfProductVersion_t version;
        omfsReadProductVersion(file, idnt, kOmfProperty_IDNT_ProductVersion, &version);
    }
    count = omfsLengthObjRefArray(file, head, kOmfProperty_HEAD_Mobs);
    for (omfInt32 i = 1; i <= count && i <= 256; ++i) {
        omfObject_t mob = nullptr;
        omfUID_t id;
        omfClassID_t classID;
        if (omfsGetNthObjRefArray(file, head, kOmfProperty_HEAD_Mobs, &mob, i) != 0) continue;
        omfsReadUID(file, mob, kOmfProperty_MOBJ_MobID, &id);
        omfsReadString(file, mob, kOmfProperty_MOBJ_Name, text, sizeof text);
        omfsReadClassOf(file, mob, classID);
    }
    for (omfProperty_t list : {kOmfProperty_CompositionMobs, kOmfProperty_SourceMobs}) {
        count = omfsLengthMobIndex(file, head, list);
        for (omfInt32 i = 1; i <= count && i <= 256; ++i) {
            omfUID_t id;
            omfObject_t mob = nullptr;
            omfsGetNthMobIndex(file, head, list, i, &id, &mob);
        }
    }
    count = omfsLengthObjRefArray(file, head, kOmfProperty_HEAD_ClassDictionary);
    for (omfInt32 i = 1; i <= count && i <= 256; ++i) {
        omfObject_t entry = nullptr;
        omfsGetNthObjRefArray(file, head, kOmfProperty_HEAD_ClassDictionary, &entry, i);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::withOMFFile(data, size, readFile);
    return 0;
}
