// HostPath: the file on this system that a path written on another one names.
#pragma once

#include <string>

// Environment variable prefix naming the folder that stands for a drive letter: with
// TARSEL_DRIVE_C=/mnt/media, "C:\Clips\a.png" is read as "/mnt/media/Clips/a.png".
inline constexpr const char* HostDriveVariablePrefix = "TARSEL_DRIVE_";

// Paths of external media often come from Windows: C:\Media\shot.0001.png, \\server\share\a.mov,
// Media\a.mov. A path that names an existing file as it stands is kept. Otherwise backslashes
// become slashes, a leading drive letter "X:" is replaced by the folder TARSEL_DRIVE_X names (or
// dropped, so the rest reads from the root), and, since Windows names ignore case, each part
// that does not exist as written is matched without regard to case among the entries of its
// folder (an exact match first, else the first such name in sorted order). Answers the path
// found, or the translated path when no file matches.
std::string ResolveHostPath(const std::string& path);
