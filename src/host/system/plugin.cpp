// Loading and unloading plug-in libraries with dlopen.
#include <dlfcn.h>

#include <mutex>

#include "plugin_loading.h"
#include "tarsel/system/registry.h"

namespace {

// Loads run one at a time so that every class registered meanwhile belongs to that plug-in.
std::mutex PluginLoadLock;
thread_local const void* LoadingPlugin = nullptr;

void SetError(std::string* error, std::string text) {
    if (error) *error = std::move(text);
}

} // namespace

const void* PluginBeingLoaded() {
    return LoadingPlugin;
}

std::unique_ptr<Plugin> Plugin::Load(const std::string& path, std::string* error) {
    std::lock_guard guard(PluginLoadLock);
    if (void* already = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD)) {
        dlclose(already);
        SetError(error, "plug-in already loaded: " + path);
        return nullptr;
    }
    std::unique_ptr<Plugin> plugin(new Plugin);
    plugin->m_Path = path;
    LoadingPlugin = plugin.get();
    plugin->m_Handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    LoadingPlugin = nullptr;
    if (!plugin->m_Handle) {
        const char* reason = dlerror();
        SetError(error, reason ? reason : "cannot load " + path);
        return nullptr;
    }
    plugin->m_Classes = ClassRegistry->OwnedBy(plugin.get());
    if (plugin->m_Classes.empty()) {
        SetError(error, "plug-in registers no class: " + path);
        return nullptr; // the destructor unloads it
    }
    for (Registry* registry : plugin->m_Classes)
        registry->Initialise();
    return plugin;
}

Plugin::~Plugin() {
    bool objectsAlive = false;
    for (Registry* registry : m_Classes) {
        registry->Cleanup();
        if (registry->LiveObjects() > 0) objectsAlive = true;
    }
    // Unloading under living objects would pull their code away: keep the library then.
    if (m_Handle && !objectsAlive) dlclose(m_Handle);
}

void* Plugin::Symbol(const char* name) const {
    return m_Handle ? dlsym(m_Handle, name) : nullptr;
}
