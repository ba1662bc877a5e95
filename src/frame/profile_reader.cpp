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

// The file's characters: bytes, or UTF-16 text (after its byte order mark) narrowed to
// bytes, ASCII kept and anything else read as '?'.
struct TextSource {
    std::FILE* file;
    int utf16 = 0;  // 0 bytes, 1 little-endian, 2 big-endian

    explicit TextSource(std::FILE* f) : file(f) {
        const int a = std::fgetc(f);
        const int b = a == EOF ? EOF : std::fgetc(f);
        if (a == 0xFF && b == 0xFE)
            utf16 = 1;
        else if (a == 0xFE && b == 0xFF)
            utf16 = 2;
        else
            std::fseek(f, 0, SEEK_SET);
    }

    int next() {
        const int a = std::fgetc(file);
        if (!utf16 || a == EOF) return a;
        const int b = std::fgetc(file);
        if (b == EOF) return EOF;
        const int unit = utf16 == 1 ? (b << 8 | a) : (a << 8 | b);
        return unit < 0x80 ? unit : '?';
    }
};

// Reads the next line (ended by CR or LF) into line; false at the end of the file.
bool readLine(TextSource& src, std::string& line) {
    line.clear();
    int c = src.next();
    if (c == EOF) return false;
    while (c != EOF && c != '\n' && c != '\r') {
        line.push_back(static_cast<char>(c));
        c = src.next();
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
        TextSource src(file);
        std::string line;
        bool first = true;
        int sectionState = 0;  // 0 before the wanted section, 1 inside it, 2 past it
        while (sectionState != 2 && readLine(src, line)) {
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
                    // White space just inside the brackets is not part of the name.
                    const char* name = s + 1;
                    const char* nameEnd = close;
                    while (name < nameEnd && isProfileSpace(*name)) ++name;
                    while (nameEnd > name && isProfileSpace(nameEnd[-1])) --nameEnd;
                    const bool match = equalNoCase(name, static_cast<std::size_t>(nameEnd - name), section);
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
