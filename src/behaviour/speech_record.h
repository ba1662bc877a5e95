// The host's speech request, as audioPlayPedSpeech reads it: eight 8-byte little-endian slots,
// integers in the low half. The plug-in fills one per line; the host and the tools read it here.
#pragma once

#include <cstdint>

namespace tw {

// The parameter set every line is spoken with; the record carries its hash.
inline constexpr const char* kSpeechParamsName = "SPEECH_PARAMS_BEAT_SPOKEN_CLEAR";

struct SpeechRecord {
    uint64_t line = 0;           // address of the line's name, NUL-terminated
    uint64_t unusedPointer = 0;  // a pointer the plug-in never passes: 0
    uint64_t unusedA = 0;        // 0
    uint64_t params = 0;         // hash of kSpeechParamsName
    uint64_t unusedB = 0;        // 0
    uint64_t flagA = 1;          // 1
    uint64_t flagB = 1;          // 1
    uint64_t flagC = 1;          // 1
};
static_assert(sizeof(SpeechRecord) == 64, "eight 8-byte slots");

// The slots every record holds as the host expects them, whatever the line and parameter set.
constexpr bool hasFixedSlots(const SpeechRecord& r) {
    return r.unusedPointer == 0 && r.unusedA == 0 && r.unusedB == 0 && r.flagA == 1 && r.flagB == 1 && r.flagC == 1;
}

inline const char* lineOf(const SpeechRecord& r) {
    return reinterpret_cast<const char*>(static_cast<uintptr_t>(r.line));
}

}  // namespace tw
