// The built-in classes, types and properties the registry starts with, in
// the order a session registers them.
#pragma once

#include "omf/omf_types.h"

#include <span>

namespace omf::builtin {

// A class row. A null parent means the class does not exist in that
// revision; kRoot makes it a root class there.
struct ClassRow {
    const char* id;
    const char* parent1x;
    int32_t flag1x; // 2 for the 1.x media classes registered like learned ones
    const char* parent2x;
};
inline constexpr const char* kRoot = "";

// A type row; a null name means the type does not exist in that revision.
struct TypeRow {
    omfType_t code;
    const char* name1x;
    const char* name2x;
    int32_t flag;            // kTypeSwapped or kTypeMovedAsBytes
    int32_t enumerationSize; // stored bytes of an enumeration, else 0
};

// A property in one revision: null name when it does not exist there, null
// class for the properties named without a class (the 1.x HEAD ones). Types
// are given by their name in that revision.
struct PropertySide {
    const char* name;
    const char* classID;
    const char* type;
    const char* secondType; // null when one type only
    int32_t optional;       // 1: the property may be absent
};

struct PropertyRow {
    omfProperty_t code;
    PropertySide v1x;
    PropertySide v2x;
};

std::span<const ClassRow> classRows();
std::span<const TypeRow> typeRows();
std::span<const PropertyRow> propertyRows();

} // namespace omf::builtin
