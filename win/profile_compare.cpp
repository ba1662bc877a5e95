// Compares our profile reader with the system's GetPrivateProfileStringA on every file of a
// corpus: both read visitCooldown and visitDuration into 32-byte buffers, as readSettings does.
//
//   profile-compare <corpus-dir>
//
// Prints one line per difference and a summary. Differences listed in the corpus's
// known_differences.txt ("file key" per line, # comments) are reported but tolerated until our
// reader is fixed; any other difference gives exit status 1.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "frame/profile_reader.h"

namespace {

std::string escaped(const char* s) {
    std::string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p; ++p) {
        if (*p >= 0x20 && *p < 0x7f && *p != '\\') {
            out += static_cast<char>(*p);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", *p);
            out += hex;
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus-dir>\n", argv[0]);
        return 2;
    }
    std::string dir = argv[1];
    std::replace(dir.begin(), dir.end(), '/', '\\');
    std::vector<std::string> files;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*.ini").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "no .ini files in %s\n", dir.c_str());
        return 2;
    }
    do files.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(files.begin(), files.end());

    std::set<std::string> known;
    std::ifstream knownList(dir + "\\known_differences.txt");
    for (std::string line; std::getline(knownList, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (!line.empty() && line[0] != '#') known.insert(line);
    }

    struct Key {
        const char* name;
        const char* deflt;
    };
    const Key keys[] = {{"visitCooldown", "72"}, {"visitDuration", "48"}};
    int compared = 0, differences = 0, tolerated = 0;
    for (const std::string& name : files) {
        const std::string path = dir + "\\" + name;
        for (const Key& key : keys) {
            char system[32], ours[32];
            std::memset(system, 0x55, sizeof system);
            std::memset(ours, 0x55, sizeof ours);
            const DWORD systemLen =
                GetPrivateProfileStringA("Settings", key.name, key.deflt, system, sizeof system, path.c_str());
            std::FILE* f = std::fopen(path.c_str(), "rb");
            const uint32_t ourLen = tw::profileLookup(f, "Settings", key.name, key.deflt, ours, sizeof ours);
            if (f) std::fclose(f);
            ++compared;
            const bool isKnown = known.count(name + " " + key.name) != 0;
            if (std::strcmp(system, ours) != 0 || systemLen != ourLen) {
                ++(isKnown ? tolerated : differences);
                std::printf("%s %s %s: system \"%s\" (%lu), ours \"%s\" (%u)\n", isKnown ? "KNOWN" : "DIFF ",
                            name.c_str(), key.name, escaped(system).c_str(), static_cast<unsigned long>(systemLen),
                            escaped(ours).c_str(), ourLen);
            } else if (isKnown) {
                std::printf("note: %s %s agrees now; drop it from known_differences.txt\n", name.c_str(), key.name);
            }
        }
    }
    std::printf("%zu files, %d lookups, %d difference(s), %d known and tolerated\n", files.size(), compared,
                differences, tolerated);
    return differences == 0 ? 0 : 1;
}
