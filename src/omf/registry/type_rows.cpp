// The built-in types: code, 1.x name, 2.x name, how values move and the
// stored size of enumerations. Enumerations that no data rule fixes are
// stored as 32-bit numbers; TrackType, FadeType and AttrKind are 16-bit.
#include "omf/internal/registry.h"
#include "registry/builtin_tables.h"

namespace omf::builtin {

namespace {

constexpr int32_t kSwapped = kTypeSwapped;
constexpr int32_t kMovedAsBytes = kTypeMovedAsBytes;

constexpr TypeRow kTypeRows[] = {
    {0, "NoType", "NoType", kMovedAsBytes, 0},
    {1, "AttrKind", "AttrKind", kSwapped, 2},
    {2, "Boolean", "Boolean", kSwapped, 0},
    {3, "Char", "Int8", kSwapped, 0},
    {4, "CharSetType", nullptr, kSwapped, 4},
    {5, "EdgeType", "EdgeType", kSwapped, 4},
    {6, "ExactEditRate", nullptr, kSwapped, 0},
    {7, "FilmType", "FilmType", kSwapped, 4},
    {8, "JPEGTableIDType", "JPEGTableIDType", kSwapped, 4},
    {9, "Long", "Int32", kSwapped, 0},
    {10, "MobIndex", nullptr, kMovedAsBytes, 0},
    {11, "ObjRefArray", "ObjRefArray", kMovedAsBytes, 0},
    {12, "ObjRef", "ObjRef", kMovedAsBytes, 0},
    {13, "ObjectTag", nullptr, kMovedAsBytes, 0},
    {14, "PhysicalMobType", nullptr, kSwapped, 4},
    {15, "Short", "Int16", kSwapped, 0},
    {16, "String", "String", kMovedAsBytes, 0},
    {17, "TimeStamp", "TimeStamp", kSwapped, 0},
    {18, "TrackType", nullptr, kSwapped, 2},
    {19, "UID", "UID", kSwapped, 0},
    {20, "Uchar", "UInt8", kSwapped, 0},
    {21, "Ulong", "UInt32", kSwapped, 0},
    {22, "Ushort", "UInt16", kSwapped, 0},
    {23, "UsageCodeType", nullptr, kSwapped, 4},
    {24, "VarLenBytes", nullptr, kMovedAsBytes, 0},
    {25, "VersionType", "VersionType", kMovedAsBytes, 0},
    {26, nullptr, "Position32", kSwapped, 0},
    {27, nullptr, "Length32", kSwapped, 0},
    {28, nullptr, "Position64", kSwapped, 0},
    {29, nullptr, "Length64", kSwapped, 0},
    {30, nullptr, "ClassID", kMovedAsBytes, 0},
    {31, nullptr, "UniqueName", kMovedAsBytes, 0},
    {32, nullptr, "FadeType", kSwapped, 2},
    {33, nullptr, "InterpKind", kSwapped, 4},
    {34, nullptr, "ArgIDType", kSwapped, 4},
    {35, nullptr, "EditHintType", kSwapped, 4},
    {36, "DataValue", "DataValue", kMovedAsBytes, 0},
    {37, nullptr, "TapeCaseType", kSwapped, 4},
    {38, nullptr, "VideoSignalType", kSwapped, 4},
    {39, nullptr, "TapeFormatType", kSwapped, 4},
    {40, "CompCodeArray", "CompCodeArray", kMovedAsBytes, 0},
    {41, "CompSizeArray", "CompSizeArray", kMovedAsBytes, 0},
    {42, "ColorSitingType", "ColorSitingType", kSwapped, 4},
    {43, "Rational", "Rational", kSwapped, 0},
    {45, "LayoutType", "LayoutType", kSwapped, 4},
    {46, "Position32Array", "Position32Array", kSwapped, 0},
    {47, nullptr, "DirectionCode", kSwapped, 4},
    {48, nullptr, "ColorSpace", kSwapped, 4},
    {49, "Int32Array", "Int32Array", kSwapped, 0},
    {50, "Int64", "Int64", kSwapped, 0},
    {51, "ProductVersion", "ProductVersion", kSwapped, 0},
    {52, "Position64Array", "Position64Array", kSwapped, 0},
    {53, nullptr, "PulldownKindType", kSwapped, 4},
    {54, nullptr, "PhaseFrameType", kSwapped, 4},
    {55, nullptr, "PulldownDirectionType", kSwapped, 4},
};

} // namespace

std::span<const TypeRow> typeRows() {
    return kTypeRows;
}

} // namespace omf::builtin
