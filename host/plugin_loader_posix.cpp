// Loading and unloading the plug-in module with the dynamic loader.
#include <dlfcn.h>

#include "script_host.h"

namespace host {

namespace {

// Whether the module at path is still mapped into the process.
bool stillMapped(const std::string& path) {
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (lib) dlclose(lib);
    return lib != nullptr;
}

}  // namespace

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
    gHost.libraryPath = path;
    return true;
}

bool attachPlugin(void* lib) {
    auto entry = reinterpret_cast<int (*)(void*, uint32_t)>(dlsym(lib, "tamberwickEntry"));
    if (!entry) return false;
    gHost.library = lib;
    gHost.entry = entry;
    const int idleBefore = gHost.idleCopies;
    if (entry(lib, 1) != 1) recordError("entry did not return TRUE on attach");
    checkAttached(lib, idleBefore);
    return true;
}

void* detachPlugin() {
    void* lib = gHost.library;
    if (!lib) return nullptr;
    if (gHost.entry(lib, 0) != 1) recordError("entry did not return TRUE on detach");
    releasePlugin();
    return lib;
}

void unloadPlugin() {
    const std::string path = gHost.libraryPath;
    void* lib = detachPlugin();
    if (!lib) return;
    dlclose(lib);
    if (!path.empty()) checkUnmapped(path, stillMapped(path));
}

}  // namespace host
