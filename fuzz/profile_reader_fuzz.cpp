// Any file as tamberwick.ini: the reader must stay inside its buffer and terminate it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "frame/profile_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (size == 0) f = nullptr;
    for (const char* key : {"visitCooldown", "visitDuration"}) {
        char out[32];
        std::memset(out, 'x', sizeof out);
        const uint32_t n = tw::profileLookup(f, "Settings", key, "72", out, sizeof out);
        if (n >= sizeof out || out[n] != '\0' || std::strlen(out) != n) std::abort();
        if (f) std::rewind(f);
    }
    if (f) std::fclose(f);
    return 0;
}
