// Internal operations shared by the container library's source files.
#pragma once

#include "container/internal/records.h"
#include "container/internal/segment_list.h"

#include <string>
#include <string_view>

namespace container {

// Standard object IDs.
enum StandardID : CMObjectID {
    kTocObjectID = 1,
    kTocSeedProperty = 2,
    kTocMinSeedProperty = 3,
    kTocObjectProperty = 4,
    kTocContainerProperty = 5,
    kTocDeletedProperty = 6,
    kTocFreeProperty = 7,
    kTocNewValuesTocProperty = 8,
    kTocTargetProperty = 9,
    kTocDeleteListProperty = 10,
    kTocType = 19,
    kReferencesProperty = 20, // an object's (key, object ID) reference table
    kGlobalNameProperty = 21,
    kReferenceDataType = 22,
    kTypeNameType = 23,
    kPropertyNameType = 24,
    kDynamicValueProperty = 25,
    kBaseTypeProperty = 26,
    kBaseTypeListType = 27,
    kTargetContainerType = 28,
    kValueUpdatesProperty = 29,
    kUpdatesDataType = 30,
};
static_assert(kUpdatesDataType == kLastStandardID, "the standard object table's size");

// The standard object with `id`: created with the container, never deleted,
// and looked up without a search of the TOC index.
inline CMObjectRecord* standardObject(const CMContainerRecord* container, StandardID id) {
    return container->standardObjects[id];
}

constexpr CMContainerUseMode kWritableModes = kCMWriting | kCMReadWrite | kCMUpdateByAppend |
                                              kCMUpdateTarget | kCMConverting | kCMReuseFlag;

inline bool isWritable(const CMContainerRecord* container) {
    return (container->useFlags & kWritableModes) != 0;
}

// ---- containers ----
// Closes the stream and frees everything of the container without writing.
void discardContainer(CMContainerRecord* container);

// ---- objects ----
// Creates the standard objects every container carries.
bool createStandardObjects(CMContainerRecord* container);
// The object with `id`, created when absent. Standard IDs become standard
// objects; user IDs are marked undefined until the TOC defines them.
CMObjectRecord* objectForID(CMContainerRecord* container, CMObjectID id);
// Adds a kind bit; a property/type conflict reports error 16 and answers false.
bool addKind(CMObjectRecord* object, uint8_t kind);
CMObjectRecord* newObjectWithID(CMContainerRecord* container, CMObjectID id, uint8_t kind);
// Binds a global name to an object; a second binding reports error 27.
bool bindGlobalName(CMObjectRecord* object, std::string_view name);
std::string describeObject(const CMObjectRecord* object); // its global name or its ID

// ---- values ----
CMPropertyEntry* findPropertyEntry(CMObjectRecord* object, const CMObjectRecord* property);
CMPropertyEntry& propertyEntry(CMObjectRecord* object, CMObjectRecord* property);
CMValueRecord* findValue(CMObjectRecord* object, const CMObjectRecord* property,
                         const CMObjectRecord* type);
// Adds a plain value without the public call's checks (TOC loading, internal use).
CMValueRecord* addValue(CMObjectRecord* object, CMObjectRecord* property, CMObjectRecord* type);
// As above, into the object's entry of the property.
CMValueRecord* addValue(CMObjectRecord* object, CMPropertyEntry& entry, CMObjectRecord* type);
CMSize readPlain(CMValueRecord* value, void* buffer, CMSize offset, CMSize maxSize);
CMSize writePlain(CMValueRecord* value, const void* buffer, CMSize offset, CMSize size);
void deletePlain(CMValueRecord* value, CMSize offset, CMSize size);
CMValueRecord* plainValueOf(CMValueRecord* value); // the stored value under dynamic layers

// ---- stream ----
CMSize streamReadAt(CMContainerRecord* container, CMSize offset, void* buffer, CMSize size);
CMSize streamWriteAt(CMContainerRecord* container, CMSize offset, const void* buffer, CMSize size);
// Writes at the end of the data and advances it; answers the bytes written.
CMSize streamAppend(CMContainerRecord* container, const void* buffer, CMSize size);

// Field conversion through the handler's byte order.
uint16_t extract16(CMContainerRecord* container, const unsigned char* bytes);
uint32_t extract32(CMContainerRecord* container, const unsigned char* bytes);
void format16(CMContainerRecord* container, unsigned char* bytes, uint16_t number);
void format32(CMContainerRecord* container, unsigned char* bytes, uint32_t number);

// ---- TOC ----
// Loads the TOC of an opened container; reports and throws Abandon on failure.
void readToc(CMContainerRecord* container);
// Writes global names, TOC and label of a written container; reports and
// throws Abandon on failure.
void writeTocAndLabel(CMContainerRecord* container);

} // namespace container
