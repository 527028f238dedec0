// Names of the shared-memory sections the movie server hands frames over in.
//
// Sections are known by names of the form "Local\NAME" (the creating
// process's session), "Session\N\NAME" (session N) and "Global\NAME"; a bare
// "NAME" is local. NAME is 1 to kMaxSectionBaseName characters out of
// letters, digits, '_', '-' and '.'. Each name maps one to one onto a POSIX
// shared-memory object ("/tarsel.Session.N.NAME", "/tarsel.Global.NAME"), so
// "Local\NAME" and "Session\N\NAME" of a process in session N are one
// section, and a client opens by the name the creator reports. The server
// creates the sections and the host opens them, so the mapping lives here,
// in the library both link.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Tarsel {

inline constexpr size_t kMaxSectionBaseName = 200;

// The POSIX shared-memory name of a section name; `ownSession` completes
// local names. Nothing for a name outside the form above.
std::optional<std::string> SectionObjectName(std::string_view sectionName, uint32_t ownSession);

// Whether `sectionName` names its session itself ("Session\N\NAME" or
// "Global\NAME"), so that any process maps it to the same object.
bool IsQualifiedSectionName(std::string_view sectionName);

} // namespace Tarsel
