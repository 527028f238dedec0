// The public value calls: plain values, and dynamic values layered on them by
// type handlers.
#include "container/cm_api.h"
#include "container/internal/container_ops.h"
#include "container/internal/report.h"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace container;

namespace {

constexpr int kMaxBaseTypeDepth = 32; // guards against cyclic base-type lists

bool usableValue(CMValueRecord* value) {
    if (!validValue(value)) return false;
    if (value->flags & kValueDeleted) {
        report(value->object->container, CM_ERR_DELETED_VALUE, {nameOf(value->object->container)});
        return false;
    }
    return true;
}

bool usableObject(CMObjectRecord* object) {
    if (!validObject(object)) return false;
    if (object->flags & kObjectDeleted) {
        report(object->container, CM_ERR_DELETED_OBJECT, {nameOf(object->container)});
        return false;
    }
    return true;
}

// The base types listed on a type definition, in order.
std::vector<CMObjectRecord*> baseTypesOf(CMObjectRecord* type) {
    std::vector<CMObjectRecord*> bases;
    CMContainerRecord* container = type->container;
    CMValueRecord* list = findValue(type, standardObject(container, kBaseTypeProperty),
                                    standardObject(container, kBaseTypeListType));
    if (list == nullptr) return bases;
    std::vector<unsigned char> bytes(list->size);
    CMSize got = readPlain(list, bytes.data(), 0, bytes.size());
    for (CMSize at = 0; at + 4 <= got; at += 4) {
        CMObjectRecord* found = container->objects.find(extract32(container, bytes.data() + at));
        if (found != nullptr && (found->kind & kKindType)) bases.push_back(found);
    }
    return bases;
}

// Runs a dynamic value's operation with the re-entry guard.
template <typename Function, typename Call>
bool runHandler(CMValueRecord* value, const char* operation, const char* callName, Call call) {
    DynamicValue* dynamic = asDynamic(value);
    auto routine = reinterpret_cast<Function>(dynamic->operations(value->type, operation));
    if (routine == nullptr) return false;
    CMContainerRecord* container = value->object->container;
    if (dynamic->busy) {
        report(container, CM_ERR_DYNAMIC_RECURSION, {callName, nameOf(container)});
        return true;
    }
    dynamic->busy = true;
    ++container->handlerDepth;
    call(routine);
    --container->handlerDepth;
    dynamic->busy = false;
    return true;
}

CMValueRecord* wrapDynamic(CMValueRecord* below, CMObjectRecord* type, bool creating,
                           CMPtr initData, int depth);

// Layers the dynamic values of `type` and its base types over `below`.
CMValueRecord* layerType(CMValueRecord* below, CMObjectRecord* type, bool creating,
                         CMPtr initData, int depth) {
    if (depth > kMaxBaseTypeDepth) {
        report(type->container, CM_ERR_BAD_BASE_VALUE, {"CMNewValue", nameOf(type->container)});
        return nullptr;
    }
    CMValueRecord* current = below;
    for (CMObjectRecord* base : baseTypesOf(type)) {
        current = layerType(current, base, creating, initData, depth + 1);
        if (current == nullptr) return nullptr;
    }
    return wrapDynamic(current, type, creating, initData, depth);
}

CMValueRecord* wrapDynamic(CMValueRecord* below, CMObjectRecord* type, bool creating,
                           CMPtr initData, int) {
    CMContainerRecord* container = below->object->container;
    if (type->globalName == nullptr) return below;
    CMSessionRecord* session = container->session;
    if (container->typeWithoutHandler == type &&
        container->typeWithoutHandlerSeen == session->typeHandlerChanges) {
        return below;
    }
    auto& handlers = session->typeHandlers;
    auto found = handlers.find(*type->globalName);
    if (found == handlers.end() || found->second == nullptr) {
        container->typeWithoutHandler = type;
        container->typeWithoutHandlerSeen = session->typeHandlerChanges;
        return below;
    }
    CMMetaHandler typeHandler = found->second;
    auto useValue = reinterpret_cast<CMUseValueHandler>(typeHandler(type, CMUseValueOpType));
    if (useValue == nullptr) return below;
    if (creating) {
        auto newValue = reinterpret_cast<CMNewValueHandler>(typeHandler(type, CMNewValueOpType));
        if (newValue != nullptr && !newValue(below, type, initData)) return nullptr;
    }
    CMRefCon refCon = nullptr;
    CMMetaHandler operations = useValue(below, type, &refCon);
    if (operations == nullptr) {
        report(container, CM_ERR_USE_VALUE_RESULT, {*type->globalName, nameOf(container)});
        return nullptr;
    }
    auto* dynamic = newRecord<DynamicValue>(container);
    if (dynamic == nullptr) {
        report(container, CM_ERR_NO_DYNAMIC_ENTRY_MEMORY, {*type->globalName, nameOf(container)});
        return nullptr;
    }
    dynamic->object = below->object;
    dynamic->property = below->property;
    dynamic->type = type;
    dynamic->generation = below->generation;
    dynamic->flags = kValueDynamic;
    dynamic->base = below;
    dynamic->operations = operations;
    dynamic->refCon = refCon;
    ++plainValueOf(below)->dynamicValuesInUse;
    container->dynamicValues.push_back(dynamic);
    return dynamic;
}

bool sameContainer(CMObjectRecord* object, CMObjectRecord* property, CMObjectRecord* type) {
    CMContainerRecord* container = object->container;
    if (property->container != container || type->container != container) {
        report(container, CM_ERR_DIFFERENT_CONTAINERS_3,
               {nameOf(container), nameOf(property->container), nameOf(type->container)});
        return false;
    }
    return true;
}

bool checkKinds(CMObjectRecord* property, CMObjectRecord* type) {
    if (!(property->kind & kKindProperty)) {
        report(property->container, CM_ERR_WRONG_OBJECT_KIND,
               {"property", nameOf(property->container)});
        return false;
    }
    if (!(type->kind & kKindType)) {
        report(type->container, CM_ERR_WRONG_OBJECT_KIND, {"type", nameOf(type->container)});
        return false;
    }
    return true;
}

} // namespace

extern "C" {

CMCount CMCountValues(CMObject object, CMProperty property, CMType type) {
    if (!usableObject(object) || !validObject(property)) return 0;
    CMPropertyEntry* entry = findPropertyEntry(object, property);
    if (entry == nullptr) return 0;
    if (type == nullptr) return entry->values.size();
    return std::count_if(entry->values.begin(), entry->values.end(),
                         [type](const CMValueRecord* value) { return value->type == type; });
}

CMValue CMGetNextValue(CMObject object, CMProperty property, CMValue previous) {
    if (!usableObject(object) || !validObject(property)) return nullptr;
    CMPropertyEntry* entry = findPropertyEntry(object, property);
    if (entry == nullptr) return nullptr;
    CMValueRecord* plainPrevious = previous != nullptr ? plainValueOf(previous) : nullptr;
    bool take = previous == nullptr;
    for (CMValueRecord* value : entry->values) {
        if (take) return value;
        if (value == plainPrevious) take = true;
    }
    return nullptr;
}

CMValue CMNewValue(CMObject object, CMProperty property, CMType type) {
    return CMNewValueWithData(object, property, type, nullptr);
}

CMValue CMNewValueWithData(CMObject object, CMProperty property, CMType type, CMPtr initData) {
    if (!usableObject(object) || !validObject(property) || !validObject(type)) return nullptr;
    CMContainerRecord* container = object->container;
    if (!sameContainer(object, property, type) || !checkKinds(property, type)) return nullptr;
    if (!isWritable(container)) {
        report(container, CM_ERR_READ_ONLY, {nameOf(container)});
        return nullptr;
    }
    if (object->flags & kObjectProtected) {
        report(container, CM_ERR_PROTECTED_WRITE, {nameOf(container)});
        return nullptr;
    }
    if (findValue(object, property, type) != nullptr) {
        report(container, CM_ERR_DUPLICATE_VALUE_TYPE, {describeObject(type), nameOf(container)});
        return nullptr;
    }
    CMValueRecord* plain = addValue(object, property, type);
    if (plain == nullptr) return nullptr;
    container->modified = true;
    return layerType(plain, type, true, initData, 0);
}

CMValue CMUseValue(CMObject object, CMProperty property, CMType type) {
    if (!usableObject(object) || !validObject(property) || !validObject(type)) return nullptr;
    if (!sameContainer(object, property, type)) return nullptr;
    CMValueRecord* plain = findValue(object, property, type);
    if (plain == nullptr) return nullptr;
    return layerType(plain, type, false, nullptr, 0);
}

CMSize CMGetValueSize(CMValue value) {
    if (!usableValue(value)) return 0;
    if (value->flags & kValueDynamic) {
        CMSize size = 0;
        if (runHandler<CMDynGetValueSizeHandler>(value, CMGetValueSizeOpType, "CMGetValueSize",
                                                 [&](auto routine) { size = routine(value); })) {
            return size;
        }
        return CMGetValueSize(asDynamic(value)->base);
    }
    return value->size;
}

CMSize CMReadValueData(CMValue value, CMPtr buffer, CMSize offset, CMSize maxSize) {
    if (!usableValue(value)) return 0;
    if (value->flags & kValueDynamic) {
        CMSize got = 0;
        if (runHandler<CMDynReadValueDataHandler>(
                value, CMReadValueDataOpType, "CMReadValueData",
                [&](auto routine) { got = routine(value, buffer, offset, maxSize); })) {
            return got;
        }
        return CMReadValueData(asDynamic(value)->base, buffer, offset, maxSize);
    }
    return readPlain(value, buffer, offset, maxSize);
}

CMSize CMWriteValueData(CMValue value, const void* buffer, CMSize offset, CMSize size) {
    if (!usableValue(value)) return 0;
    if (value->flags & kValueDynamic) {
        CMSize written = 0;
        if (runHandler<CMDynWriteValueDataHandler>(
                value, CMWriteValueDataOpType, "CMWriteValueData",
                [&](auto routine) { written = routine(value, buffer, offset, size); })) {
            return written;
        }
        return CMWriteValueData(asDynamic(value)->base, buffer, offset, size);
    }
    return writePlain(value, buffer, offset, size);
}

void CMDeleteValueData(CMValue value, CMSize offset, CMSize size) {
    if (!usableValue(value)) return;
    if (value->flags & kValueDynamic) {
        if (!runHandler<CMDynDeleteValueDataHandler>(
                value, CMDeleteValueDataOpType, "CMDeleteValueData",
                [&](auto routine) { routine(value, offset, size); })) {
            CMDeleteValueData(asDynamic(value)->base, offset, size);
        }
        return;
    }
    deletePlain(value, offset, size);
}

void CMDefineValueData(CMValue value, CMSize offset, CMSize size) {
    if (!usableValue(value)) return;
    CMValueRecord* plain = plainValueOf(value);
    CMContainerRecord* container = plain->object->container;
    if (!(container->useFlags & kCMConverting)) {
        report(container, CM_ERR_DEFINE_DATA_NOT_CONVERTING, {nameOf(container)});
        return;
    }
    if (offset > container->physicalSize || size > container->physicalSize - offset) {
        report(container, CM_ERR_OFFSET_RANGE, {decimal(offset), nameOf(container)});
        return;
    }
    SegmentList segments = segmentsOf(plain);
    if (!segments.empty() && segments.back().immediate) {
        report(container, CM_ERR_IMMEDIATE_DATA, {nameOf(container)});
        return;
    }
    if (size == 0) return;
    if (!segments.empty()) {
        Segment& last = segments.back();
        if (last.offset + last.length == offset) {
            last.length += size;
            plain->size += size;
            return;
        }
    }
    Segment segment;
    segment.offset = offset;
    segment.length = size;
    segments.push_back(segment);
    plain->size += size;
}

void CMGetValueInfo(CMValue value, CMContainer* container, CMObject* object, CMProperty* property,
                    CMType* type, CMGeneration* generation) {
    if (!usableValue(value)) return;
    if (value->flags & kValueDynamic &&
        runHandler<CMDynGetValueInfoHandler>(
            value, CMGetValueInfoOpType, "CMGetValueInfo", [&](auto routine) {
                routine(value, container, object, property, type, generation);
            })) {
        return;
    }
    if (container != nullptr) *container = value->object->container;
    if (object != nullptr) *object = value->object;
    if (property != nullptr) *property = value->property;
    if (type != nullptr) *type = value->type;
    if (generation != nullptr) *generation = plainValueOf(value)->generation;
}

CMValueFlags CMGetValueFlags(CMValue value) {
    if (!usableValue(value)) return 0;
    return plainValueOf(value)->userFlags;
}

void CMSetValueFlags(CMValue value, CMValueFlags flags) {
    if (!usableValue(value)) return;
    CMValueRecord* plain = plainValueOf(value);
    plain->userFlags = flags;
    plain->flags |= kValueHasUserFlags;
    plain->object->container->modified = true;
}

void CMSetValueGeneration(CMValue value, CMGeneration generation) {
    if (!usableValue(value) || generation == 0) return;
    plainValueOf(value)->generation = generation;
    value->object->container->modified = true;
}

void CMRemoveValue(CMValue value) {
    if (!usableValue(value)) return;
    CMValueRecord* plain = plainValueOf(value);
    CMContainerRecord* container = plain->object->container;
    if (!isWritable(container)) {
        report(container, CM_ERR_DELETE_NOT_WRITING, {"value", nameOf(container)});
        return;
    }
    if (plain->flags & kValueProtected || plain->flags & kValueGlobalName) {
        report(container, CM_ERR_PROTECTED_VALUE_DELETE, {nameOf(container)});
        return;
    }
    if (plain->dynamicValuesInUse > 0) {
        report(container, CM_ERR_VALUE_IN_USE, {nameOf(container)});
        return;
    }
    CMObjectRecord* object = plain->object;
    for (auto entry = object->properties.begin(); entry != object->properties.end(); ++entry) {
        auto found = std::find(entry->values.begin(), entry->values.end(), plain);
        if (found == entry->values.end()) continue;
        entry->values.erase(found, container->listMemory);
        if (entry->values.empty()) object->properties.erase(entry);
        break;
    }
    plain->flags |= kValueDeleted;
    container->modified = true;
}

void CMReleaseValue(CMValue value) {
    if (!validValue(value) || !(value->flags & kValueDynamic)) return;
    CMContainerRecord* container = value->object->container;
    DynamicValue* dynamic = asDynamic(value);
    if (dynamic->useCount <= 0) {
        report(container, CM_ERR_VALUE_RELEASED, {nameOf(container)});
        return;
    }
    runHandler<CMDynReleaseValueHandler>(value, CMReleaseValueOpType, "CMReleaseValue",
                                         [&](auto routine) { routine(value); });
    if (--dynamic->useCount > 0) return;
    auto& inUse = container->dynamicValues;
    inUse.erase(std::remove(inUse.begin(), inUse.end(), dynamic), inUse.end());
    --plainValueOf(value)->dynamicValuesInUse;
    value->flags |= kValueDeleted;
    CMReleaseValue(dynamic->base); // lower dynamic layers go with it
}

CMValue CMGetBaseValue(CMValue value) {
    if (!validValue(value)) return nullptr;
    CMContainerRecord* container = value->object->container;
    if (!(value->flags & kValueDynamic)) {
        report(container, CM_ERR_BAD_BASE_VALUE, {"CMGetBaseValue", nameOf(container)});
        return nullptr;
    }
    if (container->handlerDepth == 0) {
        report(container, CM_ERR_BASE_VALUE_CALLER, {nameOf(container)});
        return nullptr;
    }
    return asDynamic(value)->base;
}

CMRefCon CMGetValueRefCon(CMValue value) {
    if (!validValue(value) || !(value->flags & kValueDynamic)) return nullptr;
    return asDynamic(value)->refCon;
}

CMBoolean CMAddBaseType(CMType type, CMType baseType) {
    if (!usableObject(type) || !usableObject(baseType)) return 0;
    CMContainerRecord* container = type->container;
    if (baseType->container != container) {
        report(container, CM_ERR_DIFFERENT_CONTAINERS,
               {nameOf(container), nameOf(baseType->container)});
        return 0;
    }
    if (!checkKinds(standardObject(container, kBaseTypeProperty), type) ||
        !checkKinds(standardObject(container, kBaseTypeProperty), baseType)) {
        return 0;
    }
    std::vector<CMObjectRecord*> bases = baseTypesOf(type);
    if (baseType == type || std::find(bases.begin(), bases.end(), baseType) != bases.end()) {
        report(container, CM_ERR_DUPLICATE_BASE_TYPE,
               {describeObject(baseType), describeObject(type), nameOf(container)});
        return 0;
    }
    CMObjectRecord* property = standardObject(container, kBaseTypeProperty);
    CMObjectRecord* listType = standardObject(container, kBaseTypeListType);
    CMValueRecord* list = findValue(type, property, listType);
    if (list == nullptr) list = addValue(type, property, listType);
    if (list == nullptr) return 0;
    unsigned char id[4];
    format32(container, id, baseType->id);
    return writePlain(list, id, list->size, 4) == 4;
}

CMCount CMCountValueSegments(CMValue value) {
    if (!usableValue(value)) return 0;
    return segmentsOf(plainValueOf(value)).size();
}

CMBoolean CMGetValueSegment(CMValue value, CMCount index, CMValueSegmentInfo* info) {
    if (!usableValue(value) || info == nullptr) return 0;
    CMValueRecord* plain = plainValueOf(value);
    SegmentList segments = segmentsOf(plain);
    if (index >= segments.size()) return 0;
    const Segment& segment = segments[index];
    info->offset = segment.immediate ? 0 : segment.offset;
    info->length = segment.length;
    info->immediate = segment.immediate;
    info->continued = index > 0;
    std::memcpy(info->immediateData, segment.data.data(), 4);
    return 1;
}

} // extern "C"
