// How much the libraries omftool runs in its own process (FFmpeg, through the image writer and
// the host's clips, and the toolkit inside the OMF plug-in) say on standard error.
#pragma once

namespace omftool {

// Quiet unless `verbose`: FFmpeg's warnings ("deprecated pixel format used", once a frame)
// tell a user nothing about their files; at --verbose they show, and FFmpeg's notes too.
void setLibraryLogging(bool verbose);

// The choice setLibraryLogging made, for the toolkit's console lines (toolkit_console.h).
bool libraryLoggingVerbose();

} // namespace omftool
