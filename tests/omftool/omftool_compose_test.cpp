// omftool compose run as a program on timelines written as other tools write them (Clip.1,
// relative and file:// references, rates as doubles) with sound files made in code: the OMF
// structure read back item by item, every master's samples against its file's channel, 1.x and
// 2.x, and the bad inputs that end with a message naming the place and no file.
#include "edit_timeline.h"
#include "open_omf_file.h"

#include "../common/scratch_folder.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace {

using Kind = omftool::TimelineItem::Kind;

constexpr int kSampleRate = 48000;
constexpr int kSeconds = 4;

struct ToolRun {
    int status = -1;
    std::string out, err;
};

// A time of the timeline at `rate` (written as a double, as other tools do).
std::string Time(double value, double rate) {
    std::ostringstream text;
    text.precision(17);
    text << R"({"OTIO_SCHEMA": "RationalTime.1", "value": )" << value << R"(, "rate": )" << rate
         << "}";
    return text.str();
}

std::string Range(double start, double length, double rate) {
    return R"({"OTIO_SCHEMA": "TimeRange.1", "start_time": )" + Time(start, rate) +
           R"(, "duration": )" + Time(length, rate) + "}";
}

std::string Clip(const std::string& name, const std::string& url, double start, double length,
                 double rate) {
    return R"({"OTIO_SCHEMA": "Clip.1", "name": ")" + name + R"(", "source_range": )" +
           Range(start, length, rate) +
           R"(, "media_reference": {"OTIO_SCHEMA": "ExternalReference.1", "target_url": ")" + url +
           R"("}})";
}

std::string Gap(double length, double rate) {
    return R"({"OTIO_SCHEMA": "Gap.1", "source_range": )" + Range(0, length, rate) + "}";
}

std::string Dissolve(double in, double out, double rate) {
    return R"({"OTIO_SCHEMA": "Transition.1", "transition_type": "SMPTE_Dissolve", "in_offset": )" +
           Time(in, rate) + R"(, "out_offset": )" + Time(out, rate) + "}";
}

std::string Timeline(const std::vector<std::string>& items) {
    std::string children;
    for (const std::string& item : items) children += (children.empty() ? "" : ", ") + item;
    return R"({"OTIO_SCHEMA": "Timeline.1", "name": "Mix", "tracks": {"OTIO_SCHEMA": "Stack.1",
        "children": [{"OTIO_SCHEMA": "Track.1", "name": "Dialogue", "kind": "Audio",
        "children": [)" +
           children + "]}]}}";
}

class OmftoolCompose : public test_support::ScratchFolderTest {
  protected:
    void SetUp() override {
        ScratchFolderTest::SetUp();
        WriteSound("mono16.wav", 1, SF_FORMAT_PCM_16, kSampleRate);
        WriteSound("stereo24.wav", 2, SF_FORMAT_PCM_24, kSampleRate);
    }

    // A sound file whose every sample differs from its neighbours and its other channels.
    void WriteSound(const std::string& name, int channels, int subtype, int rate,
                    int type = SF_FORMAT_WAV) {
        SF_INFO info{};
        info.channels = channels;
        info.samplerate = rate;
        info.format = type | subtype;
        SNDFILE* file = sf_open(path(name).c_str(), SFM_WRITE, &info);
        ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
        std::vector<int32_t> samples(std::size_t(rate) * kSeconds * std::size_t(channels));
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = int32_t(uint32_t(i * 2654435761u) & 0xFFFFFF00u);
        sf_write_int(file, samples.data(), sf_count_t(samples.size()));
        sf_close(file);
    }

    // Channel `channel` of a sound file, as libsndfile reads it.
    static std::vector<int32_t> Channel(const std::string& file, int channel) {
        SF_INFO info{};
        SNDFILE* sound = sf_open(file.c_str(), SFM_READ, &info);
        if (sound == nullptr) return {};
        std::vector<int32_t> frames(std::size_t(info.frames * info.channels));
        sf_readf_int(sound, frames.data(), info.frames);
        sf_close(sound);
        std::vector<int32_t> one;
        for (std::size_t i = std::size_t(channel); i < frames.size(); i += std::size_t(info.channels))
            one.push_back(frames[i]);
        return one;
    }

    ToolRun Omftool(const std::string& arguments) {
        ToolRun run;
        const std::string command =
            std::string(OMFTOOL_PATH) + " " + arguments + " 2>'" + path("err.txt") + "'";
        if (FILE* pipe = ::popen(command.c_str(), "r")) {
            char buffer[4096];
            while (std::size_t read = std::fread(buffer, 1, sizeof buffer, pipe))
                run.out.append(buffer, read);
            const int result = ::pclose(pipe);
            run.status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
        }
        std::ifstream err(path("err.txt"));
        run.err.assign(std::istreambuf_iterator<char>(err), {});
        return run;
    }

    std::string WriteTimeline(const std::string& text) {
        const std::string file = path("mix.otio");
        std::ofstream(file) << text;
        return file;
    }

    std::vector<omftool::EditTimeline> Read(const std::string& file) {
        omftool::OpenOMFFile opened(file, omftool::MediaLayer::kWith);
        omftool::MediaFailure failure;
        std::vector<omftool::EditTimeline> timelines;
        EXPECT_TRUE(opened.opened(failure.error, failure.message)) << failure.message;
        EXPECT_TRUE(omftool::readEditTimelines(opened.file(), {}, timelines, failure));
        return timelines;
    }
};

// A mono clip, a 5 + 5 crossfade into a stereo clip, a gap, the mono file again: 30 + 40 + 10
// + 25 = 105 frames at 25. OMF overlaps the crossfade's neighbours by its 10 frames.
TEST_F(OmftoolCompose, SoundTimelinesBecomeMonoMastersAndOneCompositionSampleExact) {
    const std::string timeline = WriteTimeline(Timeline(
        {Clip("line one", "mono16.wav", 10, 30, 25), Dissolve(5, 5, 25),
         Clip("music", "file://" + path("stereo24.wav"), 20, 40, 25), Gap(10, 25),
         Clip("line one", "mono16.wav", 0, 25, 25)}));
    for (const char* revision : {"1", "2"}) {
        SCOPED_TRACE(revision);
        const std::string omf = path(std::string("mix") + revision + ".omf");
        const ToolRun run =
            Omftool("compose '" + timeline + "' -o '" + omf + "' --revision " + revision);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        const std::vector<omftool::EditTimeline> read = Read(omf);
        ASSERT_EQ(read.size(), 1u);
        EXPECT_EQ(read[0].name, "Mix");
        // The stereo file makes the track two mono tracks.
        ASSERT_EQ(read[0].tracks.size(), 2u);
        for (const omftool::TimelineTrack& track : read[0].tracks) EXPECT_EQ(track.length, 105);
        const auto& items = read[0].tracks[0].items;
        ASSERT_EQ(items.size(), 5u);
        EXPECT_EQ(items[0].length, 35); // 30, and the 5 the crossfade took from its end
        EXPECT_EQ(items[1].kind, Kind::kTransition);
        EXPECT_EQ(items[1].length, 10);
        EXPECT_EQ(items[1].cutPoint, 5);
        EXPECT_EQ(items[1].effectID, "omfi:effect:SimpleMonoAudioDissolve");
        EXPECT_EQ(items[2].sourceStart, 15); // 20, less the 5 taken from its start
        EXPECT_EQ(items[2].length, 45);
        EXPECT_EQ(items[2].source->name, "music ch1");
        EXPECT_EQ(items[3].kind, Kind::kGap);
        EXPECT_EQ(read[0].tracks[1].items[2].source->name, "music ch2");
        EXPECT_EQ(items[0].source, items[4].source);

        // Every master's samples are its file's channel.
        const struct {
            const char* master;
            const char* file;
            int channel;
        } masters[] = {{"line one", "mono16.wav", 0},
                       {"music ch1", "stereo24.wav", 0},
                       {"music ch2", "stereo24.wav", 1}};
        for (const auto& master : masters) {
            const std::string wave = path(std::string(master.master) + revision + ".wav");
            ASSERT_EQ(Omftool("audio '" + omf + "' --mob '" + master.master + "' -o '" + wave +
                              "'")
                          .status,
                      0);
            EXPECT_EQ(Channel(wave, 0), Channel(path(master.file), master.channel))
                << master.master;
        }
    }
}

TEST_F(OmftoolCompose, BadInputIsNamedWithItsPlaceAndLeavesNoFile) {
    WriteSound("other_rate.wav", 1, SF_FORMAT_PCM_16, 44100);
    const std::string good = Clip("a", "mono16.wav", 0, 25, 25);
    const std::string at = "tracks.children[0].children[1]";
    const struct {
        std::string timeline, message;
    } cases[] = {
        {Timeline({good, Gap(5, 25)}), ""}, // the control, which composes
        {Timeline({good, Clip("b", "gone.wav", 0, 25, 25)}),
         at + ": cannot read " + path("gone.wav") + " as a sound file"},
        {Timeline({good, Clip("b", "mono16.wav", 90, 20, 25)}),
         at + ": the clip \"b\" plays units 90 to 110 of " + path("mono16.wav") +
             ", which holds 100 (at 25 a second)"},
        {Timeline({good, Clip("b", "other_rate.wav", 0, 25, 25)}),
         "the sound files have different sample rates: 44100 Hz (" + path("other_rate.wav") +
             "), 48000 Hz (" + path("mono16.wav") + "); an OMF file for audio post holds one "
             "rate: give --sample-rate HZ to convert them to it"},
        {Timeline({good, R"({"OTIO_SCHEMA": "Marker.2"})"}),
         at + ": unknown schema Marker.2 (Clip.1, Clip.2, Gap.1, Transition.1 and Stack.1 are "
              "read)"},
        {Timeline({good, Dissolve(2, 2, 25)}),
         at + ": a transition needs a clip or gap on each side"},
        {"{\"OTIO_SCHEMA\": \"Timeline.1\",", "not JSON at line 1, column 30"},
    };
    const std::string omf = path("out.omf");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        std::filesystem::remove(omf);
        const std::string timeline = WriteTimeline(c.timeline);
        const ToolRun run = Omftool("compose '" + timeline + "' -o '" + omf + "'");
        if (c.message.empty()) {
            EXPECT_EQ(run.status, 0) << run.err;
            continue;
        }
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err.rfind("omftool compose: " + timeline + ": " + c.message, 0), 0u)
            << run.err;
        EXPECT_FALSE(std::filesystem::exists(omf));
    }
    // --sample-rate converts the other rate, and says so.
    WriteTimeline(Timeline({good, Clip("b", "other_rate.wav", 0, 25, 25)}));
    const ToolRun converted =
        Omftool("compose '" + path("mix.otio") + "' -o '" + omf + "' --sample-rate 48000");
    ASSERT_EQ(converted.status, 0) << converted.err;
    EXPECT_EQ(converted.err, "omftool compose: warning: 1 sound file is converted to 48000 Hz\n");
    const std::string wave = path("b.wav");
    ASSERT_EQ(Omftool("audio '" + omf + "' --mob b -o '" + wave + "'").status, 0);
    SF_INFO info{};
    sf_close(sf_open(wave.c_str(), SFM_READ, &info));
    EXPECT_EQ(info.samplerate, kSampleRate);
    EXPECT_NEAR(double(info.frames), double(kSampleRate) * kSeconds, 64); // the filter's delay

    // A file that was there is kept when composing fails.
    std::ofstream(omf) << "kept";
    WriteTimeline(Timeline({Clip("b", "gone.wav", 0, 25, 25)}));
    EXPECT_EQ(Omftool("compose '" + path("mix.otio") + "' -o '" + omf + "'").status, 2);
    std::ifstream kept(omf);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "kept");
}

// Rates written as doubles: 29.97... is the NTSC ratio, and a cut between its frames is rounded
// and said. Without picture the edit rate is --rate's (else 25).
TEST_F(OmftoolCompose, NtscRatesAreExactAndSubFrameCutsAreRounded) {
    const double ntsc = 30000.0 / 1001.0;
    WriteSound("mono24.aiff", 1, SF_FORMAT_PCM_24, kSampleRate, SF_FORMAT_AIFF);
    const std::string timeline = WriteTimeline(
        Timeline({Clip("a", "mono24.aiff", 0, 30, ntsc), Clip("b", "mono16.wav", 0, 10.5, ntsc)}));
    const ToolRun run =
        Omftool("compose '" + timeline + "' -o '" + path("ntsc.omf") + "' --rate 29.97");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("edit rate 30000/1001"), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "omftool compose: warning: tracks.children[0].children[1]: the length "
                       "falls between frames of 30000/1001 (10.5); rounded to 11\n");
    const auto read = Read(path("ntsc.omf"));
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].tracks[0].editRate.numerator, 30000);
    EXPECT_EQ(read[0].tracks[0].length, 41);
    // AIFF files become AIFC media, WAVE files WAVE media.
    EXPECT_EQ(read[0].tracks[0].items[0].source->codec, "AIFC Codec");
    EXPECT_EQ(read[0].tracks[0].items[1].source->codec, "WAVE Codec");
    const std::string wave = path("a.wav");
    ASSERT_EQ(Omftool("audio '" + path("ntsc.omf") + "' --mob a -o '" + wave + "'").status, 0);
    EXPECT_EQ(Channel(wave, 0), Channel(path("mono24.aiff"), 0));
}

// A stack within a track is a nested scope, its shorter slot padded to the longest.
TEST_F(OmftoolCompose, AStackInATrackIsANestedScope) {
    const std::string stack =
        R"({"OTIO_SCHEMA": "Stack.1", "children": [
            {"OTIO_SCHEMA": "Track.1", "kind": "Audio", "children": [)" +
        Clip("under", "mono16.wav", 0, 20, 25) + R"(]},
            {"OTIO_SCHEMA": "Track.1", "kind": "Audio", "children": [)" +
        Gap(5, 25) + ", " + Clip("over", "mono16.wav", 30, 10, 25) + "]}]}";
    const std::string timeline = WriteTimeline(Timeline({Clip("a", "mono16.wav", 0, 8, 25), stack}));
    const ToolRun run = Omftool("compose '" + timeline + "' -o '" + path("nest.omf") + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto read = Read(path("nest.omf"));
    ASSERT_EQ(read.size(), 1u);
    const auto& items = read[0].tracks[0].items;
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(read[0].tracks[0].length, 28);
    ASSERT_EQ(items[1].kind, Kind::kStack);
    EXPECT_EQ(items[1].length, 20);
    ASSERT_EQ(items[1].tracks.size(), 2u);
    // One master per file, named after its first clip.
    EXPECT_EQ(items[1].tracks[0].items[0].source, items[0].source);
    EXPECT_EQ(items[1].tracks[0].items[0].length, 20);
    const auto& over = items[1].tracks[1].items;
    ASSERT_EQ(over.size(), 3u);
    EXPECT_EQ(over[1].sourceStart, 30);
    EXPECT_EQ(over[2].kind, Kind::kGap); // 5 + 10, padded to 20
    EXPECT_EQ(over[2].length, 5);
}

// export then compose gives back the edit: the same timeline (but for mob IDs) and the same
// clip samples, placed at the same times.
TEST_F(OmftoolCompose, ExportedSessionComposesBackToTheSameEdit) {
    const std::string session = std::string(OMF_EXAMPLES_DIR) + "/session.omf";
    ASSERT_EQ(Omftool("export '" + session + "' -o '" + path("from") + "' --clips --handles 1")
                  .status,
              0);
    const std::string composed = path("composed.omf");
    const ToolRun run =
        Omftool("compose '" + path("from/timeline.otio") + "' -o '" + composed + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(Omftool("export '" + composed + "' -o '" + path("back") + "' --clips --handles 1")
                  .status,
              0);
    // The timelines, their mob IDs and codec names aside.
    auto withoutIDs = [](std::string text) {
        std::istringstream lines(text);
        std::string line, kept;
        while (std::getline(lines, line)) {
            if (line.find("mob_id\"") == std::string::npos &&
                line.find("\"codec\"") == std::string::npos)
                kept += line + "\n";
        }
        return kept;
    };
    const ToolRun before = Omftool("timeline '" + session + "'");
    const ToolRun after = Omftool("timeline '" + composed + "'");
    ASSERT_EQ(before.status, 0);
    EXPECT_EQ(withoutIDs(after.out), withoutIDs(before.out));
    std::size_t clips = 0;
    for (const auto& entry : std::filesystem::directory_iterator(path("from/clips"))) {
        const std::string name = entry.path().filename().string();
        const std::string back = path("back/clips/" + name);
        EXPECT_EQ(Channel(back, 0), Channel(entry.path().string(), 0)) << name;
        SF_INFO info{};
        SF_BROADCAST_INFO from{}, to{};
        SNDFILE* a = sf_open(entry.path().c_str(), SFM_READ, &info);
        SNDFILE* b = sf_open(back.c_str(), SFM_READ, &info);
        ASSERT_TRUE(a && b) << name;
        sf_command(a, SFC_GET_BROADCAST_INFO, &from, sizeof from);
        sf_command(b, SFC_GET_BROADCAST_INFO, &to, sizeof to);
        EXPECT_EQ(to.time_reference_low, from.time_reference_low) << name;
        sf_close(a);
        sf_close(b);
        ++clips;
    }
    EXPECT_EQ(clips, 4u);
}

} // namespace
