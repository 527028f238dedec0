// The standard stream procedures: media data kept as a value of the OMF
// file's container, or in an external raw file reached through the "OMFI"
// file stream handler.
//
// Each open stream owns one data source (its procedureState); the procedures
// check their arguments and hand the work to it. Container values are read
// and written with the container calls directly, so a frame moves in one
// call without an intermediate copy.
#include "container/cm_api.h"
#include "container/cm_handlers.h"
#include "container/omfi_handlers.h"
#include "media/codec_support/codec_stream.h"
#include "media/internal/media_records.h"
#include "omf/internal/access_support.h"
#include "omf/internal/error_flow.h"
#include "omf/internal/records.h"

#include <algorithm>
#include <memory>
#include <new>

namespace omf::media {

namespace {

// Turns a container error pending on `file` (or its session) into `code`:
// the "<Bento ...>" line is printed and `code` raised. The caller gets the
// code back, so the error no longer stays pending (it would fail every later
// call on the file); its message is kept on the session for callers that
// show it. Answers 0 when no error is pending.
omfErr_t takeContainerError(omfHdl_t file, omfErr_t code, int line) {
    omfErr_t status = checkBentoError(file, nullptr, code, __FILE__, line);
    if (status == 0 || !validFile(file)) return status;
    CMBentoErrorRecord& sessionError = file->session->bentoHandler.defaultError;
    if (file->bentoError.pending) sessionError = file->bentoError;
    sessionError.pending = false;
    file->bentoError.pending = false;
    return status;
}

// The data behind one open stream.
class DataSource {
  public:
    virtual ~DataSource() = default;
    virtual omfErr_t write(const void* buffer, omfInt64 bytes) = 0;
    virtual omfErr_t read(void* buffer, omfInt64 bytes, omfInt64* bytesRead) = 0;
    virtual omfErr_t seek(omfInt64 position) = 0;
    virtual omfErr_t length(omfInt64* length) = 0;
    virtual omfErr_t truncate() = 0;
    virtual omfErr_t close() = 0;
    virtual omfErr_t position(omfInt64* position) = 0;
    virtual omfErr_t flush() = 0;
};

// A value (object, property, type) of the data file's container.
class ContainerValueSource final : public DataSource {
  public:
    ContainerValueSource(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                         CMValue value)
        : file_(file), object_(object), property_(property), type_(type), value_(value) {}

    omfErr_t write(const void* buffer, omfInt64 bytes) override {
        CMSize written = CMWriteValueData(value_, buffer, static_cast<CMSize>(position_),
                                          static_cast<CMSize>(bytes));
        position_ += static_cast<omfInt64>(written);
        if (written < static_cast<CMSize>(bytes)) {
            // A container error says why; the caller learns that the data stopped short.
            if (omfErr_t status = takeContainerError(file_, OM_ERR_END_OF_FILE, __LINE__))
                return status;
            OMF_RAISE(file_, OM_ERR_END_OF_FILE);
        }
        return 0;
    }

    omfErr_t read(void* buffer, omfInt64 bytes, omfInt64* bytesRead) override {
        auto size = static_cast<omfInt64>(CMGetValueSize(value_));
        omfInt64 available = std::clamp<omfInt64>(size - position_, 0, bytes);
        CMSize got = 0;
        if (available > 0) {
            got = CMReadValueData(value_, buffer, static_cast<CMSize>(position_),
                                  static_cast<CMSize>(available));
        }
        position_ += static_cast<omfInt64>(got);
        *bytesRead = static_cast<omfInt64>(got);
        if (omfErr_t status = takeContainerError(file_, OM_ERR_BENTO, __LINE__)) return status;
        if (static_cast<omfInt64>(got) < bytes) OMF_RAISE(file_, OM_ERR_READ_PAST_END);
        return 0;
    }

    omfErr_t seek(omfInt64 position) override {
        position_ = position;
        return 0;
    }

    omfErr_t length(omfInt64* length) override {
        *length = static_cast<omfInt64>(CMGetValueSize(value_));
        return 0;
    }

    // Drops the value's data from the position on. The value is looked up
    // again by its codes, as any property access does.
    omfErr_t truncate() override {
        CMProperty property = nullptr;
        CMType type = nullptr;
        int flag = 0;
        OMF_CHECK(file_, lookupProperty(file_, property_, &property));
        OMF_CHECK(file_, lookupType(file_, type_, &type, &flag));
        if (property == nullptr || type == nullptr || CMCountValues(object_, property, type) == 0)
            OMF_RAISE(file_, OM_ERR_PROPERTY_MISSING);
        CMValue value = CMUseValue(object_, property, type);
        if (value == nullptr) OMF_RAISE(file_, OM_ERR_PROPERTY_MISSING);
        CMSize size = CMGetValueSize(value);
        auto from = static_cast<CMSize>(position_);
        if (from < size) CMDeleteValueData(value, from, size - from);
        if (omfErr_t status = takeContainerError(file_, OM_ERR_BENTO, __LINE__)) return status;
        return 0;
    }

    omfErr_t close() override { return 0; }

    omfErr_t position(omfInt64* position) override {
        *position = position_;
        return 0;
    }

    omfErr_t flush() override { return 0; }

  private:
    omfHdl_t file_;
    omfObject_t object_;
    omfProperty_t property_;
    omfType_t type_;
    CMValue value_;
    omfInt64 position_ = 0;
};

// The "OMFI" handler's stream routines a raw file is kept through.
struct FileStreamRoutines {
    CMOpenStreamHandler open = nullptr;
    CMCloseStreamHandler close = nullptr;
    CMFlushStreamHandler flush = nullptr;
    CMSetPosStreamHandler seek = nullptr;
    CMGetPosStreamHandler tell = nullptr;
    CMReadStreamHandler read = nullptr;
    CMWriteStreamHandler write = nullptr;
    CMEofStreamHandler eof = nullptr;
    CMTruncateStreamHandler truncate = nullptr;
    CMSizeStreamHandler size = nullptr;
};

template <typename Routine> Routine routineOf(CMMetaHandler handler, const char* operationType) {
    return reinterpret_cast<Routine>(handler(nullptr, operationType));
}

FileStreamRoutines fileStreamRoutines(CMMetaHandler handler) {
    FileStreamRoutines routines;
    routines.open = routineOf<CMOpenStreamHandler>(handler, CMOpenOpType);
    routines.close = routineOf<CMCloseStreamHandler>(handler, CMCloseOpType);
    routines.flush = routineOf<CMFlushStreamHandler>(handler, CMFlushOpType);
    routines.seek = routineOf<CMSetPosStreamHandler>(handler, CMSeekOpType);
    routines.tell = routineOf<CMGetPosStreamHandler>(handler, CMTellOpType);
    routines.read = routineOf<CMReadStreamHandler>(handler, CMReadOpType);
    routines.write = routineOf<CMWriteStreamHandler>(handler, CMWriteOpType);
    routines.eof = routineOf<CMEofStreamHandler>(handler, CMEofOpType);
    routines.truncate = routineOf<CMTruncateStreamHandler>(handler, CMTruncOpType);
    routines.size = routineOf<CMSizeStreamHandler>(handler, CMSizeOpType);
    return routines;
}

// An external raw file. The refCon is released by the handler's close,
// which runs at the latest when the source goes away.
class RawFileSource final : public DataSource {
  public:
    RawFileSource(omfHdl_t file, const FileStreamRoutines& routines, CMRefCon refCon)
        : file_(file), routines_(routines), refCon_(refCon) {}
    ~RawFileSource() override {
        if (refCon_ != nullptr) routines_.close(refCon_);
    }
    RawFileSource(const RawFileSource&) = delete;
    RawFileSource& operator=(const RawFileSource&) = delete;

    omfErr_t write(const void* buffer, omfInt64 bytes) override {
        if (routines_.write == nullptr) OMF_RAISE(file_, OM_ERR_NULL_STREAM_CALLBACK);
        CMCount written = routines_.write(refCon_, buffer, 1, static_cast<CMCount>(bytes));
        if (written < static_cast<CMCount>(bytes)) OMF_RAISE(file_, OM_ERR_END_OF_FILE);
        return 0;
    }

    omfErr_t read(void* buffer, omfInt64 bytes, omfInt64* bytesRead) override {
        if (routines_.read == nullptr) OMF_RAISE(file_, OM_ERR_NULL_STREAM_CALLBACK);
        CMSize got = routines_.read(refCon_, buffer, 1, static_cast<CMCount>(bytes));
        *bytesRead = static_cast<omfInt64>(std::min<CMSize>(got, static_cast<CMSize>(bytes)));
        if (*bytesRead < bytes) OMF_RAISE(file_, OM_ERR_END_OF_FILE);
        return 0;
    }

    omfErr_t seek(omfInt64 position) override {
        if (routines_.seek == nullptr) OMF_RAISE(file_, OM_ERR_NULL_STREAM_CALLBACK);
        if (routines_.seek(refCon_, static_cast<CMSize>(position), kCMSeekSet) != 0)
            OMF_RAISE(file_, OM_ERR_BENTO);
        return 0;
    }

    // The handler has no length of its own here: remember the position, go
    // to the end, take the position there and come back.
    omfErr_t length(omfInt64* length) override {
        if (routines_.seek == nullptr || routines_.tell == nullptr)
            OMF_RAISE(file_, OM_ERR_NULL_STREAM_CALLBACK);
        CMSize current = routines_.tell(refCon_);
        if (routines_.seek(refCon_, 0, kCMSeekEnd) != 0) OMF_RAISE(file_, OM_ERR_BENTO);
        CMSize end = routines_.tell(refCon_);
        if (routines_.seek(refCon_, current, kCMSeekSet) != 0) OMF_RAISE(file_, OM_ERR_BENTO);
        *length = static_cast<omfInt64>(end);
        return 0;
    }

    omfErr_t truncate() override { return 0; } // external files keep their length

    omfErr_t close() override {
        if (routines_.close == nullptr) OMF_RAISE(file_, OM_ERR_NULL_STREAM_CALLBACK);
        CMRefCon refCon = refCon_;
        refCon_ = nullptr;
        routines_.close(refCon); // writes what is buffered and releases the refCon
        return 0;
    }

    omfErr_t position(omfInt64* position) override {
        if (routines_.tell == nullptr) OMF_RAISE(file_, OM_ERR_NULL_STREAM_CALLBACK);
        *position = static_cast<omfInt64>(routines_.tell(refCon_));
        return 0;
    }

    omfErr_t flush() override {
        if (routines_.flush != nullptr && routines_.flush(refCon_) != 0)
            OMF_RAISE(file_, OM_ERR_END_OF_FILE);
        return 0;
    }

  private:
    omfHdl_t file_;
    FileStreamRoutines routines_;
    CMRefCon refCon_;
};

// The file the procedures report against: the one holding the data.
omfHdl_t dataFileOf(const CodecStream& stream) {
    return stream.dataFile != nullptr ? stream.dataFile : stream.file;
}

DataSource* sourceOf(const CodecStream& stream) {
    return static_cast<DataSource*>(stream.procedureState.get());
}

const char* rawFileMode(omfMediaOpenMode_t mode) {
    switch (mode) {
    case kMediaCreated:
        return "wb+";
    case kMediaOpenAppend:
        return "rb+"; // keeps what is there, so that samples can be appended
    default:
        return "rb";
    }
}

omfErr_t openRawFile(CodecStream& stream, omfHdl_t dataFile) {
    omfSessionHdl_t session = dataFile->session;
    CMMetaHandler handler = validSession(session) && session->bento != nullptr
                                ? CMGetMetaHandler(session->bento, CMFileStreamTypeName)
                                : nullptr;
    if (handler == nullptr) OMF_RAISE(dataFile, OM_ERR_NO_BENTO_HANDLER);
    FileStreamRoutines routines = fileStreamRoutines(handler);
    if (routines.open == nullptr || routines.close == nullptr)
        OMF_RAISE(dataFile, OM_ERR_NO_BENTO_HANDLER);
    CMRefCon refCon =
        CMCreateFileRefCon(session->bento, dataFile->rawFileName.c_str(), nullptr, dataFile);
    if (refCon == nullptr) OMF_RAISE(dataFile, OM_ERR_NO_MEMORY);
    std::shared_ptr<RawFileSource> source;
    try {
        source = std::make_shared<RawFileSource>(dataFile, routines, refCon);
    } catch (const std::bad_alloc&) {
        CMDisposeFileRefCon(refCon);
        OMF_RAISE(dataFile, OM_ERR_NO_MEMORY);
    }
    omfMediaOpenMode_t mode = stream.media != nullptr ? stream.media->openMode : kMediaNotOpen;
    if (routines.open(refCon, rawFileMode(mode)) == nullptr) {
        // The handler reported the file's name and the system's reason.
        if (omfErr_t status = takeContainerError(dataFile, OM_ERR_FILE_OPEN, __LINE__))
            return status;
        OMF_RAISE(dataFile, OM_ERR_FILE_OPEN);
    }
    stream.procedureState = std::static_pointer_cast<DataSource>(source);
    return 0;
}

omfErr_t openContainerValue(CodecStream& stream, omfHdl_t dataFile, omfObject_t dataObject,
                            omfProperty_t property, omfType_t type) {
    if (dataObject == nullptr) OMF_RAISE(dataFile, OM_ERR_NULL_OBJECT);
    CMProperty propertyObject = nullptr;
    CMType typeObject = nullptr;
    int flag = 0;
    OMF_CHECK(dataFile, lookupProperty(dataFile, property, &propertyObject));
    OMF_CHECK(dataFile, lookupType(dataFile, type, &typeObject, &flag));
    bool present = propertyObject != nullptr && typeObject != nullptr &&
                   CMCountValues(dataObject, propertyObject, typeObject) != 0;
    omfMediaOpenMode_t mode = stream.media != nullptr ? stream.media->openMode : kMediaNotOpen;
    bool writing = mode == kMediaCreated || mode == kMediaOpenAppend;
    CMValue value = nullptr;
    if (present) {
        value = CMUseValue(dataObject, propertyObject, typeObject);
    } else if (writing && propertyObject != nullptr && typeObject != nullptr) {
        value = CMNewValue(dataObject, propertyObject, typeObject);
        if (omfErr_t status = takeContainerError(dataFile, OM_ERR_BENTO, __LINE__)) return status;
    }
    // Media read from a file must have its data value.
    if (value == nullptr) OMF_RAISE(dataFile, OM_ERR_NULL_PARAM);
    try {
        stream.procedureState =
            std::make_shared<ContainerValueSource>(dataFile, dataObject, property, type, value);
    } catch (const std::bad_alloc&) {
        OMF_RAISE(dataFile, OM_ERR_NO_MEMORY);
    }
    return 0;
}

// ---- the procedures ----

omfErr_t openProcedure(CodecStream& stream, omfObject_t dataObject, omfProperty_t property,
                       omfType_t type) {
    omfHdl_t dataFile = dataFileOf(stream);
    if (!validFile(dataFile)) return OM_ERR_BAD_FILE_HANDLE;
    stream.procedureState.reset();
    if (dataFile->rawFile) {
        OMF_CHECK(dataFile, openRawFile(stream, dataFile));
    } else {
        OMF_CHECK(dataFile, openContainerValue(stream, dataFile, dataObject, property, type));
    }
    return 0;
}

// The source of an open stream, or the error answered without one.
omfErr_t openSource(const CodecStream& stream, DataSource** source) {
    omfHdl_t dataFile = dataFileOf(stream);
    if (!validFile(dataFile)) return OM_ERR_BAD_FILE_HANDLE;
    *source = sourceOf(stream);
    if (*source == nullptr) OMF_RAISE(dataFile, OM_ERR_STREAM_NOT_OPEN);
    return 0;
}

omfErr_t writeProcedure(CodecStream& stream, const void* buffer, omfInt64 bytes) {
    DataSource* source = nullptr;
    OMF_CHECK(dataFileOf(stream), openSource(stream, &source));
    if (buffer == nullptr) OMF_RAISE(dataFileOf(stream), OM_ERR_NULL_DATA_ADDRESS);
    if (bytes < 0) OMF_RAISE(dataFileOf(stream), OM_ERR_NEGATIVE_VALUE);
    if (bytes == 0) return 0;
    OMF_CHECK(dataFileOf(stream), source->write(buffer, bytes));
    return 0;
}

omfErr_t readProcedure(CodecStream& stream, void* buffer, omfInt64 bytes, omfInt64* bytesRead) {
    DataSource* source = nullptr;
    OMF_CHECK(dataFileOf(stream), openSource(stream, &source));
    if (buffer == nullptr) OMF_RAISE(dataFileOf(stream), OM_ERR_NULL_DATA_ADDRESS);
    if (bytesRead == nullptr) OMF_RAISE(dataFileOf(stream), OM_ERR_NULL_PARAM);
    *bytesRead = 0;
    if (bytes < 0) OMF_RAISE(dataFileOf(stream), OM_ERR_NEGATIVE_VALUE);
    if (bytes == 0) return 0;
    OMF_CHECK(dataFileOf(stream), source->read(buffer, bytes, bytesRead));
    return 0;
}

omfErr_t seekProcedure(CodecStream& stream, omfInt64 position) {
    DataSource* source = nullptr;
    OMF_CHECK(dataFileOf(stream), openSource(stream, &source));
    if (position < 0) OMF_RAISE(dataFileOf(stream), OM_ERR_NEGATIVE_VALUE);
    OMF_CHECK(dataFileOf(stream), source->seek(position));
    return 0;
}

omfErr_t lengthProcedure(CodecStream& stream, omfInt64* length) {
    DataSource* source = nullptr;
    OMF_CHECK(dataFileOf(stream), openSource(stream, &source));
    if (length == nullptr) OMF_RAISE(dataFileOf(stream), OM_ERR_NULL_PARAM);
    OMF_CHECK(dataFileOf(stream), source->length(length));
    return 0;
}

omfErr_t truncateProcedure(CodecStream& stream) {
    DataSource* source = nullptr;
    OMF_CHECK(dataFileOf(stream), openSource(stream, &source));
    OMF_CHECK(dataFileOf(stream), source->truncate());
    return 0;
}

omfErr_t closeProcedure(CodecStream& stream) {
    omfHdl_t dataFile = dataFileOf(stream);
    // Whatever happens, the source goes with the stream.
    std::shared_ptr<void> state = std::move(stream.procedureState);
    if (!validFile(dataFile)) return OM_ERR_BAD_FILE_HANDLE;
    auto* source = static_cast<DataSource*>(state.get());
    if (source == nullptr) OMF_RAISE(dataFile, OM_ERR_STREAM_NOT_OPEN);
    OMF_CHECK(dataFile, source->close());
    return 0;
}

omfErr_t positionProcedure(CodecStream& stream, omfInt64* position) {
    DataSource* source = nullptr;
    OMF_CHECK(dataFileOf(stream), openSource(stream, &source));
    if (position == nullptr) OMF_RAISE(dataFileOf(stream), OM_ERR_NULL_PARAM);
    OMF_CHECK(dataFileOf(stream), source->position(position));
    return 0;
}

omfErr_t flushProcedure(CodecStream& stream) {
    DataSource* source = nullptr;
    OMF_CHECK(dataFileOf(stream), openSource(stream, &source));
    OMF_CHECK(dataFileOf(stream), source->flush());
    return 0;
}

constexpr StreamProcedures kStandardProcedures{
    openProcedure,     writeProcedure, readProcedure,     seekProcedure,  lengthProcedure,
    truncateProcedure, closeProcedure, positionProcedure, flushProcedure,
};

} // namespace

const StreamProcedures& standardStreamProcedures() {
    return kStandardProcedures;
}

} // namespace omf::media
