// The session and file records behind omfSessionHdl_t and omfHdl_t.
#pragma once

#include "container/cm_api.h"
#include "container/omfi_handlers.h"
#include "omf/internal/hash_table.h"
#include "omf/omf_resolve.h"
#include "omf/omf_types.h"

#include <memory>
#include <string>
#include <vector>

namespace omf {

// Tags checked on entry to every call, compared as four letters.
constexpr uint32_t fourCC(const char (&text)[5]) {
    return uint32_t(uint8_t(text[0])) << 24 | uint32_t(uint8_t(text[1])) << 16 |
           uint32_t(uint8_t(text[2])) << 8 | uint32_t(uint8_t(text[3]));
}
constexpr uint32_t kSessionTag = fourCC("SESS");
constexpr uint32_t kFileTag = fourCC("FILE");

constexpr size_t kTraceSize = 2048;

class SessionRegistry; // class, type and property tables of a session
class FileRegistry;    // per-file code <-> container object caches

// Owned copy of a product identification.
struct ProductIdentification {
    std::string companyName;
    std::string productName;
    std::string productVersionString;
    std::string platform;
    int32_t productID = -2;
    omfProductVersion_t productVersion{};
};

// File open modes.
enum class FileMode { created = 0, modify = 1, read = 2 };

} // namespace omf

struct omfSessionRec {
    uint32_t tag = omf::kSessionTag;
    CMHandlerSession bentoHandler{}; // its defaultError is the session's container-error block
    CMSession bento = nullptr;
    bool hasIdentification = false;
    omf::ProductIdentification identification;
    omfFileRec* files = nullptr; // newest first
    std::unique_ptr<omf::SessionRegistry> registry;
    // Hooks the media layer installs.
    omfErr_t (*openHook)(omfHdl_t file) = nullptr;
    omfErr_t (*finishHook)(omfSessionHdl_t session) = nullptr;
    // The media layer's state (its codec registry); set by omfmInit, ends with the session.
    std::shared_ptr<void> media;
    // Asked for a file holding a descriptor's media when its locators find none.
    omfHdl_t (*locateFailure)(omfHdl_t file, omfObject_t descriptor) = nullptr;
    // Scores a media-group representation by the codecs that read its
    // descriptor; *usable false skips it. Installed by the media layer.
    omfErr_t (*scoreRepresentation)(omfHdl_t file, const omfMediaCriteria_t* criteria,
                                    omfObject_t fileMob, omfObject_t descriptor, bool* usable,
                                    omfInt32* score) = nullptr;
    bool printBentoErrors = true; // "<Bento ...>" lines on standard output

    omfSessionRec();
    ~omfSessionRec();
};

struct omfFileRec {
    uint32_t tag = omf::kFileTag;
    omfSessionRec* session = nullptr;
    omfFileRec* next = nullptr;
    CMContainer container = nullptr;
    omfObject_t head = nullptr;
    omfFileRev_t revision = kOmfRev2x;
    omf::FileMode mode = omf::FileMode::read;
    uint16_t byteOrder = kOmfLittleEndian;
    bool rawFile = false;
    std::string rawFileName;
    std::string rawCodecID; // the codec new media of a raw file is written with
    bool checking = true; // semantic checks run (off while a check itself reads)
    std::unique_ptr<omf::FileRegistry> registry;
    omf::TableHandle mobTable;       // mob ID -> mob object
    omf::TableHandle mediaDataTable; // mob ID -> media data object
    omf::TableHandle dataKindTable;  // 2.x: DataKindID -> DDEF object
    omf::TableHandle effectDefTable; // 2.x: EffectID -> EDEF object
    omfObject_t noDataKind = nullptr;
    omfObject_t pictureKind = nullptr;
    omfObject_t soundKind = nullptr;
    // Open media handles and the media layer's routine that closes one.
    std::vector<void*> mediaHandles;
    omfErr_t (*closeMediaHandle)(void* handle) = nullptr;
    // Whether a media handle is writing a stream sequentially: typed setters
    // then refuse to write (OM_ERR_NONCONTIGUOUS_MEDIA), which would break the media data apart.
    bool (*mediaStreamWriting)(omfHdl_t file) = nullptr;
    CMBentoErrorRecord bentoError{};          // the file's container-error block
    std::unique_ptr<char[]> trace;             // kTraceSize bytes, or null when unavailable

    omfFileRec();
    ~omfFileRec();
};
