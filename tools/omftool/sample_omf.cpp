#include "sample_container.h"

#include "omf/omf_access.h"
#include "omf/omf_session.h"

namespace omftool {

namespace {

constexpr omfProperty_t kMobID = 66;
constexpr omfProperty_t kMobName = 71;   // 2.x MOBJ Name
constexpr omfProperty_t kCPNTName = 26;  // 1.x mobs are components
constexpr omfProperty_t kMobs = 157;
constexpr omfProperty_t kCompositionMobs = 45;

omfErr_t addMob(omfHdl_t file, omfObject_t head, const char* classID, const char* name,
                omfUID_t id, bool is2x) {
    omfObject_t mob = nullptr;
    omfErr_t status = omfsObjectNew(file, is2x ? classID : "MOBJ", &mob);
    if (status == 0) status = omfsWriteUID(file, mob, kMobID, id);
    if (status == 0) status = omfsWriteString(file, mob, is2x ? kMobName : kCPNTName, name);
    if (status != 0) return status;
    return is2x ? omfsAppendObjRefArray(file, head, kMobs, mob)
                : omfsAppendMobIndex(file, head, kCompositionMobs, id, mob);
}

} // namespace

bool writeSampleOMF(const std::string& path, int revision) {
    omfProductIdentification_t ident{};
    ident.companyName = "OMF media extensions";
    ident.productName = "omftool";
    ident.productVersionString = "1.0 sample writer";
    ident.productID = 1;
    ident.platform = "Linux";
    ident.productVersion = {1, 0, 0, kVersionReleased, 0};
    omfSessionHdl_t session = nullptr;
    if (omfsStartSession(&ident, &session) != 0) return false;
    omfHdl_t file = nullptr;
    omfErr_t status = omfsNewFile(path.c_str(), session, static_cast<omfFileRev_t>(revision),
                                  &file);
    if (status == 0) {
        bool is2x = revision == kOmfRev2x;
        omfObject_t head = nullptr;
        omfsGetHeadObject(file, &head);
        status = addMob(file, head, "CMOB", "Sample composition", {42, 1, 1}, is2x);
        if (status == 0) status = addMob(file, head, "MMOB", "Sample master", {42, 1, 2}, is2x);
        omfErr_t closed = omfsCloseOMFFile(file);
        if (status == 0) status = closed;
    }
    omfErr_t finished = omfsFinishSession(session);
    return status == 0 && finished == 0;
}

} // namespace omftool
