#include "export_pictures.h"

#include "image_file_writer.h"
#include "interruption.h"
#include "movie_output.h"
#include "output_file.h"
#include "picture_media.h"

#include "tarsel/system/image.h"

#include <cstdio>
#include <vector>

namespace omftool {

namespace {

// Image files are numbered from 0 with this many digits.
constexpr int kFrameDigits = 6;

std::string frameName(const std::string& pattern, int64_t frame) {
    char number[32];
    std::snprintf(number, sizeof number, "%0*lld", kFrameDigits, static_cast<long long>(frame));
    const size_t at = pattern.find('#');
    return pattern.substr(0, at) + number + pattern.substr(at + 1);
}

// An 8-bit ARGB frame as an image the movie server takes, released when it goes.
struct HeldImage {
    Image* image = nullptr;
    HeldImage(const std::vector<uint8_t>& argb, int width, int height) {
        std::vector<uint8_t> rgba(argb.size());
        for (size_t i = 0; i + 3 < argb.size(); i += 4) {
            rgba[i] = argb[i + 1];
            rgba[i + 1] = argb[i + 2];
            rgba[i + 2] = argb[i + 3];
            rgba[i + 3] = argb[i];
        }
        image = Image::FromRGBA8(rgba.data(), width, height, std::ptrdiff_t(width) * 4);
    }
    ~HeldImage() {
        if (image) image->Recycle();
    }
    HeldImage(const HeldImage&) = delete;
    HeldImage& operator=(const HeldImage&) = delete;
};

} // namespace

bool exportPictureMaster(omfHdl_t file, const MasterUse& master, PictureOutput output,
                         ExportFolder& folder, MediaFailure& failure) {
    const ClipSource& source = *master.source;
    PictureReader reader;
    if (!reader.open(file, MediaMob{source.mob, source.trackID, source.name}, failure))
        return false;
    const bool movie = output == PictureOutput::kMovie;
    ExportedFile entry;
    entry.kind = "picture";
    entry.masterMob = source.name;
    entry.mobID = mobIDText(source.mobID);
    entry.trackID = source.trackID;
    entry.length = reader.frameCount();
    entry.sampleRate = source.editRate.denominator != 0
                           ? double(source.editRate.numerator) / source.editRate.denominator
                           : 0;
    // A sequence is named by its pattern, '#' standing for the frame number.
    const std::string stem = folder.name("pictures", source.name, movie ? ".mov" : "");
    entry.path = movie ? stem : stem + "/" + stem.substr(stem.rfind('/') + 1) + ".#.png";
    std::string why;
    folder.progress(entry.path);
    const std::string firstName = movie ? entry.path : frameName(entry.path, 0);
    if (!folder.makeFor(firstName, why))
        return failWith(failure, "cannot write " + folder.path(firstName) + ": " + why);

    OutputFile movieFile(folder.path(entry.path)); // declared before the movie it holds
    if (movie && !movieFile.open(why))
        return failWith(failure, "cannot write " + movieFile.target() + ": " + why);
    MovieOutput written;
    std::vector<uint8_t> argb;
    for (int64_t frame = 0; frame < reader.frameCount(); ++frame) {
        if (interrupted()) return false; // main names the signal
        if (!reader.readFrame(frame, argb, failure)) return false;
        if (movie) {
            const HeldImage image(argb, reader.width(), reader.height());
            if (!image.image ||
                (frame == 0 && !written.start(movieFile.path(), reader.width(), reader.height(),
                                              entry.sampleRate, kDefaultMovieCodec, why)) ||
                !written.add(*image.image, why))
                return failWith(failure, "cannot write " + movieFile.target() + ": " +
                                             movieFile.named(why.empty() ? "no memory" : why));
            continue;
        }
        const std::string name = folder.path(frameName(entry.path, frame));
        const ArgbPicture picture{argb, reader.width(), reader.height(), reader.hasAlpha()};
        if (!writeOutputFile(
                name,
                [&picture](const std::string& path, std::string& failed) {
                    return writeImage(path, picture, failed);
                },
                why))
            return failWith(failure, "cannot write " + name + ": " + why);
    }
    if (movie && reader.frameCount() > 0 && (!written.finish(why) || !movieFile.commit(why)))
        return failWith(failure, "cannot write " + movieFile.target() + ": " + why);
    folder.written(entry);
    return true;
}

} // namespace omftool
