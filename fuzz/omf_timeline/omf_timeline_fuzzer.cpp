// Opens an OMF file from arbitrary bytes, reads every composition into a timeline and writes
// them as OpenTimelineIO and each as an edit decision list: the walk follows sequences,
// effects, scopes and source clips a damaged file may loop, cut short, share many times over or
// point at objects of any class.
#include "../common/omf_fuzz_input.h"
#include "edit_timeline.h"
#include "omf/omf_media.h"
#include "timeline_edl.h"
#include "timeline_otio.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

void writeTimelines(omfHdl_t file) {
    std::vector<omftool::EditTimeline> timelines;
    omftool::MediaFailure failure;
    if (!omftool::readEditTimelines(file, {}, timelines, failure)) return;
    for (const omftool::EditTimeline& timeline : timelines) {
        std::string text, why;
        omftool::timelineEdl(timeline, {}, text, why);
    }
    omftool::otioText(omftool::otioDocument(timelines, {}));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::withOMFFile(data, size, writeTimelines,
                      [](omfSessionHdl_t session) { return omfmInit(session); });
    return 0;
}
