// Dispatch by message code.
#include "message_dispatch.h"

#include "dv_workers.h"
#include "frame_map.h"
#include "message_codes.h"
#include "movie_state.h"
#include "reading_workers.h"
#include "writing_workers.h"

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

struct WorkerEntry {
    uint32_t code;
    Worker worker;
};

constexpr WorkerEntry kWorkers[] = {
    {kCodeTestFormat, &TestFormatWorker},     {kCodeLoadHeader, &LoadHeaderWorker},
    {kCodeLoadFrame, &LoadFrameWorker},       {kCodeDispose, &Dispose},
    {kCodeReleaseMap, &ReleaseMap},           {kCodeSaveHeader, &SaveHeaderWorker},
    {kCodeSaveFrame, &SaveFrameWorker},       {kCodeSaveAudio, &SaveAudioWorker},
    {kCodeListCodecs, &ListCodecsWorker},     {kCodeDisposeCodecs, &DisposeCodecsWorker},
    {kCodeCodecInfo, &CodecInfoWorker},       {kCodeCodecSettings, &CodecSettingsWorker},
    {kCodePrefsPreview, &PrefsPreviewWorker}, {kCodeDVCompress, &DVCompressWorker},
    {kCodeDVDecompress, &DVDecompressWorker},
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
