// Objects, property and type definitions, global names and their iteration.
#include "container/cm_api.h"
#include "container/internal/container_ops.h"
#include "container/internal/report.h"

#include <cstring>

using namespace container;

namespace {

struct StandardObject {
    CMObjectID id;
    uint8_t kind;
    const char* name; // null: an unnamed standard object
};

// The predefined objects of every container. Properties 20 and 21 and types
// 22 to 24 hold reference tables and global names.
constexpr StandardObject kStandardObjects[] = {
    {kTocObjectID, kKindObject, nullptr},
    {kTocSeedProperty, kKindProperty, "Apple:Global_Name_TOC_Seed"},
    {kTocMinSeedProperty, kKindProperty, "Apple:Global_Name_TOC_MinSeed"},
    {kTocObjectProperty, kKindProperty, "Apple:Global_Name_TOC_Object"},
    {kTocContainerProperty, kKindProperty, "Apple:Global_Name_TOC_Container"},
    {kTocDeletedProperty, kKindProperty, "Apple:Global_Name_TOC_Deleted"},
    {kTocFreeProperty, kKindProperty, "Apple:Global_Name_TOC_Free"},
    {kTocNewValuesTocProperty, kKindProperty, "Apple:Global_Name_TOC_NewValuesTOC"},
    {kTocTargetProperty, kKindProperty, "Apple:Global_Name_TOC_Target"},
    {kTocDeleteListProperty, kKindProperty, "Apple:Global_Name_TOC_DeleteList"},
    {kTocType, kKindType, "Apple:Global_Name_TOC_Type"},
    {kReferencesProperty, kKindProperty, nullptr},
    {kGlobalNameProperty, kKindProperty, nullptr},
    {kReferenceDataType, kKindType, nullptr},
    {kTypeNameType, kKindType, nullptr},
    {kPropertyNameType, kKindType, nullptr},
    {kDynamicValueProperty, kKindProperty, "Apple:Dynamic_Value"},
    {kBaseTypeProperty, kKindProperty, "Apple:Type_BaseType"},
    {kBaseTypeListType, kKindType, "Apple:Type_BaseTypeList"},
    {kTargetContainerType, kKindType, "Apple:Target_Container"},
    {kValueUpdatesProperty, kKindProperty, "Apple:Type_ValueUpdates"},
    {kUpdatesDataType, kKindType, "Apple:Type_UpdatesData"},
};

const char* kindName(uint8_t kind) {
    if (kind & kKindType) return "type";
    if (kind & kKindProperty) return "property";
    return "object";
}

bool usable(CMObjectRecord* object) {
    if (!validObject(object)) return false;
    if (object->flags & kObjectDeleted) {
        report(object->container, CM_ERR_DELETED_OBJECT, {nameOf(object->container)});
        return false;
    }
    return true;
}

// Registers a type or property name (kind is kKindType or kKindProperty).
CMObjectRecord* registerName(CMContainerRecord* container, CMGlobalName name, uint8_t kind) {
    if (!validContainer(container) || name == nullptr) return nullptr;
    auto found = container->globalNames.find(name);
    if (found != container->globalNames.end()) {
        CMObjectRecord* existing = found->second;
        uint8_t existingKind = existing->kind & (kKindType | kKindProperty);
        if (existingKind == kind) {
            ++existing->useCount;
            return existing;
        }
        report(container, CM_ERR_NAME_KIND_CONFLICT,
               {kind == kKindType ? "type" : "property", name, nameOf(container),
                kindName(existing->kind)});
        return nullptr;
    }
    if (!isWritable(container)) {
        report(container, CM_ERR_READ_ONLY, {nameOf(container)});
        return nullptr;
    }
    CMObjectID id = container->nextUserID;
    if (id == 0) {
        report(container, CM_ERR_TOO_MANY_OBJECTS, {nameOf(container)});
        return nullptr;
    }
    CMObjectRecord* object = newObjectWithID(container, id, kind);
    if (object == nullptr) return nullptr;
    ++container->nextUserID;
    container->modified = true;
    CMObjectRecord* nameProperty = standardObject(container, kGlobalNameProperty);
    CMObjectRecord* nameType =
        standardObject(container, kind == kKindType ? kTypeNameType : kPropertyNameType);
    CMValueRecord* value = addValue(object, nameProperty, nameType);
    if (value == nullptr || !bindGlobalName(object, name)) return nullptr;
    // The value's data is the bound name and its NUL until the close writes it.
    value->flags |= kValueGlobalName;
    value->size = object->globalName->size() + 1;
    return object;
}

CMObjectRecord* nextOfKind(CMContainerRecord* container, CMObjectRecord* previous, uint8_t kind,
                           bool userOnly) {
    if (!validContainer(container)) return nullptr;
    CMObjectID after = validObject(previous) ? previous->id : 0;
    for (auto it = container->objects.after(after); it != container->objects.end(); ++it) {
        CMObjectRecord* object = (*it).second;
        if (object->flags & (kObjectDeleted | kObjectUndefined)) continue;
        if (userOnly && object->id < kCMMinUserObjectID) continue;
        if (kind == kKindObject) {
            if (object->kind & (kKindProperty | kKindType)) continue;
        } else if ((object->kind & kind) == 0) {
            continue;
        }
        return object;
    }
    return nullptr;
}

} // namespace

namespace container {

CMObjectRecord* newObjectWithID(CMContainerRecord* container, CMObjectID id, uint8_t kind) {
    auto* object = newRecord<CMObjectRecord>(container);
    if (object == nullptr) {
        report(container, CM_ERR_NO_OBJECT_ENTRY_MEMORY, {nameOf(container)});
        return nullptr;
    }
    object->container = container;
    object->id = id;
    object->kind = kind;
    container->objects.insert(id, object);
    return object;
}

bool createStandardObjects(CMContainerRecord* container) {
    for (const StandardObject& standard : kStandardObjects) {
        CMObjectRecord* object = newObjectWithID(container, standard.id, standard.kind);
        if (object == nullptr) return false;
        // The TOC object takes user values beside its own protected ones (an
        // OMF file keeps its HEAD properties there); definitions take none.
        object->flags |= kObjectStandard;
        container->standardObjects[standard.id] = object;
        if (standard.id != kTocObjectID) object->flags |= kObjectProtected;
        if (standard.name != nullptr && !bindGlobalName(object, standard.name)) return false;
    }
    return true;
}

CMObjectRecord* objectForID(CMContainerRecord* container, CMObjectID id) {
    if (CMObjectRecord* found = container->objects.find(id)) return found;
    CMObjectRecord* object = newObjectWithID(container, id, 0);
    if (object != nullptr) {
        object->flags |= id < kCMMinUserObjectID ? kObjectStandard : kObjectUndefined;
    }
    return object;
}

bool addKind(CMObjectRecord* object, uint8_t kind) {
    uint8_t definitions = (object->kind | kind) & (kKindProperty | kKindType);
    if (definitions == (kKindProperty | kKindType)) {
        report(object->container, CM_ERR_DUPLICATE_OBJECT,
               {decimal(object->id), nameOf(object->container)});
        return false;
    }
    object->kind |= kind;
    return true;
}

bool bindGlobalName(CMObjectRecord* object, std::string_view name) {
    CMContainerRecord* container = object->container;
    auto [entry, inserted] = container->globalNames.try_emplace(std::string(name), object);
    if (!inserted) {
        report(container, CM_ERR_DUPLICATE_GLOBAL_NAME, {name, nameOf(container)});
        return false;
    }
    object->globalName = &entry->first;
    return true;
}

std::string describeObject(const CMObjectRecord* object) {
    if (object->globalName != nullptr) return *object->globalName;
    return decimal(object->id);
}

} // namespace container

extern "C" {

CMType CMRegisterType(CMContainer container, CMGlobalName name) {
    return registerName(container, name, kKindType);
}

CMProperty CMRegisterProperty(CMContainer container, CMGlobalName name) {
    return registerName(container, name, kKindProperty);
}

CMObject CMGetGlobalNameObject(CMContainer container, CMGlobalName name) {
    if (!validContainer(container) || name == nullptr) return nullptr;
    auto found = container->globalNames.find(name);
    return found == container->globalNames.end() ? nullptr : found->second;
}

CMObject CMNewObject(CMContainer container) {
    if (!validContainer(container)) return nullptr;
    if (!isWritable(container)) {
        report(container, CM_ERR_READ_ONLY, {nameOf(container)});
        return nullptr;
    }
    CMObjectID id = container->nextUserID;
    if (id == 0) {
        report(container, CM_ERR_TOO_MANY_OBJECTS, {nameOf(container)});
        return nullptr;
    }
    if (container->objects.find(id) != nullptr) {
        report(container, CM_ERR_DUPLICATE_OBJECT, {decimal(id), nameOf(container)});
        return nullptr;
    }
    CMObjectRecord* object = newObjectWithID(container, id, kKindObject);
    if (object != nullptr) ++container->nextUserID;
    container->modified = true;
    return object;
}

CMObject CMFindObjectByID(CMContainer container, CMObjectID id) {
    if (!validContainer(container)) return nullptr;
    CMObjectRecord* found = container->objects.find(id);
    if (found == nullptr) return nullptr;
    if (found->flags & (kObjectDeleted | kObjectUndefined)) return nullptr;
    return found;
}

CMObject CMGetNextObject(CMContainer container, CMObject previous) {
    return nextOfKind(container, previous, kKindObject, true);
}

CMObject CMGetNextTocObject(CMContainer container, CMObject previous) {
    if (!validContainer(container)) return nullptr;
    CMObjectID after = validObject(previous) ? previous->id : 0;
    for (auto it = container->objects.after(after); it != container->objects.end(); ++it) {
        CMObjectRecord* object = (*it).second;
        if (object->flags & (kObjectDeleted | kObjectUndefined)) continue;
        if (!object->properties.empty()) return object;
    }
    return nullptr;
}

CMObject CMGetNextTypeDef(CMContainer container, CMType previous) {
    return nextOfKind(container, previous, kKindType, false);
}

CMObject CMGetNextPropertyDef(CMContainer container, CMProperty previous) {
    return nextOfKind(container, previous, kKindProperty, false);
}

CMProperty CMGetNextObjectProperty(CMObject object, CMProperty previous) {
    if (!usable(object)) return nullptr;
    if (previous != nullptr && validObject(previous) && previous->container != object->container) {
        report(object->container, CM_ERR_DIFFERENT_CONTAINERS,
               {nameOf(object->container), nameOf(previous->container)});
        return nullptr;
    }
    bool take = previous == nullptr;
    for (CMPropertyEntry& entry : object->properties) {
        if (entry.property->id == kReferencesProperty) continue; // the container's own table
        if (take && !entry.values.empty()) return entry.property;
        if (entry.property == previous) take = true;
    }
    return nullptr;
}

CMObjectID CMGetObjectID(CMObject object) { return validObject(object) ? object->id : 0; }

CMContainer CMGetObjectContainer(CMObject object) {
    return validObject(object) ? object->container : nullptr;
}

CMBoolean CMIsType(CMObject object) {
    return validObject(object) && (object->kind & kKindType) != 0;
}

CMBoolean CMIsProperty(CMObject object) {
    return validObject(object) && (object->kind & kKindProperty) != 0;
}

CMGlobalName CMGetGlobalName(CMObject object) {
    if (!usable(object)) return nullptr;
    return object->globalName != nullptr ? object->globalName->c_str() : nullptr;
}

CMCount CMCountProperties(CMObject object, CMProperty property) {
    if (!usable(object)) return 0;
    CMCount count = 0;
    for (const CMPropertyEntry& entry : object->properties) {
        if (entry.values.empty() || entry.property->id == kReferencesProperty) continue;
        if (property == nullptr || entry.property == property) ++count;
    }
    return count;
}

void CMRemoveObject(CMObject object) {
    if (!usable(object)) return;
    CMContainerRecord* container = object->container;
    if (!isWritable(container)) {
        report(container, CM_ERR_DELETE_NOT_WRITING, {"object", nameOf(container)});
        return;
    }
    if (object->useCount > 1) {
        report(container, CM_ERR_OBJECT_IN_USE, {nameOf(container)});
        return;
    }
    if (object->flags & (kObjectProtected | kObjectStandard)) {
        report(container, CM_ERR_PROTECTED_OBJECT_DELETE, {nameOf(container)});
        return;
    }
    for (const CMPropertyEntry& entry : object->properties) {
        for (const CMValueRecord* value : entry.values) {
            if (value->dynamicValuesInUse > 0) {
                report(container, CM_ERR_DELETE_DYNAMIC_IN_USE, {nameOf(container)});
                return;
            }
        }
    }
    for (CMPropertyEntry& entry : object->properties) {
        for (CMValueRecord* value : entry.values) value->flags |= kValueDeleted;
        entry.values.clear(container->listMemory);
    }
    object->properties.clear(container->listMemory);
    object->propertyBits = 0;
    if (object->globalName != nullptr) {
        const std::string* name = object->globalName;
        object->globalName = nullptr;
        container->globalNames.erase(*name);
    }
    object->flags |= kObjectDeleted;
    object->useCount = 0;
    container->modified = true;
    container->objects.erase(object->id);
}

void CMRemoveObjectProperty(CMObject object, CMProperty property) {
    if (!usable(object) || !validObject(property)) return;
    CMContainerRecord* container = object->container;
    if (property->container != container) {
        report(container, CM_ERR_DIFFERENT_CONTAINERS,
               {nameOf(container), nameOf(property->container)});
        return;
    }
    if (!isWritable(container)) {
        report(container, CM_ERR_DELETE_NOT_WRITING, {"object's property", nameOf(container)});
        return;
    }
    for (auto it = object->properties.begin(); it != object->properties.end(); ++it) {
        if (it->property != property) continue;
        for (const CMValueRecord* value : it->values) {
            if (value->flags & kValueProtected) {
                report(container, CM_ERR_PROTECTED_PROPERTY_DELETE, {nameOf(container)});
                return;
            }
            if (value->dynamicValuesInUse > 0) {
                report(container, CM_ERR_VALUE_IN_USE, {nameOf(container)});
                return;
            }
        }
        for (CMValueRecord* value : it->values) value->flags |= kValueDeleted;
        it->values.clear(container->listMemory);
        object->properties.erase(it);
        container->modified = true;
        return;
    }
}

void CMReleaseObject(CMObject object) {
    if (!validObject(object)) return;
    if (object->useCount <= 0) {
        report(object->container, CM_ERR_OBJECT_RELEASED, {nameOf(object->container)});
        return;
    }
    --object->useCount;
}

void CMKeepObject(CMObject object) {
    if (usable(object)) ++object->useCount;
}

} // extern "C"
