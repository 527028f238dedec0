// The class, type and property registry of a session and the per-file caches
// that map property and type codes to the container definitions of a file.
//
// The session holds one class, type and property table per revision (the
// 1.x tables serve files of revisions 0 and 1, the 2.x tables revision 2)
// and name tables from container names to types and properties. Every file
// keeps code -> definition object caches and their reverses.
#pragma once

#include "omf/internal/hash_table.h"
#include "omf/internal/records.h"
#include "omf/omf_registry.h"

#include <memory>
#include <string>
#include <vector>

namespace omf {

// Index of a revision's tables: 0 for the 1.x tables, 1 for the 2.x tables.
enum RevisionTable : int { kTables1x = 0, kTables2x = 1 };
constexpr int kRevisionTables = 2;

inline RevisionTable revisionTableOf(omfFileRev_t revision) {
    return revision == kOmfRev2x ? kTables2x : kTables1x;
}
inline omfRevisionSet_t revisionSetOf(omfFileRev_t revision) {
    return revision == kOmfRev2x ? kOmfRevisions2x : kOmfRevisions1x;
}
inline bool setIncludes(omfRevisionSet_t revisions, RevisionTable table) {
    return revisions == kOmfRevisionsBoth ||
           (table == kTables1x ? revisions == kOmfRevisions1x : revisions == kOmfRevisions2x);
}

// Sizes of the session's tables (buckets).
constexpr omfInt32 kClassTableBuckets = 100;
constexpr omfInt32 kTypeTableBuckets = 100;
constexpr omfInt32 kPropertyTableBuckets = 300;
constexpr omfInt32 kTypeNameTableBuckets = 100;
constexpr omfInt32 kPropertyNameTableBuckets = 300;
// Sizes of a file's caches.
constexpr omfInt32 kFilePropertyCacheBuckets = 300;
constexpr omfInt32 kFileTypeCacheBuckets = 100;

// The first codes handed out to types and properties registered by callers
// or learned from files.
constexpr omfType_t kFirstFreeTypeCode = 57;
constexpr omfProperty_t kFirstFreePropertyCode = 247;

// Container name prefixes.
constexpr const char* kTypeNamePrefix = "omfi:";
constexpr const char* kPropertyNamePrefix = "OMFI:";

// Class flags: 2 marks classes learned from a file's class dictionary and
// the built-in 1.x media classes registered the same way.
constexpr int32_t kClassFlagLearned = 2;

// Type flags: how values move between memory and the file.
constexpr int32_t kTypeSwapped = 0;      // numbers in the file's byte order
constexpr int32_t kTypeMovedAsBytes = 1; // never byte-swapped

// A property's rule on its data (run by checked typed accessors): answers
// whether the data is acceptable and sets *error when it is not.
using DataRule = omfBool (*)(omfHdl_t file, const void* data, omfErr_t* error);

struct ClassRecord {
    omfClassID_t id;
    omfClassID_t parent; // meaningful when hasParent
    bool hasParent = false;
    int32_t flag = 0;
};

struct TypeRecord {
    omfType_t code = 0;
    std::string name;          // without the "omfi:" prefix
    std::string containerName; // "omfi:" + name
    omfRevisionSet_t revisions = kOmfRevisionsBoth;
    int32_t flag = kTypeSwapped;
    // Stored size in bytes of an enumerated type (2 or 4); 0 for other types.
    int32_t enumerationSize = 0;
};

// One property code in one revision.
struct PropertyRecord {
    omfProperty_t code = 0;
    std::string containerName; // "OMFI:" [class ":"] name
    omfClassID_t classID{};    // meaningful when hasClass
    bool hasClass = false;
    omfType_t types[2] = {0, 0};
    int32_t typeCount = 0;
    bool optional = false;
    // Checks attached by the semantic-check registration.
    DataRule dataRule = nullptr;
    omfClassID_t referencedClass{}; // meaningful when hasReferencedClass
    bool hasReferencedClass = false;

    bool allows(omfType_t type) const {
        for (int32_t i = 0; i < typeCount; ++i) {
            if (types[i] == type) return true;
        }
        return false;
    }
};

class SessionRegistry {
  public:
    // The records; declared before the tables, which point into them.
    std::vector<std::unique_ptr<ClassRecord>> classRecords;
    std::vector<std::unique_ptr<TypeRecord>> typeRecords;
    std::vector<std::unique_ptr<PropertyRecord>> propertyRecords;

    // Table values are non-owning pointers to the records.
    TableHandle classes[kRevisionTables];    // class ID -> ClassRecord
    TableHandle types[kRevisionTables];      // type code -> TypeRecord
    TableHandle properties[kRevisionTables]; // property code -> PropertyRecord
    TableHandle typeNames;                   // container name -> TypeRecord (exact case)
    TableHandle propertyNames;               // container name -> PropertyRecord (exact case)
    omfType_t nextTypeCode = kFirstFreeTypeCode;
    omfProperty_t nextPropertyCode = kFirstFreePropertyCode;

    const ClassRecord* findClass(RevisionTable table, const char* classID) const;
    const TypeRecord* findType(RevisionTable table, omfType_t code) const;
    PropertyRecord* findProperty(RevisionTable table, omfProperty_t code) const;
    const TypeRecord* findTypeName(const char* containerName) const;
    const PropertyRecord* findPropertyName(const char* containerName) const;
};

// A code and the container definition it maps to in one file.
struct CachedDefinition {
    int32_t code = 0;
    CMObject object = nullptr;
};

class FileRegistry {
  public:
    // The revision the caches were filled for: the same code names other
    // definitions in the other revision, so a change of the file's revision
    // (while its open decides it) empties the caches.
    omfFileRev_t revision = kOmfRev2x;
    std::vector<std::unique_ptr<CachedDefinition>> definitions; // pointed to by the tables
    TableHandle propertyObjects;                                // property code -> CachedDefinition
    TableHandle typeObjects;                                    // type code -> CachedDefinition
    TableHandle propertyCodes; // property object ID -> CachedDefinition
    TableHandle typeCodes;     // type object ID -> CachedDefinition

    // Definitions every object access needs, held apart from the caches.
    CMProperty objIDProperty = nullptr;     // ObjID: the class of 1.x objects
    CMProperty objClassProperty = nullptr;  // ObjClass: the class of 2.x objects
    CMProperty byteOrderProperty = nullptr; // ByteOrder of 1.x objects (revisions 0 and 1)
    CMType objectTagType = nullptr;         // ObjectTag (1.x class IDs)
    CMType classIDType = nullptr;           // ClassID (2.x class IDs)
    CMType shortType = nullptr;             // Short (revisions 0 and 1)
};

// Container names: "omfi:" + name for types (a name already carrying the
// prefix is kept), "OMFI:" [+ class ID + ":"] + name for properties.
std::string typeContainerName(const char* name);
std::string propertyContainerName(const char* name, const char* classID);

// Builds the session's tables and registers the built-in classes, types and
// properties, then sets session->registry. Any failure is OM_ERR_SESSION_OPEN and leaves
// the session without a registry.
omfErr_t createSessionRegistry(omfSessionHdl_t session);

// Registration with a chosen code, used for the built-in tables and by the
// public calls: a name already registered keeps its code (OM_ERR_PROPERTY_REV_MISMATCH when `code`
// differs); a type code already used in a revision by another name is OM_ERR_PROPERTY_REV_MISMATCH.
omfErr_t registerType(omfSessionHdl_t session, omfType_t code, const char* name,
                      omfRevisionSet_t revisions, int32_t flag, int32_t enumerationSize);
// Registering a code again in a revision where it exists adds `type` as a
// further allowed type (a third is OM_ERR_TOO_MANY_TYPES).
omfErr_t registerProperty(omfSessionHdl_t session, omfProperty_t code, const char* name,
                          const char* classID, omfType_t type, omfRevisionSet_t revisions,
                          bool optional);
// Registers a class in the given revisions; a class already there is left
// as it is. Class IDs are four bytes; a parent may also be a shorter text,
// and a null or empty one makes a root class.
omfErr_t registerClass(omfSessionHdl_t session, const char* classID, const char* parent,
                       omfRevisionSet_t revisions, int32_t flag);

// ---- Class hierarchy (the file's revision table) ----

// Whether `classID` is `ancestor` or descends from it. Unknown classes are
// of no class but themselves.
bool classIsA(omfHdl_t file, const char* classID, const char* ancestor);
// The parent of a class: *found is false for roots and unknown classes.
omfErr_t classParent(omfHdl_t file, const char* classID, omfClassID_t parent, bool* found);
// Registers a class read from the file's class dictionary in the file's
// revision table with flag 2 (no parent when `parent` is null), unless the
// table already has it.
omfErr_t registerFileClass(omfHdl_t file, const char* classID, const char* parent);

// ---- Lookups in the file's revision tables ----

// The property record of a code for a file: for revision-2 files the 2.x
// table, then the 1.x table; for other files the 1.x table. Null when unknown.
const PropertyRecord* filePropertyRecord(omfHdl_t file, omfProperty_t code);
// The type record of a code in the file's own revision table, or null.
const TypeRecord* fileTypeRecord(omfHdl_t file, omfType_t code);
// The type's flag (kTypeSwapped or kTypeMovedAsBytes); OM_ERR_TYPE_OUT_OF_RANGE for an unknown
// code.
omfErr_t typeFlag(omfHdl_t file, omfType_t code, int32_t* flag);
// The allowed types of a property for a revision; *count is 0 when the
// property is unknown there.
omfErr_t propertyTypes(omfSessionHdl_t session, omfProperty_t code, omfFileRev_t revision,
                       omfType_t types[2], int32_t* count);

// ---- Per-file caches ----

// Registers the container definitions of the file that the session does not
// know: types named "omfi:..." and properties named "OMFI:...", as new codes
// of the file's revision (types moved as bytes, properties of any type).
omfErr_t registerFileDefinitions(omfHdl_t file);

// Enters a definition the session has just registered in `table` into the
// caches of `file` when the file's revision uses that table (no-op for files
// without caches).
omfErr_t enterPropertyIntoFile(omfHdl_t file, const PropertyRecord& record, RevisionTable table);
omfErr_t enterTypeIntoFile(omfHdl_t file, const TypeRecord& record, RevisionTable table);

} // namespace omf

extern "C" {

// The container property of a code in `file`: the cached definition, else
// the one found or defined under the code's container name (then cached).
// Answers success with a null object for an unknown code (callers report
// OM_ERR_PROPERTY_OUT_OF_RANGE or OM_ERR_TYPE_OUT_OF_RANGE), and for a name that a file opened for
// reading does not define: such a container cannot take new definitions, and no value of the
// property can exist in it. A container error pending after the definition is OM_ERR_BENTO; a raw
// file OM_ERR_INVALID_FILE_TYPE.
omfErr_t omfsPropertyObject(omfHdl_t file, omfProperty_t code, CMProperty* object);
// The same for types (looked up only in the file's own revision table).
omfErr_t omfsTypeObject(omfHdl_t file, omfType_t code, CMType* object);

// The code of a container property or type of `file`, from the reverse
// caches; *found is false when the definition has no code.
omfErr_t omfsPropertyCode(omfHdl_t file, CMProperty object, omfProperty_t* code, omfBool* found);
omfErr_t omfsTypeCode(omfHdl_t file, CMType object, omfType_t* code, omfBool* found);

// Fills the file's caches: the definition of every property and every type
// of the file's revision table (found or defined by name), then the
// dedicated ObjID, ObjClass, ByteOrder, ObjectTag, ClassID and Short fields.
omfErr_t omfsBuildFileRegistry(omfHdl_t file);

} // extern "C"
