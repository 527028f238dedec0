// Operation-type names and routine signatures of the handlers the container
// library asks for through metahandlers.
#pragma once

#include "container/cm_types.h"

extern "C" {

// Session handler operations.
#define CMReportErrorOpType "Apple:ReportError"
#define CMAllocMemoryOpType "Apple:AllocMemory"
#define CMFreeMemoryOpType "Apple:FreeMemory"
#define CMFreeCtrMemoryOpType "Apple:FreeCtrMemory"

// Reports error `errorNumber` with its string arguments ("^0", "^1", ...).
// Returns to the library, which then fails the operation.
typedef void (*CMReportErrorHandler)(CMContainer container, CMRefCon sessionRefCon,
                                     CMErrorNbr errorNumber, int argc, const char* const* argv);
typedef CMPtr (*CMAllocMemoryHandler)(CMContainer container, CMRefCon sessionRefCon, CMSize size);
typedef void (*CMFreeMemoryHandler)(CMContainer container, CMRefCon sessionRefCon, CMPtr block);
typedef void (*CMFreeCtrMemoryHandler)(CMContainer container, CMRefCon sessionRefCon);

// Container stream handler operations.
#define CMOpenOpType "Apple:OpenStream"
#define CMCloseOpType "Apple:CloseStream"
#define CMFlushOpType "Apple:FlushStream"
#define CMSeekOpType "Apple:SetPosStream"
#define CMTellOpType "Apple:GetPosStream"
#define CMReadOpType "Apple:ReadStream"
#define CMWriteOpType "Apple:WriteStream"
#define CMEofOpType "Apple:EofStream"
#define CMTruncOpType "Apple:TruncateStream"
#define CMSizeOpType "Apple:SizeStream"
#define CMReadLblOpType "Apple:ReadLabel"
#define CMWriteLblOpType "Apple:WriteLabel"
#define CMParentOpType "Apple:ReturnParentValue"
#define CMContainerOpName "Apple:ReturnContainerName"
#define CMTargetTypeOpType "Apple:TargetContainerDynamicValueType"
#define CMExtractDataOpType "Apple:ExtractData"
#define CMFormatDataOpType "Apple:FormatData"

// Seek origins of SetPosStream.
enum { kCMSeekSet = 0, kCMSeekCurrent = 1, kCMSeekEnd = 2 };

typedef CMRefCon (*CMOpenStreamHandler)(CMRefCon refCon, const char* mode);
typedef void (*CMCloseStreamHandler)(CMRefCon refCon);
typedef int (*CMFlushStreamHandler)(CMRefCon refCon);
typedef int (*CMSetPosStreamHandler)(CMRefCon refCon, CMSize position, int origin);
typedef CMSize (*CMGetPosStreamHandler)(CMRefCon refCon);
// Answers the number of bytes read.
typedef CMSize (*CMReadStreamHandler)(CMRefCon refCon, CMPtr buffer, CMSize elementSize,
                                      CMCount count);
// Answers the number of elements written.
typedef CMCount (*CMWriteStreamHandler)(CMRefCon refCon, const void* buffer, CMSize elementSize,
                                        CMCount count);
typedef int (*CMEofStreamHandler)(CMRefCon refCon);
typedef int (*CMTruncateStreamHandler)(CMRefCon refCon, CMSize size);
typedef CMSize (*CMSizeStreamHandler)(CMRefCon refCon);
typedef void (*CMReadLabelHandler)(CMRefCon refCon, CMMagicBytes magic, uint16_t* flags,
                                   uint16_t* bufSize, uint16_t* majorVersion,
                                   uint16_t* minorVersion, CMSize* tocOffset, CMSize* tocSize);
typedef void (*CMWriteLabelHandler)(CMRefCon refCon, const CMMagicBytes magic, uint16_t flags,
                                    uint16_t bufSize, uint16_t majorVersion,
                                    uint16_t minorVersion, CMSize tocOffset, CMSize tocSize);
typedef CMValue (*CMReturnParentValueHandler)(CMRefCon refCon);
typedef const char* (*CMReturnContainerNameHandler)(CMRefCon refCon);
typedef CMType (*CMTargetContainerDynamicValueTypeHandler)(CMRefCon refCon);
// size is 1, 2, 4 or 8: converts one field between container and host order.
typedef void (*CMExtractDataHandler)(CMRefCon refCon, const void* source, CMSize size,
                                     void* destination);
typedef void (*CMFormatDataHandler)(CMRefCon refCon, void* destination, CMSize size,
                                    const void* source);

// Dynamic value handler operations (a type's metahandler and the value
// operations metahandler it hands back).
#define CMNewValueOpType "Apple:NewValue"
#define CMUseValueOpType "Apple:UseValue"
#define CMDefineMetaDataOpType "Apple:DefineMetaData"
#define CMGetValueSizeOpType "Apple:CMGetValueSize"
#define CMReadValueDataOpType "Apple:CMReadValueData"
#define CMWriteValueDataOpType "Apple:CMWriteValueData"
#define CMDeleteValueDataOpType "Apple:CMDeleteValueData"
#define CMGetValueInfoOpType "Apple:CMGetValueInfo"
#define CMReleaseValueOpType "Apple:CMReleaseValue"

// Called when a value of the type is created; prepares the base value.
typedef CMBoolean (*CMNewValueHandler)(CMValue baseValue, CMType type, CMPtr initData);
// Called when a value of the type is created or used; answers the value
// operations metahandler and may set the dynamic value's refCon.
typedef CMMetaHandler (*CMUseValueHandler)(CMValue baseValue, CMType type, CMRefCon* valueRefCon);

typedef CMSize (*CMDynGetValueSizeHandler)(CMValue value);
typedef CMSize (*CMDynReadValueDataHandler)(CMValue value, CMPtr buffer, CMSize offset,
                                            CMSize maxSize);
typedef CMSize (*CMDynWriteValueDataHandler)(CMValue value, const void* buffer, CMSize offset,
                                             CMSize size);
typedef void (*CMDynDeleteValueDataHandler)(CMValue value, CMSize offset, CMSize size);
typedef void (*CMDynGetValueInfoHandler)(CMValue value, CMContainer* container, CMObject* object,
                                         CMProperty* property, CMType* type,
                                         CMGeneration* generation);
typedef void (*CMDynReleaseValueHandler)(CMValue value);

} // extern "C"
