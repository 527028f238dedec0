#include "media_session.h"

#include "class_state.h"
#include "dv_detection.h"
#include "error_report.h"
#include "omf/omf_avid_codecs.h"
#include "omf/omf_media.h"
#include "omf/omf_session.h"
#include "product_info.h"

#include <span>

namespace omfplugin {

namespace {
void AddCodec(omfSessionHdl_t session, omfCodecEntry_t codec) {
    ReportError(nullptr, omfmAddCodec(session, codec));
}
} // namespace

MediaSession StartMediaSession() {
    MediaSession started;
    started.StartError = omfsStartSession(&SessionProductInfo(), &started.Session);
    if (started.StartError != 0) {
        started.Session = nullptr;
        ReportError(nullptr, started.StartError);
        return started;
    }
    started.MediaError = omfmInit(started.Session);
    if (started.MediaError != 0) {
        ReportError(nullptr, started.MediaError);
        return started;
    }
    omfInt32 count = 0;
    const omfAvidCodecEntry_t* codecs = omfmAvidCodecs(&count);
    for (const omfAvidCodecEntry_t& codec : std::span(codecs, std::size_t(count))) {
        if (!codec.needsDVDecoder) {
            AddCodec(started.Session, codec.entry);
        } else if (ServerOffersAvidDV()) {
            AddCodec(started.Session, codec.entry);
            started.HasDV = true;
            TheClass().DVDecodeAvailable = true;
        }
    }
    return started;
}

void FinishMediaSession(MediaSession& session) {
    if (session.Session) omfsFinishSession(session.Session);
    session.Session = nullptr;
}

} // namespace omfplugin
