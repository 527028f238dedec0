// Dispatch by message code.
#include "message_dispatch.h"

#include "frame_map.h"
#include "message_codes.h"
#include "movie_state.h"

#include <cstdint>

namespace {

using Worker = void (*)(QT_Msg& message, MovieLibrary& library);

void Dispose(QT_Msg& state, MovieLibrary&) {
    DisposeMovieState(state);
    state.success = 1;
}

void ReleaseMap(QT_Msg& state, MovieLibrary&) {
    ReleaseFrameSection(state);
    state.success = 1;
}

// Movie reading, writing, codecs and DV are not served by the module yet:
// their messages answer failure.
void NotServedYet(QT_Msg&, MovieLibrary&) {}

struct WorkerEntry {
    uint32_t code;
    Worker worker;
};

constexpr WorkerEntry kWorkers[] = {
    {kCodeTestFormat, &NotServedYet},   {kCodeLoadHeader, &NotServedYet},
    {kCodeLoadFrame, &NotServedYet},    {kCodeDispose, &Dispose},
    {kCodeReleaseMap, &ReleaseMap},     {kCodeSaveHeader, &NotServedYet},
    {kCodeSaveFrame, &NotServedYet},    {kCodeSaveAudio, &NotServedYet},
    {kCodeListCodecs, &NotServedYet},   {kCodeDisposeCodecs, &NotServedYet},
    {kCodeCodecInfo, &NotServedYet},    {kCodeCodecSettings, &NotServedYet},
    {kCodePrefsPreview, &NotServedYet}, {kCodeDVCompress, &NotServedYet},
    {kCodeDVDecompress, &NotServedYet},
};

} // namespace

void DispatchMessage(QT_Msg& message, MovieLibrary& library) {
    message.success = 0;
    for (const WorkerEntry& entry : kWorkers) {
        if (entry.code == message.Code()) {
            entry.worker(message, library);
            return;
        }
    }
}
