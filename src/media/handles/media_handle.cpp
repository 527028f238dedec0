// Allocating media handles and keeping them on their file's open-media list.
#include "media/internal/codec_registry.h"
#include "media/internal/media_handles.h"
#include "omf/internal/error_flow.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_session.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace omf::media {
namespace {

omfErr_t closeFromFile(void* media) { return omfmCloseMedia(static_cast<omfMediaHdl_t>(media)); }

// Typed setters refuse to write while a handle appends to a data value, so
// that the value's bytes stay in one piece.
bool streamWritingOn(omfHdl_t file) {
    for (void* handle : file->mediaHandles) {
        if (streamWriting(static_cast<omfMediaRec*>(handle)->stream)) return true;
    }
    return false;
}

} // namespace

void unlinkMedia(omfMediaRec* media) {
    omfHdl_t file = media->file;
    if (!validFile(file)) return;
    auto& handles = file->mediaHandles;
    handles.erase(std::remove(handles.begin(), handles.end(), static_cast<void*>(media)),
                  handles.end());
}

void MediaDeleter::operator()(omfMediaRec* media) const {
    if (media == nullptr) return;
    unlinkMedia(media);
    if (media->dataFile != media->file && validFile(media->dataFile)) {
        omfsCloseOMFFile(media->dataFile);
    }
    media->tag = 0;
    delete media;
}

omfErr_t newMediaHandle(omfHdl_t file, omfObject_t fileMob, MediaOwner* owner) {
    auto* media = new (std::nothrow) omfMediaRec();
    if (media == nullptr) OMF_RAISE(file, OM_ERR_NO_MEMORY);
    media->file = file;
    media->dataFile = file;
    media->fileMob = fileMob;
    media->openMode = kMediaNotOpen;
    media->nullKind = file->noDataKind;
    media->pictureKind = file->pictureKind;
    media->soundKind = file->soundKind;
    media->codec.revision = 0;
    media->repeatCount = 1;
    media->stream.file = file;
    media->stream.dataFile = file;
    media->stream.media = media;
    owner->reset(media);
    try {
        file->mediaHandles.push_back(media);
    } catch (const std::bad_alloc&) {
        owner->reset();
        OMF_RAISE(file, OM_ERR_NO_MEMORY);
    }
    file->closeMediaHandle = &closeFromFile;
    file->mediaStreamWriting = &streamWritingOn;
    return 0;
}

omfErr_t checkMedia(omfMediaHdl_t media, omfHdl_t* file) {
    if (validMedia(media) == nullptr) return OM_ERR_BAD_MEDIA_HANDLE;
    if (!validFile(media->file) || !validSession(media->file->session)) {
        return OM_ERR_BAD_FILE_HANDLE;
    }
    if (registryOf(media->file->session) == nullptr) return OM_ERR_OMFM_INIT_NOT_CALLED;
    *file = media->file;
    return 0;
}

void splitCodecID(const char* text, std::string* id, std::optional<std::string>* variety) {
    const char* colon = std::strchr(text, ':');
    if (colon == nullptr) {
        *id = text;
        variety->reset();
        return;
    }
    id->assign(text, size_t(colon - text));
    *variety = std::string(colon + 1);
}

} // namespace omf::media
