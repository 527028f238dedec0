// Routines of the "OMFI" stream handler, shared between the files that
// implement them and the metahandler that hands them out.
#pragma once

#include "container/cm_types.h"

#include <cstdint>

namespace container {

struct FileRefCon;
struct StreamState;

// File stream operations (file_stream_handler.cpp).
CMRefCon openStream(CMRefCon refCon, const char* mode);
void closeStream(CMRefCon refCon);
int flushStream(CMRefCon refCon);
int setPosStream(CMRefCon refCon, CMSize position, int origin);
CMSize getPosStream(CMRefCon refCon);
CMSize readStream(CMRefCon refCon, CMPtr buffer, CMSize elementSize, CMCount count);
CMCount writeStream(CMRefCon refCon, const void* buffer, CMSize elementSize, CMCount count);
int eofStream(CMRefCon refCon);
CMSize sizeStream(CMRefCon refCon);
const char* returnContainerName(CMRefCon refCon);
CMType targetContainerDynamicValueType(CMRefCon refCon);

// Makes the primary stream the current one, at the position the current
// stream had, and answers it.
StreamState& selectPrimary(FileRefCon* refCon);

// Label operations (label_io.cpp).
void readLabel(CMRefCon refCon, CMMagicBytes magic, uint16_t* flags, uint16_t* bufSize,
               uint16_t* majorVersion, uint16_t* minorVersion, CMSize* tocOffset, CMSize* tocSize);
void writeLabel(CMRefCon refCon, const CMMagicBytes magic, uint16_t flags, uint16_t bufSize,
                uint16_t majorVersion, uint16_t minorVersion, CMSize tocOffset, CMSize tocSize);

// Byte-order conversion of container fields (data_conversion.cpp).
void extractData(CMRefCon refCon, const void* source, CMSize size, void* destination);
void formatData(CMRefCon refCon, void* destination, CMSize size, const void* source);

} // namespace container
