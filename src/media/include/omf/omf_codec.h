// The codec interface: what a codec gives the media layer.
//
// A codec is one entry function answering three requests: `init` (once per
// session, may return persistent data), `describe` (its name, classes, ID and
// revision) and `fillTable` (store its operations into the 22-entry table).
// Every request or operation it does not answer is OM_ERR_INVALID_CODEC_OPERATION.
// The media layer keeps a copy of the definition per open handle and reaches
// the operations through it with (parameter block, media handle, file).
#pragma once

#include "omf/omf_media_types.h"

extern "C" {

// Requests of a codec's entry function.
typedef enum : omfInt32 {
    kCodecInit = 0,
    kCodecDescribe = 14,
    kCodecFillTable = 21,
} omfCodecRequest_t;

// The revision of this interface; a codec describing another one is
// OM_ERR_CODEC_OUT_OF_DATE at registration and on every forwarded call.
constexpr omfUInt32 kOmfCodecRevision = 3;

// Entries of the operation table, in table order (index = number - 1).
typedef enum : omfInt32 {
    kCodecOpReserved1 = 0,
    kCodecOpOpen = 1,
    kCodecOpCreate = 2,
    kCodecOpGetInfo = 3,
    kCodecOpPutInfo = 4,
    kCodecOpReadSamples = 5,
    kCodecOpWriteSamples = 6,
    kCodecOpReadLines = 7,
    kCodecOpWriteLines = 8,
    kCodecOpClose = 9,
    kCodecOpSetFrame = 10,
    kCodecOpFrameOffset = 11,
    kCodecOpNumChannels = 12,
    kCodecOpInitDescriptor = 13,
    kCodecOpReserved15 = 14,
    kCodecOpSelectInfo = 15,
    kCodecOpReadSummary = 16,
    kCodecOpVarietyCount = 17,
    kCodecOpVarietyName = 18,
    kCodecOpCheckSummary = 19,
    kCodecOpReserved21 = 20,
    kCodecOpReserved22 = 21,
} omfCodecOperationIndex_t;
constexpr omfInt32 kOmfCodecTableSize = 22;

// Info selectors of getInfo and putInfo.
typedef enum : omfInt32 {
    kMediaInfoVideoFormat = 1,     // video format list (omfFormatEntry_t entries)
    kMediaInfoJPEGTables = 2,      // JPEG table record
    kMediaInfoCodecParams = 3,     // codec-specific parameter block
    kMediaInfoMemoryFormat = 5,    // memory format list (put only)
    kMediaInfoMaxSampleSize = 7,   // omfMaxSampleSize_t
    kMediaInfoDataSize = 9,        // size of the descriptor's data value (omfInt64)
    kMediaInfoFrameSize = 10,      // size of one given frame (frame-indexed codecs)
    kMediaInfoDecodeMessages = 11, // the decoder's messages of the last read (get only)
} omfMediaInfoSelector_t;

// Answer of the decode-messages selector: what the decoder said while the last read
// decompressed its frames (warnings of damaged data, the text of a failure), reset at each
// read. A codec without such messages refuses the selector (OM_ERR_INVALID_CODEC_OPERATION).
typedef struct {
    char* text;      // the messages joined by "; ", cut to fit, always zero-terminated
    omfInt32 length; // bytes of `text`, at least 1
    omfBool found;   // out: whether there was any message
} omfDecodeMessages_t;

// Answer of the largest-sample-size selector.
typedef struct {
    omfObject_t mediaKind;
    omfInt32 largestSampleSize;
} omfMaxSampleSize_t;

// Answer of selectInfo: whether and how well the codec reads a descriptor.
typedef struct {
    omfBool willHandleMDES; // the codec can decode this descriptor
    omfBool isNative;       // always set here
    omfBool hwAssisted;     // "preferred"; no built-in codec sets it
    omfInt32 relativeLoss;  // relative cost
    omfInt32 avgBitsPerSec; // average sample size
} omfCodecSelectInfo_t;

// Answer of describe.
typedef struct {
    const char* descriptorClass; // four letters, or null
    const char* dataClass;       // four letters, or null
    const char* codecID;
    omfUInt32 revision;   // kOmfCodecRevision
    const char* dataKind; // "omfi:data:Picture" or "omfi:data:Sound"
    omfInt32 minFileRevision;
    omfBool hasMaxFileRevision;
    omfInt32 maxFileRevision;
    omfUInt32 capabilities; // omfCodecCapability_t bits; 0 for an ordinary codec
} omfCodecMetaInfo_t;

// What a codec tells its callers about itself beyond the fields above, as bits of the describe
// record's `capabilities`. The record starts zeroed, so a codec that says nothing is an
// ordinary one: it creates media, and takes no quantisation tables from its caller.
typedef enum : omfUInt32 {
    // Reads media only: its create operation refuses, so a saver does not offer it.
    kOmfCodecReadsOnly = 1u << 0,
    // Compresses with JPEG quantisation tables its caller may set (kMediaInfoJPEGTables), so a
    // quality setting changes the frames it writes.
    kOmfCodecTakesQuantTables = 1u << 1,
} omfCodecCapability_t;

typedef struct omfCodecParms omfCodecParms_t;

// One operation of the table.
typedef omfErr_t (*omfCodecOperation_t)(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);

// The parameter block of requests and operations. `persistent` and
// `fileRevision` are set for every operation; `spc` holds the arguments of
// the one being called.
struct omfCodecParms {
    void* persistent;
    omfFileRev_t fileRevision;
    union {
        struct { // kCodecInit: in session and revision; out `persistent` above
            omfSessionHdl_t session;
        } init;
        struct {                 // kCodecDescribe
            const char* variety; // may be null
            char* name;          // filled up to nameLength bytes, the rest zeroed
            omfInt32 nameLength;
            omfCodecMetaInfo_t info; // out
        } describe;
        struct { // kCodecFillTable
            omfCodecOperation_t* table;
            omfInt32 count;
        } fillTable;
        struct { // getInfo, putInfo
            omfMediaInfoSelector_t selector;
            omfObject_t mediaKind;
            omfInt32 size;
            void* buffer;
        } info;
        struct { // readSamples, writeSamples
            omfInt32 count;
            omfmMultiXfer_t* transfers;
        } samples;
        struct { // readLines, writeLines
            omfInt32 lineCount;
            omfInt32 bufferSize;
            void* buffer;
            omfInt32 bytesTransferred; // out
        } lines;
        struct {                  // setFrame
            omfInt64 frameNumber; // 1-based
        } setFrame;
        struct { // frameOffset
            omfInt64 frameNumber;
            omfInt64 offset; // out
        } frameOffset;
        struct { // numChannels
            omfObject_t fileMob;
            omfObject_t mediaKind;
            omfInt16 numChannels; // out
        } numChannels;
        struct { // initDescriptor
            omfObject_t descriptor;
            const char* variety;
        } initDescriptor;
        struct { // selectInfo
            omfObject_t descriptor;
            omfCodecSelectInfo_t info; // out
        } selectInfo;
        struct { // readSummary
            omfObject_t fileMob;
            omfObject_t dataObject;
        } readSummary;
        struct { // checkSummary
            omfObject_t fileMob;
            omfObject_t dataObject;
            omfBool skipSampleFrames; // the sample-frame counts are not compared
            const char* message;      // out: what disagrees, with 198 and 199
        } checkSummary;
        struct { // varietyCount
            omfObject_t mediaKind;
            omfInt32 count; // out
        } varietyCount;
        struct { // varietyName
            omfObject_t mediaKind;
            omfInt32 index; // 1-based
            omfInt32 nameLength;
            char* name;
        } varietyName;
    } spc;
};

// A codec's entry function.
typedef omfErr_t (*omfCodecEntry_t)(omfCodecRequest_t request, omfCodecParms_t* parms);

// A registered codec's definition, copied by value wherever it is used.
typedef struct {
    omfCodecEntry_t entry;
    omfCodecOperation_t table[kOmfCodecTableSize];
    void* persistent; // from init (std::malloc); owned by the registry, freed at session end
    omfUInt32 revision;
    const char* dataKind;
    omfInt32 minFileRevision;
    omfInt32 maxFileRevision;
    omfBool hasMaxFileRevision;
} omfCodecDef_t;

// Registers a codec with a session (after omfmInit): init, describe (revision
// must be kOmfCodecRevision), fill the table over the shared default, enter it
// in the class table (when it names a descriptor class) and the ID table.
omfErr_t omfmAddCodec(omfSessionHdl_t session, omfCodecEntry_t entry);

// The operation every table entry holds until a codec fills it: OM_ERR_INVALID_CODEC_OPERATION.
omfErr_t omfmCodecDefaultOperation(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);

} // extern "C"
