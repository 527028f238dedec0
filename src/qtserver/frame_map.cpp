// Frame sections.
#include "frame_map.h"

#include "movie_state.h"
#include "server_counters.h"

#include "platform/access_rules.h"
#include "platform/session.h"
#include "tarsel/platform.h"

#include <cstdio>
#include <cstring>

bool CreateFrameSection(QT_Msg& state, size_t size) {
    if (state.section) return true;
    Counters().sectionCount.fetch_add(1);
    const uint32_t session =
        platform::SessionOfProcess(Tarsel::Platform::GetCurrentProcessID()).value_or(0);
    const mode_t mode = platform::FileModeFromSecurityText(kFrameSectionSecurityText)
                            .value_or(platform::kOwnerOnlyMode);
    for (int index = 0; index < kFrameSectionIndices; ++index) {
        char name[64];
        std::snprintf(name, sizeof name, "Local\\TsQTMap%d", index);
        platform::SectionError error;
        auto section = platform::SharedSection::Create(name, session, size, mode, error);
        // A section a killed server left behind is taken over.
        if (error == platform::SectionError::AlreadyExists &&
            platform::ReclaimAbandonedSection(name, session))
            section = platform::SharedSection::Create(name, session, size, mode, error);
        if (error == platform::SectionError::AlreadyExists ||
            error == platform::SectionError::AccessDenied)
            continue; // in use by another state, process or session
        if (!section) return false;
        void* view = section->MapView();
        if (!view) return false;
        std::snprintf(name, sizeof name, "Session\\%u\\TsQTMap%d", session, index);
        std::lock_guard guard(state.sectionLock);
        state.section = std::move(section);
        state.mapView = view;
        state.mapSize = size;
        state.mapName = name;
        return true;
    }
    return false;
}

void ReleaseFrameSection(QT_Msg& state) {
    std::lock_guard guard(state.sectionLock);
    if (!state.section) return;
    state.section.reset(); // unmaps the view and closes the section
    state.mapView = nullptr;
    state.mapSize = 0;
    state.mapName.clear();
}

bool StoreFrameInSection(QT_Msg& state, const void* frame, size_t size) {
    if (state.section && state.mapSize < size) ReleaseFrameSection(state);
    if (!state.section && !CreateFrameSection(state, size)) return false;
    std::memcpy(state.mapView, frame, size);
    return true;
}

bool ReadFrameFromSection(const QT_Msg& state, void* frame, size_t size) {
    if (!state.section || !state.mapView || state.mapSize < size) return false;
    std::memcpy(frame, state.mapView, size);
    return true;
}
