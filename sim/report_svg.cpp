#include "report_svg.h"

#include <fmt/format.h>
#include <iterator>

#include <algorithm>

#include "ranch_map.h"
#include "report_style.h"

namespace sim {

namespace {

constexpr int32_t kMsPerHour = host::kMsPerGameHour;

std::string esc(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                // Control characters other than tab are not allowed in XML 1.0.
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
        }
    }
    return out;
}

// ---- map ------------------------------------------------------------------------------

struct MapFrame {
    static constexpr float kHalf = 140.0f;  // m shown on each side of the ranch point
    static constexpr float kScale = 4.0f;   // px per m
    static constexpr float kMargin = 20.0f;
    float x(float wx) const { return (wx - (kRanchPoint.x - kHalf)) * kScale + kMargin; }
    float y(float wy) const { return ((kRanchPoint.y + kHalf) - wy) * kScale + kMargin; }
    static constexpr float side = 2 * kHalf * kScale;
};

// The ground: a 20 m grid, the ranch and its 100 m radius.
void mapGround(std::string& o, const MapFrame& f) {
    // a 20 m grid
    o += "<g stroke=\"#dde5cc\" stroke-width=\"1\">\n";
    for (float m = -MapFrame::kHalf + 20; m < MapFrame::kHalf; m += 20) {
        o += fmt::format("<line x1=\"{0:.1f}\" y1=\"{1:.1f}\" x2=\"{0:.1f}\" y2=\"{2:.1f}\"/>", f.x(kRanchPoint.x + m),
                         MapFrame::kMargin, MapFrame::kMargin + MapFrame::side);
        o += fmt::format("<line x1=\"{1:.1f}\" y1=\"{0:.1f}\" x2=\"{2:.1f}\" y2=\"{0:.1f}\"/>\n",
                         f.y(kRanchPoint.y + m), MapFrame::kMargin, MapFrame::kMargin + MapFrame::side);
    }
    o += "</g>\n";
    // the ranch and its 100 m radius
    o += fmt::format(
        R"(<circle cx="{:.1f}" cy="{:.1f}" r="{:.1f}" fill="none" stroke="#7d6608" stroke-width="2" stroke-dasharray="8 6"><title>ranch: a visit starts only with the player within 100 m</title></circle>
<circle cx="{:.1f}" cy="{:.1f}" r="6" fill="#7d6608"><title>ranch point</title></circle>
<text x="{:.1f}" y="{:.1f}" fill="#7d6608">ranch</text>
)",
        f.x(kRanchPoint.x), f.y(kRanchPoint.y), kRanchRadius * MapFrame::kScale, f.x(kRanchPoint.x), f.y(kRanchPoint.y),
        f.x(kRanchPoint.x) + 8, f.y(kRanchPoint.y) + 4);
}

// The paths walked, clipped to the map.
void mapPaths(std::string& o, const MapFrame& f, const Recorder& rec) {
    o += "<g clip-path=\"url(#mapArea)\" fill=\"none\" stroke-linejoin=\"round\">\n";
    auto polyline = [&](const std::vector<PathPoint>& path, const char* colour, float widthPx, const char* dash,
                        const std::string& label) {
        if (path.size() < 2) return;
        o += fmt::format("<polyline stroke=\"{}\" stroke-width=\"{}\"{} points=\"", colour, widthPx,
                         dash[0] ? fmt::format(" stroke-dasharray=\"{}\"", dash) : "");
        for (const PathPoint& p : path) o += fmt::format("{:.1f},{:.1f} ", f.x(p.x), f.y(p.y));
        o += fmt::format("\"><title>{}</title></polyline>\n", esc(label));
    };
    polyline(rec.playerPath(), "#7f8c8d", 1.5f, "2 3", "the player");
    for (std::size_t a = 0; a < kActorCount; ++a)
        polyline(rec.paths()[a], kActorColour[a], a < 2 ? 2.0f : 1.5f, a < 2 ? "" : "5 3",
                 std::string(actorName(static_cast<Actor>(a))) + "'s path");
    o += "</g>\n";
}

// The plug-in's fixed places: arrival points, activity spots, bedrolls, the horse point.
void mapPlaces(std::string& o, const MapFrame& f) {
    for (std::size_t i = 0; i < kArrivalPoints.size(); ++i) {
        const float x = f.x(kArrivalPoints[i].x), y = f.y(kArrivalPoints[i].y);
        o += fmt::format(
            R"(<path d="M{:.1f},{:.1f} l7,12 h-14 z" fill="#8e44ad"><title>arrival point {}</title></path><text x="{:.1f}" y="{:.1f}" fill="#8e44ad">A{}</text>
)",
            x, y - 8, i + 1, x + 9, y + 4, i + 1);
    }
    for (std::size_t i = 0; i < kActivitySpots.size(); ++i) {
        const float x = f.x(kActivitySpots[i].pos.x), y = f.y(kActivitySpots[i].pos.y);
        // rows sharing a place are drawn side by side
        const float dx = (i == 2 || i == 7) ? 14.0f : 0.0f;
        o += fmt::format(
            R"(<circle cx="{:.1f}" cy="{:.1f}" r="5" fill="#27ae60"><title>activity spot {}: {}</title></circle><text x="{:.1f}" y="{:.1f}" fill="#1e8449" font-size="11">S{}</text>
)",
            x, y, i + 1, kActivitySpots[i].scenario, x + 7 + dx * 1.6f, y - 6, i + 1);
    }
    for (std::size_t i = 0; i < kBedrolls.size(); ++i) {
        const float x = f.x(kBedrolls[i].x), y = f.y(kBedrolls[i].y);
        o += fmt::format(
            R"(<rect x="{:.1f}" y="{:.1f}" width="10" height="6" fill="#2c3e50"><title>Bedroll {} and its sleep point</title></rect><text x="{:.1f}" y="{:.1f}" fill="#2c3e50" font-size="11">B{}</text>
)",
            x - 5, y - 3, i + 1, x - 26, y + (i == 0 ? -4.0f : 12.0f), i + 1);
    }
    o += fmt::format(
        R"(<rect x="{:.1f}" y="{:.1f}" width="12" height="12" fill="none" stroke="#a0522d" stroke-width="2"><title>horse point: the horses are brought here</title></rect><text x="{:.1f}" y="{:.1f}" fill="#a0522d">horses</text>
)",
        f.x(kHorsePoint.x) - 6, f.y(kHorsePoint.y) - 6, f.x(kHorsePoint.x) + 9, f.y(kHorsePoint.y) + 4);
    o += fmt::format("<text x=\"{:.1f}\" y=\"{:.1f}\" fill=\"#555\" font-size=\"11\">20 m grid; north up</text>\n",
                     MapFrame::kMargin + 4, MapFrame::kMargin + MapFrame::side - 6);
}

// The legend beside the map; returns where the next line goes.
float mapLegend(std::string& o, float panelX, const std::string& title) {
    float ly = 40;
    o += fmt::format("<text x=\"{:.0f}\" y=\"{:.0f}\" font-size=\"15\" font-weight=\"bold\">{}</text>\n", panelX, ly,
                     esc(title));
    ly += 26;
    for (std::size_t a = 0; a < kActorCount; ++a, ly += 20)
        o += fmt::format(
            R"(<line x1="{0:.0f}" y1="{1:.0f}" x2="{2:.0f}" y2="{1:.0f}" stroke="{3}" stroke-width="3"{4}/><text x="{5:.0f}" y="{6:.0f}">{7}</text>
)",
            panelX, ly, panelX + 30, kActorColour[a], a < 2 ? "" : " stroke-dasharray=\"5 3\"", panelX + 38, ly + 4,
            esc(actorName(static_cast<Actor>(a))));
    o += fmt::format(
        R"(<line x1="{0:.0f}" y1="{1:.0f}" x2="{2:.0f}" y2="{1:.0f}" stroke="#7f8c8d" stroke-width="2" stroke-dasharray="2 3"/><text x="{3:.0f}" y="{4:.0f}">the player</text>
)",
        panelX, ly, panelX + 30, panelX + 38, ly + 4);
    ly += 24;
    for (const char* t : {"A1-A5  arrival points", "S1-S8  activity spots", "B1, B2  bedrolls and sleep points",
                          "dashed circle  100 m around the ranch"})
        o += fmt::format("<text x=\"{:.0f}\" y=\"{:.0f}\">{}</text>\n", panelX, ly, esc(t)), ly += 18;

    return ly;
}

// The developer overlay's texts of the last frame, in a dark box under the legend.
void mapOverlay(std::string& o, float panelX, float ly, const std::vector<host::DrawnText>& overlay) {
    ly += 16;
    o += fmt::format("<text x=\"{:.0f}\" y=\"{:.0f}\" font-weight=\"bold\">developer overlay, last frame</text>\n",
                     panelX, ly);
    ly += 8;
    const float boxH = 16.0f * static_cast<float>(overlay.size()) + 12;
    o += fmt::format("<rect x=\"{:.0f}\" y=\"{:.0f}\" width=\"350\" height=\"{:.0f}\" fill=\"#222\"/>\n", panelX - 4,
                     ly, boxH);
    ly += 18;
    for (const host::DrawnText& t : overlay) {
        o += fmt::format(
            "<text x=\"{:.0f}\" y=\"{:.0f}\" fill=\"rgb({},{},{})\" font-family=\"monospace\" "
            "font-size=\"11\">{}</text>\n",
            panelX + 2, ly, std::clamp(t.r, 0, 255), std::clamp(t.g, 0, 255), std::clamp(t.b, 0, 255), esc(t.text));
        ly += 16;
    }
}

}  // namespace

std::string mapSvg(const Recorder& rec, const std::vector<host::DrawnText>& overlay, const std::string& title) {
    const MapFrame f;
    const float panelX = MapFrame::side + 2 * MapFrame::kMargin;
    const float width = panelX + 360, height = MapFrame::side + 2 * MapFrame::kMargin;
    std::string o;
    o += fmt::format(R"(<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="{0:.0f}" height="{1:.0f}" viewBox="0 0 {0:.0f} {1:.0f}" font-family="sans-serif" font-size="12">
<title>{2}</title>
<defs><clipPath id="mapArea"><rect x="{3:.0f}" y="{3:.0f}" width="{4:.0f}" height="{4:.0f}"/></clipPath></defs>
<rect width="100%" height="100%" fill="#fbfaf5"/>
<rect x="{3:.0f}" y="{3:.0f}" width="{4:.0f}" height="{4:.0f}" fill="#eef3e2" stroke="#888"/>
)",
                     width, height, esc(title), MapFrame::kMargin, MapFrame::side);
    mapGround(o, f);
    mapPaths(o, f, rec);
    mapPlaces(o, f);
    const float ly = mapLegend(o, panelX, title);
    if (!overlay.empty()) mapOverlay(o, panelX, ly, overlay);
    o += "</svg>\n";
    return o;
}

namespace {

// Where the timeline's parts go: hours across, a row per actor.
struct TimeAxis {
    double hours = 1, pxPerHour = 2, left = 150, top = 60, rowH = 34, rowGap = 10, plotW = 0, rowsBottom = 0;
    double x(int32_t t) const { return left + static_cast<double>(t) / kMsPerHour * pxPerHour; }
};

// Nights shaded, and the visits.
void timelineNightsAndVisits(std::string& o, const TimeAxis& ax, const Recorder& rec, int32_t endTime) {
    // Nights (22:00 to 06:00) shaded; the clock hour of game time t is (startHour + t / 1 h) mod 24.
    const std::string startText = rec.clockText(0);
    const int startHour = std::stoi(startText.substr(startText.find(' ', 4) + 1, 2));
    for (int h = 0; h < static_cast<int>(ax.hours); ++h) {
        const int clock = (startHour + h) % 24;
        if (isNightHour(clock))
            o += fmt::format("<rect x=\"{:.1f}\" y=\"{:.0f}\" width=\"{:.1f}\" height=\"{:.0f}\" fill=\"#e3e7f1\"/>\n",
                             ax.x(h * kMsPerHour), ax.top, ax.pxPerHour, ax.rowsBottom - ax.top);
    }
    // visits
    for (const Visit& v : rec.visits()) {
        const int32_t end = v.ended ? v.end : endTime;
        o += fmt::format(
            R"(<rect x="{:.1f}" y="{:.0f}" width="{:.1f}" height="14" fill="#f9e79f" stroke="#b7950b"><title>visit: {} to {}</title></rect>
)",
            ax.x(v.start), ax.top + 2, std::max(1.0, ax.x(end) - ax.x(v.start)), rec.clockText(v.start),
            v.ended ? rec.clockText(v.end) : "the end of the run");
    }
    o += fmt::format("<text x=\"10\" y=\"{:.0f}\">visits</text>\n", ax.top + 13);
}

// Hour ticks, labelled at a spacing that leaves room for the text.
void timelineTicks(std::string& o, const TimeAxis& ax, const Recorder& rec) {
    int labelEvery = 24;
    for (int n : {1, 2, 3, 6, 12, 24}) {
        if (n * ax.pxPerHour >= 70) {
            labelEvery = n;
            break;
        }
    }
    for (int h = 0; h <= static_cast<int>(ax.hours); ++h) {
        const double tx = ax.x(h * kMsPerHour);
        const bool label = h % labelEvery == 0;
        o += fmt::format("<line x1=\"{0:.1f}\" y1=\"{1:.0f}\" x2=\"{0:.1f}\" y2=\"{2:.0f}\" stroke=\"{3}\"/>\n", tx,
                         ax.top - (label ? 8 : 4), label ? ax.rowsBottom : ax.top, label ? "#ccc" : "#999");
        if (label) {
            const std::string t = rec.clockText(h * kMsPerHour);
            o += fmt::format("<text x=\"{:.1f}\" y=\"{:.0f}\" font-size=\"10\" text-anchor=\"middle\">{}</text>\n", tx,
                             ax.top - 12, esc(t.substr(0, t.size() - 3)));
        }
    }
}

// One row per actor, each visitor above its horse.
void timelineRows(std::string& o, const TimeAxis& ax, const Recorder& rec) {
    constexpr std::size_t kRowOrder[kActorCount] = {0, 2, 1, 3};
    for (std::size_t r = 0; r < kActorCount; ++r) {
        const std::size_t a = kRowOrder[r];
        const double y = ax.top + 24 + static_cast<double>(r) * (ax.rowH + ax.rowGap);
        o += fmt::format("<text x=\"10\" y=\"{:.0f}\" fill=\"{}\" font-weight=\"bold\">{}</text>\n",
                         y + ax.rowH / 2 + 4, kActorColour[a], esc(actorName(static_cast<Actor>(a))));
        o += fmt::format("<line x1=\"{0:.0f}\" y1=\"{1:.0f}\" x2=\"{2:.0f}\" y2=\"{1:.0f}\" stroke=\"#ddd\"/>\n",
                         ax.left, y + ax.rowH, ax.left + ax.plotW);
        for (const Segment& s : rec.segments()[a]) {
            const double x0 = ax.x(s.start), w = std::max(1.0, ax.x(s.end) - x0);
            o += fmt::format(
                R"(<rect x="{:.2f}" y="{:.0f}" width="{:.2f}" height="{:.0f}" fill="{}"><title>{}: {} ({}), {} to {}</title></rect>
)",
                x0, y, w, ax.rowH, kindColour(s.kind), esc(actorName(static_cast<Actor>(a))), esc(s.label),
                segKindName(s.kind), rec.clockText(s.start), rec.clockText(s.end));
            if (w > 7.0 * static_cast<double>(s.label.size()) + 6)
                o += fmt::format("<text x=\"{:.1f}\" y=\"{:.0f}\" fill=\"#fff\" font-size=\"10\">{}</text>\n", x0 + 3,
                                 y + ax.rowH / 2 + 4, esc(s.label));
        }
    }
}

void timelineLegend(std::string& o, const TimeAxis& ax) {
    double lx = ax.left;
    const double ly = ax.rowsBottom + 30;
    for (SegKind k : {SegKind::Arrive, SegKind::Spot, SegKind::Chore, SegKind::Nearby, SegKind::Walk, SegKind::Sleep,
                      SegKind::Departure, SegKind::HorseIdle, SegKind::Wander}) {
        o += fmt::format(
            "<rect x=\"{:.0f}\" y=\"{:.0f}\" width=\"14\" height=\"14\" fill=\"{}\"/><text x=\"{:.0f}\" "
            "y=\"{:.0f}\">{}</text>\n",
            lx, ly, kindColour(k), lx + 18, ly + 11, segKindName(k));
        lx += 30 + 7.0 * static_cast<double>(std::string(segKindName(k)).size());
    }
    o += fmt::format(
        "<rect x=\"{:.0f}\" y=\"{:.0f}\" width=\"14\" height=\"14\" fill=\"#e3e7f1\"/><text x=\"{:.0f}\" "
        "y=\"{:.0f}\">night, {:02}:00 to {:02}:00</text>\n",
        ax.left, ly + 26, ax.left + 18, ly + 37, tw::kDayEndHour + 1, tw::kDayStartHour);
}

}  // namespace

std::string timelineSvg(const Recorder& rec, int32_t endTime, const std::string& title) {
    TimeAxis ax;
    ax.hours = std::max(1.0, static_cast<double>(endTime) / kMsPerHour);
    ax.pxPerHour = std::clamp(1600.0 / ax.hours, 2.0, 60.0);
    ax.plotW = ax.hours * ax.pxPerHour;
    ax.rowsBottom = ax.top + 24 + kActorCount * (ax.rowH + ax.rowGap);
    const double width = ax.left + ax.plotW + 30, height = ax.rowsBottom + 110;
    std::string o;
    o += fmt::format(R"(<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="{0:.0f}" height="{1:.0f}" viewBox="0 0 {0:.0f} {1:.0f}" font-family="sans-serif" font-size="12">
<title>{2}</title>
<rect width="100%" height="100%" fill="#fbfaf5"/>
<text x="10" y="24" font-size="15" font-weight="bold">{2}</text>
)",
                     width, height, esc(title));
    timelineNightsAndVisits(o, ax, rec, endTime);
    timelineTicks(o, ax, rec);
    timelineRows(o, ax, rec);
    timelineLegend(o, ax);
    o += "</svg>\n";
    return o;
}

}  // namespace sim
