// The session handler: records reported container errors where the OMF layer
// looks for them, and serves the container library's memory.
#include "container/cm_api.h"
#include "container/cm_handlers.h"
#include "container/omfi_handlers.h"
#include "handler_routine.h"
#include "memory_pool.h"

#include <cstring>

namespace container {
namespace {

// The record of the OMF file the container belongs to, else the session's.
CMBentoErrorRecord* errorRecordFor(CMHandlerSession* session, CMContainer container) {
    if (container != nullptr && session->fileErrorRecord != nullptr) {
        if (void* omfFile = CMGetFileRefConOMFFile(CMGetContainerRefCon(container))) {
            if (CMBentoErrorRecord* record = session->fileErrorRecord(omfFile)) return record;
        }
    }
    return &session->defaultError;
}

void reportError(CMContainer container, CMRefCon sessionRefCon, CMErrorNbr errorNumber, int argc,
                 const char* const* argv) {
    auto* session = static_cast<CMHandlerSession*>(sessionRefCon);
    if (session == nullptr) return;
    CMBentoErrorRecord* record = errorRecordFor(session, container);
    // Format aside first: an argument may be the record's own previous text.
    char text[sizeof record->text];
    CMFormatErrorMessage(text, sizeof text, errorNumber, argc, argv);
    std::memcpy(record->text, text, sizeof text);
    record->number = errorNumber;
    record->pending = true;
}

CMPtr allocMemory(CMContainer container, CMRefCon sessionRefCon, CMSize size) {
    return allocateBlock(static_cast<CMHandlerSession*>(sessionRefCon), container, size);
}

void freeMemory(CMContainer, CMRefCon sessionRefCon, CMPtr block) {
    freeBlock(static_cast<CMHandlerSession*>(sessionRefCon), block);
}

void freeContainerMemory(CMContainer container, CMRefCon sessionRefCon) {
    freeContainerPool(static_cast<CMHandlerSession*>(sessionRefCon), container);
}

// Session operation types and their routines.
const NamedRoutine kSessionOperations[] = {
    {CMReportErrorOpType, handlerRoutine<CMReportErrorHandler>(&reportError)},
    {CMAllocMemoryOpType, handlerRoutine<CMAllocMemoryHandler>(&allocMemory)},
    {CMFreeMemoryOpType, handlerRoutine<CMFreeMemoryHandler>(&freeMemory)},
    {CMFreeCtrMemoryOpType, handlerRoutine<CMFreeCtrMemoryHandler>(&freeContainerMemory)},
};

} // namespace
} // namespace container

extern "C" CMHandlerAddr CMSessionMetaHandler(CMType, const char* operationType) {
    if (operationType == nullptr) return nullptr;
    for (const auto& operation : container::kSessionOperations) {
        if (std::strcmp(operation.operationType, operationType) == 0) return operation.routine;
    }
    return nullptr;
}
