// Opens a container from arbitrary bytes through the file stream handler and
// reads every value of every object it lists.
#include "../common/fuzz_input.h"
#include "container/cm_api.h"
#include "container/omfi_handlers.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

void readEverything(CMContainer container) {
    std::vector<unsigned char> buffer;
    for (CMObject object = CMGetNextTocObject(container, nullptr); object != nullptr;
         object = CMGetNextTocObject(container, object)) {
        (void)CMGetGlobalName(object);
        for (CMProperty property = CMGetNextObjectProperty(object, nullptr); property != nullptr;
             property = CMGetNextObjectProperty(object, property)) {
            for (CMValue value = CMGetNextValue(object, property, nullptr); value != nullptr;
                 value = CMGetNextValue(object, property, value)) {
                CMSize size = CMGetValueSize(value);
                // Value sizes come from the file, which the reader has checked
                // against the stream; cap reads anyway to keep runs fast.
                buffer.resize(size < (1u << 20) ? size : (1u << 20));
                CMReadValueData(value, buffer.data(), 0, buffer.size());
                if (size >= 4) {
                    CMReference key;
                    CMReadValueData(value, key, 0, 4);
                    (void)CMGetReferencedObject(value, key);
                }
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::inputFile(data, size);
    if (path.empty()) return 0;

    CMHandlerSession handler{};
    CMSession session = CMStartBentoSession(&CMSessionMetaHandler, &handler);
    if (session == nullptr) return 0;
    CMSetTypeMetaHandler(session, CMFileStreamTypeName, &CMFileStreamMetaHandler);
    CMRefCon refCon = CMCreateFileRefCon(session, path.c_str(), nullptr, nullptr);
    CMContainer container = CMOpenContainer(session, refCon, CMFileStreamTypeName, 0);
    if (container != nullptr) {
        readEverything(container);
        CMCloseContainer(container);
    }
    CMEndBentoSession(session, 1);
    CMReleaseHandlerSession(&handler);
    return 0;
}
