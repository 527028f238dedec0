#include "open_omf_file.h"

#include "media_search_path.h"

#include "omf/omf_avid_codecs.h"
#include "omf/omf_errors.h"
#include "omf/omf_media.h"
#include "omf/omf_session.h"

#include <span>

namespace omftool {

omfProductIdentification_t productIdentification(const char* versionText) {
    omfProductIdentification_t ident{};
    ident.companyName = "OMF media extensions";
    ident.productName = "omftool";
    ident.productVersionString = versionText;
    ident.productID = 1;
    ident.platform = "Linux";
    ident.productVersion = {1, 0, 0, kVersionReleased, 0};
    return ident;
}

omfErr_t writeNewOMFFile(const std::string& path, const char* versionText, omfFileRev_t revision,
                         const std::function<omfErr_t(omfHdl_t)>& write) {
    const omfProductIdentification_t ident = productIdentification(versionText);
    omfSessionHdl_t session = nullptr;
    if (omfErr_t error = omfsStartSession(&ident, &session)) return error;
    omfErr_t status = omfmInit(session);
    omfHdl_t file = nullptr;
    if (status == 0) status = omfsNewFile(path.c_str(), session, revision, &file);
    if (status == 0) status = write(file);
    if (file != nullptr) {
        const omfErr_t closed = omfsCloseOMFFile(file);
        if (status == 0) status = closed;
    }
    const omfErr_t finished = omfsFinishSession(session);
    return status != 0 ? status : finished;
}

int commandFailure(std::ostream& err, std::string_view command, const std::string& text) {
    err << command << ": " << text << "\n";
    return kExitError;
}

int mediaStepFailure(std::string_view command, const MediaFailure& failure, std::ostream& out,
                     std::ostream& err) {
    if (failure.error == 0) return commandFailure(err, command, failure.message);
    return reportFailure(failure.error, failure.message, false, out, err);
}

omfErr_t startSession(MediaLayer media, omfSessionHdl_t& session) {
    const omfProductIdentification_t ident = productIdentification("1.0");
    if (omfErr_t error = omfsStartSession(&ident, &session)) {
        session = nullptr;
        return error;
    }
    omfsSetBentoErrorPrinting(session, false);
    if (media == MediaLayer::kWithout) return 0;
    omfErr_t error = omfmInit(session);
    // Avid's codecs too, which a host registers itself: omftool reads
    // what the plug-in reads (DV frames come out as stored, so DV needs no decoder here).
    omfInt32 count = 0;
    const omfAvidCodecEntry_t* codecs = omfmAvidCodecs(&count);
    for (const omfAvidCodecEntry_t& codec : std::span(codecs, std::size_t(count))) {
        if (error == 0) error = omfmAddCodec(session, codec.entry);
    }
    if (error != 0) return error;
    // External media that moved is looked for along the search path.
    omfmSetLocateFailureCallback(session, openMovedMedia);
    return 0;
}

OpenOMFFile::OpenOMFFile(const std::string& path, MediaLayer media) {
    error_ = startSession(media, session_);
    if (error_ != 0) {
        message_ = omfsErrorName(error_);
        return;
    }
    error_ = omfsOpenFileForRead(path.c_str(), session_, &file_);
    if (error_ != 0) {
        // The container's own message, kept by the session, explains the failure.
        message_ = omfsErrorName(error_);
        char text[256];
        if (omfsLastContainerError(session_, nullptr, text, sizeof text)) {
            message_ += std::string("\n[") + text + "]";
        }
        file_ = nullptr;
    }
}

OpenOMFFile::~OpenOMFFile() {
    if (file_ != nullptr) omfsCloseOMFFile(file_);
    if (session_ != nullptr) omfsFinishSession(session_);
}

int reportFailure(std::string_view said, int error, const std::string& message, bool json,
                  std::ostream& out, std::ostream& err) {
    err << said << "\n";
    if (json) out << nlohmann::json{{"error", error}, {"message", message}}.dump(2) << "\n";
    return kExitError;
}

int reportFailure(int error, const std::string& message, bool json, std::ostream& out,
                  std::ostream& err) {
    return reportFailure("OMF error " + std::to_string(error) + ": " + message, error, message,
                         json, out, err);
}

} // namespace omftool
