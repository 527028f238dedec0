#include "omftool_write.h"

#include "command_line.h"
#include "commands.h"
#include "common_options.h"
#include "file_info.h"
#include "frame_rate_option.h"
#include "movie_input.h"
#include "movie_sound.h"
#include "open_omf_file.h"
#include "plugin_tracks.h"
#include "tarsel/system/numbered_name.h"
#include "toolkit_console.h"

#include "omf/omf_codec_ids.h"
#include "omf/omf_media.h"
#include "omf/omf_session.h"

#include "tarsel/system/application.h"
#include "tarsel/system/clip.h"
#include "tarsel/system/format_host.h"
#include "tarsel/system/image.h"
#include "tarsel/system/image_format.h"
#include "tarsel/system/preferences.h"
#include "tarsel/system/registry.h"
#include "tarsel/system/tool.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <system_error>

namespace omftool {

namespace {

constexpr const char* kCodecInput = "Codec";
constexpr const char* kVarietySuffix = ".CodecVariety";
constexpr const char* kRateInput = "FrameRateFps";
constexpr const char* kQualityInput = "Quality";

// The capabilities the codec registered as `codecID` describes itself with, in a session that
// has the codecs the plug-in has; nothing when no codec of that ID is registered. An ID followed
// by ":" and a variety gives that variety's.
std::optional<omfUInt32> CodecCapabilities(const std::string& codecID) {
    omfSessionHdl_t session = nullptr;
    std::optional<omfUInt32> answer;
    omfUInt32 capabilities = 0;
    if (startSession(MediaLayer::kWith, session) == 0 &&
        omfmGetCodecCapabilities(session, codecID.c_str(), &capabilities) == 0)
        answer = capabilities;
    if (session != nullptr) omfsFinishSession(session);
    return answer;
}
// The rates AJPG's resolutions take, and how close a rate must come to one of them.
constexpr double kResolutionRates[] = {24.0, 25.0, 29.97};
constexpr double kResolutionRateTolerance = 0.001;
constexpr const char* kSoundNotWritten =
    " has sound, which write does not copy: the OMF file holds its pictures only";
constexpr const char* kNotARate = " is not a frame rate: give a number of frames per second from "
                                  "0.01 to 1000 (25, 29.97) or N/D (30000/1001)";
// Extensions read as single pictures; anything else is read as a movie through the movie
// server.
constexpr const char* kPictureExtensions[] = {".png", ".jpg", ".jpeg", ".tif", ".tiff",
                                              ".bmp", ".ppm", ".pgm",  ".pam", ".tga",
                                              ".dpx", ".exr", ".webp", ".sgi"};

// Releases an image when it goes.
struct HeldImage {
    Image* image = nullptr;
    explicit HeldImage(Image* made) : image(made) {}
    ~HeldImage() {
        if (image) image->Recycle();
    }
    HeldImage(const HeldImage&) = delete;
    HeldImage& operator=(const HeldImage&) = delete;
};

// Releases a clip when it goes.
struct HeldClip {
    Clip* clip;
    explicit HeldClip(Clip* made) : clip(made) {}
    ~HeldClip() { clip->Recycle(); }
    HeldClip(const HeldClip&) = delete;
    HeldClip& operator=(const HeldClip&) = delete;
};

// What the saver did to frames of `width` x `height` to give the stored picture of media
// described by `media` (omftool info's description): empty when it took them as they were.
// Frames twice the stored width are halved across, then cut to the picture; one-field media
// keeps the first field of that picture.
std::string PictureChange(int width, int height, const nlohmann::json& media) {
    const int storedWidth = media.value("storedWidth", 0);
    const int storedRows = media.value("storedHeight", 0);
    const std::string layout = media.value("frameLayout", "");
    const int pictureRows = layout == "full frame" ? storedRows : 2 * storedRows;
    // Media whose description gives no size (TIFF-stored resolutions) is only named.
    if (storedWidth <= 0 || storedRows <= 0) return "fitted to the variety's fixed picture";
    std::string change;
    auto size = [](int across, int down) {
        return std::to_string(across) + " x " + std::to_string(down);
    };
    if (width >= 2 * storedWidth) {
        width /= 2;
        change = "the width halved to " + size(width, height);
    }
    if (width != storedWidth || height != pictureRows) {
        change += (change.empty() ? "" : ", then ") + std::string("cropped to its ") +
                  size(storedWidth, pictureRows) + " picture";
    }
    if (layout == "one field") {
        change += (change.empty() ? "" : ", then ") + std::string("its first field kept (") +
                  size(storedWidth, storedRows) + ")";
    }
    // Readers are given the sampled area of the stored picture.
    const int pictureWidth = media.value("pictureWidth", storedWidth);
    const int pictureHeight = media.value("pictureHeight", pictureRows);
    if (pictureWidth != storedWidth || pictureHeight != pictureRows) {
        change += (change.empty() ? "" : "; ") + std::string("frames and extract give its ") +
                  size(pictureWidth, pictureHeight) + " sampled area";
    }
    return change;
}

bool IsPicture(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return std::find(std::begin(kPictureExtensions), std::end(kPictureExtensions), extension) !=
           std::end(kPictureExtensions);
}

bool Exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// Whether all frames of the input's clip are read: a movie, or the one picture given when it
// starts a numbered sequence. Other pictures give one frame.
bool ReadsAllFrames(const std::string& input, std::size_t inputCount) {
    if (!IsPicture(input)) return true;
    if (inputCount != 1) return false;
    const auto numbered = NumberedName::Parse(input);
    return numbered && Exists(numbered->WithOffset(1));
}

// Drives the saver: inputs applied, SaveHeader with the first frame, SaveFrame for each.
class SaverRun {
  public:
    SaverRun(const WriteOptions& options, std::ostream& err) : m_Options(options), m_Err(err) {}

    // Answers the exit status.
    int Run(std::ostream& out) {
        // Every input is checked before anything is made.
        for (const std::string& input : m_Options.inputs) {
            if (!Exists(input)) return Fail("cannot read " + input + ": no such file");
        }
        std::string error;
        m_Plugin = Plugin::Load(pluginPath(), &error);
        if (!m_Plugin) return Fail("cannot load the OMF plug-in: " + error);
        if (!m_Output.open(error)) return Fail("cannot write " + m_Options.output + ": " + error);
        // The saver writes the temporary; it replaces the output once complete.
        m_Host = FormatHost::Create(m_Output.path(), &m_Document, &error);
        if (!m_Host) return Fail(m_Output.named(error));
        if (int status = ApplyChoices(); status != 0) return status;

        for (const std::string& input : m_Options.inputs) {
            if (int status = WriteInput(input); status != 0) return status;
        }
        if (m_Options.progress && m_Frames > 0) m_Err << "\n";
        if (m_Frames == 0) return Fail("no frames to write");
        const bool closed = m_Host->Format()->Close();
        m_Host.reset();
        m_Quiet.reset(); // the summary goes to standard output
        if (!closed) return Fail("the OMF plug-in could not finish " + m_Options.output);
        const std::string change = StoredPictureChange();
        if (!m_Output.commit(error)) return Fail("cannot write " + m_Options.output + ": " + error);
        out << "Wrote " << m_Frames << " frame" << (m_Frames == 1 ? "" : "s") << " of " << m_Width
            << " x " << m_Height << " to " << m_Options.output << " with codec " << m_Options.codec
            << (m_Options.variety ? ":" + *m_Options.variety : "")
            << (change.empty() ? "" : " (" + change + ")") << "\n";
        return kExitDone;
    }

  private:
    // For a resolution of fixed picture size, what was done to the frames to fit it, read
    // back from the finished file.
    std::string StoredPictureChange() const {
        if (m_Options.codec != kOmfCodecAVR) return {};
        nlohmann::json description;
        int error = 0;
        std::string message;
        if (!describeFile(m_Output.path(), description, error, message) ||
            description["media"].empty())
            return {};
        return PictureChange(m_Width, m_Height, description["media"][0]);
    }

    int Fail(const std::string& message) {
        if (m_Options.progress && m_Frames > 0) m_Err << "\n";
        m_Err << "omftool write: " << message << "\n";
        return Stop();
    }

    // Ends the run without a message (an interruption is named by main): what the plug-in
    // opened is closed and the temporary removed; a file that was there before is left alone.
    int Stop() {
        m_Host.reset();
        m_Output.discard();
        return kExitError;
    }

    int ApplyChoices() {
        Tool& tool = m_Host->GetTool();
        const std::optional<omfUInt32> capabilities = CodecCapabilities(m_Options.codec);
        if (!capabilities) {
            return Fail("there is no codec \"" + m_Options.codec +
                        "\" (omftool codecs lists the codecs and their varieties)");
        }
        if (!m_Host->SetInput(kCodecInput, Parameter(TsID(m_Options.codec))))
            return Fail("the OMF plug-in has no codec control");
        if (m_Options.variety) {
            const std::string varietyInput = m_Options.codec + kVarietySuffix;
            Input* varieties = tool.FindInput(varietyInput);
            if (!varieties) return Fail("codec " + m_Options.codec + " has no varieties");
            const std::vector<std::string> names = varieties->ItemTexts();
            if (std::find(names.begin(), names.end(), *m_Options.variety) == names.end()) {
                return Fail("codec " + m_Options.codec + " has no variety \"" + *m_Options.variety +
                            "\" (see omftool codecs)");
            }
            m_Host->SetInput(varietyInput, Parameter(TsID(*m_Options.variety)));
        }
        if (m_Options.rate) SetRate(*m_Options.rate);
        if (m_Options.quality) {
            // The saver has no Quality for AJPG: each variety's name promises its data rate.
            if (m_Options.codec == kOmfCodecAVR) {
                return Fail("codec " + m_Options.codec +
                            " takes no --quality: its variety sets the compression");
            }
            if ((*capabilities & kOmfCodecTakesQuantTables) == 0) {
                return Fail("codec " + m_Options.codec +
                            " takes no --quality: it does not compress with quantisation tables");
            }
            // A codec may compress in some varieties only (TIFF's Uncompressed does not).
            if (m_Options.variety) {
                const std::optional<omfUInt32> inVariety =
                    CodecCapabilities(m_Options.codec + ":" + *m_Options.variety);
                if (inVariety && (*inVariety & kOmfCodecTakesQuantTables) == 0) {
                    return Fail("codec " + m_Options.codec + " takes no --quality in variety " +
                                *m_Options.variety +
                                ": it does not compress with quantisation tables");
                }
            }
            m_Host->SetInput(kQualityInput, Parameter(*m_Options.quality));
        }
        return kExitDone;
    }

    // AJPG's resolutions are video of one standard: a rate none of them takes is refused here,
    // with the rates that are, rather than by the codec with a bare error code.
    int CheckResolutionRate(const std::string& input) {
        if (m_Options.codec != kOmfCodecAVR || !m_Rate) return kExitDone;
        for (double rate : kResolutionRates) {
            if (std::fabs(*m_Rate - rate) < kResolutionRateTolerance) return kExitDone;
        }
        std::ostringstream rate;
        rate << *m_Rate;
        return Fail("codec AJPG writes NTSC (29.97 frames per second), PAL (25) or film (24) "
                    "video, and " + rate.str() + " frames per second" +
                    (m_Options.rate ? "" : " (the rate of " + input + ")") +
                    " is none of them: give --rate 29.97, 25 or 24");
    }

    void SetRate(double framesPerSecond) {
        m_Host->SetInput(kRateInput, Parameter(framesPerSecond));
        m_Rate = framesPerSecond;
    }

    int WriteInput(const std::string& input) {
        if (!Exists(input)) return Fail("cannot read " + input + ": no such file");
        if (!IsPicture(input)) return WriteMovie(input);
        HeldClip clip(new Clip(input.c_str(), false, &m_Document));
        const bool allFrames = ReadsAllFrames(input, m_Options.inputs.size());
        for (int32_t frame = 0;; ++frame) {
            HeldImage image(clip.clip->GetFrameTagList(frame));
            if (!image.image) {
                if (frame == 0) return Fail("cannot read " + input + " as a picture or movie");
                return EndOfSequence(input, frame);
            }
            if (int status = WriteFrame(image.image, input, frame); status != 0) return status;
            if (!allFrames) return kExitDone;
        }
    }

    // A numbered sequence ended after `frames` frames: a file there that cannot be read fails;
    // a missing number with later numbers after it is named.
    int EndOfSequence(const std::string& input, int32_t frames) {
        const auto first = NumberedName::Parse(input);
        if (!first) return kExitDone;
        const std::string next = first->WithOffset(frames);
        if (Exists(next)) return Fail("cannot read " + next + " as a picture");
        const std::filesystem::path folder = std::filesystem::path(input).parent_path();
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(
                 folder.empty() ? std::filesystem::path(".") : folder, error)) {
            const auto later = NumberedName::Parse(entry.path().string());
            if (!later || later->Number() <= first->Number() + frames) continue;
            if (std::filesystem::path(first->WithOffset(later->Number() - first->Number()))
                    .filename() != entry.path().filename())
                continue;
            if (m_Options.progress) m_Err << "\n";
            m_Err << "omftool write: warning: " << next << " is missing: the sequence ends there, "
                  << frames << " frame" << (frames == 1 ? "" : "s")
                  << " written; later numbers are not written\n";
            break;
        }
        return kExitDone;
    }

    // A movie is read through the movie server, frame by frame.
    int WriteMovie(const std::string& input) {
        MovieInput movie;
        std::string why;
        if (!movie.open(input, why)) return Fail("cannot read " + input + ": " + why);
        if (movieHasSound(input))
            m_Err << "omftool write: warning: " << input << kSoundNotWritten << "\n";
        // Without --rate the file takes the rate of the movie that starts it.
        if (!m_Options.rate && !m_HeaderWritten && movie.rate() > 0) SetRate(movie.rate());
        if (m_HeaderWritten && m_Rate != movie.rate()) {
            m_Err << "omftool write: warning: " << input << " runs at " << movie.rate()
                  << " frames per second; its frames are written at the file's rate (";
            if (m_Rate)
                m_Err << *m_Rate;
            else
                m_Err << "the default";
            m_Err << ")\n";
        }
        for (int64_t frame = 0; frame < movie.frameCount(); ++frame) {
            HeldImage image(movie.frame(frame));
            if (!image.image)
                return Fail("cannot read frame " + std::to_string(frame) + " of " + input);
            if (int status = WriteFrame(image.image, input, int32_t(frame)); status != 0)
                return status;
        }
        return kExitDone;
    }

    int WriteFrame(Image* image, const std::string& input, int32_t frame) {
        if (interrupted()) return Stop();
        if (!m_HeaderWritten) {
            m_HeaderWritten = true;
            if (int status = CheckResolutionRate(input); status != 0) return status;
            if (!m_Host->SaveHeader(image))
                return Fail("the OMF plug-in could not create " + m_Options.output);
            m_Width = image->Width();
            m_Height = image->Height();
        }
        if (!m_Host->SaveFrame(image)) {
            return Fail("frame " + std::to_string(frame) + " of " + input + " (" +
                        std::to_string(image->Width()) + " x " + std::to_string(image->Height()) +
                        ") was not written");
        }
        ++m_Frames;
        if (m_Options.progress) m_Err << "\rframe " << m_Frames << std::flush;
        frameWritten(m_Frames);
        return kExitDone;
    }

    const WriteOptions& m_Options;
    std::ostream& m_Err;
    // The toolkit's container trace only at --verbose, while the plug-in writes.
    std::optional<ToolkitConsole> m_Quiet{std::in_place};
    Application m_App; // the plug-in's messages go to standard error
    TarselDoc m_Document;
    OutputFile m_Output{m_Options.output}; // removed after the plug-in has closed it
    std::unique_ptr<Plugin> m_Plugin;
    std::unique_ptr<FormatHost> m_Host; // declared after the plug-in: closed before it unloads
    bool m_HeaderWritten = false;
    std::optional<double> m_Rate; // frames per second set on the saver; unset: its default
    int64_t m_Frames = 0;
    int m_Width = 0;
    int m_Height = 0;
};

} // namespace

int runWrite(const WriteOptions& options, std::ostream& out, std::ostream& err) {
    SaverRun run(options, err);
    return run.Run(out);
}

void addWriteCommand(CLI::App& app, CommandRun& run) {
    struct Given {
        WriteOptions options;
        std::string variety;
        std::string rate;
        double quality = 0;
        CLI::Option* varietyOption = nullptr;
        CLI::Option* rateOption = nullptr;
        CLI::Option* qualityOption = nullptr;
    };
    auto given = std::make_shared<Given>();
    CLI::App* write = app.add_subcommand(
        "write", "Write pictures into a new OMF file through the OMF plug-in's saver, as a host "
                 "does: the codec, variety, frame rate and quality set on its controls, the first "
                 "frame as the template, then every frame");
    write->add_option("OUT", given->options.output, "OMF file to create")->required();
    write->add_option("--codec", given->options.codec, "Codec ID (see omftool codecs)")->required();
    given->varietyOption = write->add_option(
        "--variety", given->variety,
        "Variety of a codec that has them, e.g. Uncomp422 for AJPG, JPEG or Uncompressed for "
        "TIFF (default: the saver's, Uncomp422 for AJPG and JPEG for TIFF)");
    given->rateOption = write->add_option(
        "--rate", given->rate,
        "Frames per second, 0.01 to 1000, as a number (25, 29.97) or N/D (30000/1001); 23.976, "
        "29.97, 47.952, 59.94 and 119.88 are stored as their exact NTSC ratios (24000/1001...), "
        "other rates in hundredths (default: a movie's own rate, else 24)");
    given->qualityOption =
        write
            ->add_option("--quality", given->quality,
                         "JPEG quality 0..100 (default: 93), for codecs that compress with "
                         "quantisation tables (JPEG, TIFF's JPEG variety); refused for AJPG, "
                         "whose varieties name their compression, and for uncompressed codecs "
                         "and varieties such as RGBA and TIFF's Uncompressed")
            ->check(CLI::Range(0.0, 100.0));
    write
        ->add_option("INPUT", given->options.inputs,
                     "Picture files (one frame each), the first file of a numbered sequence "
                     "given alone (shot.0001.png: every following number), or a movie (read "
                     "through the movie server)")
        ->required();
    write->footer("A progress line shows on a terminal. OUT is written as a temporary beside it "
                  "and replaces an earlier OUT only when complete. Exit status 0 when every frame "
                  "was written; 2 for an input that cannot be read, a choice the saver refuses or "
                  "a file that cannot be written; 130 after SIGINT, 143 after SIGTERM. On a "
                  "failure or an interruption nothing new is left and an earlier OUT is kept.");
    write->callback([given, &run] {
        run = [given] {
            WriteOptions& options = given->options;
            if (given->varietyOption->count() > 0) options.variety = given->variety;
            if (given->rateOption->count() > 0) {
                options.rate = parseFrameRate(given->rate);
                if (!options.rate) {
                    std::cerr << "omftool write: --rate " << given->rate << kNotARate << "\n";
                    return kExitError;
                }
            }
            if (given->qualityOption->count() > 0) options.quality = given->quality;
            options.progress = showsProgress();
            return runWrite(options, std::cout, std::cerr);
        };
    });
}

} // namespace omftool
