// The media layer's part of a session: its codec registry and the hooks
// that tie media to the session's life.
#include "media/codec_support/codec_calls.h"
#include "media/internal/codec_registry.h"
#include "media/internal/media_handles.h"
#include "omf/internal/error_flow.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_session.h"

namespace omf::media {
namespace {

// Media still open when the session ends are closed while their codecs'
// persistent data is alive; the registry (and that data) goes after them.
omfErr_t finishSession(omfSessionHdl_t session) {
    omfErr_t result = 0;
    for (omfHdl_t file = session->files; file != nullptr; file = file->next) {
        while (!file->mediaHandles.empty()) {
            void* handle = file->mediaHandles.back();
            if (omfErr_t status = omfmCloseMedia(static_cast<omfMediaHdl_t>(handle))) {
                result = status;
            }
            // A close that failed leaves the handle; drop it so the walk ends.
            if (!file->mediaHandles.empty() && file->mediaHandles.back() == handle) {
                MediaDeleter{}(static_cast<omfMediaRec*>(handle));
            }
        }
    }
    session->scoreRepresentation = nullptr;
    session->media.reset();
    return result;
}

} // namespace

omfErr_t initMediaSession(omfSessionHdl_t session, bool* created) {
    *created = false;
    if (!validSession(session)) return OM_ERR_BAD_SESSION;
    if (registryOf(session) != nullptr) return 0;
    OMF_CHECK(nullptr, createRegistry(session));
    OMF_CHECK(nullptr, omfsSetMediaHooks(session, session->openHook, &finishSession));
    installRepresentationScoring(session);
    *created = true;
    return 0;
}

} // namespace omf::media
