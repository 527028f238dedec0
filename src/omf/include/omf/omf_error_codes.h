// The toolkit's error codes: every code once, with its name and its message text.
//
// OMF_ERROR_CODES(X) expands X(code, name, text) for each code in ascending order,
// without gaps. The named constants below and the message table behind
// omfsErrorName are both generated from it, so a code, its name and its text are
// written down in this one place only. Code 163 has no message of its own; its
// text is a null pointer and omfsErrorName answers the unknown-code text for it.
#pragma once

#include "omf/omf_types.h"

// clang-format off
#define OMF_ERROR_CODES(X)                                                                          \
    X(0, OM_ERR_NONE, "OMFI: Success")                                                              \
    X(1, OM_ERR_NULL_BENTO_OBJECT, "OMFI_ERR: Null OMFI/Bento object")                              \
    X(2, OM_ERR_IMPORT_NULL_MOB_ID, "OMFI_ERR(Import): NULL Mob ID pointer in GetNthMediaDesc/SetMediaDesc") \
    X(3, OM_ERR_IMPORT_NULL_MEDIA_TYPE, "OMFI_ERR(Import): NULL omfMediaType_t pointer in GetNthMediaDesc") \
    X(4, OM_ERR_IMPORT_NULL_DESCRIPTOR, "OMFI_ERR(Import): NULL descriptor pointer in GetNthMediaDesc") \
    X(5, OM_ERR_IMPORT_TOO_FEW_MEDIA, "OMFI_ERR(Import): Input OMFI file does not have enough media objects") \
    X(6, OM_ERR_LRC_DISABLED, "OMFI_ERR: LRC codec disabled")                                       \
    X(7, OM_ERR_LRC_16BIT_ONLY, "OMFI_ERR: Only 16 bit samples supported for LRC")                  \
    X(8, OM_ERR_LRC_MONO_ONLY, "OMFI_ERR: Only one channel audio supported for LRC")                \
    X(9, OM_ERR_BAD_BENTO_SESSION_OP, "OMFI_INTERNAL_ERR: Bad Bento Session operation")              \
    X(10, OM_ERR_BENTO_OBJECT_CREATE, "OMFI_INTERNAL_ERR: Error creating OMFI/Bento object")         \
    X(11, OM_ERR_BAD_SESSION, "OMFI_ERR: Bad Session Handle")                                       \
    X(12, OM_ERR_SESSION_OPEN, "OMFI_ERR: Container Session open failed")                           \
    X(13, OM_ERR_SESSION_META_HANDLER, "OMFI_ERR: Container Session meta-handler operation failed") \
    X(14, OM_ERR_SESSION_CLOSE, "OMFI_ERR: Container Session close failed")                         \
    X(15, OM_ERR_CONTAINER_NOT_FOUND, "OMFI_ERR: Cannot find Bento container")                      \
    X(16, OM_ERR_FILE_REV_UNSUPPORTED, "OMFI_ERR: OMFI File Revision > 2.0 not supported")          \
    X(17, OM_ERR_FILE_REV_MISMATCH, "OMFI_ERR: Files must have same file revisions")                \
    X(18, OM_ERR_FILE_OPEN, "OMFI_ERR: Cannot open file")                                           \
    X(19, OM_ERR_FILE_CLOSE, "OMFI_ERR: Cannot close file")                                         \
    X(20, OM_ERR_BAD_FILE_HANDLE, "OMFI_ERR: Bad File Handle")                                      \
    X(21, OM_ERR_INVALID_HEAD, "OMFI_ERR: Invalid OMFI HEAD object")                                \
    X(22, OM_ERR_NO_BYTE_ORDER, "OMFI_ERR: No File Byte Order Specified")                           \
    X(23, OM_ERR_INVALID_BYTE_ORDER, "OMFI_ERR: Invalid byte order")                                \
    X(24, OM_ERR_INVALID_FILE, "OMFI_ERR: Invalid OMFI file")                                       \
    X(25, OM_ERR_INVALID_FILE_TYPE, "OMFI_ERR: Invalid file type (Raw vs. OMFI)")                   \
    X(26, OM_ERR_WRONG_FILE_MODE, "OMFI_ERR: File opened in wrong mode (readonly vs. readwrite)")   \
    X(27, OM_ERR_CONTAINER_WRITE, "OMFI_ERR: Error writing to container media (Possibly media is full).") \
    X(28, OM_ERR_FILE_NOT_FOUND, "OMFI_ERR: File not found.")                                       \
    X(29, OM_ERR_CLASS_DICT_UPDATE, "OMFI_ERR: Error updating the class dictionary in the OMFI file") \
    X(30, OM_ERR_CLASS_DICT_LOAD, "OMFI_ERR: Error loading the class dictionary from the file")     \
    X(31, OM_ERR_TOOLKIT_REV_TOO_OLD, "OMFI_ERR: Please use toolkit revision 2.0.1 or later to write 2.x compliant files") \
    X(32, OM_ERR_NEED_PRODUCT_IDENT, "OMFI_ERR: You must supply a product identification struct when creating or updating files") \
    X(33, OM_ERR_DESCRIPTOR_SAMPLE_RATE, "OMFI_ERR: Error getting sample rate from file descriptor") \
    X(34, OM_ERR_SOURCE_MOB_LIST, "OMFI_ERR: Error processing source mob list")                     \
    X(35, OM_ERR_DESCRIPTOR_LENGTH, "OMFI_ERR: Error getting length from file descriptor")          \
    X(36, OM_ERR_MEDIA_SYSTEM_NOT_INIT, "OMFI_ERR: Internal Media Data system not initialized")     \
    X(37, OM_ERR_3_COMPONENT_VIDEO_ONLY, "OMFI_ERR: Only 3-component video allowed in OMF files")   \
    X(38, OM_ERR_CORRUPT_VIDEO_INFO, "OMFI_INTERNAL_ERR: Corrupt Video Info Structure")             \
    X(39, OM_ERR_SAMPLE_OFFSET_OUT_OF_RANGE, "OMFI_ERR: Sample Index offset out of range")          \
    X(40, OM_ERR_ONE_SAMPLE_COMPRESSED_READ, "OMFI_ERR: Only one sample allowed for reading compressed data") \
    X(41, OM_ERR_ONE_SAMPLE_COMPRESSED_WRITE, "OMFI_ERR: Only one sample allowed for writing compressed data") \
    X(42, OM_ERR_DECOMPRESS_FAILED, "OMFI_ERR: Software Decompression Failed")                      \
    X(43, OM_ERR_NO_DATA_READ, "OMFI_ERR: No data read")                                            \
    X(44, OM_ERR_SAMPLE_TOO_LARGE, "OMFI_ERR: Sample too large to fit in given buffer")             \
    X(45, OM_ERR_UNKNOWN_FILE_COMPRESSION, "OMFI_ERR: Unrecognized compression type in OMF file")   \
    X(46, OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT, "OMFI_ERR: Unrecognized pixel format in OMF file")      \
    X(47, OM_ERR_UNKNOWN_FILE_FRAME_LAYOUT, "OMFI_ERR: Unrecognized frame layout in OMF file")      \
    X(48, OM_ERR_WRITE_LINES_COMPRESSED, "OMFI_ERR: omfWriteLines not allowed with compression")    \
    X(49, OM_ERR_READ_LINES_COMPRESSED, "OMFI_ERR: omfReadLines not allowed with compression")      \
    X(50, OM_ERR_UNKNOWN_MEDIA_TYPE, "OMFI_ERR: Unrecognized Media Type")                           \
    X(51, OM_ERR_NULL_DATA_ADDRESS, "OMFI_ERR: Null data address for transfer operation")           \
    X(52, OM_ERR_BAD_MEDIA_HANDLE, "OMFI_ERR: Bad Media Handle")                                    \
    X(53, OM_ERR_MEDIA_NOT_FOUND, "OMFI_ERR: Cannot locate media data")                             \
    X(54, OM_ERR_ILLEGAL_MEMORY_FORMAT, "OMFI_ERR: Illegal memory format code")                     \
    X(55, OM_ERR_ILLEGAL_FILE_FORMAT, "OMFI_ERR: Illegal file format code")                         \
    X(56, OM_ERR_INVALID_SWAB_BUFFER_SIZE, "OMFI_ERR: Invalid swab buffer size")                    \
    X(57, OM_ERR_MISSING_SWAP_PROC, "OMFI_ERR: Missing stream swap proc")                           \
    X(58, OM_ERR_NULL_STREAM_CALLBACK, "OMFI_ERR: A Stream Callback is NULL")                       \
    X(59, OM_ERR_NULL_TRANSFER_BUFFER, "OMFI_ERR: Null transfer buffer")                            \
    X(60, OM_ERR_FORMATS_NOT_SET, "OMFI_ERR: Need to set up file & memory format before calling this function") \
    X(61, OM_ERR_INVALID_FILE_MOB, "OMFI_ERR: Invalid file mob reference")                          \
    X(62, OM_ERR_MULTI_CHANNEL_STREAM, "OMFI_ERR: Operation not valid on multi-channel media streams") \
    X(63, OM_ERR_NEGATIVE_CACHE_SIZE, "OMFI_ERR: Stream cache size must be positive or zero")       \
    X(64, OM_ERR_NEED_FILE_MOB, "OMFI_ERR: Operation requires a file mob")                          \
    X(65, OM_ERR_CODEC_SAMPLE_SIZE, "OMFI_ERR: Codec can't translate to/from that sample size")     \
    X(66, OM_ERR_CODEC_RATE_MULTIPLE, "OMFI_ERR: Codec can't translate to/from rates which are not multiples") \
    X(67, OM_ERR_NO_MEDIA_REPRESENTATION, "OMFI_ERR: Media representation not present in the mob")  \
    X(68, OM_ERR_BUFFER_NOT_ALIGNED, "OMFI_ERR: Buffer must be longword aligned for this translation") \
    X(69, OM_ERR_DUPLICATE_CHANNEL, "OMFI_ERR: Cannot specify the same channel twice in multi-xfers") \
    X(70, OM_ERR_OMFM_INIT_NOT_CALLED, "OMFI_ERR: omfmInit() must be called before making this call") \
    X(71, OM_ERR_NEGATIVE_BLOCKING_SIZE, "OMFI_ERR: Blocking size must be >= 0 bytes")              \
    X(72, OM_ERR_WRONG_MEDIA_TYPE, "OMFI_ERR: Incorrect media type for this operation")             \
    X(73, OM_ERR_NONUNIFORM_WRITE_LENGTHS, "OMFI_ERR: Writelengths in a writeMultiple must be uniform") \
    X(74, OM_ERR_STREAM_REOPENED, "OMFI_ERROR: Stream reopened without being closed")               \
    X(75, OM_ERR_TOO_MANY_FORMAT_SPECS, "OMFI_ERROR: Too many format specifiers for this codec")    \
    X(76, OM_ERR_MEDIA_STREAM_DATAKIND, "OMFI_ERR: An object with a media stream datakind is not allowed") \
    X(77, OM_ERR_STILL_FRAME_LENGTH, "OMFI_ERR: Length of a still frame in a media group must be 1") \
    X(78, OM_ERR_NONCONTIGUOUS_MEDIA, "OMFI_ERR: Calling this function now will produce non-contiguous media data") \
    X(79, OM_ERR_OPERATION_LIST_OVERFLOW, "OMFI_ERR: Operation list overflow")                      \
    X(80, OM_ERR_STREAM_NOT_OPEN, "OMFI_ERR: Stream must be open for this operation")               \
    X(81, OM_ERR_USE_MULTI_CREATE, "OMFI_ERR: Use multiCreate to create this many interleaved channels") \
    X(82, OM_ERR_WRONG_MEDIA_MODE, "OMFI_ERR: Media object opened in wrong mode (readonly vs. readwrite)") \
    X(83, OM_ERR_NO_MEDIA_CLOSE_PROC, "OMFI_ERR: No proc to close media")                           \
    X(84, OM_ERR_INVALID_CODEC, "CODEC invalid or not loaded")                                      \
    X(85, OM_ERR_INVALID_CODEC_OPERATION, "OMFI_ERR: Operation not valid on this codec")            \
    X(86, OM_ERR_CODEC_OUT_OF_DATE, "OMFI_ERR: Out of date codec")                                  \
    X(87, OM_ERR_CODEC_CHANNEL_OUT_OF_RANGE, "OMFI_ERR: Channel out of range for codec")            \
    X(88, OM_ERR_BUFFER_TOO_SMALL, "OMFI_ERR: Buffer is not large enough to hold data")             \
    X(89, OM_ERR_UNKNOWN_LOCATOR, "OMFI_ERR: Unknown locator type")                                 \
    X(90, OM_ERR_CANNOT_TRANSLATE, "OMFI_ERR: Can't translate to expected memory format")           \
    X(91, OM_ERR_END_OF_FILE, "OMFI_ERR: End of file")                                              \
    X(92, OM_ERR_TIFF_VERSION, "OMFI_ERR: Error reading tiff version")                              \
    X(93, OM_ERR_TIFF_COUNT, "OMFI_ERR: Video: TIFF count less than 1")                             \
    X(94, OM_ERR_24BIT_VIDEO_ONLY, "OMFI_ERR: 24 Bit (8-8-8) video only")                           \
    X(95, OM_ERR_BASELINE_JPEG_ONLY, "OMFI_ERR: Only baseline JPEG allowed in OMF files")           \
    X(96, OM_ERR_JPEG_FIELDS_NOT_JPEG, "OMFI_ERR: JPEG TIFF fields not allowed without COMPRESSION == JPEG") \
    X(97, OM_ERR_BAD_JPEG_QUANT_TABLE, "OMFI_ERR: Bad JPEG Quantization Table")                     \
    X(98, OM_ERR_BAD_JPEG_AC_TABLE, "OMFI_ERR: Bad JPEG AC Huffman Table")                          \
    X(99, OM_ERR_BAD_JPEG_DC_TABLE, "OMFI_ERR: Bad JPEG DC Huffman Table")                          \
    X(100, OM_ERR_NO_JPEG_FRAME_INDEX, "OMFI_ERR: No JPEG Video Frame Index")                       \
    X(101, OM_ERR_FRAME_INDEX_OUT_OF_RANGE, "OMFI_ERR: Frame Index offset out of range")            \
    X(102, OM_ERR_JPEG_PUT_COLOR_MAP, "OMFI_ERR: OMJPEG.c: put_color_map called")                   \
    X(103, OM_ERR_JPEG_DISABLED, "OMFI_ERR: JPEG codec disabled")                                   \
    X(104, OM_ERR_JPEG_UNSPECIFIED, "OMFI_ERR: Unspecified JPEG codec problem")                     \
    X(105, OM_ERR_UNKNOWN_PIXEL_FORMAT, "OMFI_ERR: Unrecognized Pixel Format")                      \
    X(106, OM_ERR_UNKNOWN_FRAME_LAYOUT, "OMFI_ERR: Unrecognized Frame Layout")                      \
    X(107, OM_ERR_LINES_COMMON_VIDEO_ONLY, "OMFI_ERR: Read/Write Lines only enabled for common video format") \
    X(108, OM_ERR_AIFC_READ, "OMFI_ERR: Error reading AIFC data")                                   \
    X(109, OM_ERR_WAVE_READ, "OMFI_ERR: Error reading WAVE data")                                   \
    X(110, OM_ERR_AUDIO_SAMPLE_SIZE, "OMFI_ERR: Audio Read Samples: Can't convert to requested sample size") \
    X(111, OM_ERR_PARTIAL_BYTE_TRANSFER, "OMFI_ERR: Sample transfers must be an integral number of bytes") \
    X(112, OM_ERR_CODEC_NAME_TOO_LONG, "OMFI_ERR: Codec name string too large")                     \
    X(113, OM_ERR_ZERO_SAMPLE_SIZE, "OMFI_ERR: Sample size of zero not allowed")                    \
    X(114, OM_ERR_ZERO_PIXEL_SIZE, "OMFI_ERR: Pixel size of zero not allowed")                      \
    X(115, OM_ERR_BAD_CODEC_VARIETY, "OMFI_ERR: Badly formed codec variety string")                 \
    X(116, OM_ERR_NULL_OBJECT, "OMFI_ERR: Null Object not allowed")                                 \
    X(117, OM_ERR_INDEX_OUT_OF_RANGE, "OMFI_ERR: Array Index Out of Range")                         \
    X(118, OM_ERR_INVALID_PROPERTY_OBJECT, "OMFI_ERR: Invalid object attached to property")         \
    X(119, OM_ERR_PROPERTY_OUT_OF_RANGE, "OMFI_ERR: Property code out of range")                    \
    X(120, OM_ERR_TYPE_OUT_OF_RANGE, "OMFI_ERR: Type code out of range")                            \
    X(121, OM_ERR_CANNOT_SWAB_SIZE, "OMFI_ERR: Cannot swab that data size")                         \
    X(122, OM_ERR_READ_PAST_END, "OMFI_ERR: Read past end of data")                                 \
    X(123, OM_ERR_PROPERTY_MISSING, "OMFI_ERR: Property missing from the file")                     \
    X(124, OM_ERR_INVALID_DATAKIND, "OMFI_ERR: Datakind invalid or nonexistant")                    \
    X(125, OM_ERR_DUPLICATE_DATAKIND, "OMFI_ERR: A Datakind Definition with this ID already exists") \
    X(126, OM_ERR_TOO_MANY_TYPES, "OMFI_ERR: Too many types for a single property")                 \
    X(127, OM_ERR_NOT_SOURCE_CLIP, "OMFI_ERR: This property must be a Source Clip")                 \
    X(128, OM_ERR_UNEXPECTED_FILL, "OMFI_ERR: An unexpected fill property was found")               \
    X(129, OM_ERR_ILLEGAL_SEGMENT_LENGTH, "OMFI_ERR: Segment has an illegal length")                \
    X(130, OM_ERR_ILLEGAL_EDIT_RATE, "OMFI_ERR: Illegal value for edit rate")                       \
    X(131, OM_ERR_EDIT_RATE_ROUNDING, "OMFI_ERR: Editrate rounding must be either Floor or Ceiling") \
    X(132, OM_ERR_TIMECODE_NOT_IN_CHAIN, "OMFI_ERR: Timecode was not found in the mob chain")       \
    X(133, OM_ERR_TIMECODE_NOT_ON_TRACK, "OMFI_ERR: Cannot find timecode on given track")           \
    X(134, OM_ERR_INVALID_TIMECODE, "OMFI_ERR: Timecode value is invalid")                          \
    X(135, OM_ERR_TRACK_NOT_FOUND, "OMFI_ERR: Track not found")                                     \
    X(136, OM_ERR_BAD_SLOT_LENGTH, "OMFI_ERR: Bad Slot Length")                                     \
    X(137, OM_ERR_MISSING_TRACK_ID, "OMFI_ERR: TrackID not present in the mob")                     \
    X(138, OM_ERR_DUPLICATE_TRACK_ID, "OMFI_ERR: A Track with this trackID already exists")         \
    X(139, OM_ERR_MOB_NOT_FOUND, "OMFI_ERR: Mob does not exist in this file")                       \
    X(140, OM_ERR_END_OF_MOB_CHAIN, "OMFI_ERR: The end of the mob chain has been reached")          \
    X(141, OM_ERR_DUPLICATE_MOB_ID, "OMFI_ERR: MobID already exists in the file")                   \
    X(142, OM_ERR_MISSING_MOB_ID, "OMFI_ERR: MobID not present in the file")                        \
    X(143, OM_ERR_DUPLICATE_EFFECT_DEF, "OMFI_ERR: An Effect Definition with this Effect ID already exists") \
    X(144, OM_ERR_INVALID_EFFECT_DEF, "OMFI_ERR: Effect Definition invalid or nonexistant")         \
    X(145, OM_ERR_INVALID_EFFECT, "OMFI_ERR: Effect is invalid or non-existent")                    \
    X(146, OM_ERR_INVALID_EFFECT_ARG, "OMFI_ERR: The given effect argument is not valid for this effect") \
    X(147, OM_ERR_INVALID_CONSTANT_VALUE, "OMFI_ERR: Constant value is invalid or nonexistent")     \
    X(148, OM_ERR_NO_EFFECT_RENDERING, "OMFI_ERR: Effect Rendering does not exist")                 \
    X(149, OM_ERR_BAD_ITERATOR, "OMFI_ERR: Bad Iterator handle")                                    \
    X(150, OM_ERR_NO_MORE_OBJECTS, "OMFI_ERR: No More Objects")                                     \
    X(151, OM_ERR_WRONG_ITERATOR_TYPE, "OMFI_ERR: Wrong iterator type for this function")           \
    X(152, OM_ERR_INVALID_SEARCH_CRITERIA, "OMFI_ERR: Invalid search criteria for this kind of iterator") \
    X(153, OM_ERR_ITERATOR_INTERNAL, "OMFI_INTERNAL_ERR: Internal error with iterator")             \
    X(154, OM_ERR_NULL_MATCH_FUNCTION, "OMFI_ERR: Match function to traversal routine is null")     \
    X(155, OM_ERR_NULL_CALLBACK_FUNCTION, "OMFI_ERR: Callback function to traversal routine is null") \
    X(156, OM_ERR_TRAVERSAL_FAILED, "OMFI_ERR: Mob traversal failed")                               \
    X(157, OM_ERR_NOT_TRANSITION, "OMFI_ERR: Effect is not a transition effect")                    \
    X(158, OM_ERR_ADJACENT_TRANSITIONS, "OMFI_ERR: Adjacent transitions in a sequence are illegal") \
    X(159, OM_ERR_LEADING_TRANSITION, "OMFI_ERR: Beginning a sequence with a transition is illegal") \
    X(160, OM_ERR_SHORT_TRANSITION_INPUT, "OMFI_ERR: Not enough material as input to transition")   \
    X(161, OM_ERR_ILLEGAL_PULLDOWN_DIRECTION, "OMFI_ERR: Illegal pulldown direction")               \
    X(162, OM_ERR_USE_PULLDOWN_REF, "OMFI_ERR: use omfmMobAddPulldownRef() instead of omfmMobAddPhysSourceRef() for pulldown") \
    X(163, OM_ERR_RESERVED_163, nullptr)                                                            \
    X(164, OM_ERR_NEED_SEARCH_ITERATOR, "OMFI_ERR: This iterator handle must be allocated by omfiMobOpenSearch()") \
    X(165, OM_ERR_NOT_COMPOSITION, "OMFI_ERR: This property must be a Composition")                 \
    X(166, OM_ERR_NOT_TRACK, "OMFI_ERR: This function requires a track, not a mob slot.")           \
    X(167, OM_ERR_EFFECT_NEEDS_MORE_INFO, "OMFI_ERR: Need more information to parse further through an effect") \
    X(168, OM_ERR_BAD_SIMPLE_TRACK, "OMFI_ERR: Bad Simple Track handle")                            \
    X(169, OM_ERR_TRACK_NOT_SEQUENCE, "OMFI_ERR: This track does not contain a sequence, appending is illegal") \
    X(170, OM_ERR_NO_MEMORY, "OMFI_ERR: Memory allocation failed, no more heap memory")             \
    X(171, OM_ERR_INT64_TRUNCATION, "OMFI_ERR: 64-bit truncation error")                            \
    X(172, OM_ERR_INT64_NEGATIVE, "OMFI_ERR: Negative 64-bit number")                               \
    X(173, OM_ERR_INT64_OVERFLOW, "OMFI_ERR: Overflow on a 64-bit operation")                       \
    X(174, OM_ERR_NOT_IN_1X, "OMFI_ERR: Function not available in 1.x compatability mode")         \
    X(175, OM_ERR_NOT_IN_2X, "OMFI_ERR: Function not available in 2.x native mode")                 \
    X(176, OM_ERR_NOT_IMPLEMENTED, "OMFI_ERR: Not Implemented")                                     \
    X(177, OM_ERR_NULL_PARAM, "OMFI_ERR: NULL Actual parameter to function call")                   \
    X(178, OM_ERR_DIVIDE_BY_ZERO, "OMFI_ERR: Divide by zero")                                       \
    X(179, OM_ERR_NEGATIVE_VALUE, "OMFI_ERR: Value should be positive or zero")                     \
    X(180, OM_ERR_INVALID_TRACK_KIND, "OMFI_ERR: Invalid Track Kind")                               \
    X(181, OM_ERR_INVALID_EDGE_CODE_FORMAT, "OMFI_ERR: Invalid Edge Code Format Kind")              \
    X(182, OM_ERR_INVALID_FILM_TYPE, "OMFI_ERR: Invalid Film Type")                                 \
    X(183, OM_ERR_INVALID_MOB_TYPE, "OMFI_ERR: Invalid Mob Type")                                   \
    X(184, OM_ERR_INVALID_TAPE_CASE, "OMFI_ERR: Invalid Tape Case Type")                            \
    X(185, OM_ERR_INVALID_VIDEO_SIGNAL, "OMFI_ERR: Invalid Video Signal Type")                      \
    X(186, OM_ERR_INVALID_TAPE_FORMAT, "OMFI_ERR: Invalid Tape Format Type")                        \
    X(187, OM_ERR_INVALID_EDIT_HINT, "OMFI_ERR: Invalid Effect Edit Hint")                          \
    X(188, OM_ERR_INVALID_INTERPOLATION, "OMFI_ERR: Invalid Effect Interpolation Kind")             \
    X(189, OM_ERR_POSITIVE_RELATIVE_TRACK, "OMFI_ERR: Positive Relative Track Reference not allowed") \
    X(190, OM_ERR_INVALID_OBJECT, "OMFI_ERR: Invalid object for this operation")                    \
    X(191, OM_ERR_VIRTUAL_OBJECT_CREATE, "OMFI_ERR: Creation of virtual objects not allowed")       \
    X(192, OM_ERR_INVALID_CLASS_ID, "OMFI_ERR: Invalid Object Class ID")                            \
    X(193, OM_ERR_INPUT_OBJECT_CHECK, "OMFI_ERR: Failed a semantic check on an input obj")          \
    X(194, OM_ERR_INPUT_DATA_CHECK, "OMFI_ERR: Failed a semantic check on an input data")           \
    X(195, OM_ERR_OUTPUT_DATA_CHECK, "OMFI_ERR: Failed a semantic check on an output data")         \
    X(196, OM_ERR_PROPERTY_TYPE_MISMATCH, "OMFI_ERR: Property and type do not match")               \
    X(197, OM_ERR_INVALID_ATTRIBUTE_KIND, "OMFI_ERR: Invalid Attribute Kind")                       \
    X(198, OM_ERR_MEDIA_SUMMARY_MISMATCH, "OMFI_ERR: Media descriptor summary data does not agree with media") \
    X(199, OM_ERR_MEDIA_CHECK_WARNING, "OMFI_ERR: A semantic check warning occured when checking media") \
    X(200, OM_ERR_INVALID_BOOLEAN, "OMFI_ERR: Invalid Boolean Value")                               \
    X(201, OM_ERR_TABLE_DUPLICATE_KEY, "OMFI_INTERNAL_ERR: Duplicate Key detected in internal table") \
    X(202, OM_ERR_TABLE_MISSING_COMPARE, "OMFI_INTERNAL_ERR: Missing compare function on table")    \
    X(203, OM_ERR_BAD_TABLE, "OMFI_INTERNAL_ERR: Bad table handle")                                 \
    X(204, OM_ERR_BAD_TABLE_ITERATOR, "OMFI_INTERNAL_ERR: Bad table iterator handle")               \
    X(205, OM_ERR_BENTO, "OMFI_ERR: Bento container error")                                         \
    X(206, OM_ERR_NO_BENTO_HANDLER, "OMFI_INTERNAL_ERR: Can't locate Bento handler")                \
    X(207, OM_ERR_PROPERTY_REV_MISMATCH, "OMFI_INTERNAL_ERR: Property ID code doesn't match between revs") \
    X(208, OM_ERR_INTERNAL_DIVISION, "OMFI_ERR: Internal division error")                           \
    X(209, OM_ERR_TEST_FAILED, "OMFI_TESTING_ERR: Test Failed")
// clang-format on

// The named codes, plain integer constants of the error type so that C-style
// callers can compare a returned omfErr_t with them and switch on them.
enum : omfErr_t {
#define OMF_ERROR_CODE_CONSTANT(code, name, text) name = code,
    OMF_ERROR_CODES(OMF_ERROR_CODE_CONSTANT)
#undef OMF_ERROR_CODE_CONSTANT
};
