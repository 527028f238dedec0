// Registry values and key files naming the movie module's folders.
#pragma once

#include "movie_library.h"

#include "platform/registry.h"

#include <string>

// Values with "QTSysDir" (and, when given, "QTExtDir") set.
inline platform::RegistryValues MovieRegistry(const std::string& systemFolder,
                                              const std::string& extensionFolder = "") {
    std::string text =
        "[" + std::string(kMovieRegistryKey) + "]\n\"QTSysDir\"=\"" + systemFolder + "\"\n";
    if (!extensionFolder.empty()) text += "\"QTExtDir\"=\"" + extensionFolder + "\"\n";
    platform::RegistryValues values;
    size_t line = 0;
    values.Parse(text, line);
    return values;
}

// A reader for MovieThread and TsQTServerApp that gives those values.
inline auto MovieRegistryReader(const std::string& systemFolder) {
    return [systemFolder] { return MovieRegistry(systemFolder); };
}
