#include "omftool_write.h"

#include "command_line.h"
#include "commands.h"
#include "common_options.h"
#include "movie_input.h"
#include "plugin_tracks.h"
#include "toolkit_console.h"
#include "tarsel/system/numbered_name.h"

#include "omf/omf_codec_ids.h"

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
#include <filesystem>
#include <iostream>
#include <memory>
#include <system_error>

namespace omftool {

namespace {

constexpr const char* kCodecInput = "Codec";
constexpr const char* kVarietySuffix = ".CodecVariety";
constexpr const char* kRateInput = "FrameRateFps";
constexpr const char* kQualityInput = "Quality";
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
        if (!closed) return Fail("the OMF plug-in could not finish " + m_Options.output);
        if (!m_Output.commit(error)) return Fail("cannot write " + m_Options.output + ": " + error);
        out << "Wrote " << m_Frames << " frame" << (m_Frames == 1 ? "" : "s") << " of " << m_Width
            << " x " << m_Height << " to " << m_Options.output << " with codec " << m_Options.codec
            << (m_Options.variety ? ":" + *m_Options.variety : "") << "\n";
        return kExitDone;
    }

  private:
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
        if (m_Options.rate) m_Host->SetInput(kRateInput, Parameter(*m_Options.rate));
        if (m_Options.quality) {
            // The saver has no Quality for AJPG: each variety's name promises its data rate.
            if (m_Options.codec == kOmfCodecAVR) {
                return Fail("codec " + m_Options.codec +
                            " takes no --quality: its variety sets the compression");
            }
            m_Host->SetInput(kQualityInput, Parameter(*m_Options.quality));
        }
        return kExitDone;
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
                return kExitDone;
            }
            if (int status = WriteFrame(image.image, input, frame); status != 0) return status;
            if (!allFrames) return kExitDone;
        }
    }

    // A movie is read through the movie server, frame by frame.
    int WriteMovie(const std::string& input) {
        MovieInput movie;
        std::string why;
        if (!movie.open(input, why)) return Fail("cannot read " + input + ": " + why);
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
    ToolkitConsole m_Quiet; // the toolkit's container trace only at --verbose
    Application m_App;      // the plug-in's messages go to standard error
    TarselDoc m_Document;
    OutputFile m_Output{m_Options.output}; // removed after the plug-in has closed it
    std::unique_ptr<Plugin> m_Plugin;
    std::unique_ptr<FormatHost> m_Host; // declared after the plug-in: closed before it unloads
    bool m_HeaderWritten = false;
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
        double rate = 0, quality = 0;
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
        "--variety", given->variety, "Variety of a codec that has them, e.g. Uncomp422 for AJPG");
    given->rateOption = write->add_option("--rate", given->rate, "Frames per second (default: 24)")
                            ->check(CLI::Range(0.01, 1000.0));
    given->qualityOption =
        write
            ->add_option(
                "--quality", given->quality,
                "JPEG quality 0..100 (default: 93); refused for AJPG, whose varieties name "
                "their compression")
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
            if (given->rateOption->count() > 0) options.rate = given->rate;
            if (given->qualityOption->count() > 0) options.quality = given->quality;
            options.progress = showsProgress();
            return runWrite(options, std::cout, std::cerr);
        };
    });
}

} // namespace omftool
