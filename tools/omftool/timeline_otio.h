// An edit timeline as OpenTimelineIO JSON: a Timeline.1 per composition, its picture and sound
// tracks as Track.1s of Clip.2 (or Clip.1), Gap.1, Transition.1 and nested Stack.1 items. OTIO
// butts items together where OMF overlaps them under a transition, so the items on each side of
// a transition are trimmed by its offsets and every OTIO track lasts as long as its OMF track.
#pragma once

#include "edit_timeline.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace omftool {

struct OtioOptions {
    bool clip1 = false; // Clip.1 with one media_reference, for readers before OTIO 0.15
    // export's written files: the URL of a source's media, or nothing to use the rules below.
    std::function<std::optional<std::string>(const ClipSource&)> mediaURL;
};

// One composition as a Timeline.1.
nlohmann::ordered_json timelineOtio(const EditTimeline& timeline, const OtioOptions& options);

// One Timeline.1 for a single composition, else a SerializableCollection.1 of them.
nlohmann::ordered_json otioDocument(const std::vector<EditTimeline>& timelines,
                                    const OtioOptions& options);

// The document as written: 4-space indent, ending with a newline.
std::string otioText(const nlohmann::ordered_json& document);

// A "file://" URL of a path: made absolute, every byte but unreserved ones and '/'
// percent-encoded.
std::string fileURL(const std::string& path);

} // namespace omftool
