// Loading and unloading the plug-in library with the Windows loader: loading runs its
// DllMain, which registers through this stand-in of the host library; unloading runs it again.
#include <windows.h>

#include "script_host.h"

namespace host {

bool loadPlugin(const std::string& path, std::string* errorText) {
    HMODULE lib = LoadLibraryA(path.c_str());
    if (!lib) {
        if (errorText)
            *errorText = "LoadLibrary failed for " + path + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    gHost.library = lib;
    if (!gHost.script) recordError("plug-in registered no script on attach");
    if (!gHost.keyboard) recordError("plug-in registered no keyboard handler on attach");
    if (gHost.module != lib) recordError("plug-in registered its script with a module other than its own");
    return true;
}

void unloadPlugin() {
    if (!gHost.library) return;
    if (!FreeLibrary(static_cast<HMODULE>(gHost.library))) recordError("FreeLibrary failed");
    if (gHost.script) recordError("plug-in left its script registered after unload");
    if (gHost.keyboard) recordError("plug-in left its keyboard handler registered after unload");
    destroyScriptFiber();
    gHost.script = nullptr;
    gHost.keyboard = nullptr;
    gHost.library = nullptr;
    gHost.entry = nullptr;
}

}  // namespace host
