// QT_Msg: a client's movie state, which is also the request message the
// handlers hand to the movie thread.
#pragma once

#include "message_port.h"

#include "movie/movie_services.h"
#include "platform/shared_section.h"
#include "tarsel/script_object.h"
#include "tarsel/script_val.h"
#include "tarsel/ts_id.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// The module-side objects of a movie open for reading and of one open for
// writing. Each is defined by the code that uses it; the deleters free what
// the module holds for it.
struct ReadingMovie;
struct WritingMovie;
struct ReadingMovieDeleter {
    void operator()(ReadingMovie* movie) const;
};
struct WritingMovieDeleter {
    void operator()(WritingMovie* movie) const;
};

// One entry of the module's codec list.
struct CodecListEntry {
    void* component = nullptr; // the module's codec component
    uint32_t codecType = 0;    // four characters, first in the high byte
    std::string name;
};

// Pixel format codes of delivered frames, four characters (first in the high
// byte) or a depth.
inline constexpr uint32_t kPixelFormatRGB24 = 24;
inline constexpr uint32_t kPixelFormatARGB32 = 32;
// The codec type a new state writes with.
inline constexpr uint32_t kDefaultCodecType = movie::FourCharCode("cvid");
// Time units per second of a state's requested times, unless writing sets
// its own.
inline constexpr int32_t kDefaultStateTimeScale = 1000000;

// A codec's identifier: its name, "_", and its four-character type.
std::string CodecIdentifier(std::string_view name, uint32_t codecType);
// A four-character code as its text.
std::string FourCharText(uint32_t code);
// The pixel format a PixelFormat name stands for; 0 for any other name.
uint32_t PixelFormatFromName(std::string_view name);

class QT_Msg : public TsQTMessage {
  public:
    QT_Msg();
    // Disposes what the state still holds.
    ~QT_Msg() override;

    // Set by the worker that handled the message when its work succeeded.
    uint8_t success = 0;
    // A call detached from its handler, answered by the movie thread.
    std::unique_ptr<ScriptArgs> deferredReply;

    TsID fileName;
    // True while the state holds an open movie (for reading or writing).
    bool movieOpen = false;
    // True once SaveHeader has made the state a writing one.
    bool writing = false;
    // The movie open for reading, and the one open for writing.
    std::unique_ptr<ReadingMovie, ReadingMovieDeleter> readingMovie;
    std::unique_ptr<WritingMovie, WritingMovieDeleter> writingMovie;

    // Frame positioning: the frame and media time the movie stands at and
    // that sample's duration; the requested frame number and time (-1: none).
    int64_t currentFrame = 0;
    int64_t currentTime = 0;
    int64_t currentDuration = 0;
    int32_t requestedFrame = 0;
    int64_t requestedTime = -1;
    // Frames are counted by media samples (the track's own steps found fewer
    // than two), and, when no sample time can be found, by proportion.
    bool sampleCountMode = false;
    bool proportionalMode = false;
    // Units per second of requested times.
    int32_t timeScale = kDefaultStateTimeScale;

    // Attributes (script keys in GetStateAttrs).
    int32_t width = 0;
    int32_t height = 0;
    int32_t depth = 0;
    double xScale = 1.0;
    double yScale = 1.0;
    uint32_t numFrames = 0;
    double rate = 0.0;
    int32_t useVideoTrack = 1;
    int32_t maxVideoTrack = 0;
    TsID codecID;
    uint32_t pixelFormat = 0;
    uint32_t pixMapPixelFormat = 0;
    uint32_t rowModulo = 0;
    // Writing settings.
    int32_t keyRate = 15;
    bool doDataRate = false;
    int32_t dataRate = 300; // KiB per second
    int32_t quality = 75;
    int32_t frameRate = 0; // frames per second x 1000
    bool doAlpha = true;
    bool doFastStart = false;
    // Audio.
    int32_t numChannels = 0;
    int32_t sampleBits = 0;
    int32_t sampleRate = 0;
    // DV field order handling.
    int32_t separateFields = 0;
    // Colour parameter codes (-1: none) and gamma.
    int32_t primaries = -1;
    int32_t transfer = -1;
    int32_t matrix = -1;
    double gamma = 0.0;

    // The codec: its type, component and opaque settings; the module's codec
    // list while a request holds it.
    uint32_t codecType = kDefaultCodecType;
    void* codecComponent = nullptr;
    std::vector<uint8_t> codecSettings;
    std::vector<CodecListEntry> codecList;
    // The last PixelFormat name given.
    TsID pixelFormatName;
    // Frame metadata, nil when there is none.
    ScriptVal metadata;
    // The memory blocks of the current call: frame bytes and audio in, the
    // slot for frame bytes out, and the audio sample count.
    const ScriptVal* rawDataIn = nullptr;
    const ScriptVal* rawAudioIn = nullptr;
    ScriptVal* rawDataOut = nullptr;
    int32_t numSamples = 0;
    // Bytes of one compressed frame.
    uint32_t compressedSize = 0;

    // The frame section: the section, its mapped view, its size and the name
    // reported to the client. Created, filled and released on the movie
    // thread; handlers read the name and size while the movie thread may
    // change them, so changes and those reads hold sectionLock.
    std::mutex sectionLock; // guards section, mapView, mapSize, mapName
    std::unique_ptr<platform::SharedSection> section;
    void* mapView = nullptr;
    size_t mapSize = 0;
    std::string mapName;

    // True while the client's first reference (the one NewState hands out
    // and ReleaseState drops) is held.
    std::atomic<bool> creationReferenceHeld{false};
};

// Frees everything the state holds: finishes and frees a movie being
// written, frees a movie being read, releases the frame section. The state
// itself stays usable.
void DisposeMovieState(QT_Msg& state);
