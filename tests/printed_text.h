// What a function that prints to a FILE* printed, for tests of reports and usage texts.
#pragma once

#include <cstdio>
#include <string>

namespace twtest {

// Runs print(f) on a temporary file and returns what it wrote; empty when no file can be made.
template <class Print>
std::string printedText(Print&& print) {
    std::FILE* f = std::tmpfile();
    if (!f) return "";
    print(f);
    std::rewind(f);
    std::string text;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
    std::fclose(f);
    return text;
}

}  // namespace twtest
