// Opening, creating, closing and aborting containers.
#include "container/cm_api.h"
#include "container/internal/container_ops.h"
#include "container/internal/report.h"
#include "container/internal/toc_format.h"

#include <algorithm>
#include <cstring>
#include <new>

using namespace container;

namespace {

const char* const kUpdateFlagNames[] = {"kCMUpdateByAppend", "kCMUpdateTarget", "kCMConverting"};
constexpr CMContainerUseMode kUpdateFlags[] = {kCMUpdateByAppend, kCMUpdateTarget, kCMConverting};

std::string updateFlagNames(CMContainerUseMode useFlags) {
    std::string names;
    for (size_t i = 0; i < 3; ++i) {
        if (!(useFlags & kUpdateFlags[i])) continue;
        if (!names.empty()) names += ", ";
        names += kUpdateFlagNames[i];
    }
    return names;
}

// The library owns a refCon from the open call on: every failure releases it
// through the handler's CloseStream, which frees it even when no stream was
// opened on it.
void disposeRefCon(CMSessionRecord* session, const char* typeName, CMRefCon refCon) {
    if (refCon == nullptr) return;
    auto found = session->typeHandlers.find(typeName);
    if (found == session->typeHandlers.end() || found->second == nullptr) return;
    auto close = reinterpret_cast<CMCloseStreamHandler>(found->second(nullptr, CMCloseOpType));
    if (close != nullptr) close(refCon);
}

template <typename Routine>
void fetch(CMMetaHandler handler, const char* operation, Routine& routine) {
    routine = reinterpret_cast<Routine>(handler(nullptr, operation));
}

// Creates a container record bound to the stream handler of `typeName`.
CMContainerRecord* makeContainer(CMSessionRecord* session, CMRefCon refCon, const char* typeName,
                                 CMContainerUseMode useFlags, bool reading, bool writing) {
    auto found = session->typeHandlers.find(typeName);
    if (found == session->typeHandlers.end()) {
        report(session, nullptr, CM_ERR_NO_METAHANDLER, {typeName});
        return nullptr;
    }
    CMMetaHandler handler = found->second;
    if (handler == nullptr) {
        report(session, nullptr, CM_ERR_NULL_METAHANDLER, {typeName});
        return nullptr;
    }
    void* memory = session->allocMemory(nullptr, session->refCon, sizeof(CMContainerRecord));
    if (memory == nullptr) {
        report(session, nullptr, CM_ERR_NO_CCB_MEMORY, {typeName});
        disposeRefCon(session, typeName, refCon);
        return nullptr;
    }
    auto* container = new (memory) CMContainerRecord();
    container->session = session;
    container->typeName = typeName;
    container->refCon = refCon;
    container->useFlags = useFlags;
    auto& ops = container->ops;
    fetch(handler, CMOpenOpType, ops.open);
    fetch(handler, CMCloseOpType, ops.close);
    fetch(handler, CMFlushOpType, ops.flush);
    fetch(handler, CMSeekOpType, ops.seek);
    fetch(handler, CMTellOpType, ops.tell);
    fetch(handler, CMReadOpType, ops.read);
    fetch(handler, CMWriteOpType, ops.write);
    fetch(handler, CMEofOpType, ops.eof);
    fetch(handler, CMTruncOpType, ops.truncate);
    fetch(handler, CMSizeOpType, ops.size);
    fetch(handler, CMReadLblOpType, ops.readLabel);
    fetch(handler, CMWriteLblOpType, ops.writeLabel);
    fetch(handler, CMParentOpType, ops.parentValue);
    fetch(handler, CMContainerOpName, ops.containerName);
    fetch(handler, CMTargetTypeOpType, ops.targetType);
    fetch(handler, CMExtractDataOpType, ops.extract);
    fetch(handler, CMFormatDataOpType, ops.format);

    std::string missing;
    auto require = [&missing](bool present, const char* name) {
        if (present) return;
        if (!missing.empty()) missing += ", ";
        missing += name;
    };
    require(ops.open, CMOpenOpType);
    require(ops.close, CMCloseOpType);
    require(ops.seek, CMSeekOpType);
    require(ops.tell, CMTellOpType);
    if (reading) require(ops.read, CMReadOpType);
    if (writing) require(ops.write, CMWriteOpType);
    require(ops.size, CMSizeOpType);
    if (reading) require(ops.readLabel, CMReadLblOpType);
    if (writing) require(ops.writeLabel, CMWriteLblOpType);
    require(ops.extract, CMExtractDataOpType);
    require(ops.format, CMFormatDataOpType);
    session->containers.push_back(container);
    if (!missing.empty()) {
        report(container, CM_ERR_MISSING_HANDLERS, {missing});
        discardContainer(container); // CloseStream, when present, releases the refCon
        return nullptr;
    }
    return container;
}

bool openStream(CMContainerRecord* container, const char* mode) {
    CMRefCon opened = container->ops.open(container->refCon, mode);
    if (opened == nullptr) {
        discardContainer(container); // CloseStream releases the refCon
        return false;
    }
    container->refCon = opened;
    container->physicalSize = container->ops.size(opened);
    return true;
}

bool validVersion(uint16_t major, uint16_t minor) {
    return major == 0 || major == 1 || (major == 2 && (minor == 0 || minor == 1));
}

// Reads and validates the label; false after an error has been reported.
bool readLabel(CMContainerRecord* container) {
    CMSessionRecord* session = container->session;
    uint64_t reportsBefore = session->reportCount;
    CMMagicBytes magic{};
    uint16_t flags = 0, bufSize = 0, major = 0, minor = 0;
    CMSize tocOffset = 0, tocSize = 0;
    container->ops.readLabel(container->refCon, magic, &flags, &bufSize, &major, &minor,
                             &tocOffset, &tocSize);
    if (session->reportCount != reportsBefore) return false; // the handler reported it
    std::memcpy(container->magic, magic, sizeof magic);
    container->labelFlags = flags;
    container->labelBufSize = bufSize;
    container->majorVersion = major;
    container->minorVersion = minor;
    container->tocOffset = tocOffset;
    container->tocSize = tocSize;
    if (std::memcmp(magic, kLabelMagic, sizeof kLabelMagic) != 0) {
        report(container, CM_ERR_BAD_MAGIC,
               {nameOf(container), magicText(kLabelMagic), magicText(magic)});
        return false;
    }
    bool extendedLabel = false;
    if (major == 2 && minor == 1) {
        // A 2.1 label is ours for a TOC past 4 GiB: valid only with the extended label.
        unsigned char extended[8] = {};
        extendedLabel = container->physicalSize >= 2 * kLabelSize &&
                        streamReadAt(container, container->physicalSize - 2 * kLabelSize,
                                     extended, 8) == 8 &&
                        std::memcmp(extended, kExtendedLabelMagic, 8) == 0;
    }
    if (!validVersion(major, minor) || (major == 2 && minor == 1 && !extendedLabel)) {
        report(container, CM_ERR_BAD_VERSION,
               {nameOf(container), "2", "0", decimal(major), decimal(minor)});
        return false;
    }
    container->tocBufferSize = major == 2 ? CMSize(bufSize) * 1024 : 1024;
    if (container->tocBufferSize == 0) container->tocBufferSize = 1024;
    CMSize labelBytes = (minor == 1 && major >= 1) ? 2 * kLabelSize : kLabelSize;
    if (container->physicalSize < labelBytes || tocOffset > container->physicalSize - labelBytes ||
        tocSize > container->physicalSize - labelBytes - tocOffset) {
        report(container, CM_ERR_BAD_TOC_READ, {nameOf(container)});
        return false;
    }
    return true;
}

bool loadExisting(CMContainerRecord* container) {
    if (!readLabel(container)) return false;
    if (!createStandardObjects(container)) return false;
    try {
        readToc(container);
    } catch (const Abandon&) {
        return false;
    } catch (const std::bad_alloc&) {
        report(container, CM_ERR_NO_TOC_MEMORY, {nameOf(container)});
        return false;
    }
    return true;
}

// Object 1's properties of a new container, protected values of type 19.
bool createTocProperties(CMContainerRecord* container) {
    CMObjectRecord* tocObject = standardObject(container, kTocObjectID);
    CMObjectRecord* tocType = standardObject(container, kTocType);
    auto immediate = [&](StandardID property, uint32_t number) {
        CMValueRecord* value = addValue(tocObject, standardObject(container, property), tocType);
        if (value == nullptr) return false;
        Segment segment;
        segment.immediate = true;
        segment.length = 4;
        format32(container, segment.data.data(), number);
        segmentsOf(value).push_back(segment);
        value->size = 4;
        value->flags |= kValueProtected;
        return true;
    };
    auto placeholder = [&](StandardID property) {
        CMValueRecord* value = addValue(tocObject, standardObject(container, property), tocType);
        if (value == nullptr) return false;
        segmentsOf(value).push_back(Segment{});
        value->flags |= kValueProtected;
        return true;
    };
    bool update = (container->useFlags & (kCMUpdateByAppend | kCMUpdateTarget)) != 0;
    return immediate(kTocSeedProperty, kCMMinUserObjectID) &&
           immediate(kTocMinSeedProperty, kCMMinUserObjectID) &&
           placeholder(kTocObjectProperty) && placeholder(kTocContainerProperty) &&
           immediate(kTocDeletedProperty, 0) && (!update || placeholder(kTocNewValuesTocProperty));
}

void freeContainerRecords(CMContainerRecord* container) {
    container->referenceTables.clear();
    container->objects.clear();
    container->listMemory.release();
    releaseRecordMemory(container);
    container->standardObjects = {};
    container->globalNames.clear();
    container->dynamicValues.clear();
}

void releaseDynamicValues(CMContainerRecord* container) {
    while (!container->dynamicValues.empty()) {
        DynamicValue* value = container->dynamicValues.back();
        value->useCount = std::max(value->useCount, 1);
        size_t before = container->dynamicValues.size();
        CMReleaseValue(value);
        if (container->dynamicValues.size() == before) container->dynamicValues.pop_back();
    }
}

} // namespace

namespace container {

void discardContainer(CMContainerRecord* container) {
    CMSessionRecord* session = container->session;
    if (container->refCon != nullptr && container->ops.close != nullptr) {
        container->ops.close(container->refCon);
    }
    container->refCon = nullptr;
    freeContainerRecords(container);
    if (session->freeCtrMemory != nullptr) session->freeCtrMemory(container, session->refCon);
    auto& list = session->containers;
    list.erase(std::remove(list.begin(), list.end(), container), list.end());
    container->tag = 0;
    container->~CMContainerRecord();
    session->freeMemory(nullptr, session->refCon, container);
}

} // namespace container

extern "C" {

CMContainer CMOpenContainer(CMSession session, CMRefCon attributes, CMGlobalName typeName,
                            CMContainerUseMode useFlags) {
    if (!validSession(session) || typeName == nullptr) return nullptr;
    if (useFlags & (kCMConverting | kCMUpdateByAppend | kCMUpdateTarget)) {
        report(session, nullptr, CM_ERR_OPEN_USE_FLAGS, {typeName, updateFlagNames(useFlags)});
        disposeRefCon(session, typeName, attributes);
        return nullptr;
    }
    bool readWrite = (useFlags & kCMReadWrite) != 0;
    CMContainerUseMode mode = kCMReading | (useFlags & kCMReadWrite);
    CMContainerRecord* container =
        makeContainer(session, attributes, typeName, mode, true, readWrite);
    if (container == nullptr) return nullptr;
    if (!openStream(container, readWrite ? "rb+" : "rb")) return nullptr;
    if (!loadExisting(container)) {
        discardContainer(container);
        return nullptr;
    }
    // Writes to a read/write container go after the existing bytes, which stay untouched.
    container->endOfData = container->physicalSize;
    container->highestWritten = container->physicalSize;
    return container;
}

CMContainer CMOpenNewContainer(CMSession session, CMRefCon attributes, CMGlobalName typeName,
                               CMContainerUseMode useFlags, CMGeneration generation,
                               CMContainerFlags containerFlags) {
    if (!validSession(session) || typeName == nullptr) return nullptr;
    if (generation == 0) {
        report(session, nullptr, CM_ERR_BAD_GENERATION, {"0", "CMOpenNewContainer", typeName});
        disposeRefCon(session, typeName, attributes);
        return nullptr;
    }
    CMContainerUseMode update = useFlags & (kCMUpdateByAppend | kCMUpdateTarget | kCMConverting);
    if (update & (update - 1)) {
        report(session, nullptr, CM_ERR_AMBIGUOUS_UPDATE_FLAGS,
               {typeName, updateFlagNames(useFlags)});
        disposeRefCon(session, typeName, attributes);
        return nullptr;
    }
    if (update == kCMUpdateTarget) {
        // Updates through a separate target container are not supported here.
        report(session, nullptr, CM_ERR_NO_UPDATE_HANDLER, {typeName});
        disposeRefCon(session, typeName, attributes);
        return nullptr;
    }
    bool existing = (useFlags & (kCMUpdateByAppend | kCMConverting | kCMReuseFlag)) != 0;
    CMContainerUseMode mode = useFlags | kCMWriting;
    CMContainerRecord* container = makeContainer(session, attributes, typeName, mode,
                                                 (useFlags & kCMUpdateByAppend) != 0, true);
    if (container == nullptr) return nullptr;
    container->generation = generation;
    container->containerFlags = containerFlags;
    if (!openStream(container, existing ? "rb+" : "wb+")) return nullptr;
    bool ready = false;
    if (useFlags & kCMUpdateByAppend) {
        ready = loadExisting(container) && [&] {
            // The old TOC object keeps its numbers; the new TOC gets its own.
            CMObjectRecord* tocObject = standardObject(container, kTocObjectID);
            if (findValue(tocObject, standardObject(container, kTocNewValuesTocProperty),
                          standardObject(container, kTocType)) == nullptr) {
                CMValueRecord* value =
                    addValue(tocObject, standardObject(container, kTocNewValuesTocProperty),
                             standardObject(container, kTocType));
                if (value == nullptr) return false;
                segmentsOf(value).push_back(Segment{});
                value->flags |= kValueProtected;
            }
            return true;
        }();
    } else {
        ready = createStandardObjects(container) && createTocProperties(container);
    }
    if (!ready) {
        discardContainer(container);
        return nullptr;
    }
    if (existing) {
        container->endOfData = container->physicalSize;
        container->highestWritten = container->physicalSize;
    }
    return container;
}

void CMCloseContainer(CMContainer container) {
    if (!validContainer(container) || container->closing) return;
    container->closing = true;
    CMSessionRecord* session = container->session;
    bool newToc = (container->useFlags & kCMWriting) ||
                  ((container->useFlags & kCMReadWrite) && container->modified);
    if (newToc && !session->abortingClose && !container->aborting) {
        try {
            writeTocAndLabel(container);
        } catch (const Abandon&) {
            // Reported; the stream is still closed and the container freed.
        } catch (const std::bad_alloc&) {
            report(container, CM_ERR_NO_TOC_BUFFER, {nameOf(container)});
        }
    }
    if (container->ops.flush != nullptr && container->refCon != nullptr &&
        (container->useFlags & kWritableModes) && container->ops.flush(container->refCon) != 0) {
        report(container, CM_ERR_FLUSH, {nameOf(container)});
    }
    discardContainer(container);
}

void CMAbortContainer(CMContainer container) {
    if (!validContainer(container)) return;
    CMSessionRecord* session = container->session;
    if (session->abortingClose) return;
    session->abortingClose = true;
    container->aborting = true;
    releaseDynamicValues(container);
    discardContainer(container);
    session->abortingClose = false;
}

CMSession CMGetSession(CMContainer container) {
    return validContainer(container) ? container->session : nullptr;
}

CMRefCon CMGetContainerRefCon(CMContainer container) {
    return validContainer(container) ? container->refCon : nullptr;
}

const char* CMGetContainerName(CMContainer container) {
    if (!validContainer(container)) return "";
    if (container->ops.containerName != nullptr && container->refCon != nullptr) {
        const char* name = container->ops.containerName(container->refCon);
        if (name != nullptr) return name;
    }
    return container->typeName.c_str();
}

CMBoolean CMGetContainerLabelInfo(CMContainer container, CMContainerLabelInfo* info) {
    if (!validContainer(container) || info == nullptr) return 0;
    std::memcpy(info->magic, container->magic, sizeof info->magic);
    info->flags = container->labelFlags;
    info->bufSize = container->labelBufSize;
    info->majorVersion = container->majorVersion;
    info->minorVersion = container->minorVersion;
    info->tocOffset = container->tocOffset;
    info->tocSize = container->tocSize;
    info->tocBufferSize = container->tocBufferSize;
    info->useFlags = container->useFlags;
    info->generation = container->generation;
    info->undefinedObjects = container->undefinedObjects;
    return 1;
}

} // extern "C"
