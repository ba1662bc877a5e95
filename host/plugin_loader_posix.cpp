// Loading and unloading the plug-in module with the dynamic loader.
#include <dlfcn.h>

#include "script_host.h"

namespace host {

bool loadPlugin(const std::string& path, std::string* errorText) {
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        if (errorText) *errorText = dlerror();
        return false;
    }
    if (!attachPlugin(lib)) {
        if (errorText) *errorText = "no tamberwickEntry in " + path;
        dlclose(lib);
        return false;
    }
    return true;
}

bool attachPlugin(void* lib) {
    auto entry = reinterpret_cast<int (*)(void*, uint32_t)>(dlsym(lib, "tamberwickEntry"));
    if (!entry) return false;
    gHost.library = lib;
    gHost.entry = entry;
    if (entry(lib, 1) != 1) recordError("entry did not return TRUE on attach");
    return true;
}

void* detachPlugin() {
    void* lib = gHost.library;
    if (!lib) return nullptr;
    if (gHost.entry(lib, 0) != 1) recordError("entry did not return TRUE on detach");
    if (gHost.script) recordError("plug-in left its script registered after unload");
    if (gHost.keyboard) recordError("plug-in left its keyboard handler registered after unload");
    destroyScriptFiber();
    gHost.script = nullptr;
    gHost.keyboard = nullptr;
    gHost.library = nullptr;
    gHost.entry = nullptr;
    return lib;
}

void unloadPlugin() {
    if (void* lib = detachPlugin()) dlclose(lib);
}

}  // namespace host
