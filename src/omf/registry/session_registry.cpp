// The session's registry: its tables, registration of classes, types and
// properties with chosen codes, and the built-in registration at session start.
#include "omf/internal/error_flow.h"
#include "omf/internal/registry.h"
#include "registry/builtin_tables.h"

#include <cstring>
#include <new>

namespace omf {

namespace {

constexpr RevisionTable kBothTables[] = {kTables1x, kTables2x};

// Copies a class ID given as four bytes or as a shorter text (zero-filled).
void copyClassID(omfClassID_t destination, const char* source) {
    size_t length = strnlen(source, sizeof(omfClassID_t));
    std::memset(destination, 0, sizeof(omfClassID_t));
    std::memcpy(destination, source, length);
}

// Looks up a value stored under `key` in a table known to be valid.
template <typename Record, typename Key>
Record* lookup(const TableHandle& table, Key key,
               omfErr_t (*find)(omfTable_t, Key, void**, omfBool*)) {
    void* value = nullptr;
    omfBool found = false;
    if (!table || find(table.get(), key, &value, &found) != 0 || !found) return nullptr;
    return static_cast<Record*>(value);
}

// Enters a new definition into every open file of the session that uses it.
template <typename Record>
omfErr_t enterIntoOpenFiles(omfSessionHdl_t session, const Record& record, RevisionTable table,
                            omfErr_t (*enter)(omfHdl_t, const Record&, RevisionTable)) {
    for (omfFileRec* file = session->files; file != nullptr; file = file->next) {
        if (!validFile(file)) continue;
        OMF_CHECK(file, enter(file, record, table));
    }
    return 0;
}

omfErr_t createTables(SessionRegistry& registry) {
    for (RevisionTable table : kBothTables) {
        omfTable_t created = nullptr;
        OMF_CHECK(nullptr, omfsNewClassIDTable(nullptr, kClassTableBuckets, &created));
        registry.classes[table].reset(created);
        OMF_CHECK(nullptr, omfsNewDefaultTable(nullptr, kTypeTableBuckets, &created));
        registry.types[table].reset(created);
        OMF_CHECK(nullptr, omfsNewDefaultTable(nullptr, kPropertyTableBuckets, &created));
        registry.properties[table].reset(created);
    }
    omfTable_t created = nullptr;
    OMF_CHECK(nullptr, omfsNewStringTable(nullptr, true, kTypeNameTableBuckets, &created));
    registry.typeNames.reset(created);
    OMF_CHECK(nullptr, omfsNewStringTable(nullptr, true, kPropertyNameTableBuckets, &created));
    registry.propertyNames.reset(created);
    return 0;
}

omfErr_t registerBuiltinClasses(omfSessionHdl_t session) {
    for (const builtin::ClassRow& row : builtin::classRows()) {
        if (row.parent1x != nullptr) {
            OMF_CHECK(nullptr,
                      registerClass(session, row.id, row.parent1x, kOmfRevisions1x, row.flag1x));
        }
        if (row.parent2x != nullptr) {
            OMF_CHECK(nullptr, registerClass(session, row.id, row.parent2x, kOmfRevisions2x, 0));
        }
    }
    return 0;
}

omfErr_t registerBuiltinTypes(omfSessionHdl_t session) {
    for (const builtin::TypeRow& row : builtin::typeRows()) {
        bool sameName = row.name1x != nullptr && row.name2x != nullptr &&
                        std::strcmp(row.name1x, row.name2x) == 0;
        if (sameName) {
            OMF_CHECK(nullptr, registerType(session, row.code, row.name1x, kOmfRevisionsBoth,
                                            row.flag, row.enumerationSize));
            continue;
        }
        if (row.name1x != nullptr) {
            OMF_CHECK(nullptr, registerType(session, row.code, row.name1x, kOmfRevisions1x,
                                            row.flag, row.enumerationSize));
        }
        if (row.name2x != nullptr) {
            OMF_CHECK(nullptr, registerType(session, row.code, row.name2x, kOmfRevisions2x,
                                            row.flag, row.enumerationSize));
        }
    }
    return 0;
}

bool sameText(const char* a, const char* b) {
    if (a == nullptr || b == nullptr) return a == b;
    return std::strcmp(a, b) == 0;
}

bool sameSide(const builtin::PropertySide& a, const builtin::PropertySide& b) {
    return sameText(a.name, b.name) && sameText(a.classID, b.classID) && sameText(a.type, b.type) &&
           sameText(a.secondType, b.secondType) && a.optional == b.optional;
}

// Registers one side of a property row: once per allowed type.
omfErr_t registerPropertySide(omfSessionHdl_t session, omfProperty_t code,
                              const builtin::PropertySide& side, omfRevisionSet_t revisions) {
    const SessionRegistry& registry = *session->registry;
    for (const char* typeName : {side.type, side.secondType}) {
        if (typeName == nullptr) continue;
        const TypeRecord* type = registry.findTypeName(typeContainerName(typeName).c_str());
        if (type == nullptr) OMF_RAISE(nullptr, OM_ERR_TYPE_OUT_OF_RANGE);
        OMF_CHECK(nullptr, registerProperty(session, code, side.name, side.classID, type->code,
                                            revisions, side.optional != 0));
    }
    return 0;
}

omfErr_t registerBuiltinProperties(omfSessionHdl_t session) {
    for (const builtin::PropertyRow& row : builtin::propertyRows()) {
        if (row.v1x.name != nullptr && sameSide(row.v1x, row.v2x)) {
            OMF_CHECK(nullptr, registerPropertySide(session, row.code, row.v1x, kOmfRevisionsBoth));
            continue;
        }
        if (row.v1x.name != nullptr) {
            OMF_CHECK(nullptr, registerPropertySide(session, row.code, row.v1x, kOmfRevisions1x));
        }
        if (row.v2x.name != nullptr) {
            OMF_CHECK(nullptr, registerPropertySide(session, row.code, row.v2x, kOmfRevisions2x));
        }
    }
    return 0;
}

} // namespace

std::string typeContainerName(const char* name) {
    if (std::strncmp(name, kTypeNamePrefix, std::strlen(kTypeNamePrefix)) == 0) return name;
    return std::string(kTypeNamePrefix) + name;
}

std::string propertyContainerName(const char* name, const char* classID) {
    std::string text = kPropertyNamePrefix;
    if (classID != nullptr && classID[0] != '\0') {
        text.append(classID, strnlen(classID, sizeof(omfClassID_t)));
        text += ':';
    }
    return text + name;
}

const ClassRecord* SessionRegistry::findClass(RevisionTable table, const char* classID) const {
    return lookup<ClassRecord>(classes[table], classID, omfsTableLookupClassID);
}

const TypeRecord* SessionRegistry::findType(RevisionTable table, omfType_t code) const {
    return lookup<TypeRecord>(types[table], code, omfsTableLookupInt32);
}

PropertyRecord* SessionRegistry::findProperty(RevisionTable table, omfProperty_t code) const {
    return lookup<PropertyRecord>(properties[table], code, omfsTableLookupInt32);
}

const TypeRecord* SessionRegistry::findTypeName(const char* containerName) const {
    return lookup<TypeRecord>(typeNames, containerName, omfsTableLookupString);
}

const PropertyRecord* SessionRegistry::findPropertyName(const char* containerName) const {
    return lookup<PropertyRecord>(propertyNames, containerName, omfsTableLookupString);
}

omfErr_t registerClass(omfSessionHdl_t session, const char* classID, const char* parent,
                       omfRevisionSet_t revisions, int32_t flag) {
    if (!validSession(session) || !session->registry) OMF_RAISE(nullptr, OM_ERR_BAD_SESSION);
    if (classID == nullptr) OMF_RAISE(nullptr, OM_ERR_NULL_PARAM);
    SessionRegistry& registry = *session->registry;
    for (RevisionTable table : kBothTables) {
        if (!setIncludes(revisions, table) || registry.findClass(table, classID) != nullptr) {
            continue;
        }
        auto record = std::unique_ptr<ClassRecord>(new (std::nothrow) ClassRecord{});
        if (!record) OMF_RAISE(nullptr, OM_ERR_NO_MEMORY);
        std::memcpy(record->id, classID, sizeof record->id);
        record->hasParent = parent != nullptr && parent[0] != '\0';
        if (record->hasParent) copyClassID(record->parent, parent);
        record->flag = flag;
        ClassRecord* entered = record.get();
        registry.classRecords.push_back(std::move(record));
        OMF_CHECK(nullptr, omfsTableAddClassID(registry.classes[table].get(), entered->id, entered,
                                               kOmfTableUnique));
    }
    return 0;
}

omfErr_t registerType(omfSessionHdl_t session, omfType_t code, const char* name,
                      omfRevisionSet_t revisions, int32_t flag, int32_t enumerationSize) {
    if (!validSession(session) || !session->registry) OMF_RAISE(nullptr, OM_ERR_BAD_SESSION);
    if (name == nullptr) OMF_RAISE(nullptr, OM_ERR_NULL_PARAM);
    SessionRegistry& registry = *session->registry;
    std::string containerName = typeContainerName(name);

    auto* record = const_cast<TypeRecord*>(registry.findTypeName(containerName.c_str()));
    if (record != nullptr && record->code != code) OMF_RAISE(nullptr, OM_ERR_PROPERTY_REV_MISMATCH);
    // A code names one type per revision.
    for (RevisionTable table : kBothTables) {
        if (!setIncludes(revisions, table)) continue;
        const TypeRecord* holder = registry.findType(table, code);
        if (holder != nullptr && holder != record) OMF_RAISE(nullptr, OM_ERR_PROPERTY_REV_MISMATCH);
    }

    bool created = record == nullptr;
    if (created) {
        auto owned = std::unique_ptr<TypeRecord>(new (std::nothrow) TypeRecord{});
        if (!owned) OMF_RAISE(nullptr, OM_ERR_NO_MEMORY);
        owned->code = code;
        owned->containerName = containerName;
        owned->name = containerName.substr(std::strlen(kTypeNamePrefix));
        owned->revisions = revisions;
        owned->flag = flag;
        owned->enumerationSize = enumerationSize;
        record = owned.get();
        registry.typeRecords.push_back(std::move(owned));
        OMF_CHECK(nullptr,
                  omfsTableAddString(registry.typeNames.get(), record->containerName.c_str(),
                                     record, kOmfTableUnique));
    }
    for (RevisionTable table : kBothTables) {
        if (!setIncludes(revisions, table) || registry.findType(table, code) != nullptr) continue;
        OMF_CHECK(nullptr,
                  omfsTableAddInt32(registry.types[table].get(), code, record, kOmfTableUnique));
        if (!setIncludes(record->revisions, table)) record->revisions = kOmfRevisionsBoth;
        OMF_CHECK(nullptr,
                  enterIntoOpenFiles<TypeRecord>(session, *record, table, enterTypeIntoFile));
    }
    return 0;
}

omfErr_t registerProperty(omfSessionHdl_t session, omfProperty_t code, const char* name,
                          const char* classID, omfType_t type, omfRevisionSet_t revisions,
                          bool optional) {
    if (!validSession(session) || !session->registry) OMF_RAISE(nullptr, OM_ERR_BAD_SESSION);
    if (name == nullptr) OMF_RAISE(nullptr, OM_ERR_NULL_PARAM);
    SessionRegistry& registry = *session->registry;
    std::string containerName = propertyContainerName(name, classID);

    const PropertyRecord* named = registry.findPropertyName(containerName.c_str());
    if (named != nullptr && named->code != code) OMF_RAISE(nullptr, OM_ERR_PROPERTY_REV_MISMATCH);
    for (RevisionTable table : kBothTables) {
        if (!setIncludes(revisions, table)) continue;
        if (registry.findType(table, type) == nullptr) OMF_RAISE(nullptr, OM_ERR_TYPE_OUT_OF_RANGE);
        const PropertyRecord* existing = registry.findProperty(table, code);
        if (existing == nullptr) continue;
        if (existing->containerName != containerName)
            OMF_RAISE(nullptr, OM_ERR_PROPERTY_REV_MISMATCH);
        if (!existing->allows(type) && existing->typeCount == 2)
            OMF_RAISE(nullptr, OM_ERR_TOO_MANY_TYPES);
    }

    for (RevisionTable table : kBothTables) {
        if (!setIncludes(revisions, table)) continue;
        if (PropertyRecord* existing = registry.findProperty(table, code)) {
            // Registering the code again allows one more type.
            if (!existing->allows(type)) existing->types[existing->typeCount++] = type;
            continue;
        }
        auto record = std::unique_ptr<PropertyRecord>(new (std::nothrow) PropertyRecord{});
        if (!record) OMF_RAISE(nullptr, OM_ERR_NO_MEMORY);
        record->code = code;
        record->containerName = containerName;
        record->hasClass = classID != nullptr && classID[0] != '\0';
        if (record->hasClass) copyClassID(record->classID, classID);
        record->types[0] = type;
        record->typeCount = 1;
        record->optional = optional;
        PropertyRecord& entered = *record;
        registry.propertyRecords.push_back(std::move(record));
        OMF_CHECK(nullptr, omfsTableAddInt32(registry.properties[table].get(), code, &entered,
                                             kOmfTableUnique));
        if (registry.findPropertyName(containerName.c_str()) == nullptr) {
            OMF_CHECK(nullptr,
                      omfsTableAddString(registry.propertyNames.get(),
                                         entered.containerName.c_str(), &entered, kOmfTableUnique));
        }
        OMF_CHECK(nullptr, enterIntoOpenFiles<PropertyRecord>(session, entered, table,
                                                              enterPropertyIntoFile));
    }
    return 0;
}

omfErr_t createSessionRegistry(omfSessionHdl_t session) try {
    if (!validSession(session)) OMF_RAISE(nullptr, OM_ERR_BAD_SESSION);
    auto registry = std::unique_ptr<SessionRegistry>(new (std::nothrow) SessionRegistry{});
    if (!registry || createTables(*registry) != 0) OMF_RAISE(nullptr, OM_ERR_SESSION_OPEN);
    session->registry = std::move(registry);
    // Classes, then types, then properties: properties name their types.
    if (registerBuiltinClasses(session) != 0 || registerBuiltinTypes(session) != 0 ||
        registerBuiltinProperties(session) != 0) {
        session->registry.reset();
        OMF_RAISE(nullptr, OM_ERR_SESSION_OPEN);
    }
    return 0;
} catch (const std::bad_alloc&) {
    session->registry.reset();
    OMF_RAISE(nullptr, OM_ERR_SESSION_OPEN);
}

} // namespace omf
