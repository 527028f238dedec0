// What compose writes, worked out from an OpenTimelineIO timeline before anything is written:
// the edit rate, the sound files with one mono master per channel, and per OMF track its
// clips, fillers and transitions in OMF's own timing (a transition overlapping its neighbours).
#pragma once

#include "otio_document.h"
#include "sound_source.h"

#include "omf/omf_types.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace omftool {

// Longest mob name written: 63 bytes of ASCII, as 1.x readers keep names.
inline constexpr std::size_t kComposeNameLength = 63;

struct ComposeOptions {
    // --rate, frames a second (23.976, 29.97 and 59.94 stand for the NTSC ratios); unset: the
    // first picture clip's rate, else 25.
    std::optional<double> framesPerSecond;
    // --sample-rate: sound files of other rates are converted to it; unset: every file must
    // have the same rate.
    std::optional<int> sampleRate;
};

struct ComposeSource {
    std::string path;
    SoundFileFormat format;
    std::vector<std::string> masterNames; // one per channel, unique in the file
};

struct ComposeItem {
    enum class Kind { kClip, kFiller, kTransition, kScope };
    Kind kind = Kind::kFiller;
    int64_t length = 0; // edit units
    // Clips: the source and channel, the first unit played (edit units); picture clips and
    // clips without media name no source and play an empty master mob.
    std::optional<std::size_t> source;
    int channel = 0;
    int64_t start = 0;
    std::string name;       // the clip's name
    std::string masterName; // clips without a source: the empty master mob they play
    std::string place;      // where the clip is in the timeline document
    // Transitions: the cut point, from the transition's start.
    int64_t cutPoint = 0;
    // Nested scopes (an OTIO stack within a track): their slots' items, each slot as long as
    // the scope.
    std::vector<std::vector<ComposeItem>> slots;
};

struct ComposeTrack {
    bool sound = true;
    std::string name;
    std::vector<ComposeItem> items;
};

struct ComposePlan {
    std::string name;
    omfRational_t editRate{25, 1};
    int sampleRate = 0; // of the sound written; 0 without sound. Files of another rate are
                        // converted to it
    std::vector<ComposeSource> sources;
    std::vector<ComposeTrack> tracks;
    std::optional<int64_t> startFrame; // the timeline's start, in edit units
    std::vector<std::string> warnings; // said before writing: rounded cuts, empty masters...
};

// Plans the composition of `timeline`, whose media URLs are read relative to `folder`. False
// with the reason in `why`, naming the place in the document: a sound file missing or
// unreadable, sound files of different sample rates, a clip beyond its media, a transition
// without a neighbour on each side.
bool planComposition(const OtioTimeline& timeline, const std::string& folder,
                     const ComposeOptions& options, ComposePlan& plan, std::string& why);

} // namespace omftool
