// QT_Msg: a client's movie state, which is also the request message the
// handlers hand to the movie thread.
#pragma once

#include "message_port.h"

#include "platform/shared_section.h"
#include "tarsel/script_object.h"
#include "tarsel/ts_id.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

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

// Frees everything the state holds; the state itself stays usable.
void DisposeMovieState(QT_Msg& state);
