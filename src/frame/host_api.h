// The nine functions of the host's script-hook library, as the plug-in calls them.
// Plain C names on our side; the Windows import library maps them to the names the
// host library really exports (see win/scripthook.def).
#pragma once

#include <cstdint>

extern "C" {

using ScriptFunction = void (*)();
// keyCode (a Windows virtual-key code), repeats, scanCode, isExtended, isWithAlt,
// wasDownBefore, triggerFlag; the plug-in keeps only the first and the last, and acts on an
// event whose triggerFlag is non-zero.
using KeyboardHandler = void (*)(uint32_t keyCode, uint16_t repeats, uint8_t scanCode, int32_t isExtended,
                                 int32_t isWithAlt, int32_t wasDownBefore, int32_t triggerFlag);

void scriptRegister(void* module, ScriptFunction script);
void scriptUnregister(void* module);
void keyboardHandlerRegister(KeyboardHandler handler);
void keyboardHandlerUnregister(KeyboardHandler handler);
void scriptWait(uint32_t ms);  // resumes after at least ms; 0 = next frame
void nativeInit(uint64_t hash);
void nativePush64(uint64_t value);
uint64_t* nativeCall();  // result buffer of 64-bit slots, valid until the next nativeInit
int32_t worldGetAllPeds(int32_t* peds, int32_t capacity);  // returns how many it wrote
}
