// Creating, inspecting and releasing file stream refCons.
#include "file_ref_con.h"

#include "container/cm_api.h"
#include "memory_pool.h"
#include "message_format.h"

#include <cstring>
#include <new>

namespace container {

CMHandlerSession* handlerSessionOf(const FileRefCon* refCon) {
    if (refCon == nullptr || refCon->session == nullptr) return nullptr;
    return static_cast<CMHandlerSession*>(CMGetSessionRefCon(refCon->session));
}

void reportFileMessage(const FileRefCon* refCon, const char* messageTemplate,
                       std::initializer_list<const char*> arguments) {
    char text[kMaxMessageLength + 1];
    substituteMessageArguments(text, sizeof text, messageTemplate,
                               static_cast<int>(arguments.size()), arguments.begin());
    const char* argv[] = {text};
    CMReportError(refCon->session, nullptr, CM_ERR_MESSAGE, 1, argv);
}

bool closeFileStreams(FileRefCon* refCon) {
    const bool closed = refCon->file.close();
    refCon->hasTocStream = false;
    refCon->streams[kPrimaryStream] = {};
    refCon->streams[kTocStream] = {};
    refCon->current = kPrimaryStream;
    return closed;
}

void disposeFileRefCon(FileRefCon* refCon) {
    closeFileStreams(refCon);
    CMHandlerSession* session = handlerSessionOf(refCon);
    refCon->tag = 0; // a stale pointer is no longer taken for a refCon
    refCon->~FileRefCon();
    freeBlock(session, refCon);
}

} // namespace container

using container::asFileRefCon;
using container::FileRefCon;

extern "C" {

CMRefCon CMCreateFileRefCon(CMSession session, const char* fileName, CMRefCon callerValue,
                            void* omfFile) {
    if (fileName == nullptr) fileName = "";
    const size_t nameLength = std::strlen(fileName);
    auto* handlerSession =
        session != nullptr ? static_cast<CMHandlerSession*>(CMGetSessionRefCon(session)) : nullptr;
    // One block holds the record and, right behind it, the name.
    void* memory =
        container::allocateBlock(handlerSession, nullptr, sizeof(FileRefCon) + nameLength + 1);
    if (memory == nullptr) {
        FileRefCon reporter;
        reporter.session = session;
        container::reportFileMessage(
            &reporter, "Allocation of \"refCon\" failed for container \"^0\"!", {fileName});
        return nullptr;
    }
    auto* refCon = new (memory) FileRefCon();
    refCon->session = session;
    refCon->omfFile = omfFile;
    refCon->callerValue = callerValue;
    std::memcpy(refCon->name(), fileName, nameLength + 1);
    return refCon;
}

void CMDisposeFileRefCon(CMRefCon refCon) {
    if (FileRefCon* fileRefCon = asFileRefCon(refCon)) container::disposeFileRefCon(fileRefCon);
}

void CMSetFileRefConSwapped(CMRefCon refCon, bool swapped) {
    if (FileRefCon* fileRefCon = asFileRefCon(refCon)) {
        fileRefCon->swapped = swapped;
        fileRefCon->revisionZero = swapped;
    }
}

bool CMGetFileRefConSwapped(CMRefCon refCon) {
    FileRefCon* fileRefCon = asFileRefCon(refCon);
    return fileRefCon != nullptr && fileRefCon->swapped;
}

void* CMGetFileRefConOMFFile(CMRefCon refCon) {
    FileRefCon* fileRefCon = asFileRefCon(refCon);
    return fileRefCon != nullptr ? fileRefCon->omfFile : nullptr;
}

bool CMFileRefConReadingTOCStream(CMRefCon refCon) {
    FileRefCon* fileRefCon = asFileRefCon(refCon);
    return fileRefCon != nullptr && fileRefCon->current == container::kTocStream;
}

} // extern "C"
