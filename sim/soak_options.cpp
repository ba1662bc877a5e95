#include "soak_options.h"

#include <cerrno>
#include <cstdlib>

namespace sim {

namespace {

const char* programName(SoakProgram program) {
    return program == SoakProgram::Sim ? "tamberwick-sim soak" : "tamberwick-host soak";
}

int64_t valueOf(const SoakOptions& o, SoakField f) {
    switch (f) {
        case SoakField::Dll:
            return 0;
        case SoakField::Seeds:
            return o.seeds;
        case SoakField::FirstSeed:
            return static_cast<int64_t>(o.firstSeed);
        case SoakField::Days:
            return o.days;
        case SoakField::FrameMs:
            return o.frameStepMs;
        case SoakField::PassLimitMs:
            return o.passLimitMs;
        case SoakField::Jobs:
            return o.jobs;
        case SoakField::Verbose:
            return o.verbose ? 1 : 0;
    }
    return 0;
}

// v is within the row's range, which each field's type holds.
void setValue(SoakOptions& o, SoakField f, int64_t v) {
    switch (f) {
        case SoakField::Dll:
            return;
        case SoakField::Seeds:
            o.seeds = static_cast<int>(v);
            return;
        case SoakField::FirstSeed:
            o.firstSeed = static_cast<uint64_t>(v);
            return;
        case SoakField::Days:
            o.days = static_cast<int>(v);
            return;
        case SoakField::FrameMs:
            o.frameStepMs = static_cast<int32_t>(v);
            return;
        case SoakField::PassLimitMs:
            o.passLimitMs = static_cast<int32_t>(v);
            return;
        case SoakField::Jobs:
            o.jobs = static_cast<int>(v);
            return;
        case SoakField::Verbose:
            o.verbose = v != 0;
            return;
    }
}

const SoakOptionRow* findRow(const std::string& name) {
    for (const SoakOptionRow& row : kSoakOptions)
        if (name == row.name || (row.alias && name == row.alias)) return &row;
    return nullptr;
}

// A whole number from lo to hi (never below 0), written in digits only.
bool readNumber(const std::string& text, int64_t lo, int64_t hi, int64_t& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    const unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
    if (errno != 0 || v > static_cast<unsigned long long>(hi) || v < static_cast<unsigned long long>(lo)) return false;
    value = static_cast<int64_t>(v);
    return true;
}

std::string rangeText(const SoakOptionRow& row) {
    const bool open = row.hi == INT32_MAX || row.hi == INT64_MAX;
    return open ? std::to_string(row.lo) + " or more" : std::to_string(row.lo) + " to " + std::to_string(row.hi);
}

// An option and its value's name: "--seeds N" (with its alias: "--verbose, -v").
std::string spelling(const SoakOptionRow& row, bool withAlias) {
    std::string s = row.name;
    if (withAlias && row.alias) (s += ", ") += row.alias;
    if (row.value) (s += ' ') += row.value;
    return s;
}

// One option as the usage's first lines show it: "--seeds N", in brackets unless required.
std::string synopsisOf(const SoakOptionRow& row) {
    std::string s = row.required ? "" : "[";
    s += spelling(row, false);
    if (!row.required) s += ']';
    return s;
}

// Text wrapped to width columns, the lines after the first indented by indent.
void printWrapped(std::FILE* out, const std::string& text, std::size_t indent, std::size_t width) {
    std::size_t column = indent, start = 0;
    bool first = true;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(start, end - start);
        if (!first && column + 1 + word.size() > width) {
            std::fprintf(out, "\n%*s", static_cast<int>(indent), "");
            column = indent;
        } else if (!first) {
            std::fputc(' ', out);
            ++column;
        }
        std::fputs(word.c_str(), out);
        column += word.size();
        first = false;
        start = end + 1;
    }
    std::fputc('\n', out);
}

}  // namespace

bool offers(SoakProgram program, const SoakOptionRow& row) {
    switch (row.offeredBy) {
        case SoakOfferedBy::Both:
            return true;
        case SoakOfferedBy::SimOnly:
            return program == SoakProgram::Sim;
        case SoakOfferedBy::WineHostOnly:
            return program == SoakProgram::WineHost;
    }
    return false;
}

SoakArgs parseSoakArgs(std::span<const std::string> words, SoakProgram program) {
    SoakArgs a;
    std::vector<bool> given(std::size(kSoakOptions), false);
    for (std::size_t i = 0; i < words.size() && a.error.empty(); ++i) {
        const std::string& word = words[i];
        if (word == "--help" || word == "-h") {
            a.help = true;
            return a;
        }
        const std::size_t eq = word.rfind("--", 0) == 0 ? word.find('=') : std::string::npos;
        const std::string name = word.substr(0, eq);
        const SoakOptionRow* row = findRow(name);
        if (!row) {
            a.error = (word.empty() || word[0] != '-' ? "unexpected argument " : "unknown option ") + word;
            break;
        }
        if (!offers(program, *row)) {
            a.error = name + " is an option of " +
                      programName(program == SoakProgram::Sim ? SoakProgram::WineHost : SoakProgram::Sim) + " only";
            break;
        }
        given[static_cast<std::size_t>(row - kSoakOptions)] = true;
        if (!row->value) {
            if (eq != std::string::npos) a.error = name + " takes no value";
            setValue(a.options, row->field, 1);
            continue;
        }
        std::string value;
        if (eq != std::string::npos)
            value = word.substr(eq + 1);
        else if (i + 1 < words.size())
            value = words[++i];
        else {
            a.error = name + " needs a value (" + row->value + ")";
            break;
        }
        int64_t number = 0;
        if (row->field == SoakField::Dll)
            a.options.pluginPath = value;
        else if (readNumber(value, row->lo, row->hi, number))
            setValue(a.options, row->field, number);
        else
            a.error = name + " " + value + ": not a whole number from " + rangeText(*row);
    }
    for (std::size_t r = 0; r < std::size(kSoakOptions) && a.error.empty(); ++r)
        if (kSoakOptions[r].required && offers(program, kSoakOptions[r]) && !given[r])
            a.error = std::string(kSoakOptions[r].name) + " is required";
    return a;
}

void printSoakUsage(std::FILE* out, SoakProgram program, const std::string& self) {
    std::string synopsis = "usage: " + self + " soak";
    for (const SoakOptionRow& row : kSoakOptions)
        if (offers(program, row)) (synopsis += ' ') += synopsisOf(row);
    printWrapped(out, synopsis + " [--help]", 7, 100);
    std::fputc('\n', out);
    printWrapped(out,
                 "The fault-injection soak: each seed loads the plug-in afresh, lives through in-game days of a "
                 "misbehaving host (it deletes, refuses and stalls things at random, the player comes and goes, the "
                 "clock jumps, saved games are loaded) with every invariant checked after every call and frame, and "
                 "unloads it again. A violation prints the seed, the frame, the last calls and the command that "
                 "replays the seed. Exit status 0 when every seed ran clean, 1 when one did not, 2 for a bad command "
                 "line.",
                 0, 100);
    std::fputc('\n', out);
    printWrapped(out,
                 program == SoakProgram::Sim
                     ? "The modules built beside tamberwick-sim are loaded, the developer build (hotkeys are "
                       "pressed) for about a quarter of the seeds; tamberwick-sim's --plugin, given before soak, "
                       "names one module for every seed. tamberwick-host soak runs the same seeds on the shipped DLLs "
                       "under Wine."
                     : "The seeds, faults and checks are tamberwick-sim soak's, run inside the stand-in host "
                       "library with the DLL loaded by the system loader and freed again for every seed.",
                 0, 100);
    std::fputc('\n', out);
    for (const SoakOptionRow& row : kSoakOptions) {
        if (!offers(program, row)) continue;
        const std::string left = spelling(row, true);
        std::string help = row.help;
        if (row.value && row.field != SoakField::Dll) {
            ((help += " (") += rangeText(row)) += "; default ";
            (help += std::to_string(valueOf(SoakOptions{}, row.field))) += ')';
        }
        std::fprintf(out, "  %-22s", left.c_str());
        printWrapped(out, help, 24, 100);
    }
    std::fprintf(out, "  %-22s", "--help, -h");
    printWrapped(out, "this text", 24, 100);
}

std::string shellWord(const std::string& text) {
    if (!text.empty() &&
        text.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/._-:+=,") ==
            std::string::npos)
        return text;
    std::string q = "'";
    for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string soakCommand(const std::string& self, const SoakOptions& o, SoakProgram program) {
    std::string command = self + " soak";
    const SoakOptions defaults;
    for (const SoakOptionRow& row : kSoakOptions) {
        if (!row.replayed || !offers(program, row)) continue;
        if (row.field == SoakField::Dll)
            command += std::string(" ") + row.name + " " + shellWord(o.pluginPath);
        else if (valueOf(o, row.field) != valueOf(defaults, row.field))
            command += std::string(" ") + row.name + " " + std::to_string(valueOf(o, row.field));
    }
    return command;
}

}  // namespace sim
