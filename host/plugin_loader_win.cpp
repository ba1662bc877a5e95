// Loading and unloading the plug-in library with the Windows loader: loading runs its
// DllMain, which registers through this stand-in of the host library; unloading runs it again.
#include <windows.h>

#include <cstring>

#include "script_host.h"

namespace host {

namespace {

DWORD WINAPI hostGetTickCount() { return hostTickCount(); }
ULONGLONG WINAPI hostGetTickCount64() { return hostTickCount64(); }

// Points the module's import of dll!name at to; the number of slots changed, -1 when one could
// not be written.
int redirectImport(HMODULE module, const char* dll, const char* name, void* to) {
    auto* base = reinterpret_cast<uint8_t*>(module);
    const auto* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return 0;
    int changed = 0;
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name != 0; ++imp) {
        if (_stricmp(reinterpret_cast<const char*>(base + imp->Name), dll) != 0) continue;
        const DWORD names = imp->OriginalFirstThunk ? imp->OriginalFirstThunk : imp->FirstThunk;
        auto* byName = reinterpret_cast<IMAGE_THUNK_DATA*>(base + names);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; byName->u1.AddressOfData != 0; ++byName, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(byName->u1.Ordinal)) continue;
            const auto* entry = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + byName->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(entry->Name), name) != 0) continue;
            DWORD was = 0;
            if (!VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &was)) return -1;
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(to);
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, was, &was);
            ++changed;
        }
    }
    return changed;
}

// The plug-in's tick count from the host's clock, as the POSIX build reads it; before its
// script first runs, where it seeds rand from it.
void tickFromHost(HMODULE lib) {
    const int a = redirectImport(lib, "kernel32.dll", "GetTickCount", reinterpret_cast<void*>(&hostGetTickCount));
    const int b = redirectImport(lib, "kernel32.dll", "GetTickCount64", reinterpret_cast<void*>(&hostGetTickCount64));
    if (a < 0 || b < 0) recordError("the plug-in's tick count could not be given the host's clock");
}

}  // namespace

bool loadPlugin(const std::string& path, std::string* errorText) {
    const int idleBefore = gHost.idleCopies;
    HMODULE lib = LoadLibraryA(path.c_str());
    if (!lib) {
        if (errorText)
            *errorText = "LoadLibrary failed for " + path + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    gHost.library = lib;
    gHost.libraryPath = path;
    if (gHost.tickFromHost) tickFromHost(lib);
    checkAttached(lib, idleBefore);
    return true;
}

void unloadPlugin() {
    if (!gHost.library) return;
    const std::string path = gHost.libraryPath;
    if (!FreeLibrary(static_cast<HMODULE>(gHost.library))) recordError("FreeLibrary failed");
    releasePlugin();
    // The loader knows a library by its file name while any of it is loaded.
    const std::size_t slash = path.find_last_of("/\\");
    checkUnmapped(path, GetModuleHandleA(path.substr(slash == std::string::npos ? 0 : slash + 1).c_str()) != nullptr);
}

}  // namespace host
