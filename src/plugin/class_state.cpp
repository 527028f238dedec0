#include "class_state.h"

#include "codec_catalogue.h"

namespace omfplugin {

ClassState::ClassState() : CodecList(true, CodecEntryDisposer()) {}

ClassState& TheClass() {
    static ClassState state;
    return state;
}

void ClearCodecCatalogue() {
    List& catalogue = TheClass().CodecList;
    ObjectLock lock(catalogue);
    catalogue.ForEach([](std::size_t, const List::Node& node) {
        static_cast<CodecEntry*>(node.Item)->Varieties.Clear();
        return true;
    });
    catalogue.Clear();
}

} // namespace omfplugin
