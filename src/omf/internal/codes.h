// Property and type codes the toolkit's own code refers to by name.
#pragma once

#include "omf/omf_types.h"

namespace omf {

namespace prop {
constexpr omfProperty_t ObjID = 1;             // 1.x class of every object
constexpr omfProperty_t ByteOrder1x = 3;       // 1.x HEAD and per-object byte order
constexpr omfProperty_t CLSDClassID = 20;      // 1.x CLSD
constexpr omfProperty_t CLSDParentClass = 21;
constexpr omfProperty_t CLSDClass = 22;        // 2.x CLSD
constexpr omfProperty_t DataKindID = 32;       // DDEF
constexpr omfProperty_t Version = 41;          // HEAD
constexpr omfProperty_t LastModified1x = 42;
constexpr omfProperty_t ClassDictionary1x = 43;
constexpr omfProperty_t SourceMobs = 44;       // 1.x HEAD
constexpr omfProperty_t CompositionMobs = 45;  // 1.x HEAD
constexpr omfProperty_t MediaData1x = 46;
constexpr omfProperty_t MobID = 66;            // MOBJ
constexpr omfProperty_t ToolkitVersion = 128;  // HEAD
constexpr omfProperty_t EffectID = 138;        // EDEF
constexpr omfProperty_t ObjClass = 155;        // 2.x class of every object
constexpr omfProperty_t DefinitionObjects = 156;
constexpr omfProperty_t Mobs = 157;            // 2.x HEAD
constexpr omfProperty_t MDATMobID = 162;
constexpr omfProperty_t ByteOrder = 201;       // 2.x HEAD
constexpr omfProperty_t LastModified = 202;
constexpr omfProperty_t ClassDictionary = 203;
constexpr omfProperty_t MediaData = 204;
constexpr omfProperty_t IdentificationList = 205;
constexpr omfProperty_t CompanyName = 211;     // IDNT
constexpr omfProperty_t ProductName = 212;
constexpr omfProperty_t ProductVersion = 213;
constexpr omfProperty_t ProductVersionString = 214;
constexpr omfProperty_t ProductID = 215;
constexpr omfProperty_t IdentDate = 216;
constexpr omfProperty_t IdentToolkitVersion = 217;
constexpr omfProperty_t Platform = 218;
constexpr omfProperty_t IDByteOrder = 219;
} // namespace prop

namespace type {
constexpr omfType_t Boolean = 2;
constexpr omfType_t Char = 3;        // Int8 in 2.x
constexpr omfType_t Int32 = 9;       // Long in 1.x
constexpr omfType_t MobIndex = 10;
constexpr omfType_t ObjRefArray = 11;
constexpr omfType_t ObjRef = 12;
constexpr omfType_t ObjectTag = 13;
constexpr omfType_t Int16 = 15;      // Short in 1.x
constexpr omfType_t String = 16;
constexpr omfType_t TimeStamp = 17;
constexpr omfType_t UID = 19;
constexpr omfType_t UInt8 = 20;
constexpr omfType_t UInt32 = 21;
constexpr omfType_t UInt16 = 22;
constexpr omfType_t VarLenBytes = 24;
constexpr omfType_t VersionType = 25;
constexpr omfType_t Position32 = 26;
constexpr omfType_t Length32 = 27;
constexpr omfType_t Position64 = 28;
constexpr omfType_t Length64 = 29;
constexpr omfType_t ClassID = 30;
constexpr omfType_t UniqueName = 31;
constexpr omfType_t DataValue = 36;
constexpr omfType_t Rational = 43;
constexpr omfType_t Int32Array = 49;
constexpr omfType_t Int64 = 50;
constexpr omfType_t ProductVersion = 51;
} // namespace type

} // namespace omf
