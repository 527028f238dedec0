// The toolkit's message table: one fixed text per error code.
#include "omf/omf_errors.h"

#include <array>

namespace {

constexpr const char* kUnknownError = "OMFI_ERR: Unknown error code";

// clang-format off
constexpr std::array<const char*, 210> kMessages = {
    "OMFI: Success", // 0
    "OMFI_ERR: Null OMFI/Bento object", // 1
    "OMFI_ERR(Import): NULL Mob ID pointer in GetNthMediaDesc/SetMediaDesc", // 2
    "OMFI_ERR(Import): NULL omfMediaType_t pointer in GetNthMediaDesc", // 3
    "OMFI_ERR(Import): NULL descriptor pointer in GetNthMediaDesc", // 4
    "OMFI_ERR(Import): Input OMFI file does not have enough media objects", // 5
    "OMFI_ERR: LRC codec disabled", // 6
    "OMFI_ERR: Only 16 bit samples supported for LRC", // 7
    "OMFI_ERR: Only one channel audio supported for LRC", // 8
    "OMFI_INTERNAL_ERR: Bad Bento Session operation", // 9
    "OMFI_INTERNAL_ERR: Error creating OMFI/Bento object", // 10
    "OMFI_ERR: Bad Session Handle", // 11
    "OMFI_ERR: Container Session open failed", // 12
    "OMFI_ERR: Container Session meta-handler operation failed", // 13
    "OMFI_ERR: Container Session close failed", // 14
    "OMFI_ERR: Cannot find Bento container", // 15
    "OMFI_ERR: OMFI File Revision > 2.0 not supported", // 16
    "OMFI_ERR: Files must have same file revisions", // 17
    "OMFI_ERR: Cannot open file", // 18
    "OMFI_ERR: Cannot close file", // 19
    "OMFI_ERR: Bad File Handle", // 20
    "OMFI_ERR: Invalid OMFI HEAD object", // 21
    "OMFI_ERR: No File Byte Order Specified", // 22
    "OMFI_ERR: Invalid byte order", // 23
    "OMFI_ERR: Invalid OMFI file", // 24
    "OMFI_ERR: Invalid file type (Raw vs. OMFI)", // 25
    "OMFI_ERR: File opened in wrong mode (readonly vs. readwrite)", // 26
    "OMFI_ERR: Error writing to container media (Possibly media is full).", // 27
    "OMFI_ERR: File not found.", // 28
    "OMFI_ERR: Error updating the class dictionary in the OMFI file", // 29
    "OMFI_ERR: Error loading the class dictionary from the file", // 30
    "OMFI_ERR: Please use toolkit revision 2.0.1 or later to write 2.x compliant files", // 31
    "OMFI_ERR: You must supply a product identification struct when creating or updating files", // 32
    "OMFI_ERR: Error getting sample rate from file descriptor", // 33
    "OMFI_ERR: Error processing source mob list", // 34
    "OMFI_ERR: Error getting length from file descriptor", // 35
    "OMFI_ERR: Internal Media Data system not initialized", // 36
    "OMFI_ERR: Only 3-component video allowed in OMF files", // 37
    "OMFI_INTERNAL_ERR: Corrupt Video Info Structure", // 38
    "OMFI_ERR: Sample Index offset out of range", // 39
    "OMFI_ERR: Only one sample allowed for reading compressed data", // 40
    "OMFI_ERR: Only one sample allowed for writing compressed data", // 41
    "OMFI_ERR: Software Decompression Failed", // 42
    "OMFI_ERR: No data read", // 43
    "OMFI_ERR: Sample too large to fit in given buffer", // 44
    "OMFI_ERR: Unrecognized compression type in OMF file", // 45
    "OMFI_ERR: Unrecognized pixel format in OMF file", // 46
    "OMFI_ERR: Unrecognized frame layout in OMF file", // 47
    "OMFI_ERR: omfWriteLines not allowed with compression", // 48
    "OMFI_ERR: omfReadLines not allowed with compression", // 49
    "OMFI_ERR: Unrecognized Media Type", // 50
    "OMFI_ERR: Null data address for transfer operation", // 51
    "OMFI_ERR: Bad Media Handle", // 52
    "OMFI_ERR: Cannot locate media data", // 53
    "OMFI_ERR: Illegal memory format code", // 54
    "OMFI_ERR: Illegal file format code", // 55
    "OMFI_ERR: Invalid swab buffer size", // 56
    "OMFI_ERR: Missing stream swap proc", // 57
    "OMFI_ERR: A Stream Callback is NULL", // 58
    "OMFI_ERR: Null transfer buffer", // 59
    "OMFI_ERR: Need to set up file & memory format before calling this function", // 60
    "OMFI_ERR: Invalid file mob reference", // 61
    "OMFI_ERR: Operation not valid on multi-channel media streams", // 62
    "OMFI_ERR: Stream cache size must be positive or zero", // 63
    "OMFI_ERR: Operation requires a file mob", // 64
    "OMFI_ERR: Codec can't translate to/from that sample size", // 65
    "OMFI_ERR: Codec can't translate to/from rates which are not multiples", // 66
    "OMFI_ERR: Media representation not present in the mob", // 67
    "OMFI_ERR: Buffer must be longword aligned for this translation", // 68
    "OMFI_ERR: Cannot specify the same channel twice in multi-xfers", // 69
    "OMFI_ERR: omfmInit() must be called before making this call", // 70
    "OMFI_ERR: Blocking size must be >= 0 bytes", // 71
    "OMFI_ERR: Incorrect media type for this operation", // 72
    "OMFI_ERR: Writelengths in a writeMultiple must be uniform", // 73
    "OMFI_ERROR: Stream reopened without being closed", // 74
    "OMFI_ERROR: Too many format specifiers for this codec", // 75
    "OMFI_ERR: An object with a media stream datakind is not allowed", // 76
    "OMFI_ERR: Length of a still frame in a media group must be 1", // 77
    "OMFI_ERR: Calling this function now will produce non-contiguous media data", // 78
    "OMFI_ERR: Operation list overflow", // 79
    "OMFI_ERR: Stream must be open for this operation", // 80
    "OMFI_ERR: Use multiCreate to create this many interleaved channels", // 81
    "OMFI_ERR: Media object opened in wrong mode (readonly vs. readwrite)", // 82
    "OMFI_ERR: No proc to close media", // 83
    "CODEC invalid or not loaded", // 84
    "OMFI_ERR: Operation not valid on this codec", // 85
    "OMFI_ERR: Out of date codec", // 86
    "OMFI_ERR: Channel out of range for codec", // 87
    "OMFI_ERR: Buffer is not large enough to hold data", // 88
    "OMFI_ERR: Unknown locator type", // 89
    "OMFI_ERR: Can't translate to expected memory format", // 90
    "OMFI_ERR: End of file", // 91
    "OMFI_ERR: Error reading tiff version", // 92
    "OMFI_ERR: Video: TIFF count less than 1", // 93
    "OMFI_ERR: 24 Bit (8-8-8) video only", // 94
    "OMFI_ERR: Only baseline JPEG allowed in OMF files", // 95
    "OMFI_ERR: JPEG TIFF fields not allowed without COMPRESSION == JPEG", // 96
    "OMFI_ERR: Bad JPEG Quantization Table", // 97
    "OMFI_ERR: Bad JPEG AC Huffman Table", // 98
    "OMFI_ERR: Bad JPEG DC Huffman Table", // 99
    "OMFI_ERR: No JPEG Video Frame Index", // 100
    "OMFI_ERR: Frame Index offset out of range", // 101
    "OMFI_ERR: OMJPEG.c: put_color_map called", // 102
    "OMFI_ERR: JPEG codec disabled", // 103
    "OMFI_ERR: Unspecified JPEG codec problem", // 104
    "OMFI_ERR: Unrecognized Pixel Format", // 105
    "OMFI_ERR: Unrecognized Frame Layout", // 106
    "OMFI_ERR: Read/Write Lines only enabled for common video format", // 107
    "OMFI_ERR: Error reading AIFC data", // 108
    "OMFI_ERR: Error reading WAVE data", // 109
    "OMFI_ERR: Audio Read Samples: Can't convert to requested sample size", // 110
    "OMFI_ERR: Sample transfers must be an integral number of bytes", // 111
    "OMFI_ERR: Codec name string too large", // 112
    "OMFI_ERR: Sample size of zero not allowed", // 113
    "OMFI_ERR: Pixel size of zero not allowed", // 114
    "OMFI_ERR: Badly formed codec variety string", // 115
    "OMFI_ERR: Null Object not allowed", // 116
    "OMFI_ERR: Array Index Out of Range", // 117
    "OMFI_ERR: Invalid object attached to property", // 118
    "OMFI_ERR: Property code out of range", // 119
    "OMFI_ERR: Type code out of range", // 120
    "OMFI_ERR: Cannot swab that data size", // 121
    "OMFI_ERR: Read past end of data", // 122
    "OMFI_ERR: Property missing from the file", // 123
    "OMFI_ERR: Datakind invalid or nonexistant", // 124
    "OMFI_ERR: A Datakind Definition with this ID already exists", // 125
    "OMFI_ERR: Too many types for a single property", // 126
    "OMFI_ERR: This property must be a Source Clip", // 127
    "OMFI_ERR: An unexpected fill property was found", // 128
    "OMFI_ERR: Segment has an illegal length", // 129
    "OMFI_ERR: Illegal value for edit rate", // 130
    "OMFI_ERR: Editrate rounding must be either Floor or Ceiling", // 131
    "OMFI_ERR: Timecode was not found in the mob chain", // 132
    "OMFI_ERR: Cannot find timecode on given track", // 133
    "OMFI_ERR: Timecode value is invalid", // 134
    "OMFI_ERR: Track not found", // 135
    "OMFI_ERR: Bad Slot Length", // 136
    "OMFI_ERR: TrackID not present in the mob", // 137
    "OMFI_ERR: A Track with this trackID already exists", // 138
    "OMFI_ERR: Mob does not exist in this file", // 139
    "OMFI_ERR: The end of the mob chain has been reached", // 140
    "OMFI_ERR: MobID already exists in the file", // 141
    "OMFI_ERR: MobID not present in the file", // 142
    "OMFI_ERR: An Effect Definition with this Effect ID already exists", // 143
    "OMFI_ERR: Effect Definition invalid or nonexistant", // 144
    "OMFI_ERR: Effect is invalid or non-existent", // 145
    "OMFI_ERR: The given effect argument is not valid for this effect", // 146
    "OMFI_ERR: Constant value is invalid or nonexistent", // 147
    "OMFI_ERR: Effect Rendering does not exist", // 148
    "OMFI_ERR: Bad Iterator handle", // 149
    "OMFI_ERR: No More Objects", // 150
    "OMFI_ERR: Wrong iterator type for this function", // 151
    "OMFI_ERR: Invalid search criteria for this kind of iterator", // 152
    "OMFI_INTERNAL_ERR: Internal error with iterator", // 153
    "OMFI_ERR: Match function to traversal routine is null", // 154
    "OMFI_ERR: Callback function to traversal routine is null", // 155
    "OMFI_ERR: Mob traversal failed", // 156
    "OMFI_ERR: Effect is not a transition effect", // 157
    "OMFI_ERR: Adjacent transitions in a sequence are illegal", // 158
    "OMFI_ERR: Beginning a sequence with a transition is illegal", // 159
    "OMFI_ERR: Not enough material as input to transition", // 160
    "OMFI_ERR: Illegal pulldown direction", // 161
    "OMFI_ERR: use omfmMobAddPulldownRef() instead of omfmMobAddPhysSourceRef() for pulldown", // 162
    nullptr, // 163: no message of its own
    "OMFI_ERR: This iterator handle must be allocated by omfiMobOpenSearch()", // 164
    "OMFI_ERR: This property must be a Composition", // 165
    "OMFI_ERR: This function requires a track, not a mob slot.", // 166
    "OMFI_ERR: Need more information to parse further through an effect", // 167
    "OMFI_ERR: Bad Simple Track handle", // 168
    "OMFI_ERR: This track does not contain a sequence, appending is illegal", // 169
    "OMFI_ERR: Memory allocation failed, no more heap memory", // 170
    "OMFI_ERR: 64-bit truncation error", // 171
    "OMFI_ERR: Negative 64-bit number", // 172
    "OMFI_ERR: Overflow on a 64-bit operation", // 173
    "OMFI_ERR: Function not available in 1.x compatability mode", // 174
    "OMFI_ERR: Function not available in 2.x native mode", // 175
    "OMFI_ERR: Not Implemented", // 176
    "OMFI_ERR: NULL Actual parameter to function call", // 177
    "OMFI_ERR: Divide by zero", // 178
    "OMFI_ERR: Value should be positive or zero", // 179
    "OMFI_ERR: Invalid Track Kind", // 180
    "OMFI_ERR: Invalid Edge Code Format Kind", // 181
    "OMFI_ERR: Invalid Film Type", // 182
    "OMFI_ERR: Invalid Mob Type", // 183
    "OMFI_ERR: Invalid Tape Case Type", // 184
    "OMFI_ERR: Invalid Video Signal Type", // 185
    "OMFI_ERR: Invalid Tape Format Type", // 186
    "OMFI_ERR: Invalid Effect Edit Hint", // 187
    "OMFI_ERR: Invalid Effect Interpolation Kind", // 188
    "OMFI_ERR: Positive Relative Track Reference not allowed", // 189
    "OMFI_ERR: Invalid object for this operation", // 190
    "OMFI_ERR: Creation of virtual objects not allowed", // 191
    "OMFI_ERR: Invalid Object Class ID", // 192
    "OMFI_ERR: Failed a semantic check on an input obj", // 193
    "OMFI_ERR: Failed a semantic check on an input data", // 194
    "OMFI_ERR: Failed a semantic check on an output data", // 195
    "OMFI_ERR: Property and type do not match", // 196
    "OMFI_ERR: Invalid Attribute Kind", // 197
    "OMFI_ERR: Media descriptor summary data does not agree with media", // 198
    "OMFI_ERR: A semantic check warning occured when checking media", // 199
    "OMFI_ERR: Invalid Boolean Value", // 200
    "OMFI_INTERNAL_ERR: Duplicate Key detected in internal table", // 201
    "OMFI_INTERNAL_ERR: Missing compare function on table", // 202
    "OMFI_INTERNAL_ERR: Bad table handle", // 203
    "OMFI_INTERNAL_ERR: Bad table iterator handle", // 204
    "OMFI_ERR: Bento container error", // 205
    "OMFI_INTERNAL_ERR: Can't locate Bento handler", // 206
    "OMFI_INTERNAL_ERR: Property ID code doesn't match between revs", // 207
    "OMFI_ERR: Internal division error", // 208
    "OMFI_TESTING_ERR: Test Failed", // 209
};
// clang-format on

} // namespace

extern "C" const char* omfsErrorName(omfErr_t code) {
    if (code < 0 || code >= static_cast<omfErr_t>(kMessages.size())) return kUnknownError;
    const char* text = kMessages[static_cast<size_t>(code)];
    return text != nullptr ? text : kUnknownError;
}
