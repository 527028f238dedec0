// Frame sections: a named shared-memory section per state through which
// whole frames pass between the server and its client. Used on the movie
// thread only (the section fields change under the state's sectionLock).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

class QT_Msg;

// Who may use a frame section: full access for the system and
// administrators, read and write for the interactive user.
inline constexpr std::string_view kFrameSectionSecurityText =
    "D:P(A;OICI;GA;;;SY)(A;OICI;GA;;;BA)(A;OICI;GRGW;;;IU)";
// Section indices tried before giving up.
inline constexpr int kFrameSectionIndices = 1000;

// Gives a state without a section one of `size` bytes, named with the first
// free index (a section whose server has died counts as free and is taken
// over), and records its session-qualified name. Answers whether the
// state has a section afterwards; failures are silent (frames then travel
// as memory blocks).
bool CreateFrameSection(QT_Msg& state, size_t size);
// Unmaps and closes the state's section and empties its name. Harmless
// without one.
void ReleaseFrameSection(QT_Msg& state);

// Puts a frame of `size` bytes into the state's section, creating it on first
// use. A frame larger than the section gets a new section of its size, so no
// byte is written past a section's end. Answers false when no section can be
// made (the caller then sends the frame as a memory block).
bool StoreFrameInSection(QT_Msg& state, const void* frame, size_t size);
// Copies `size` bytes of the frame the client left in the section. Answers
// false without copying when the state has no section or it is smaller.
bool ReadFrameFromSection(const QT_Msg& state, void* frame, size_t size);
