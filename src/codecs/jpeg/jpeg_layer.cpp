// The libjpeg glue: source, destination and error managers over the codec
// stream, tables handed to libjpeg, and one image in or out per call.
//
// libjpeg reports errors by calling the error manager's error_exit, which
// must not return; ours jumps back to the layer call that started the work
// (setjmp). The callbacks below keep no objects with destructors alive
// where they may end in that jump.
#include "jpeg/jpeg_layer.h"

#include "omf/omf_codec.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace omf::codecs::jpeg {

namespace {

constexpr size_t kRefillBytes = 4096; // bytes read from the stream per refill
constexpr size_t kReserveBytes = 4;   // kept free before the refilled bytes
constexpr size_t kOutputBytes = 4096; // bytes collected before a stream write
constexpr int kDcMaxSymbols = 16;     // more DC codes than this is a corrupt table
constexpr int kAcMaxSymbols = 256;
constexpr uint8_t kMarkerPrefix = 0xFF;
constexpr uint8_t kAlignmentMarker = 0xD1; // ends the fill after each image
// Images far larger than the picture they belong to are refused before
// decoding: their size comes from the file, and decoding them only costs time.
constexpr long kLargestImageScale = 4;
constexpr long kSmallestImageLimit = 1L << 16; // pixels always allowed
// What libjpeg may allocate for one image (progressive images keep all coefficients).
constexpr long kMemoryLimit = 512L << 20;
constexpr char kMessageSeparator[] = "; "; // between messages answered together

} // namespace

struct JpegLayer::Objects {
    struct ErrorManager {
        jpeg_error_mgr pub;
        std::jmp_buf jump;
        omfErr_t code = 0; // a toolkit code behind the failure, 0 for libjpeg's own
        Objects* owner = nullptr;
    };
    struct SourceManager {
        jpeg_source_mgr pub;
        media::CodecStream* stream = nullptr;
        uint8_t buffer[kReserveBytes + kRefillBytes];
        Objects* owner = nullptr;
    };
    struct DestinationManager {
        jpeg_destination_mgr pub;
        media::CodecStream* stream = nullptr;
        uint8_t buffer[kOutputBytes];
        omfErr_t pending = 0; // the first write failure; later output is dropped
        Objects* owner = nullptr;
    };

    MessageFamily family;
    ErrorManager errors;
    SourceManager source;
    DestinationManager destination;
    jpeg_decompress_struct decompress{};
    jpeg_compress_struct compress{};
    bool decompressReady = false;
    bool compressReady = false;
    std::vector<std::string> messages;
    std::vector<uint8_t> scratchRow;

    explicit Objects(MessageFamily family) : family(family) {}
    ~Objects() {
        if (decompressReady) jpeg_destroy_decompress(&decompress);
        if (compressReady) jpeg_destroy_compress(&compress);
    }
};

namespace {

using Objects = JpegLayer::Objects;

Objects& ownerOf(j_common_ptr cinfo) {
    return *reinterpret_cast<Objects::ErrorManager*>(cinfo->err)->owner;
}

// Ends the current libjpeg work with `text` and `code` (0: libjpeg's own failure).
[[noreturn]] void fail(j_common_ptr cinfo, const char* text, omfErr_t code) {
    Objects& objects = ownerOf(cinfo);
    objects.messages.emplace_back(text);
    objects.errors.code = code;
    std::longjmp(objects.errors.jump, 1);
}

void outputMessage(j_common_ptr cinfo) {
    char text[JMSG_LENGTH_MAX];
    cinfo->err->format_message(cinfo, text);
    ownerOf(cinfo).messages.emplace_back(text);
}

void errorExit(j_common_ptr cinfo) {
    outputMessage(cinfo);
    std::longjmp(ownerOf(cinfo).errors.jump, 1);
}

// --- source manager ---

Objects::SourceManager& sourceOf(j_decompress_ptr cinfo) {
    return *reinterpret_cast<Objects::SourceManager*>(cinfo->src);
}

void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

// Reads the next piece: at most kRefillBytes, and no further than the data's end.
omfErr_t refill(Objects::SourceManager& source, size_t* got, SourceFailure* failure) {
    media::CodecStream& stream = *source.stream;
    omfInt64 length = 0, position = 0;
    *failure = SourceFailure::length;
    if (omfErr_t status = media::streamLength(stream, &length)) return status;
    *failure = SourceFailure::position;
    if (omfErr_t status = media::streamPosition(stream, &position)) return status;
    omfInt64 remaining = length > position ? length - position : 0;
    auto wanted = static_cast<omfInt64>(std::min<omfInt64>(remaining, omfInt64(kRefillBytes)));
    omfInt64 arrived = 0;
    *failure = SourceFailure::read;
    if (wanted > 0) {
        omfErr_t status =
            media::streamRead(stream, source.buffer + kReserveBytes, wanted, &arrived);
        if (status != 0 && status != OM_ERR_END_OF_FILE && status != OM_ERR_READ_PAST_END)
            return status;
    }
    *got = static_cast<size_t>(arrived);
    return 0;
}

boolean fillInputBuffer(j_decompress_ptr cinfo) {
    Objects::SourceManager& source = sourceOf(cinfo);
    size_t got = 0;
    SourceFailure failure = SourceFailure::read;
    omfErr_t status = refill(source, &got, &failure);
    if (status != 0) {
        fail(reinterpret_cast<j_common_ptr>(cinfo),
             sourceFailureText(source.owner->family, failure), status);
    }
    uint8_t* data = source.buffer + kReserveBytes;
    if (got == 0) {
        // The image ends early: decode what arrived as if it ended here.
        source.owner->messages.emplace_back(kPrematureEofWarning);
        data[0] = kMarkerPrefix;
        data[1] = JPEG_EOI;
        got = 2;
    }
    source.pub.next_input_byte = data;
    source.pub.bytes_in_buffer = got;
    return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    jpeg_source_mgr& source = *cinfo->src;
    auto bytes = static_cast<size_t>(count);
    while (bytes > source.bytes_in_buffer) {
        bytes -= source.bytes_in_buffer;
        source.bytes_in_buffer = 0;
        fillInputBuffer(cinfo);
    }
    source.next_input_byte += bytes;
    source.bytes_in_buffer -= bytes;
}

// After an image: the stream goes back to the first byte libjpeg did not
// use, past the fill and alignment marker that end every stored image, so
// that the next image (the second field) starts there.
omfErr_t positionAfterImage(omfHdl_t file, j_decompress_ptr cinfo, media::CodecStream& stream) {
    jpeg_source_mgr& source = *cinfo->src;
    size_t used = 0;
    while (used < source.bytes_in_buffer && source.next_input_byte[used] == kMarkerPrefix)
        ++used;
    if (used > 0 && used < source.bytes_in_buffer &&
        source.next_input_byte[used] == kAlignmentMarker) {
        ++used;
    } else {
        used = 0;
    }
    omfInt64 position = 0;
    OMF_CHECK(file, media::streamPosition(stream, &position));
    omfInt64 unused = static_cast<omfInt64>(source.bytes_in_buffer - used);
    OMF_CHECK(file, media::streamSeek(stream, position - unused));
    source.bytes_in_buffer = 0;
    return 0;
}

// --- destination manager ---

Objects::DestinationManager& destinationOf(j_compress_ptr cinfo) {
    return *reinterpret_cast<Objects::DestinationManager*>(cinfo->dest);
}

void writeOut(Objects::DestinationManager& destination, size_t bytes) {
    if (destination.pending != 0 || bytes == 0) return;
    omfErr_t status =
        media::streamWrite(*destination.stream, destination.buffer, static_cast<omfInt64>(bytes));
    if (status != 0) {
        destination.pending = status;
        destination.owner->messages.emplace_back(kEmitMarkerProblem);
    }
}

void initDestination(j_compress_ptr cinfo) {
    Objects::DestinationManager& destination = destinationOf(cinfo);
    destination.pub.next_output_byte = destination.buffer;
    destination.pub.free_in_buffer = kOutputBytes;
}

boolean emptyOutputBuffer(j_compress_ptr cinfo) {
    Objects::DestinationManager& destination = destinationOf(cinfo);
    writeOut(destination, kOutputBytes);
    initDestination(cinfo);
    return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
    Objects::DestinationManager& destination = destinationOf(cinfo);
    writeOut(destination, kOutputBytes - destination.pub.free_in_buffer);
    initDestination(cinfo);
}

// --- tables ---

// Copies a Huffman table into libjpeg's form, refusing counts that add up
// to more codes than the table class has or than the table holds.
void installHuffman(j_common_ptr cinfo, JHUFF_TBL** slot, const std::vector<uint8_t>& table,
                    int maxSymbols, const char* bogusText) {
    int symbols = 0;
    if (table.size() >= size_t(kHuffmanCounts)) {
        for (int i = 0; i < kHuffmanCounts; ++i)
            symbols += table[size_t(i)];
    }
    if (table.size() < size_t(kHuffmanCounts) || symbols > maxSymbols ||
        table.size() < size_t(kHuffmanCounts + symbols)) {
        fail(cinfo, bogusText, 0);
    }
    if (*slot == nullptr) *slot = jpeg_alloc_huff_table(cinfo);
    JHUFF_TBL& huffman = **slot;
    std::memset(huffman.bits, 0, sizeof(huffman.bits));
    std::memset(huffman.huffval, 0, sizeof(huffman.huffval));
    std::memcpy(huffman.bits + 1, table.data(), kHuffmanCounts);
    std::memcpy(huffman.huffval, table.data() + kHuffmanCounts, size_t(symbols));
    huffman.sent_table = FALSE;
}

void installQuant(j_common_ptr cinfo, JQUANT_TBL** slot, const ComponentTables& tables) {
    if (*slot == nullptr) *slot = jpeg_alloc_quant_table(cinfo);
    JQUANT_TBL& quant = **slot;
    for (int i = 0; i < kQuantEntries; ++i) {
        // A zero step divides by zero when compressing; the smallest step is 1.
        quant.quantval[kZigZagToNatural[size_t(i)]] = std::max<UINT16>(tables.quant[size_t(i)], 1);
    }
    quant.sent_table = FALSE;
}

template <typename Info> void installTables(Info* cinfo, const TableSet& tables) {
    auto* common = reinterpret_cast<j_common_ptr>(cinfo);
    for (int c = 0; c < kComponents; ++c) {
        installQuant(common, &cinfo->quant_tbl_ptrs[c], tables.components[size_t(c)]);
    }
    for (int c = 0; c < 2; ++c) {
        const ComponentTables& component = tables.components[size_t(c)];
        installHuffman(common, &cinfo->dc_huff_tbl_ptrs[c], component.dc, kDcMaxSymbols,
                       kBogusDcCounts);
        installHuffman(common, &cinfo->ac_huff_tbl_ptrs[c], component.ac, kAcMaxSymbols,
                       kBogusAcCount);
    }
}

J_COLOR_SPACE colorSpaceOf(PixelOrder order, bool compressing) {
    switch (order) {
    case PixelOrder::rgba:
        return compressing ? JCS_EXT_RGBX : JCS_EXT_RGBA;
    case PixelOrder::argb:
        return compressing ? JCS_EXT_XRGB : JCS_EXT_ARGB;
    case PixelOrder::bgra:
        return compressing ? JCS_EXT_BGRX : JCS_EXT_BGRA;
    case PixelOrder::abgr:
        return compressing ? JCS_EXT_XBGR : JCS_EXT_ABGR;
    case PixelOrder::rgb:
        break;
    }
    return JCS_RGB;
}

void prepareErrors(Objects& objects, j_common_ptr cinfo) {
    cinfo->err = jpeg_std_error(&objects.errors.pub);
    objects.errors.pub.error_exit = errorExit;
    objects.errors.pub.output_message = outputMessage;
    objects.errors.owner = &objects;
}

bool imageTooLarge(const jpeg_decompress_struct& cinfo, const ImageRows& out) {
    long wanted =
        std::max(long(out.width) * long(out.height) * kLargestImageScale, kSmallestImageLimit);
    return long(cinfo.image_width) * long(cinfo.image_height) > wanted;
}

} // namespace

int bytesPerPixel(PixelOrder order) {
    return order == PixelOrder::rgb ? 3 : 4;
}

const char* sourceFailureText(MessageFamily family, SourceFailure failure) {
    static constexpr const char* kJpegTexts[] = {
        "Problem with calling omcGetLength in omJPEG.c -- line 1340",
        "Problem with calling omcGetStreamPosition in omJPEG.c -- line 1348",
        "Problem with calling omfsSubInt64fromInt64 in omJPEG.c -- line 1356",
        "Problem with calling omfsTruncInt64toUInt32 in omJPEG.c -- line 1364",
        "Problem with calling omcReadStream in omJPEG.c -- line 1374"};
    static constexpr const char* kAvidTexts[] = {
        "Problem with calling omcGetLength in omJPED.c -- line 1011",
        "Problem with calling omcGetStreamPosition in omJPED.c -- line 1019",
        "Problem with calling omfsSubInt64fromInt64 in omJPED.c -- line 1027",
        "Problem with calling omfsTruncInt64toUInt32 in omJPED.c -- line 1035",
        "Problem with calling omcReadStream in omJPED.c -- line 1045"};
    auto index = static_cast<size_t>(failure);
    return family == MessageFamily::avidJpeg ? kAvidTexts[index] : kJpegTexts[index];
}

JpegLayer::JpegLayer(MessageFamily family) : objects_(std::make_unique<Objects>(family)) {}
JpegLayer::~JpegLayer() = default;

const std::vector<std::string>& JpegLayer::messages() const {
    return objects_->messages;
}

void JpegLayer::forgetMessages() {
    objects_->messages.clear();
}

omfErr_t JpegLayer::answerMessages(omfHdl_t file, omfInt32 size, void* buffer) const {
    if (buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (size < omfInt32(sizeof(omfDecodeMessages_t))) OMF_RAISE(file, OM_ERR_BUFFER_TOO_SMALL);
    auto& answer = *static_cast<omfDecodeMessages_t*>(buffer);
    if (answer.text == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (answer.length < 1) OMF_RAISE(file, OM_ERR_BUFFER_TOO_SMALL);
    std::string joined;
    for (const std::string& message : objects_->messages) {
        if (!joined.empty()) joined += kMessageSeparator;
        joined += message;
    }
    const size_t count = std::min(joined.size(), size_t(answer.length) - 1);
    std::memcpy(answer.text, joined.data(), count);
    answer.text[count] = '\0';
    answer.found = !objects_->messages.empty();
    return 0;
}

omfErr_t JpegLayer::decompress(omfHdl_t file, media::CodecStream& stream, const TableSet* tables,
                               const ImageRows& out) {
    Objects& objects = *objects_;
    objects.errors.code = 0;
    if (out.data == nullptr || out.width <= 0 || out.height <= 0)
        OMF_RAISE(file, OM_ERR_NULL_PARAM);
    jpeg_decompress_struct* cinfo = &objects.decompress;
    if (!objects.decompressReady) {
        prepareErrors(objects, reinterpret_cast<j_common_ptr>(cinfo));
        jpeg_create_decompress(cinfo);
        cinfo->mem->max_memory_to_use = kMemoryLimit;
        objects.source.owner = &objects;
        objects.source.pub.init_source = initSource;
        objects.source.pub.fill_input_buffer = fillInputBuffer;
        objects.source.pub.skip_input_data = skipInputData;
        objects.source.pub.resync_to_restart = jpeg_resync_to_restart;
        objects.source.pub.term_source = termSource;
        cinfo->src = &objects.source.pub;
        objects.decompressReady = true;
    }
    objects.source.stream = &stream;
    objects.source.pub.next_input_byte = nullptr;
    objects.source.pub.bytes_in_buffer = 0;
    const int pixelBytes = bytesPerPixel(out.order);

    if (setjmp(objects.errors.jump) != 0) {
        jpeg_abort_decompress(cinfo);
        omfErr_t code = objects.errors.code != 0 ? objects.errors.code : OM_ERR_JPEG_UNSPECIFIED;
        OMF_RAISE(file, code);
    }
    if (tables != nullptr) installTables(cinfo, *tables);
    jpeg_read_header(cinfo, TRUE);
    if (imageTooLarge(*cinfo, out)) {
        fail(reinterpret_cast<j_common_ptr>(cinfo), "Image too large for its picture", 0);
    }
    cinfo->out_color_space = colorSpaceOf(out.order, false);
    jpeg_start_decompress(cinfo);
    if (cinfo->output_components != pixelBytes) {
        fail(reinterpret_cast<j_common_ptr>(cinfo), "Unexpected JPEG component count", 0);
    }
    // Rows the size of the picture go straight into it; others through a
    // row of their own, cut or left short.
    const bool direct = int(cinfo->output_width) == out.width;
    objects.scratchRow.resize(size_t(cinfo->output_width) * size_t(pixelBytes));
    const size_t copyBytes =
        size_t(std::min<int>(int(cinfo->output_width), out.width)) * size_t(pixelBytes);
    while (cinfo->output_scanline < cinfo->output_height) {
        auto row = static_cast<int>(cinfo->output_scanline);
        JSAMPROW target = objects.scratchRow.data();
        if (direct && row < out.height) target = out.data + size_t(row) * out.stride;
        jpeg_read_scanlines(cinfo, &target, 1);
        if (!direct && row < out.height) {
            std::memcpy(out.data + size_t(row) * out.stride, objects.scratchRow.data(), copyBytes);
        }
    }
    jpeg_finish_decompress(cinfo);
    OMF_CHECK(file, positionAfterImage(file, cinfo, stream));
    return 0;
}

omfErr_t JpegLayer::compress(omfHdl_t file, media::CodecStream& stream,
                             const CompressOptions& options, const ImageRows& in) {
    Objects& objects = *objects_;
    objects.messages.clear();
    objects.errors.code = 0;
    if (in.data == nullptr || in.width <= 0 || in.height <= 0) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    jpeg_compress_struct* cinfo = &objects.compress;
    if (!objects.compressReady) {
        prepareErrors(objects, reinterpret_cast<j_common_ptr>(cinfo));
        jpeg_create_compress(cinfo);
        objects.destination.owner = &objects;
        objects.destination.pub.init_destination = initDestination;
        objects.destination.pub.empty_output_buffer = emptyOutputBuffer;
        objects.destination.pub.term_destination = termDestination;
        cinfo->dest = &objects.destination.pub;
        objects.compressReady = true;
    }
    objects.destination.stream = &stream;
    objects.destination.pending = 0;
    const TableSet& tables = options.tables != nullptr ? *options.tables : annexKTables();

    if (setjmp(objects.errors.jump) != 0) {
        jpeg_abort_compress(cinfo);
        omfErr_t code = objects.errors.code != 0 ? objects.errors.code : OM_ERR_JPEG_UNSPECIFIED;
        OMF_RAISE(file, code);
    }
    cinfo->image_width = JDIMENSION(in.width);
    cinfo->image_height = JDIMENSION(in.height);
    cinfo->input_components = bytesPerPixel(in.order);
    cinfo->in_color_space = colorSpaceOf(in.order, true);
    jpeg_set_defaults(cinfo);
    jpeg_set_colorspace(cinfo, JCS_YCbCr);
    cinfo->comp_info[0].h_samp_factor = options.horizontalSubsampling == 1 ? 1 : 2;
    cinfo->comp_info[0].v_samp_factor = 1;
    for (int c = 0; c < kComponents; ++c) {
        // Abbreviated images are read with tables stored apart from them, which
        // hold one chrominance table for both colour-difference components.
        cinfo->comp_info[c].quant_tbl_no = options.writeTables ? c : std::min(c, 1);
        cinfo->comp_info[c].dc_tbl_no = c == 0 ? 0 : 1;
        cinfo->comp_info[c].ac_tbl_no = c == 0 ? 0 : 1;
    }
    installTables(cinfo, tables);
    if (!options.writeTables) jpeg_suppress_tables(cinfo, TRUE);
    jpeg_start_compress(cinfo, options.writeTables ? TRUE : FALSE);
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW row = in.data + size_t(cinfo->next_scanline) * in.stride;
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    if (objects.destination.pending != 0) OMF_RAISE(file, objects.destination.pending);
    if (!options.alignEnd) return 0;

    // Fill up to two bytes before a 4-byte boundary, then the end marker.
    omfInt64 position = 0;
    if (omfErr_t status = media::streamPosition(stream, &position)) {
        objects.messages.emplace_back(kBadAlignmentCheck);
        OMF_RAISE(file, status);
    }
    uint8_t tail[5] = {kMarkerPrefix, kMarkerPrefix, kMarkerPrefix, kMarkerPrefix, kMarkerPrefix};
    omfInt64 fill = (4 - (position + 2) % 4) % 4;
    tail[fill + 1] = kAlignmentMarker;
    if (omfErr_t status = media::streamWrite(stream, tail, fill + 2)) {
        objects.messages.emplace_back(kBadAlignmentPadding);
        OMF_RAISE(file, status);
    }
    return 0;
}

} // namespace omf::codecs::jpeg
