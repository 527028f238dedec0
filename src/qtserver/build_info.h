// What this build of the server calls itself.
#pragma once

// The version the crash handler records.
inline constexpr const char kServerVersionText[] = "8.0.0.16";
// The build text of the configuration and the report.
inline constexpr const char kServerBuildText[] = "build 16";

// The build's date and time: "Mmm dd yyyy hh:mm:ss".
const char* ServerBuildDate();
