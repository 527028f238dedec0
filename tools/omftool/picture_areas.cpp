#include "picture_areas.h"

#include "master_mob_search.h"
#include "media_handle.h"

#include "omf/omf_session.h"

namespace omftool {

namespace {

// Areas of no size stand for the whole stored picture.
void wholeWhenEmpty(omfRect_t& area, const PictureAreas& areas) {
    if (area.xSize > 0 && area.ySize > 0) return;
    area = omfRect_t{0, 0, areas.storedWidth, areas.storedHeight};
}

std::string size(int width, int height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

std::string at(int x, int y) {
    return " at " + std::to_string(x) + ", " + std::to_string(y);
}

} // namespace

std::optional<PictureAreas> readPictureAreas(omfMediaHdl_t media) {
    PictureAreas areas;
    if (omfmGetVideoFormat(media, &areas.layout, &areas.storedWidth, &areas.storedHeight, nullptr,
                           nullptr, nullptr) != 0 ||
        areas.storedWidth <= 0 || areas.storedHeight <= 0) {
        return std::nullopt;
    }
    if (omfmGetSampledArea(media, &areas.sampled.xOffset, &areas.sampled.yOffset,
                           &areas.sampled.xSize, &areas.sampled.ySize) != 0) {
        areas.sampled = {};
    }
    if (omfmGetDisplayArea(media, &areas.displayed.xOffset, &areas.displayed.yOffset,
                           &areas.displayed.xSize, &areas.displayed.ySize) != 0) {
        areas.displayed = {};
    }
    wholeWhenEmpty(areas.sampled, areas);
    wholeWhenEmpty(areas.displayed, areas);
    return areas;
}

std::optional<PictureAreas> readFileMobAreas(omfHdl_t file, omfObject_t fileMob) {
    omfErr_t status = 0;
    omfObject_t picture = nullptr;
    if (!omfsFindDataKind(file, kPictureMedia.dataKind, &picture, &status)) return std::nullopt;
    // The channel's track ID only labels the channel; the media's first picture is channel 1.
    constexpr omfTrackID_t kFirstTrack = 1;
    constexpr omfInt16 kFirstChannel = 1;
    MediaHandle media;
    if (omfmOpenFileMobMedia(file, fileMob, kFirstTrack, kMediaOpenReadOnly, picture,
                             kFirstChannel, false, media.out()) != 0) {
        media.forget();
        return std::nullopt;
    }
    return readPictureAreas(media.get());
}

nlohmann::json areasJson(const PictureAreas& areas) {
    return {{"storedWidth", areas.storedWidth},
            {"storedHeight", areas.storedHeight},
            {"sampledWidth", areas.sampled.xSize},
            {"sampledHeight", areas.sampled.ySize},
            {"sampledX", areas.sampled.xOffset},
            {"sampledY", areas.sampled.yOffset},
            {"displayedWidth", areas.displayed.xSize},
            {"displayedHeight", areas.displayed.ySize},
            {"displayedX", areas.displayed.xOffset},
            {"displayedY", areas.displayed.yOffset},
            {"pictureWidth", areas.pictureWidth()},
            {"pictureHeight", areas.pictureHeight()}};
}

std::string areasText(const nlohmann::json& figures) {
    const auto value = [&](const char* name) { return figures.value(name, 0); };
    const bool fields = figures.value("frameLayout", "full frame") != "full frame";
    const bool allStored = value("sampledWidth") == value("storedWidth") &&
                           value("sampledHeight") == value("storedHeight") &&
                           value("displayedWidth") == value("storedWidth") &&
                           value("displayedHeight") == value("storedHeight") &&
                           value("sampledX") == 0 && value("sampledY") == 0 &&
                           value("displayedX") == 0 && value("displayedY") == 0;
    if (allStored) {
        return "picture " + size(value("pictureWidth"), value("pictureHeight")) +
               (fields ? " (fields of " + size(value("storedWidth"), value("storedHeight")) + ")"
                       : "");
    }
    std::string text = "picture " + size(value("pictureWidth"), value("pictureHeight")) +
                       " (sampled " + size(value("sampledWidth"), value("sampledHeight")) +
                       at(value("sampledX"), value("sampledY")) + " of stored " +
                       size(value("storedWidth"), value("storedHeight")) +
                       (fields ? " a field" : "") + "; displayed " +
                       size(value("displayedWidth"), value("displayedHeight")) +
                       at(value("displayedX"), value("displayedY")) + ")";
    return text;
}

} // namespace omftool
