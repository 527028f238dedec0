// Test helper: libOMF.so, loaded through the host stand-in once per test process and kept.
#pragma once

#include <memory>
#include <string>

#include "no_movie_server.h"
#include "tarsel/system/registry.h"

inline Plugin* LoadedOMFPlugin() {
    static std::string error;
    static std::unique_ptr<Plugin> plugin = [] {
        UseNoMovieServer();
        return Plugin::Load(OMF_PLUGIN_PATH, &error);
    }();
    return plugin.get();
}

inline Registry* OMFFormatClass() {
    return LoadedOMFPlugin() ? ClassRegistry->Find("OMFFormat") : nullptr;
}
