#include "sample_container.h"

#include "container/cm_api.h"
#include "container/omfi_handlers.h"

#include <cstring>
#include <vector>

namespace omftool {

bool writeSampleContainer(const std::string& file, bool version1) {
    CMHandlerSession handler{};
    CMSession session = CMStartBentoSession(&CMSessionMetaHandler, &handler);
    if (session == nullptr) return false;
    CMSetTypeMetaHandler(session, CMFileStreamTypeName, &CMFileStreamMetaHandler);
    CMRefCon refCon = CMCreateFileRefCon(session, file.c_str(), nullptr, nullptr);
    CMContainer container =
        refCon ? CMOpenNewContainer(session, refCon, CMFileStreamTypeName, 0, 1,
                                    version1 ? kCMVersion1TOC : kCMDefaultFlags)
               : nullptr;
    bool ok = container != nullptr;
    if (ok) {
        CMProperty objClass = CMRegisterProperty(container, "OMFI:OOBJ:ObjClass");
        CMProperty version = CMRegisterProperty(container, "OMFI:HEAD:Version");
        CMProperty name = CMRegisterProperty(container, "OMFI:MOBJ:Name");
        CMProperty mobs = CMRegisterProperty(container, "OMFI:HEAD:Mobs");
        CMProperty data = CMRegisterProperty(container, "OMFI:MDAT:Data");
        CMType classID = CMRegisterType(container, "omfi:ClassID");
        CMType versionType = CMRegisterType(container, "omfi:VersionType");
        CMType string = CMRegisterType(container, "omfi:String");
        CMType objRefArray = CMRegisterType(container, "omfi:ObjRefArray");
        CMType dataValue = CMRegisterType(container, "omfi:DataValue");

        CMObject head = CMNewObject(container);
        CMWriteValueData(CMNewValue(head, objClass, classID), "HEAD", 0, 4);
        const unsigned char twoOne[2] = {2, 1};
        CMWriteValueData(CMNewValue(head, version, versionType), twoOne, 0, 2);

        CMObject mob = CMNewObject(container);
        CMWriteValueData(CMNewValue(mob, objClass, classID), "CMOB", 0, 4);
        const char title[] = "Sample composition";
        CMWriteValueData(CMNewValue(mob, name, string), title, 0, sizeof title);

        CMValue mobList = CMNewValue(head, mobs, objRefArray);
        CMReference key{};
        CMNewReference(mobList, mob, key);
        CMWriteValueData(mobList, key, 0, sizeof key);

        CMObject media = CMNewObject(container);
        CMWriteValueData(CMNewValue(media, objClass, classID), "MDAT", 0, 4);
        std::vector<unsigned char> ramp(2048);
        for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<unsigned char>(i);
        CMValue pixels = CMNewValue(media, data, dataValue);
        CMWriteValueData(pixels, ramp.data(), 0, 1024);
        // Data written between two writes of one value splits it into two segments.
        const char mediaName[] = "Ramp media";
        CMWriteValueData(CMNewValue(media, name, string), mediaName, 0, sizeof mediaName);
        CMWriteValueData(pixels, ramp.data() + 1024, 1024, 1024);
        CMCloseContainer(container);
    }
    CMEndBentoSession(session, 1);
    ok = ok && !handler.defaultError.pending;
    CMReleaseHandlerSession(&handler);
    return ok;
}

} // namespace omftool
