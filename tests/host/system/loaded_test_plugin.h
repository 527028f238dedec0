// Test helper: the test format plug-in, loaded once per test process and kept until its end.
#pragma once

#include <memory>
#include <string>

#include "tarsel/system/registry.h"

inline Plugin* LoadedTestPlugin() {
    static std::string error;
    static std::unique_ptr<Plugin> plugin = Plugin::Load(TEST_PLUGIN_PATH, &error);
    return plugin.get();
}
