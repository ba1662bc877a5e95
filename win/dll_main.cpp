// The Windows entry of the plug-in: the loader's attach and detach become the entry's
// register and unregister; thread notifications are of no interest.
#include <windows.h>

#include "frame/plugin_main.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        tamberwickEntry(instance, 1);
    else if (reason == DLL_PROCESS_DETACH)
        tamberwickEntry(instance, 0);
    return TRUE;
}
