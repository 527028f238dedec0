// Sessions: the session handler's operations and the registered type handlers.
#include "container/cm_api.h"
#include "container/internal/container_ops.h"
#include "container/internal/report.h"

#include <algorithm>

using namespace container;

extern "C" {

CMSession CMStartBentoSession(CMMetaHandler sessionMetaHandler, CMRefCon sessionRefCon) {
    if (sessionMetaHandler == nullptr) return nullptr;
    auto reportError = reinterpret_cast<CMReportErrorHandler>(
        sessionMetaHandler(nullptr, CMReportErrorOpType));
    if (reportError == nullptr) return nullptr; // nobody to tell
    auto allocMemory = reinterpret_cast<CMAllocMemoryHandler>(
        sessionMetaHandler(nullptr, CMAllocMemoryOpType));
    auto freeMemory = reinterpret_cast<CMFreeMemoryHandler>(
        sessionMetaHandler(nullptr, CMFreeMemoryOpType));
    auto freeCtrMemory = reinterpret_cast<CMFreeCtrMemoryHandler>(
        sessionMetaHandler(nullptr, CMFreeCtrMemoryOpType));
    if (allocMemory == nullptr || freeMemory == nullptr) {
        reportError(nullptr, sessionRefCon, CM_ERR_NO_MEMORY_HANDLERS, 0, nullptr);
        return nullptr;
    }
    void* memory = allocMemory(nullptr, sessionRefCon, sizeof(CMSessionRecord));
    if (memory == nullptr) {
        reportError(nullptr, sessionRefCon, CM_ERR_NO_SESSION_MEMORY, 0, nullptr);
        return nullptr;
    }
    auto* session = new (memory) CMSessionRecord();
    session->metaHandler = sessionMetaHandler;
    session->refCon = sessionRefCon;
    session->reportError = reportError;
    session->allocMemory = allocMemory;
    session->freeMemory = freeMemory;
    session->freeCtrMemory = freeCtrMemory;
    return session;
}

CMMetaHandler CMSetTypeMetaHandler(CMSession session, CMGlobalName typeName,
                                   CMMetaHandler metaHandler) {
    if (!validSession(session) || typeName == nullptr) return nullptr;
    CMMetaHandler previous = nullptr;
    auto found = session->typeHandlers.find(typeName);
    if (found != session->typeHandlers.end()) previous = found->second;
    try {
        session->typeHandlers[typeName] = metaHandler;
        ++session->typeHandlerChanges;
    } catch (const std::bad_alloc&) {
        report(session, nullptr, CM_ERR_NO_HANDLER_MEMORY, {typeName});
    }
    return previous;
}

CMMetaHandler CMGetMetaHandler(CMSession session, CMGlobalName typeName) {
    if (!validSession(session) || typeName == nullptr) return nullptr;
    auto found = session->typeHandlers.find(typeName);
    return found == session->typeHandlers.end() ? nullptr : found->second;
}

static void endSession(CMSessionRecord* session, bool closeOpenContainers) {
    // Closing unlinks each container from the list, so always take the first.
    while (!session->containers.empty()) {
        CMContainerRecord* container = session->containers.front();
        if (closeOpenContainers) {
            CMCloseContainer(container);
        } else {
            report(container, CM_ERR_STILL_OPEN, {nameOf(container)});
            discardContainer(container);
        }
    }
    session->tag = 0;
    CMFreeMemoryHandler freeMemory = session->freeMemory;
    CMRefCon refCon = session->refCon;
    session->~CMSessionRecord();
    freeMemory(nullptr, refCon, session);
}

void CMEndBentoSession(CMSession session, CMBoolean closeOpenContainers) {
    if (!validSession(session)) return;
    endSession(session, closeOpenContainers != 0);
}

void CMAbortBentoSession(CMSession session) {
    if (!validSession(session) || session->ended) return;
    session->ended = true;
    endSession(session, true);
}

CMRefCon CMGetSessionRefCon(CMSession session) {
    return validSession(session) ? session->refCon : nullptr;
}

void CMReportError(CMSession session, CMContainer container, CMErrorNbr errorNumber, int argc,
                   const char* const* argv) {
    if (!validSession(session)) return;
    ++session->reportCount;
    session->reportError(validContainer(container) ? container : nullptr, session->refCon,
                         errorNumber, argc, argv);
}

} // extern "C"
