// A file's registry caches: property and type codes to the container
// definitions of the file and back, filled on first use, when the file is
// opened or created, and when the session learns new definitions.
#include "omf/internal/error_flow.h"
#include "omf/internal/registry.h"

#include <cstring>
#include <new>

namespace omf {

namespace {

enum class Kind { property, type };

bool usesContainer(omfHdl_t file) {
    return !file->rawFile && file->container != nullptr;
}

// Creates empty caches, or empties them when the file's revision is no
// longer the one they were filled for.
omfErr_t ensureCaches(omfHdl_t file) {
    if (file->registry && file->registry->revision == file->revision) return 0;
    auto registry = std::unique_ptr<FileRegistry>(new (std::nothrow) FileRegistry{});
    if (!registry) OMF_RAISE(file, OM_ERR_NO_MEMORY);
    registry->revision = file->revision;
    omfTable_t created = nullptr;
    OMF_CHECK(file, omfsNewDefaultTable(file, kFilePropertyCacheBuckets, &created));
    registry->propertyObjects.reset(created);
    OMF_CHECK(file, omfsNewDefaultTable(file, kFilePropertyCacheBuckets, &created));
    registry->propertyCodes.reset(created);
    OMF_CHECK(file, omfsNewDefaultTable(file, kFileTypeCacheBuckets, &created));
    registry->typeObjects.reset(created);
    OMF_CHECK(file, omfsNewDefaultTable(file, kFileTypeCacheBuckets, &created));
    registry->typeCodes.reset(created);
    file->registry = std::move(registry);
    return 0;
}

TableHandle& forwardTable(FileRegistry& registry, Kind kind) {
    return kind == Kind::property ? registry.propertyObjects : registry.typeObjects;
}

TableHandle& reverseTable(FileRegistry& registry, Kind kind) {
    return kind == Kind::property ? registry.propertyCodes : registry.typeCodes;
}

const CachedDefinition* cached(omfHdl_t file, Kind kind, int32_t code) {
    void* value = nullptr;
    omfBool found = false;
    omfsTableLookupInt32(forwardTable(*file->registry, kind).get(), code, &value, &found);
    return found ? static_cast<const CachedDefinition*>(value) : nullptr;
}

// Records code <-> object in both directions; a newer definition of the
// same code or object replaces the older one.
omfErr_t remember(omfHdl_t file, Kind kind, int32_t code, CMObject object) {
    FileRegistry& registry = *file->registry;
    auto entry = std::unique_ptr<CachedDefinition>(new (std::nothrow) CachedDefinition{});
    if (!entry) OMF_RAISE(file, OM_ERR_NO_MEMORY);
    entry->code = code;
    entry->object = object;
    CachedDefinition* stored = entry.get();
    registry.definitions.push_back(std::move(entry));
    OMF_CHECK(file, omfsTableAddInt32(forwardTable(registry, kind).get(), code, stored,
                                      kOmfTableReplace));
    OMF_CHECK(file, omfsTableAddInt32(reverseTable(registry, kind).get(),
                                      omfInt32(CMGetObjectID(object)), stored, kOmfTableReplace));
    return 0;
}

// The container definition named `name`: found, or defined. A container
// opened for reading cannot take new definitions, so a name it lacks answers
// null there (no value of it can exist in the file).
omfErr_t findOrDefine(omfHdl_t file, Kind kind, const std::string& name, CMObject* object) {
    *object = nullptr;
    if (file->mode == FileMode::read &&
        CMGetGlobalNameObject(file->container, name.c_str()) == nullptr) {
        return 0;
    }
    CMObject defined = kind == Kind::property ? CMDefinePropertyName(file->container, name.c_str())
                                              : CMDefineTypeName(file->container, name.c_str());
    OMF_BENTO_CHECK(file, OM_ERR_BENTO);
    if (defined == nullptr) OMF_RAISE(file, OM_ERR_BENTO);
    *object = defined;
    return 0;
}

// The cached definition of a code, else found or defined under `name` and cached.
omfErr_t definitionOf(omfHdl_t file, Kind kind, int32_t code, const std::string& name,
                      CMObject* object) {
    if (const CachedDefinition* entry = cached(file, kind, code)) {
        *object = entry->object;
        return 0;
    }
    CMObject defined = nullptr;
    OMF_CHECK(file, findOrDefine(file, kind, name, &defined));
    if (defined != nullptr) OMF_CHECK(file, remember(file, kind, code, defined));
    *object = defined;
    return 0;
}

// The checks every per-file entry point starts with.
omfErr_t enterFile(omfHdl_t file) {
    if (!validFile(file)) OMF_RAISE(nullptr, OM_ERR_BAD_FILE_HANDLE);
    if (!usesContainer(file)) OMF_RAISE(file, OM_ERR_INVALID_FILE_TYPE);
    if (!validSession(file->session) || !file->session->registry)
        OMF_RAISE(file, OM_ERR_BAD_FILE_HANDLE);
    OMF_CHECK(file, ensureCaches(file));
    return 0;
}

omfErr_t codeOf(omfHdl_t file, Kind kind, CMObject object, int32_t* code, omfBool* found) {
    if (!validFile(file)) OMF_RAISE(nullptr, OM_ERR_BAD_FILE_HANDLE);
    if (object == nullptr || code == nullptr || found == nullptr)
        OMF_RAISE(file, OM_ERR_NULL_PARAM);
    *found = false;
    if (!file->registry || file->registry->revision != file->revision) return 0;
    void* value = nullptr;
    OMF_CHECK(file, omfsTableLookupInt32(reverseTable(*file->registry, kind).get(),
                                         omfInt32(CMGetObjectID(object)), &value, found));
    if (*found) *code = static_cast<const CachedDefinition*>(value)->code;
    return 0;
}

// Walks one of the session's code tables, defining every entry in the file.
template <typename Record> omfErr_t defineAll(omfHdl_t file, Kind kind, omfTable_t table) {
    omfTableIterate_t iterator;
    omfBool more = false;
    OMF_CHECK(file, omfsTableFirstEntry(table, &iterator, &more));
    while (more) {
        const auto* record = static_cast<const Record*>(iterator.value);
        CMObject object = nullptr;
        OMF_CHECK(file, definitionOf(file, kind, record->code, record->containerName, &object));
        OMF_CHECK(file, omfsTableNextEntry(&iterator, &more));
    }
    return 0;
}

bool hasPrefix(const char* name, const char* prefix) {
    return name != nullptr && std::strncmp(name, prefix, std::strlen(prefix)) == 0;
}

} // namespace

const PropertyRecord* filePropertyRecord(omfHdl_t file, omfProperty_t code) {
    if (!validFile(file) || !validSession(file->session) || !file->session->registry) {
        return nullptr;
    }
    const SessionRegistry& registry = *file->session->registry;
    if (file->revision == kOmfRev2x) {
        if (const PropertyRecord* record = registry.findProperty(kTables2x, code)) return record;
    }
    return registry.findProperty(kTables1x, code);
}

const TypeRecord* fileTypeRecord(omfHdl_t file, omfType_t code) {
    if (!validFile(file) || !validSession(file->session) || !file->session->registry) {
        return nullptr;
    }
    return file->session->registry->findType(revisionTableOf(file->revision), code);
}

omfErr_t typeFlag(omfHdl_t file, omfType_t code, int32_t* flag) {
    if (!validFile(file)) OMF_RAISE(nullptr, OM_ERR_BAD_FILE_HANDLE);
    if (flag == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    const TypeRecord* record = fileTypeRecord(file, code);
    if (record == nullptr) OMF_RAISE(file, OM_ERR_TYPE_OUT_OF_RANGE);
    *flag = record->flag;
    return 0;
}

omfErr_t propertyTypes(omfSessionHdl_t session, omfProperty_t code, omfFileRev_t revision,
                       omfType_t types[2], int32_t* count) {
    if (!validSession(session) || !session->registry) OMF_RAISE(nullptr, OM_ERR_BAD_SESSION);
    if (types == nullptr || count == nullptr) OMF_RAISE(nullptr, OM_ERR_NULL_PARAM);
    const PropertyRecord* record = session->registry->findProperty(revisionTableOf(revision), code);
    *count = record != nullptr ? record->typeCount : 0;
    for (int32_t i = 0; i < *count; ++i)
        types[i] = record->types[i];
    return 0;
}

namespace {

// Defines (or finds) a definition the session registered in `table` in the
// file and caches it, when the file's caches serve that table.
omfErr_t enterIntoFile(omfHdl_t file, Kind kind, int32_t code, const std::string& name,
                       RevisionTable table) {
    if (!validFile(file) || !usesContainer(file) || !file->registry) return 0;
    if (file->registry->revision != file->revision || revisionTableOf(file->revision) != table) {
        return 0;
    }
    CMObject object = nullptr;
    OMF_CHECK(file, definitionOf(file, kind, code, name, &object));
    return 0;
}

} // namespace

omfErr_t enterPropertyIntoFile(omfHdl_t file, const PropertyRecord& record, RevisionTable table) {
    return enterIntoFile(file, Kind::property, record.code, record.containerName, table);
}

omfErr_t enterTypeIntoFile(omfHdl_t file, const TypeRecord& record, RevisionTable table) {
    return enterIntoFile(file, Kind::type, record.code, record.containerName, table);
}

omfErr_t registerFileDefinitions(omfHdl_t file) try {
    OMF_CHECK(file, enterFile(file));
    omfSessionHdl_t session = file->session;
    SessionRegistry& registry = *session->registry;
    omfRevisionSet_t revisions = revisionSetOf(file->revision);
    const size_t typePrefix = std::strlen(kTypeNamePrefix);
    const size_t propertyPrefix = std::strlen(kPropertyNamePrefix);

    for (CMType type = CMGetNextTypeDef(file->container, nullptr); type != nullptr;
         type = CMGetNextTypeDef(file->container, type)) {
        const char* name = CMGetGlobalName(type);
        if (!hasPrefix(name, kTypeNamePrefix) || registry.findTypeName(name) != nullptr) continue;
        omfType_t code = registry.nextTypeCode++;
        OMF_CHECK(file,
                  registerType(session, code, name + typePrefix, revisions, kTypeMovedAsBytes, 0));
        OMF_CHECK(file, remember(file, Kind::type, code, type));
    }
    for (CMProperty property = CMGetNextPropertyDef(file->container, nullptr); property != nullptr;
         property = CMGetNextPropertyDef(file->container, property)) {
        const char* name = CMGetGlobalName(property);
        if (!hasPrefix(name, kPropertyNamePrefix) || registry.findPropertyName(name) != nullptr) {
            continue;
        }
        omfProperty_t code = registry.nextPropertyCode++;
        OMF_CHECK(file, registerProperty(session, code, name + propertyPrefix, nullptr,
                                         kOmfType_NoType, revisions, true));
        OMF_CHECK(file, remember(file, Kind::property, code, property));
    }
    return 0;
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

} // namespace omf

extern "C" {

omfErr_t omfsPropertyObject(omfHdl_t file, omfProperty_t code, CMProperty* object) try {
    if (object == nullptr) OMF_RAISE(omf::validFile(file) ? file : nullptr, OM_ERR_NULL_PARAM);
    OMF_CHECK(file, omf::enterFile(file));
    const omf::PropertyRecord* record = omf::filePropertyRecord(file, code);
    if (record == nullptr) {
        *object = nullptr;
        return 0;
    }
    OMF_CHECK(file,
              omf::definitionOf(file, omf::Kind::property, code, record->containerName, object));
    return 0;
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

omfErr_t omfsTypeObject(omfHdl_t file, omfType_t code, CMType* object) try {
    if (object == nullptr) OMF_RAISE(omf::validFile(file) ? file : nullptr, OM_ERR_NULL_PARAM);
    OMF_CHECK(file, omf::enterFile(file));
    const omf::TypeRecord* record = omf::fileTypeRecord(file, code);
    if (record == nullptr) {
        *object = nullptr;
        return 0;
    }
    OMF_CHECK(file, omf::definitionOf(file, omf::Kind::type, code, record->containerName, object));
    return 0;
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

omfErr_t omfsPropertyCode(omfHdl_t file, CMProperty object, omfProperty_t* code, omfBool* found) {
    return omf::codeOf(file, omf::Kind::property, object, code, found);
}

omfErr_t omfsTypeCode(omfHdl_t file, CMType object, omfType_t* code, omfBool* found) {
    return omf::codeOf(file, omf::Kind::type, object, code, found);
}

omfErr_t omfsBuildFileRegistry(omfHdl_t file) try {
    OMF_CHECK(file, omf::enterFile(file));
    const omf::SessionRegistry& registry = *file->session->registry;
    omf::RevisionTable table = omf::revisionTableOf(file->revision);
    OMF_CHECK(file, omf::defineAll<omf::PropertyRecord>(file, omf::Kind::property,
                                                        registry.properties[table].get()));
    OMF_CHECK(file,
              omf::defineAll<omf::TypeRecord>(file, omf::Kind::type, registry.types[table].get()));

    omf::FileRegistry& caches = *file->registry;
    bool revision1x = file->revision != kOmfRev2x;
    OMF_CHECK(file, omfsPropertyObject(file, kOmfProperty_ObjID, &caches.objIDProperty));
    OMF_CHECK(file, omfsPropertyObject(file, kOmfProperty_OOBJ_ObjClass, &caches.objClassProperty));
    if (revision1x) {
        OMF_CHECK(file,
                  omfsPropertyObject(file, kOmfProperty_ByteOrder, &caches.byteOrderProperty));
    }
    OMF_CHECK(file, omfsTypeObject(file, kOmfType_ObjectTag, &caches.objectTagType));
    OMF_CHECK(file, omfsTypeObject(file, kOmfType_ClassID, &caches.classIDType));
    if (revision1x) OMF_CHECK(file, omfsTypeObject(file, kOmfType_Short, &caches.shortType));
    return 0;
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

} // extern "C"
