// Checks of written OpenTimelineIO shared by the timeline tests.
#pragma once

#include "composition_fixture.h"
#include "edit_timeline.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace omftool_test {

// The sum of the durations of an OTIO track's items (transitions take no time in OTIO).
inline double otioTrackDuration(const nlohmann::ordered_json& track) {
    double sum = 0;
    for (const auto& item : track["children"])
        if (item["OTIO_SCHEMA"] != "Transition.1")
            sum += item["source_range"]["duration"]["value"].get<double>();
    return sum;
}

// Every OTIO track, nested stacks' included, lasts as long as its OMF track.
inline void expectTrackLengths(const nlohmann::ordered_json& tracks,
                               const std::vector<omftool::TimelineTrack>& model) {
    ASSERT_EQ(tracks.size(), model.size());
    for (std::size_t index = 0; index < model.size(); ++index) {
        SCOPED_TRACE("track " + std::to_string(index));
        const nlohmann::ordered_json& track = tracks[index];
        EXPECT_EQ(otioTrackDuration(track), double(model[index].length));
        const auto& items = model[index].items;
        ASSERT_EQ(track["children"].size(), items.size());
        for (std::size_t item = 0; item < items.size(); ++item)
            if (items[item].kind == omftool::TimelineItem::Kind::kStack)
                expectTrackLengths(track["children"][item]["children"], items[item].tracks);
    }
}

inline void expectTrackLengths(const nlohmann::ordered_json& timeline,
                               const omftool::EditTimeline& model) {
    EXPECT_EQ(timeline["OTIO_SCHEMA"], "Timeline.1");
    expectTrackLengths(timeline["tracks"]["children"], model.tracks);
}

} // namespace omftool_test
