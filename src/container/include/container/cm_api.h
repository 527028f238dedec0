// The container library's public calls. Failures are reported through the
// session's "Apple:ReportError" handler; the call then answers null or 0.
#pragma once

#include "container/cm_errors.h"
#include "container/cm_types.h"

extern "C" {

// ---- Sessions and handlers ----
CMSession CMStartBentoSession(CMMetaHandler sessionMetaHandler, CMRefCon sessionRefCon);
CMMetaHandler CMSetTypeMetaHandler(CMSession session, CMGlobalName typeName,
                                   CMMetaHandler metaHandler);
CMMetaHandler CMGetMetaHandler(CMSession session, CMGlobalName typeName);
void CMEndBentoSession(CMSession session, CMBoolean closeOpenContainers);
void CMAbortBentoSession(CMSession session);
CMRefCon CMGetSessionRefCon(CMSession session);
// Reports an error through the session's error handler (used by handlers).
void CMReportError(CMSession session, CMContainer container, CMErrorNbr errorNumber, int argc,
                   const char* const* argv);

// ---- Containers ----
// The container owns `attributes` (the handler's refCon) from these calls on:
// when an open fails it is released through the handler's "Apple:CloseStream".
CMContainer CMOpenNewContainer(CMSession session, CMRefCon attributes, CMGlobalName typeName,
                               CMContainerUseMode useFlags, CMGeneration generation,
                               CMContainerFlags containerFlags);
CMContainer CMOpenContainer(CMSession session, CMRefCon attributes, CMGlobalName typeName,
                            CMContainerUseMode useFlags);
void CMCloseContainer(CMContainer container);
void CMAbortContainer(CMContainer container);
CMSession CMGetSession(CMContainer container);
CMRefCon CMGetContainerRefCon(CMContainer container);
// The name used as "^0" in messages: the handler's container name, else the type name.
const char* CMGetContainerName(CMContainer container);

// Label and TOC facts of an open container.
struct CMContainerLabelInfo {
    CMMagicBytes magic;
    uint16_t flags;
    uint16_t bufSize;        // as stored in the label, units of 1024 bytes
    uint16_t majorVersion;
    uint16_t minorVersion;
    CMSize tocOffset;
    CMSize tocSize;
    CMSize tocBufferSize;    // negotiated TOC buffer size in bytes
    CMContainerUseMode useFlags;
    CMGeneration generation;
    CMCount undefinedObjects; // references to objects never defined, counted while reading
};
CMBoolean CMGetContainerLabelInfo(CMContainer container, struct CMContainerLabelInfo* info);

// ---- Objects, property and type definitions ----
CMType CMRegisterType(CMContainer container, CMGlobalName name);
CMProperty CMRegisterProperty(CMContainer container, CMGlobalName name);
#define CMDefineTypeName CMRegisterType
#define CMDefinePropertyName CMRegisterProperty
CMObject CMGetGlobalNameObject(CMContainer container, CMGlobalName name);
CMObject CMNewObject(CMContainer container);
#define CMCreateObject CMNewObject
CMObject CMFindObjectByID(CMContainer container, CMObjectID id);
CMObject CMGetNextObject(CMContainer container, CMObject previous); // all kinds, ascending ID
// Every object that holds values (the TOC object, definitions and user
// objects), ascending ID: what the TOC lists.
CMObject CMGetNextTocObject(CMContainer container, CMObject previous);
CMObject CMGetNextTypeDef(CMContainer container, CMType previous);
CMObject CMGetNextPropertyDef(CMContainer container, CMProperty previous);
#define CMNextTypeDef CMGetNextTypeDef
#define CMNextPropertyDef CMGetNextPropertyDef
CMProperty CMGetNextObjectProperty(CMObject object, CMProperty previous);
#define CMNextObjectProperty CMGetNextObjectProperty
CMObjectID CMGetObjectID(CMObject object);
CMContainer CMGetObjectContainer(CMObject object);
CMBoolean CMIsType(CMObject object);
CMBoolean CMIsProperty(CMObject object);
CMGlobalName CMGetGlobalName(CMObject object);
CMBoolean CMAddBaseType(CMType type, CMType baseType);
CMCount CMCountProperties(CMObject object, CMProperty property); // property null: all
void CMRemoveObject(CMObject object);
void CMRemoveObjectProperty(CMObject object, CMProperty property);
void CMReleaseObject(CMObject object);
void CMKeepObject(CMObject object);

// ---- Values ----
CMCount CMCountValues(CMObject object, CMProperty property, CMType type); // type null: all
CMValue CMGetNextValue(CMObject object, CMProperty property, CMValue previous);
CMValue CMNewValue(CMObject object, CMProperty property, CMType type);
// As CMNewValue; `initData` goes to the type handler's "Apple:NewValue".
CMValue CMNewValueWithData(CMObject object, CMProperty property, CMType type, CMPtr initData);
CMValue CMUseValue(CMObject object, CMProperty property, CMType type);
CMSize CMGetValueSize(CMValue value);
CMSize CMReadValueData(CMValue value, CMPtr buffer, CMSize offset, CMSize maxSize);
CMSize CMWriteValueData(CMValue value, const void* buffer, CMSize offset, CMSize size);
void CMDeleteValueData(CMValue value, CMSize offset, CMSize size);
void CMDefineValueData(CMValue value, CMSize offset, CMSize size);
void CMGetValueInfo(CMValue value, CMContainer* container, CMObject* object, CMProperty* property,
                    CMType* type, CMGeneration* generation);
CMValueFlags CMGetValueFlags(CMValue value);
void CMSetValueFlags(CMValue value, CMValueFlags flags);
void CMSetValueGeneration(CMValue value, CMGeneration generation);
void CMRemoveValue(CMValue value);
void CMReleaseValue(CMValue value);
// Dynamic values: the value a handler's operation works on, and its refCon.
CMValue CMGetBaseValue(CMValue value);
CMRefCon CMGetValueRefCon(CMValue value);

// Segments of a plain value, for inspection tools.
struct CMValueSegmentInfo {
    CMSize offset;        // stream offset (0 for immediate data)
    CMSize length;        // bytes in this segment
    CMBoolean immediate;  // data held in the TOC entry
    CMBoolean continued;  // not the first segment
    unsigned char immediateData[4];
};
CMCount CMCountValueSegments(CMValue value);
CMBoolean CMGetValueSegment(CMValue value, CMCount index, struct CMValueSegmentInfo* info);

// ---- Object references ----
// Records in the value's object that `key` refers to `referenced` and fills
// `key` (the referenced object's ID in the container's byte order); the
// caller stores the key bytes in its value data.
CMReference* CMNewReference(CMValue value, CMObject referenced, CMReference key);
// Resolves a key read from the value's data back to its object, or null.
CMObject CMGetReferencedObject(CMValue value, const CMReference key);

// ---- Messages ----
// The message template of an error number (numbers 0 to 135).
const char* CMErrorTemplate(CMErrorNbr errorNumber);
// Formats an error message, substituting "^n" with argv[n]; the result is cut
// at 255 characters. Answers the formatted length.
size_t CMFormatErrorMessage(char* out, size_t outSize, CMErrorNbr errorNumber, int argc,
                            const char* const* argv);

} // extern "C"
