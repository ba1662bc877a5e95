#include "frame/profile_reader.h"

#include <cctype>
#include <cstring>
#include <string>

namespace tw {

namespace {

bool isProfileSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) || c == '\x1a'; }

bool equalNoCase(const char* a, std::size_t alen, const char* b) {
    const std::size_t blen = std::strlen(b);
    if (alen != blen) return false;
    for (std::size_t i = 0; i < alen; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Reads the next line (ended by CR or LF) into line; false at the end of the file.
bool readLine(std::FILE* f, std::string& line) {
    line.clear();
    int c = std::fgetc(f);
    if (c == EOF) return false;
    while (c != EOF && c != '\n' && c != '\r') {
        line.push_back(static_cast<char>(c));
        c = std::fgetc(f);
    }
    return true;
}

uint32_t copyOut(const char* value, std::size_t valueLen, char* out, uint32_t size) {
    if (size == 0) return 0;
    // One pair of matching quotes around the value goes; the closing one only if it fits.
    char quote = 0;
    if (valueLen >= 2 && (value[0] == '"' || value[0] == '\'') && value[valueLen - 1] == value[0]) {
        quote = value[0];
        ++value;
        --valueLen;
    }
    std::size_t n = valueLen < size - 1 ? valueLen : size - 1;
    std::memcpy(out, value, n);
    out[n] = '\0';
    if (quote && size >= valueLen && n > 0) out[--n] = '\0';
    // Text stops at an embedded NUL, as a C string does.
    return static_cast<uint32_t>(std::strlen(out));
}

}  // namespace

uint32_t profileLookup(std::FILE* file, const char* section, const char* key, const char* deflt, char* out,
                       uint32_t size) {
    if (!out || size == 0) return 0;
    if (file) {
        std::string line;
        bool first = true;
        int sectionState = 0;  // 0 before the wanted section, 1 inside it, 2 past it
        while (sectionState != 2 && readLine(file, line)) {
            std::size_t begin = 0, end = line.size();
            if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0) begin = 3;  // UTF-8 byte order mark
            first = false;
            while (begin < end && isProfileSpace(line[begin])) ++begin;
            while (end > begin && isProfileSpace(line[end - 1])) --end;
            if (begin == end) continue;
            const char* s = line.data() + begin;
            const std::size_t len = end - begin;

            if (s[0] == '[') {
                const char* close = static_cast<const char*>(std::memchr(s, ']', len));
                if (close) {
                    for (const char* p = s + len - 1; p > close; --p)  // the last ']' closes the name
                        if (*p == ']') {
                            close = p;
                            break;
                        }
                    const bool match = equalNoCase(s + 1, static_cast<std::size_t>(close - s - 1), section);
                    if (sectionState == 1)
                        sectionState = 2;
                    else if (match)
                        sectionState = 1;
                    continue;
                }
            }
            if (sectionState != 1) continue;

            const char* eq = static_cast<const char*>(std::memchr(s, '=', len));
            std::size_t nameLen = eq ? static_cast<std::size_t>(eq - s) : len;
            while (nameLen > 0 && isProfileSpace(s[nameLen - 1])) --nameLen;
            if (!equalNoCase(s, nameLen, key)) continue;
            if (!eq) break;  // a name without '=' has no value: the default, as on Windows
            const char* value = eq + 1;
            const char* valueEnd = s + len;
            while (value < valueEnd && isProfileSpace(*value)) ++value;
            return copyOut(value, static_cast<std::size_t>(valueEnd - value), out, size);
        }
    }
    const char* d = deflt ? deflt : "";
    std::size_t dlen = std::strlen(d);
    while (dlen > 0 && d[dlen - 1] == ' ') --dlen;
    const std::size_t n = dlen < size - 1 ? dlen : size - 1;
    std::memcpy(out, d, n);
    out[n] = '\0';
    return static_cast<uint32_t>(n);
}

}  // namespace tw
