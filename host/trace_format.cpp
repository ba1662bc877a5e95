// The one way a host call is written: as text for traces and failure messages, and as the
// simulator's JSON trace lines; and the traced calls and waits as one ordered text.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "script_host.h"

namespace host {

namespace {

// ---- one value --------------------------------------------------------------------------

void appendJsonString(std::string& out, const char* s) {
    out += '"';
    for (const char* c = s; *c; ++c) {
        const auto u = static_cast<unsigned char>(*c);
        if (u == '"' || u == '\\') {
            out += '\\';
            out += static_cast<char>(u);
        } else if (u < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out += buf;
        } else {
            out += static_cast<char>(u);
        }
    }
    out += '"';
}

// Text: nine significant digits. JSON: the shortest digits that read back as the same float,
// fixed for exponents -4 to 15 and d.ddde+XX beyond; null when not finite.
void appendFloat(std::string& out, float f, TraceStyle style) {
    char buf[48];
    if (style == TraceStyle::Text) {
        std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(f));
        out += buf;
        return;
    }
    if (!std::isfinite(f)) {
        out += "null";
        return;
    }
    char* end = std::to_chars(buf, buf + sizeof buf - 1, f, std::chars_format::scientific).ptr;
    *end = '\0';  // for atoi below
    const std::string_view text(buf, static_cast<std::size_t>(end - buf));
    const std::size_t e = text.find('e');
    const int exp = std::atoi(buf + e + 1);
    if (exp < -4 || exp >= 16) {
        out += text;
        return;
    }
    std::string digits;
    for (char c : text.substr(0, e))
        if (c == '-')
            out += c;
        else if (c != '.')
            digits += c;
    if (exp < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-exp - 1), '0');
        out += digits;
        return;
    }
    const auto whole = static_cast<std::size_t>(exp) + 1;
    if (digits.size() <= whole) {
        out += digits;
        out.append(whole - digits.size(), '0');
        return;
    }
    out.append(digits, 0, whole);
    out += '.';
    out.append(digits, whole);
}

void appendHash(std::string& out, const World& w, uint32_t h, TraceStyle style) {
    auto it = w.names.find(h);
    char buf[16];
    if (it == w.names.end()) {
        std::snprintf(buf, sizeof buf, style == TraceStyle::Text ? "0x%08X" : "%u", h);
        out += buf;
    } else if (style == TraceStyle::Json) {
        appendJsonString(out, it->second.c_str());
    } else {
        out += '"' + it->second + '"';
    }
}

// A string argument: text from the copy the traced call kept, JSON from the call as it is made.
void appendStr(std::string& out, const Call& c, std::size_t i, TraceStyle style, std::size_t& stringIndex) {
    if (c.args[i] == 0) {
        out += "null";
    } else if (style == TraceStyle::Json) {
        appendJsonString(out, c.s(i));
    } else if (stringIndex < c.strings.size() && !c.strings[stringIndex].empty()) {
        out += '"' + c.strings[stringIndex++] + '"';
    } else {
        out += "\"?\"";
    }
}

void appendArg(std::string& out, const Call& c, std::size_t i, const World& w, TraceStyle style,
               std::size_t& stringIndex) {
    using tw::ArgKind;
    const bool json = style == TraceStyle::Json;
    switch (tw::opInfo(c.op).args[i].kind) {
        case ArgKind::Int:
        case ArgKind::LitInt:
            out += std::to_string(c.i(i));
            return;
        case ArgKind::Bool:
            out += c.u(i) ? "true" : "false";
            return;
        case ArgKind::Float:
        case ArgKind::LitFloat:
            return appendFloat(out, c.f(i), style);
        case ArgKind::Handle:
            out += std::to_string(c.u(i));
            return;
        case ArgKind::Hash:
            return appendHash(out, w, c.u(i), style);
        case ArgKind::Str:
        case ArgKind::LitStr:
            return appendStr(out, c, i, style, stringIndex);
        case ArgKind::Ptr:
            out += !json ? "&" : c.args[i] ? "\"&\"" : "null";
            return;
        case ArgKind::HostStr:
            out += json ? std::to_string(static_cast<int64_t>(c.args[i])) : "text#" + std::to_string(c.args[i]);
            return;
        case ArgKind::Int64:
            out += std::to_string(static_cast<int64_t>(c.args[i]));
            return;
    }
}

float resultFloat(const Call& c, std::size_t n) {
    Call tmp;
    tmp.args[0] = c.result[n];
    return tmp.f(0);
}

void appendResult(std::string& out, const Call& c, TraceStyle style) {
    const bool json = style == TraceStyle::Json;
    if (!json && tw::opInfo(c.op).result != tw::ResultKind::None) out += " -> ";
    switch (tw::opInfo(c.op).result) {
        case tw::ResultKind::None:
            if (json) out += "null";
            return;
        case tw::ResultKind::Bool:
            out += static_cast<uint32_t>(c.result[0]) ? "true" : "false";
            return;
        case tw::ResultKind::Int:
            out += std::to_string(static_cast<int32_t>(static_cast<uint32_t>(c.result[0])));
            return;
        case tw::ResultKind::Handle:
            out += std::to_string(static_cast<uint32_t>(c.result[0]));
            return;
        case tw::ResultKind::Float:
            return appendFloat(out, resultFloat(c, 0), style);
        case tw::ResultKind::Vec3:
            out += json ? "[" : "(";
            for (std::size_t n = 0; n < 3; ++n) {
                if (n) out += json ? "," : ", ";
                appendFloat(out, resultFloat(c, n), style);
            }
            out += json ? "]" : ")";
            return;
        case tw::ResultKind::HostStr:
            out += (json ? "" : "text#") + std::to_string(c.result[0]);
            return;
    }
}

}  // namespace

void appendCall(std::string& out, const Call& c, const World& w, TraceStyle style) {
    const bool json = style == TraceStyle::Json;
    const char* name = tw::opInfo(c.op).name;
    if (json) {
        out += "{\"t\":" + std::to_string(c.time) + ",\"op\":\"" + name + "\",\"args\":[";
    } else {
        out += name;
        out += '(';
    }
    std::size_t stringIndex = 0;
    for (std::size_t i = 0; i < c.argc; ++i) {
        if (i) out += json ? "," : ", ";
        appendArg(out, c, i, w, style, stringIndex);
    }
    out += json ? "],\"result\":" : ")";
    appendResult(out, c, style);
    if (json) out += "}\n";
}

std::string Call::describe(const World& w) const {
    std::string out;
    appendCall(out, *this, w, TraceStyle::Text);
    return out;
}

bool firstReadyPassJustMade() {
    const auto& w = gHost.waits;
    return !w.empty() && endsFirstReadyPass(w.size() - 1, [](std::size_t i) { return gHost.waits[i]; });
}

long firstReadyPassWait() {
    const auto& m = gHost.waitMarks;
    for (std::size_t i = 0; i < m.size(); ++i)
        if (endsFirstReadyPass(i, [](std::size_t j) { return gHost.waitMarks[j].ms; })) return static_cast<long>(i);
    return -1;
}

std::string orderedTraceText(long lastWait) {
    const auto& h = gHost;
    std::string out;
    const auto line = [&out](int32_t time, const std::string& text) {
        out += std::to_string(time);
        out += ' ';
        out += text;
        out += '\n';
    };
    std::size_t next = 0;  // the first call not yet written
    for (std::size_t i = 0; i < h.waitMarks.size(); ++i) {
        const ScriptHost::WaitMark& mark = h.waitMarks[i];
        for (; next < mark.calls && next < h.trace.size(); ++next)
            line(h.trace[next].time, h.trace[next].describe(h.world));
        line(mark.time, "scriptWait(" + std::to_string(mark.ms) + ")");
        if (lastWait >= 0 && i == static_cast<std::size_t>(lastWait)) return out;
    }
    for (; next < h.trace.size(); ++next) line(h.trace[next].time, h.trace[next].describe(h.world));
    return out;
}

}  // namespace host
