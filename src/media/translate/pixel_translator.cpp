// The pixel translator of a video codec's stream: works out, when the
// formats are set, how file pixels become memory pixels (reading) and back
// (writing), then moves whole buffers that way.
#include "media/codec_support/translators.h"

#include "media/codec_support/pixel_description.h"
#include "translate/field_interleave.h"
#include "translate/pixel_conversion.h"

#include "omf/omf_error_codes.h"

#include <cstring>

namespace omf::media {

namespace {

// Same pixels: a copy moves them unchanged.
bool samePixels(const PixelDescription& a, const PixelDescription& b) {
    if (a.pixelFormat != b.pixelFormat || a.pixelBits != b.pixelBits) return false;
    if (a.pixelFormat != kOmfPixRGBA) return true;
    return a.componentOrder == b.componentOrder && a.componentCount == b.componentCount &&
           std::equal(a.componentSizes.begin(), a.componentSizes.begin() + a.componentCount,
                      b.componentSizes.begin());
}

// Changes between a frame and its two fields, which need an even row count.
bool twoFields(FieldChange change) {
    return change == FieldChange::separatedToFrame || change == FieldChange::frameToSeparated;
}

// One direction of the translation, worked out when the formats are set.
struct Direction {
    omfErr_t error = OM_ERR_FORMATS_NOT_SET;
    bool convert = false; // else pixels are copied
    PixelConverter converter;
    FieldChange fields = FieldChange::none;
    int fieldOrder = 0;
    bool rowByRow = false; // fields or a line stride: rows move one by one
    size_t rowPixels = 0, sourceRowBytes = 0, destinationStride = 0;
    size_t sourceGroupBytes = 0, destinationGroupBytes = 0, groupPixels = 1;
};

omfErr_t planDirection(const PixelDescription& source, const PixelDescription& destination,
                       Direction* direction) {
    // The source must be packed rows of whole-byte pixels.
    if (source.lineStride != 0) return OM_ERR_CANNOT_TRANSLATE;
    if (source.pixelBits <= 0 || source.pixelBits % 8 != 0) return OM_ERR_CANNOT_TRANSLATE;
    if (destination.pixelBits <= 0 || destination.pixelBits % 8 != 0)
        return OM_ERR_CANNOT_TRANSLATE;
    const size_t sourcePixelBytes = size_t(source.pixelBits) / 8;
    const size_t destinationPixelBytes = size_t(destination.pixelBits) / 8;

    direction->convert = !samePixels(source, destination);
    if (direction->convert) {
        if (omfErr_t error = direction->converter.prepare(source, destination)) return error;
        direction->groupPixels = direction->converter.groupPixels();
        direction->sourceGroupBytes = direction->converter.sourceGroupBytes();
        direction->destinationGroupBytes = direction->converter.destinationGroupBytes();
    } else {
        direction->groupPixels = 1;
        direction->sourceGroupBytes = sourcePixelBytes;
        direction->destinationGroupBytes = destinationPixelBytes;
    }

    direction->fields = fieldChange(source.fieldLayout(), destination.fieldLayout());
    if (direction->fields == FieldChange::unsupported) return OM_ERR_CANNOT_TRANSLATE;
    direction->fieldOrder = direction->fields == FieldChange::frameToSeparated
                                ? destination.fieldOrder
                                : source.fieldOrder;

    // Rows are as wide as the source's stored width on both sides.
    direction->rowPixels = source.stored.xSize > 0 ? size_t(source.stored.xSize) : 0;
    direction->sourceRowBytes = direction->rowPixels * sourcePixelBytes;
    const size_t destinationRowBytes = direction->rowPixels * destinationPixelBytes;
    direction->destinationStride = destinationRowBytes;
    if (destination.lineStride != 0) {
        if (destination.lineStride < 0 || size_t(destination.lineStride) < destinationRowBytes)
            return OM_ERR_CANNOT_TRANSLATE;
        direction->destinationStride = size_t(destination.lineStride);
    }
    direction->rowByRow = direction->fields != FieldChange::none ||
                          direction->destinationStride != destinationRowBytes;
    if (direction->rowByRow) {
        if (direction->rowPixels == 0 || direction->rowPixels % direction->groupPixels != 0)
            return OM_ERR_CANNOT_TRANSLATE;
    }
    return 0;
}

class PixelTranslator final : public FormatTranslator {
  public:
    omfErr_t setFormats(const StreamFormat& memory, const StreamFormat& file,
                        bool* active) override {
        memory_ = describePixels(memory.list, file.list);
        file_ = describePixels(file.list, memory.list);
        // A direction that cannot be translated reports so when used: the
        // formats may be set one side at a time, and only one direction of
        // a stream is ever used.
        reading_ = Direction{};
        reading_.error = planDirection(file_, memory_, &reading_);
        writing_ = Direction{};
        writing_.error = planDirection(memory_, file_, &writing_);
        if (active != nullptr) {
            *active = !samePixels(memory_, file_) || memory_.fieldLayout() != file_.fieldLayout() ||
                      memory_.lineStride != 0 || file_.lineStride != 0;
        }
        return 0;
    }

    omfErr_t fileBytes(omfInt64 memoryBytes, omfInt64* fileBytes) override {
        return convertCount(memoryBytes, memory_, file_, fileBytes);
    }

    omfErr_t memoryBytes(omfInt64 fileBytes, omfInt64* memoryBytes) override {
        return convertCount(fileBytes, file_, memory_, memoryBytes);
    }

    omfErr_t translate(bool reading, std::span<const uint8_t> in, std::span<uint8_t> out,
                       bool /*swap: every converted component is one byte*/,
                       size_t* produced) override {
        const Direction& direction = reading ? reading_ : writing_;
        if (direction.error != 0) return direction.error;
        size_t needed = 0;
        if (direction.rowByRow) {
            if (in.size() % direction.sourceRowBytes != 0) return OM_ERR_CANNOT_TRANSLATE;
            const size_t rows = in.size() / direction.sourceRowBytes;
            if (twoFields(direction.fields) && rows % 2 != 0) return OM_ERR_CANNOT_TRANSLATE;
            const size_t outRows = destinationRowCount(direction.fields, rows);
            needed = outRows * direction.destinationStride;
            if (out.size() < needed) return OM_ERR_SAMPLE_TOO_LARGE;
            for (size_t row = 0; row < outRows; ++row) {
                const size_t from = sourceRow(direction.fields, row, outRows, direction.fieldOrder);
                moveRun(direction, in.data() + from * direction.sourceRowBytes,
                        out.data() + row * direction.destinationStride, direction.rowPixels);
            }
        } else {
            if (in.size() % direction.sourceGroupBytes != 0) return OM_ERR_CANNOT_TRANSLATE;
            const size_t groups = in.size() / direction.sourceGroupBytes;
            needed = groups * direction.destinationGroupBytes;
            if (out.size() < needed) return OM_ERR_SAMPLE_TOO_LARGE;
            if (groups != 0)
                moveRun(direction, in.data(), out.data(), groups * direction.groupPixels);
        }
        if (produced != nullptr) *produced = needed;
        return 0;
    }

  private:
    // Converts or copies `pixels` contiguous pixels.
    static void moveRun(const Direction& direction, const uint8_t* in, uint8_t* out,
                        size_t pixels) {
        if (direction.convert) {
            direction.converter.convert(in, out, pixels);
        } else {
            std::memcpy(out, in, pixels / direction.groupPixels * direction.sourceGroupBytes);
        }
    }

    // Byte count on the `to` side for `bytes` on the `from` side: by pixel
    // sizes, and by whole rows where a side has a line stride or a single
    // field becomes a frame (or back), which changes the row count.
    static omfErr_t convertCount(omfInt64 bytes, const PixelDescription& from,
                                 const PixelDescription& to, omfInt64* result) {
        if (result == nullptr || bytes < 0) return OM_ERR_CANNOT_TRANSLATE;
        if (from.pixelBits <= 0 || to.pixelBits <= 0) return OM_ERR_CANNOT_TRANSLATE;
        const omfInt64 width = from.stored.xSize > 0 ? from.stored.xSize : to.stored.xSize;
        const bool strided = from.lineStride > 0 || to.lineStride > 0;
        const FieldChange change = fieldChange(from.fieldLayout(), to.fieldLayout());
        const bool sameRows =
            change != FieldChange::oneFieldToFrame && change != FieldChange::frameToOneField;
        if (!strided && sameRows) {
            *result = bytes * 8 / from.pixelBits * to.pixelBits / 8;
            return 0;
        }
        if (width <= 0) return OM_ERR_CANNOT_TRANSLATE;
        const omfInt64 fromRow = from.lineStride > 0 ? from.lineStride : width * from.pixelBits / 8;
        const omfInt64 toRow = to.lineStride > 0 ? to.lineStride : width * to.pixelBits / 8;
        if (fromRow <= 0) return OM_ERR_CANNOT_TRANSLATE;
        *result = omfInt64(destinationRowCount(change, size_t(bytes / fromRow))) * toRow;
        return 0;
    }

    PixelDescription memory_, file_;
    Direction reading_, writing_;
};

} // namespace

std::unique_ptr<FormatTranslator> makePixelTranslator() {
    return std::make_unique<PixelTranslator>();
}

} // namespace omf::media
