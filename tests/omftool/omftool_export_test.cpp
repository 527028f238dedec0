// omftool export on the example session: the masters' and clips' Broadcast WAVE files read back
// with libsndfile and compared sample by sample with the generated sound, their time references
// against where the edit has the clips, the manifest; a master whose media is found nowhere; and
// the failures with their exit statuses.
#include "../common/scratch_folder.h"
#include "composition_export.h"
#include "sample_edit.h"
#include "sample_session.h"

#include "omf/omf_audio_media.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"
#include "omf_fixture.h"

#include <nlohmann/json.hpp>
#include <sndfile.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using omftool::SampleSessionMedia;

constexpr int64_t kSamplesPerFrame = omftool::kSampleSessionRate / omftool::kSampleSessionFrameRate;
constexpr int64_t kHourSamples = int64_t{3600} * omftool::kSampleSessionRate;

struct Sound {
    SF_INFO info{};
    SF_BROADCAST_INFO bext{};
    bool hasBext = false;
    std::vector<int32_t> samples; // full 32-bit scale
};

Sound readSound(const std::string& path) {
    Sound sound;
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &sound.info);
    EXPECT_NE(file, nullptr) << path;
    if (file == nullptr) return sound;
    sound.hasBext =
        sf_command(file, SFC_GET_BROADCAST_INFO, &sound.bext, sizeof sound.bext) == SF_TRUE;
    sound.samples.resize(size_t(sound.info.frames * sound.info.channels));
    EXPECT_EQ(sf_readf_int(file, sound.samples.data(), sound.info.frames), sound.info.frames);
    sf_close(file);
    return sound;
}

int64_t timeReference(const Sound& sound) {
    return int64_t(sound.bext.time_reference_high) << 32 | sound.bext.time_reference_low;
}

// Whether `sound` holds the generated media from sample `first` on; the first mismatch is named.
::testing::AssertionResult holdsMedia(const Sound& sound, SampleSessionMedia media, int64_t first) {
    const int shift = 32 - omftool::sampleSessionBits(media);
    for (size_t i = 0; i < sound.samples.size(); ++i) {
        const int32_t expected = omftool::sampleSessionSample(media, first + int64_t(i)) << shift;
        if (sound.samples[i] != expected)
            return ::testing::AssertionFailure()
                   << "sample " << i << " is " << sound.samples[i] << ", the media's "
                   << first + int64_t(i) << " is " << expected;
    }
    return ::testing::AssertionSuccess();
}

struct ToolRun {
    int status = -1;
    std::string err;
};

class OmftoolExport : public test_support::ScratchFolderTest {
  protected:
    void SetUp() override {
        ScratchFolderTest::SetUp();
        if (HasFatalFailure()) return;
        session_ = path("session.omf");
        ASSERT_TRUE(omftool::writeSampleSession(session_));
    }

    int run(omftool::ExportOptions options) {
        if (options.file.empty()) options.file = session_;
        if (options.folder.empty()) options.folder = path("out");
        out_.str("");
        err_.str("");
        return omftool::runExport(options, out_, err_);
    }

    nlohmann::json manifest() {
        std::ifstream in(path("out/manifest.json"));
        return nlohmann::json::parse(in);
    }

    // The manifest's entry of clip `clip` of track `track`; null when there is none.
    static const nlohmann::json* clipEntry(const nlohmann::json& manifest, int track, int clip) {
        for (const auto& file : manifest["files"])
            if (file["track_id"] == track && file["clip"] == clip) return &file;
        return nullptr;
    }

    ToolRun tool(const std::string& arguments) {
        const std::string errPath = path("err.txt");
        const int result = std::system(
            (std::string(OMFTOOL_PATH) + " " + arguments + " >/dev/null 2>'" + errPath + "'")
                .c_str());
        std::ifstream err(errPath);
        return {WIFEXITED(result) ? WEXITSTATUS(result) : -1,
                std::string(std::istreambuf_iterator<char>(err), {})};
    }

    std::string session_;
    std::ostringstream out_, err_;
};

TEST_F(OmftoolExport, MastersKeepEverySampleAndTheirSampleSizes) {
    // The bundled example is what the builder writes: its sound is checked the same way.
    for (const std::string& file : {session_, std::string(OMF_EXAMPLES_DIR) + "/session.omf"}) {
        SCOPED_TRACE(file);
        fs::remove_all(path("out"));
        omftool::ExportOptions options;
        options.file = file;
        ASSERT_EQ(run(options), 0) << err_.str();
        for (const auto media : {SampleSessionMedia::Dialogue, SampleSessionMedia::Music}) {
            const bool dialogue = media == SampleSessionMedia::Dialogue;
            const Sound sound =
                readSound(path(dialogue ? "out/sound/Dialogue.wav" : "out/sound/Music.wav"));
            EXPECT_EQ(sound.info.format,
                      SF_FORMAT_WAV | (dialogue ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_24));
            EXPECT_EQ(sound.info.channels, 1);
            EXPECT_EQ(sound.info.samplerate, omftool::kSampleSessionRate);
            EXPECT_EQ(sound.info.frames, omftool::kSampleSessionSamples);
            EXPECT_TRUE(holdsMedia(sound, media, 0));
            ASSERT_TRUE(sound.hasBext);
            EXPECT_STREQ(sound.bext.description, dialogue ? "Dialogue" : "Music");
            EXPECT_EQ(std::string(sound.bext.origination_date, 10).size(), 10u);
            EXPECT_EQ(sound.bext.origination_date[4], '-');
            EXPECT_EQ(sound.bext.origination_time[2], ':');
        }
    }
    const nlohmann::json written = manifest();
    EXPECT_EQ(written["composition"], "Session");
    EXPECT_EQ(written["edit_rate"], "25/1");
    EXPECT_EQ(written["start_timecode"], "01:00:00:00");
    int sounds = 0;
    for (const auto& file : written["files"]) {
        if (file["kind"] != "sound") continue;
        ++sounds;
        EXPECT_TRUE(file["clip"].is_null());
        EXPECT_EQ(file["length"], omftool::kSampleSessionSamples);
        EXPECT_EQ(file["bits"], file["master_mob"] == "Dialogue" ? 16 : 24);
        EXPECT_TRUE(fs::exists(path("out/" + file["path"].get<std::string>())));
    }
    EXPECT_EQ(sounds, 2); // one per master, however many clips play it

    // The timeline's clips name the masters' files by relative URL; the list is beside it.
    std::ifstream otioFile(path("out/timeline.otio"));
    const nlohmann::json otio = nlohmann::json::parse(otioFile);
    std::set<std::string> urls;
    int clips = 0;
    for (const auto& track : otio["tracks"]["children"])
        for (const auto& item : track["children"])
            if (item["OTIO_SCHEMA"] == "Clip.2") {
                ++clips;
                urls.insert(item["media_references"]["DEFAULT_MEDIA"]["target_url"]);
            }
    EXPECT_EQ(clips, 4);
    EXPECT_EQ(urls, (std::set<std::string>{"sound/Dialogue.wav", "sound/Music.wav"}));
    std::set<std::string> others;
    for (const auto& file : written["files"])
        if (file["kind"] == "timeline" || file["kind"] == "edl") others.insert(file["path"]);
    EXPECT_EQ(others, (std::set<std::string>{"timeline.otio", "timeline.edl"}));
    EXPECT_TRUE(fs::exists(path("out/timeline.edl")));
}

TEST_F(OmftoolExport, ClipsCoverTheirExtentAndHandlesAndLandWhereTheEditHasThem) {
    omftool::ExportOptions options;
    options.clips = true;
    options.handleSeconds = 1;
    ASSERT_EQ(run(options), 0) << err_.str();
    EXPECT_NE(out_.str().find("4 clips"), std::string::npos) << out_.str();
    const nlohmann::json written = manifest();
    // From the edit (frames at 25 a second; 1920 samples a frame): track, clip, master, its
    // first frame in the master, its length and its place on the timeline.
    struct Expected {
        int track, clip;
        SampleSessionMedia media;
        int64_t sourceFrame, frames, position;
    };
    constexpr int64_t handle = omftool::kSampleSessionRate;
    for (const Expected& clip : {Expected{1, 0, SampleSessionMedia::Dialogue, 10, 30, 5},
                                 Expected{1, 1, SampleSessionMedia::Dialogue, 45, 20, 25},
                                 Expected{2, 0, SampleSessionMedia::Music, 20, 20, 0},
                                 Expected{2, 1, SampleSessionMedia::Music, 45, 25, 30}}) {
        SCOPED_TRACE("track " + std::to_string(clip.track) + " clip " + std::to_string(clip.clip));
        const nlohmann::json* entry = clipEntry(written, clip.track, clip.clip);
        ASSERT_NE(entry, nullptr);
        // The handles reach as far as the media does: 3 seconds.
        const int64_t first = std::max<int64_t>(0, clip.sourceFrame * kSamplesPerFrame - handle);
        const int64_t end = std::min(omftool::kSampleSessionSamples,
                                     (clip.sourceFrame + clip.frames) * kSamplesPerFrame + handle);
        const int64_t timelineStart =
            clip.position * kSamplesPerFrame - (clip.sourceFrame * kSamplesPerFrame - first);
        EXPECT_EQ((*entry)["source_start"], first);
        EXPECT_EQ((*entry)["length"], end - first);
        EXPECT_EQ((*entry)["timeline_start"], timelineStart);
        const Sound sound = readSound(path("out/" + (*entry)["path"].get<std::string>()));
        EXPECT_EQ(sound.info.frames, end - first);
        EXPECT_TRUE(holdsMedia(sound, clip.media, first));
        EXPECT_EQ(timeReference(sound), kHourSamples + timelineStart);
    }
    // The first music clip's head handle reaches before the timeline's start.
    EXPECT_LT((*clipEntry(written, 2, 0))["timeline_start"].get<int64_t>(), 0);
}

TEST_F(OmftoolExport, CrossfadedClipsOverlapByTheTransitionAndStartOverridesTheTimecode) {
    omftool::ExportOptions options;
    options.clips = true;
    options.start = "10:00:00:00";
    ASSERT_EQ(run(options), 0) << err_.str();
    const nlohmann::json written = manifest();
    EXPECT_EQ(written["start_timecode"], "10:00:00:00");
    const nlohmann::json* outgoing = clipEntry(written, 1, 0);
    const nlohmann::json* incoming = clipEntry(written, 1, 1);
    ASSERT_TRUE(outgoing && incoming);
    const int64_t outgoingEnd =
        (*outgoing)["timeline_start"].get<int64_t>() + (*outgoing)["length"].get<int64_t>();
    EXPECT_EQ(outgoingEnd - (*incoming)["timeline_start"].get<int64_t>(), 10 * kSamplesPerFrame);
    const Sound sound = readSound(path("out/" + (*incoming)["path"].get<std::string>()));
    EXPECT_EQ(timeReference(sound),
              10 * kHourSamples + (*incoming)["timeline_start"].get<int64_t>());
    EXPECT_TRUE(holdsMedia(sound, SampleSessionMedia::Dialogue, 45 * kSamplesPerFrame));

    options.start = "10:00:00:25"; // no frame 25 at 25 frames a second
    fs::remove_all(path("out"));
    EXPECT_EQ(run(options), 2);
    EXPECT_NE(err_.str().find("--start 10:00:00:25 is no timecode"), std::string::npos)
        << err_.str();
    EXPECT_FALSE(fs::exists(path("out"))); // checked before anything was made
}

TEST_F(OmftoolExport, PictureMastersBecomeImageSequences) {
    ASSERT_TRUE(omftool::writeSampleEdit(path("edit.omf")));
    omftool::ExportOptions options;
    options.file = path("edit.omf");
    ASSERT_EQ(run(options), 0) << err_.str();
    int pictures = 0;
    const nlohmann::json written = manifest();
    for (const auto& file : written["files"]) {
        if (file["kind"] != "picture") continue;
        ++pictures;
        EXPECT_EQ(file["length"], omftool::kSampleEditFrames);
        std::string pattern = file["path"];
        const size_t at = pattern.find('#');
        ASSERT_NE(at, std::string::npos);
        EXPECT_TRUE(fs::exists(path("out/" + pattern.replace(at, 1, "000011"))));
    }
    EXPECT_EQ(pictures, 2);

    options.picture = omftool::PictureOutput::kNone;
    fs::remove_all(path("out"));
    ASSERT_EQ(run(options), 0) << err_.str();
    EXPECT_FALSE(fs::exists(path("out/pictures")));
}

class OmftoolExportMissing : public omf_test::ToolkitTest {};

// A composition of a clip of media in the file and one of a master whose WAVE file a locator
// names where it is not: the first is written, the second named and listed as missing.
TEST_F(OmftoolExportMissing, MasterWithoutMediaIsReportedAndListed) {
    ASSERT_EQ(omfmInit(session_), 0);
    omfHdl_t omf = nullptr;
    ASSERT_EQ(omfsNewFile(path("lost.omf").c_str(), session_, kOmfRev2x, &omf), 0);
    omfObject_t sound = nullptr;
    omfErr_t status = 0;
    ASSERT_TRUE(omfsFindDataKind(omf, "omfi:data:Sound", &sound, &status));
    constexpr omfRational_t rate{48000, 1};
    constexpr omfLength_t samples = 4800;
    omfObject_t here = nullptr, hereFile = nullptr;
    ASSERT_EQ(omfmCreateMasterMob(omf, "here", 4, &here), 0);
    ASSERT_EQ(omfmCreateFileMob(omf, "here", rate, "WAVE", &hereFile), 0);
    omfMediaHdl_t media = nullptr;
    ASSERT_EQ(omfmCreateAudioMedia(omf, here, hereFile, rate, 1, 16, &media), 0);
    std::vector<uint8_t> silence(size_t(samples) * 2);
    omfmMultiXfer_t transfer{1, omfInt32(samples), omfInt32(silence.size()), silence.data(), 0, 0};
    ASSERT_EQ(omfmWriteMultiSamples(media, 1, &transfer), 0);
    ASSERT_EQ(omfmCloseMedia(media), 0);

    omfObject_t lost = nullptr, lostFile = nullptr, descriptor = nullptr, locator = nullptr;
    ASSERT_EQ(omfmCreateFileMob(omf, "lost", rate, "WAVE", &lostFile), 0);
    ASSERT_EQ(omfiMobGetDescriptor(omf, lostFile, &descriptor), 0);
    ASSERT_EQ(omfsWriteLength(omf, descriptor, kOmfProperty_MDFL_Length, samples), 0);
    ASSERT_EQ(omfsWriteBoolean(omf, descriptor, kOmfProperty_MDFL_IsOMFI, false), 0);
    ASSERT_EQ(omfsObjectNew(omf, "UNXL", &locator), 0);
    ASSERT_EQ(omfsWriteString(omf, locator, kOmfProperty_UNXL_PathName, "/nowhere/lost.wav"), 0);
    ASSERT_EQ(omfsAppendObjRefArray(omf, descriptor, kOmfProperty_MDES_Locator, locator), 0);
    omfObject_t clip = nullptr;
    ASSERT_EQ(omfiMakeSourceClip(omf, sound, samples, omfSourceRef_t{}, &clip), 0);
    ASSERT_EQ(omfiAddTrackToMob(omf, lostFile, rate, clip, 0, 1, nullptr, nullptr), 0);
    omfSourceRef_t toFile{};
    ASSERT_EQ(omfiReadMobID(omf, lostFile, &toFile.sourceID), 0);
    toFile.sourceTrackID = 1;
    ASSERT_EQ(omfmCreateMasterMob(omf, "lost", 4, &lost), 0);
    ASSERT_EQ(omfiMakeSourceClip(omf, sound, samples, toFile, &clip), 0);
    ASSERT_EQ(omfiAddTrackToMob(omf, lost, rate, clip, 0, 1, nullptr, nullptr), 0);

    omfObject_t sequence = nullptr, composition = nullptr;
    ASSERT_EQ(omfiSequenceNew(omf, sound, &sequence), 0);
    for (omfObject_t master : {here, lost}) {
        omfSourceRef_t ref{};
        ASSERT_EQ(omfiReadMobID(omf, master, &ref.sourceID), 0);
        ref.sourceTrackID = 1;
        ASSERT_EQ(omfiMakeSourceClip(omf, sound, 2, ref, &clip), 0);
        ASSERT_EQ(omfiSequenceAppendCpnt(omf, sequence, clip), 0);
    }
    omfMobID_t id{};
    ASSERT_EQ(omfiMobIDNew(omf, &id), 0);
    ASSERT_EQ(omfiCompMobNew(omf, "Partly lost", true, id, &composition), 0);
    ASSERT_EQ(omfiAddTrackToMob(omf, composition, {25, 1}, sequence, 0, 1, "A1", nullptr), 0);
    ASSERT_EQ(omfsCloseOMFFile(omf), 0);

    omftool::ExportOptions options;
    options.file = path("lost.omf");
    options.folder = path("out");
    options.composition = "Partly lost";
    options.clips = true;
    std::ostringstream out, err;
    ASSERT_EQ(omftool::runExport(options, out, err), 0) << err.str();
    EXPECT_NE(err.str().find("master mob \"lost\" (track 1) is missing (looked for "
                             "/nowhere/lost.wav); skipped"),
              std::string::npos)
        << err.str();
    EXPECT_NE(out.str().find("1 missing"), std::string::npos) << out.str();
    std::ifstream in(path("out/manifest.json"));
    const nlohmann::json written = nlohmann::json::parse(in);
    int found = 0, missing = 0;
    for (const auto& file : written["files"]) {
        if (file["kind"] != "sound") continue;
        if (file.value("missing", false)) {
            ++missing;
            EXPECT_EQ(file["master_mob"], "lost");
            EXPECT_TRUE(file["path"].is_null());
            continue;
        }
        ++found;
        EXPECT_EQ(file["master_mob"], "here");
        EXPECT_EQ(readSound(path("out/" + file["path"].get<std::string>())).info.frames,
                  file["length"].get<int64_t>());
    }
    EXPECT_EQ(missing, 1);
    EXPECT_EQ(found, 2); // the master and its clip
    // Its clip in the timeline names no file.
    std::ifstream otioFile(path("out/timeline.otio"));
    const nlohmann::json otio = nlohmann::json::parse(otioFile);
    const auto& lostClip = otio["tracks"]["children"][0]["children"][1];
    EXPECT_EQ(lostClip["name"], "lost");
    EXPECT_EQ(lostClip["media_references"]["DEFAULT_MEDIA"]["OTIO_SCHEMA"], "MissingReference.1");
}

TEST_F(OmftoolExport, FailuresExitTwoAndNameWhatWasFinished) {
    // Not an OMF file.
    { std::ofstream(path("text.omf")) << "no container here\n"; }
    ToolRun result = tool("export '" + path("text.omf") + "' -o '" + path("a") + "'");
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("OMF error"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(path("a")));

    // An unknown composition, by name and by number.
    for (const char* composition : {"Nothing", "2"}) {
        result =
            tool("export '" + session_ + "' -o '" + path("a") + "' --composition " + composition);
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find(std::string("no composition \"") + composition + "\""),
                  std::string::npos)
            << result.err;
    }
    EXPECT_FALSE(fs::exists(path("a")));

    // A folder that cannot be made: a file is in the way.
    result = tool("export '" + session_ + "' -o '" + path("text.omf") + "/out'");
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("cannot write"), std::string::npos) << result.err;

    // A folder where the second master's first clip file would go: Dialogue's files are
    // finished and named in the manifest, Music's are not.
    fs::create_directories(path("b/clips/A2_0_Music.wav"));
    result = tool("export '" + session_ + "' -o '" + path("b") + "' --clips");
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("cannot write"), std::string::npos) << result.err;
    std::ifstream in(path("b/manifest.json"));
    ASSERT_TRUE(in.good());
    const nlohmann::json written = nlohmann::json::parse(in);
    ASSERT_EQ(written["files"].size(), 3u);
    for (const auto& file : written["files"]) {
        EXPECT_EQ(file["master_mob"], "Dialogue");
        EXPECT_TRUE(fs::exists(path("b/" + file["path"].get<std::string>())));
    }

    // Done: status 0.
    EXPECT_EQ(tool("export '" + session_ + "' -o '" + path("c") + "'").status, 0);
}

// SIGINT once the first file is finished: status 130, that file whole, no temporary left.
TEST_F(OmftoolExport, InterruptionLeavesFinishedFilesAndNoTemporaries) {
    const std::string folder = path("out");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("OMFTOOL_STOP_AFTER_FRAME", "1", 1);
        ::freopen("/dev/null", "w", stdout);
        ::freopen("/dev/null", "w", stderr);
        ::execl(OMFTOOL_PATH, OMFTOOL_PATH, "export", session_.c_str(), "-o", folder.c_str(),
                "--clips", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, WUNTRACED), pid);
    ASSERT_TRUE(WIFSTOPPED(status)) << "omftool did not stop after its first file";
    ::kill(pid, SIGINT);
    ::kill(pid, SIGCONT);
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) files.push_back(entry.path().lexically_relative(folder));
        EXPECT_EQ(entry.path().filename().string().find(".omftool-"), std::string::npos)
            << entry.path();
    }
    // The first file finished is the outgoing clip of the crossfade, which ends first.
    ASSERT_EQ(files, std::vector<std::string>{"clips/A1_0_Dialogue.wav"});
    const Sound sound = readSound(path("out/clips/A1_0_Dialogue.wav"));
    // Without handles: the master's frames 10 to 39.
    EXPECT_EQ(sound.info.frames, 30 * kSamplesPerFrame);
    EXPECT_TRUE(holdsMedia(sound, SampleSessionMedia::Dialogue, 10 * kSamplesPerFrame));
}

} // namespace
