// Human-readable form of a recorded host call, for traces and failure messages, and the
// traced calls and waits as one ordered text.
#include <cstdio>

#include "script_host.h"

namespace sim {

namespace {

std::string hashText(const World& w, uint32_t h) {
    auto it = w.names.find(h);
    if (it != w.names.end()) return "\"" + it->second + "\"";
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", h);
    return buf;
}

std::string floatText(float f) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(f));
    return buf;
}

std::string slotText(const Call& c, std::size_t i, tw::ArgKind kind, const World& w, std::size_t& stringIndex) {
    using tw::ArgKind;
    switch (kind) {
        case ArgKind::Int:
        case ArgKind::LitInt:
            return std::to_string(c.i(i));
        case ArgKind::Bool:
            return c.u(i) ? "true" : "false";
        case ArgKind::Float:
        case ArgKind::LitFloat:
            return floatText(c.f(i));
        case ArgKind::Handle:
            return std::to_string(c.u(i));
        case ArgKind::Hash:
            return hashText(w, c.u(i));
        case ArgKind::Str:
        case ArgKind::LitStr:
            if (c.args[i] == 0) return "null";
            if (stringIndex < c.strings.size() && !c.strings[stringIndex].empty())
                return "\"" + c.strings[stringIndex++] + "\"";
            return "\"?\"";
        case ArgKind::Ptr:
            return "&";
        case ArgKind::HostStr:
            return "text#" + std::to_string(c.args[i]);
        case ArgKind::Int64:
            return std::to_string(static_cast<long long>(c.args[i]));
    }
    return "?";
}

}  // namespace

std::string Call::describe(const World& w) const {
    const tw::OpInfo& info = tw::opInfo(op);
    std::string out = info.name;
    out += '(';
    std::size_t stringIndex = 0;
    for (std::size_t i = 0; i < argc; ++i) {
        if (i) out += ", ";
        out += slotText(*this, i, info.args[i].kind, w, stringIndex);
    }
    out += ')';
    switch (info.result) {
        case tw::ResultKind::None:
            break;
        case tw::ResultKind::Bool:
            out += static_cast<uint32_t>(result[0]) ? " -> true" : " -> false";
            break;
        case tw::ResultKind::Int:
            out += " -> " + std::to_string(static_cast<int32_t>(static_cast<uint32_t>(result[0])));
            break;
        case tw::ResultKind::Handle:
            out += " -> " + std::to_string(static_cast<uint32_t>(result[0]));
            break;
        case tw::ResultKind::Float: {
            Call tmp;
            tmp.args[0] = result[0];
            out += " -> " + floatText(tmp.f(0));
            break;
        }
        case tw::ResultKind::Vec3: {
            Call tmp;
            tmp.args = {result[0], result[1], result[2]};
            out += " -> (" + floatText(tmp.f(0)) + ", " + floatText(tmp.f(1)) + ", " + floatText(tmp.f(2)) + ")";
            break;
        }
        case tw::ResultKind::HostStr:
            out += " -> text#" + std::to_string(result[0]);
            break;
    }
    return out;
}

long firstReadyPassWait() {
    const auto& m = gHost.waitMarks;
    for (std::size_t i = 2; i < m.size(); ++i)
        if (m[i].ms == 0 && m[i - 1].ms == 1000 && m[i - 2].ms == 500) return static_cast<long>(i);
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

}  // namespace sim
