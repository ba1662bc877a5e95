#!/usr/bin/env python3
"""The replay page as a person sees it, in a real headless Chromium.

Each case runs tamberwick-sim with --report into a folder of its own, opens replay.html from
disk and checks what the browser shows: label texts, where markers are drawn, what a key or a
click does, the details shown. What the page should show is taken from the simulator's text
timeline where it can be; the page's own data only says where things are on the map. Every
case also fails on an error in the browser's console and on any request beyond the page.

    replay_test.py --sim PATH --scenarios DIR --out DIR CASE
"""

import argparse
import json
import math
import os
import re
import subprocess
import sys
import time
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cdp import Browser, BrowserError  # noqa: E402

LINE = re.compile(r"^(Day \d+ \d\d:\d\d:\d\d)  (.*)$")
NEAR_PX = 4.0  # "within a few pixels"


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)


class Case:
    def __init__(self, args, name):
        self.sim, self.scenarios = args.sim, args.scenarios
        self.dir = os.path.join(args.out, name)
        os.makedirs(self.dir, exist_ok=True)
        self.browser = None

    def run_sim(self, *args, report="report"):
        """Runs the simulator with a report folder; returns the folder and the timeline's lines."""
        folder = os.path.join(self.dir, report)
        cmd = [self.sim, "--no-timing", "--report", folder, *args]
        done = subprocess.run(cmd, capture_output=True, text=True, timeout=120)
        check(done.returncode == 0, f"{' '.join(cmd)} exited {done.returncode}: {done.stderr}")
        lines = [m.groups() for m in map(LINE.match, done.stdout.splitlines()) if m]
        check(f"  replay page       {os.path.abspath(os.path.join(folder, 'replay.html'))}" in done.stdout,
              "the summary names the replay page")
        return folder, lines

    def open(self, folder, fragment=""):
        url = "file://" + urllib.parse.quote(os.path.abspath(os.path.join(folder, "replay.html")))
        self.browser.open(url + ("#" + fragment if fragment else ""))

    # ---- what the page shows -------------------------------------------------------------

    def js(self, expression):
        return self.browser.evaluate(expression)

    def text(self, selector):
        return self.js(f"(document.querySelector({json.dumps(selector)}) || {{}}).textContent")

    def centre(self, selector):
        return self.js(f"""(() => {{ const e = document.querySelector({json.dumps(selector)});
            if (!e || getComputedStyle(e).display === 'none') return null;
            const r = e.getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; }})()""")

    def data(self):
        return self.js("JSON.parse(document.getElementById('run-data').textContent)")

    def map_point(self, data, x, y):
        """Where world point (x, y) is drawn, measured from two of the fixed places on the map."""
        (ax, ay), (bx, by) = data["places"]["ranch"], data["places"]["spots"][1][:2]
        (pax, pay), (pbx, pby) = self.centre("#ranch-point"), self.centre("#spot-2")
        return [pax + (x - ax) * (pbx - pax) / (bx - ax), pay + (y - ay) * (pby - pay) / (by - ay)]

    def near(self, selector, point, what, within=NEAR_PX):
        at = self.centre(selector)
        check(at is not None, f"{selector} is shown ({what})")
        d = math.dist(at, point)
        check(d <= within, f"{what}: {selector} is {d:.1f} px from where it belongs ({at} against {point})")

    def click(self, selector):
        at = self.centre(selector)
        check(at is not None, f"{selector} is on the page")
        self.browser.click(*at)

    def hash_time(self):
        return urllib.parse.parse_qs(self.js("location.hash").lstrip("#")).get("t", [None])[0]


def when(lines, pattern, after="Day 0"):
    """The first timeline line matching pattern after the given clock text: (clock, text)."""
    for clock, text in lines:
        if clock_key(clock) > clock_key(after) and re.search(pattern, text):
            return clock, text
    raise Failure(f"the timeline has no line matching {pattern!r} after {after}")


def clock_text(data, t):
    s = data["clock"]["startHour"] * 3600 + t * 3600 // data["clock"]["msPerHour"]
    return f"Day {s // 86400 + 1} {s // 3600 % 24:02}:{s // 60 % 60:02}:{s % 60:02}"


def clock_key(clock):
    day, rest = re.match(r"Day (\d+) ?(.*)", clock).groups()
    return (int(day), rest)


# ---- the cases ---------------------------------------------------------------------------


def case_moment(c):
    """Opening an address shows that moment: labels, markers at their places, sleepers in bed."""
    folder, lines = c.run_sim()
    first_clock, first = when(lines, r"^Sadie starts ")
    activity = first[len("Sadie starts "):]
    arrive_clock, arrival = when(lines, r"^Sadie arrives ")
    ax, ay = map(float, re.search(r"at \((-?[\d.]+), (-?[\d.]+)\)$", arrival).groups())

    # Just after she is sent to her first activity she is still where she arrived.
    c.open(folder, "t=Day1-08:06:40")
    check(first_clock <= "Day 1 08:06:40" and arrive_clock < first_clock, f"the run starts as expected: {first}")
    data = c.data()
    label = c.text("#label-sadie")
    check(label.startswith(f"Sadie: {activity}"), f"Sadie's label reads her first activity: {label!r}")
    c.near("#marker-sadie", c.map_point(data, ax, ay), "Sadie at 08:06:40, where she arrived")
    check(c.text("#clock") == "Day 1 08:06:40", "the clock shows the moment asked for")

    # On her way there, at the in-game second of a sample of her recorded path, she is drawn at it.
    path = data["paths"][0]
    samples = [path[i:i + 3] for i in range(0, len(path), 3)]
    walk = []  # her first walk: the samples after she is sent off, until she stops
    for s, n in zip(samples, samples[1:]):
        if clock_key(clock_text(data, s[0])) > clock_key(first_clock):
            if s[1:] == n[1:] and walk:
                break
            walk.append(s)
    check(len(walk) > 10, "she walks to the spot")
    t, x, y = walk[len(walk) // 2]
    moment = clock_text(data, t)
    c.open(folder, "t=" + moment.replace("Day ", "Day").replace(" ", "-"))
    check(c.text("#label-sadie") == f"Sadie: {activity}, on the way there", f"her label on the way: {c.text('#label-sadie')!r}")
    c.near("#marker-sadie", c.map_point(data, x, y), f"Sadie at {moment}, on her recorded path", within=1.5)

    # Once there, her marker is at the activity spot; the label still reads the same activity.
    spot = re.search(r"at activity spot (\d+)", activity)
    check(spot, f"her first activity is at an activity spot: {activity}")
    next_clock, _ = when(lines, r"^Sadie starts ", after=first_clock)
    check(next_clock > "Day 1 08:45:00", "her first activity lasts past 08:45")
    c.open(folder, "t=Day1-08:45:00&sel=sadie")
    check(c.text("#label-sadie") == f"Sadie: {activity}", f"Sadie's label at 08:45: {c.text('#label-sadie')!r}")
    c.near("#marker-sadie", c.centre(f"#spot-{spot.group(1)}"), f"Sadie at activity spot {spot.group(1)} at 08:45")

    # At night both visitors sleep, each at the bedroll the timeline says.
    c.open(folder, "t=Day2-02:00:00")
    for name, key in (("Sadie", "sadie"), ("Charles", "charles")):
        _, bed_line = when(lines, rf"^{name} lies down on Bedroll \d")
        bed = bed_line[-1]
        label = c.text(f"#label-{key}")
        check(label == f"{name}: sleeps on Bedroll {bed}", f"{name}'s label at night: {label!r}")
        check(c.js(f"document.getElementById('marker-{key}').classList.contains('asleep')"), f"{name} is drawn asleep")
        c.near(f"#marker-{key}", c.centre(f"#bedroll-{bed}"), f"{name} at night, on Bedroll {bed}")
    check(c.text("#daynight") == "night", "the page says it is night")


def case_keys(c):
    """Space plays and pauses; the arrows step from event to event; Home and End."""
    folder, lines = c.run_sim()
    c.open(folder, "t=Day1-12:00:00")
    data = c.data()
    start = 12 * 3600 - data["clock"]["startHour"] * 3600
    t0 = math.ceil((start + 1) * data["clock"]["msPerHour"] / 3600) - 1  # the moment's last ms
    later = [e for e in data["events"] if e[0] > t0]
    check(later, "there are events after noon")
    nxt = later[0]
    c.browser.key("ArrowRight", key_code=39)
    clock = c.text("#clock")
    check(clock == clock_text(data, nxt[0]), f"the right arrow moves to the next event, {nxt[3]!r}: {clock}")
    check(nxt[1] == data["eventKinds"].index("log") or (clock, nxt[3]) in lines,
          f"the event is the timeline's: {clock}  {nxt[3]}")
    check(c.hash_time() == clock.replace("Day ", "Day").replace(" ", "-"), f"the address holds it: {c.hash_time()}")
    check(nxt[3] in c.text("#events li.current"), "the event list marks the event")
    check(nxt[3] in c.text("#details"), "the details show the event")

    c.browser.key("ArrowLeft", key_code=37)
    back = c.text("#clock")
    check(clock_key(back) <= clock_key("Day 1 12:00:00"), f"the left arrow steps back before noon: {back}")
    c.browser.key("End", key_code=35)
    end_clock = c.text("#clock")
    check(clock_key(end_clock) >= clock_key("Day 3 20:00:00"), f"End goes to the end of the run: {end_clock}")
    c.browser.key("Home", key_code=36)
    check(c.text("#clock") == "Day 1 08:00:00", f"Home goes to the start: {c.text('#clock')}")

    c.browser.key(" ", "Space", 32)
    check(c.text("#play") == "Pause", "space plays")
    time.sleep(0.4)
    c.browser.key(" ", "Space", 32)
    check(c.text("#play") == "Play", "space pauses")
    paused = c.text("#clock")
    check(clock_key(paused) > clock_key("Day 1 08:00:30"), f"playing moved the clock on: {paused}")
    time.sleep(0.2)
    check(c.text("#clock") == paused, "paused, the clock stays")


def case_details(c):
    """A click on a bar, or on an event, moves the cursor there and shows what it was."""
    folder, lines = c.run_sim()
    c.open(folder)
    start, text = when(lines, r"^Sadie starts WORLD_HUMAN_SIT_DRINK at activity spot 8$")
    end, _ = when(lines, r"^Sadie (starts|walks|lies|says HEADING_OUT)", after=start)
    spoken = [f"{clock}  {t}" for clock, t in lines
              if clock_key(start) <= clock_key(clock) <= clock_key(end) and re.search(r" says ", t)]
    check(spoken, "lines are spoken during the activity")
    bar = c.js(f"""(() => {{ const bars = [...document.querySelectorAll('#timeline rect.seg[data-actor="0"]')];
        const b = bars.find((r) => r.textContent.includes({json.dumps(', ' + start + ' to ')}));
        if (!b) return null; b.id = 'picked-bar'; return b.getAttribute('width'); }})()""")
    check(bar is not None, f"the timeline has Sadie's bar from {start}")
    c.click("#picked-bar")
    details = c.text("#details")
    check(c.text("#clock") == start, f"the cursor moves to the bar's start: {c.text('#clock')}")
    for expected in ("Sadie: WORLD_HUMAN_SIT_DRINK at activity spot 8", "kindactivity spot",
                     "spotactivity spot 8 (WORLD_HUMAN_SIT_DRINK)", f"start{start}", f"end{end}", "length"):
        check(expected in details, f"the details show {expected!r}: {details!r}")
    for line in spoken:
        check(line in details, f"the details list the line {line!r}")
    check("sel=sadie" in c.js("location.hash"), "the address holds the selection")
    marked = c.js("[...document.querySelectorAll('#timeline rect.seg.selected')].map((r) => r.textContent)")
    check(len(marked) == 1 and f", {start} to {end}" in marked[0], f"the bar is marked: {marked}")

    # An event of the list: the cursor goes to it and the details follow who it is about.
    clock, greet = when(lines, r"^Charles says GREET_")
    item = c.js(f"""(() => {{ const li = [...document.querySelectorAll('#events li')].find((l) =>
        l.textContent === {json.dumps(clock + greet)}); if (!li) return false; li.firstChild.id = 'picked-event';
        return true; }})()""")
    check(item, f"the event list has {greet}")
    c.click("#picked-event")
    check(c.text("#clock") == clock, "a click on an event moves the cursor to it")
    check(c.text("#details h2").startswith("Charles: "), f"the details are Charles's: {c.text('#details h2')!r}")
    check(greet in c.text("#details .at-cursor"), "and show the event")


def case_screenshot(c):
    """The default page within its budget, ready in time, as a picture; the long run still opens."""
    folder, _ = c.run_sim()
    size = os.path.getsize(os.path.join(folder, "replay.html"))
    check(size <= 2 * 1024 * 1024, f"the page is {size} bytes, over 2 MB")
    c.open(folder, "t=Day1-15:21:00&sel=charles")
    ready = c.js("window.replayReadyMs")
    check(ready < 1000, f"the page took {ready:.0f} ms to be ready")
    time.sleep(0.1)
    shot = os.path.join(c.dir, "..", "replay.png")
    c.browser.screenshot(shot)
    check(os.path.getsize(shot) > 20000, "the screenshot holds a picture")
    print(f"default scenario: {size} bytes, ready in {ready:.0f} ms; screenshot {os.path.abspath(shot)}")

    long_folder, _ = c.run_sim("--hours", "600", report="long")
    long_size = os.path.getsize(os.path.join(long_folder, "replay.html"))
    c.open(long_folder, "t=Day20-12:00:00")
    long_ready = c.js("window.replayReadyMs")
    check(c.text("#clock") == "Day 20 12:00:00", "the long run's page shows the moment")
    print(f"--hours 600: {long_size} bytes, ready in {long_ready:.0f} ms")


def case_faults(c):
    """The start that brought nobody and the night walk held by an obstacle."""
    folder, lines = c.run_sim(os.path.join(c.scenarios, "nights-and-failed-starts.json"))
    c.open(folder)
    check(c.js("document.querySelectorAll('#timeline rect.visit-bar.nobody').length") == 2,
          "the two starts that brought nobody are drawn as such")
    begun, _ = when(lines, r"^visit 1 begins$")
    c.click('#timeline rect.visit-bar[data-visit="0"]')
    check(c.text("#details h2") == "Visit 1: the start brought nobody", f"its details: {c.text('#details h2')!r}")
    check(c.text("#clock") == begun, "the cursor moves to that start")
    check("sel=visit-1" in c.js("location.hash"), "the address holds the visit")

    held_clock, held = when(lines, r"^an obstacle holds sadie")
    walk_clock, walk = when(lines, r"^Sadie walks to Bedroll \d$")
    check(walk_clock < held_clock, "she was on her way to bed when held")
    marks = c.js("[...document.querySelectorAll('#timeline .fault-mark')].map((m) => m.textContent)")
    check(f"{held_clock}  {held}" in marks, f"the timeline marks the fault: {marks}")

    frag = held_clock.replace("Day ", "Day").replace(" ", "-")
    c.open(folder, f"t={frag}")
    where_held = c.centre("#marker-sadie")
    c.open(folder, "t=Day2-02:00:00")
    label = c.text("#label-sadie")
    check(label.startswith(f"Sadie: walking {walk[len('Sadie walks '):]}") and held in label,
          f"Sadie's label says she is on her way to bed and held: {label!r}")
    check(c.js("document.getElementById('marker-sadie').classList.contains('held')"), "her marker shows the hold")
    c.near("#marker-sadie", where_held, "Sadie at 02:00, still where the obstacle held her", within=1.0)
    bed = walk[-1]
    d = math.dist(c.centre("#marker-sadie"), c.centre(f"#bedroll-{bed}"))
    check(d > 3 * NEAR_PX, f"Sadie is not at her bedroll ({d:.1f} px from it)")
    _, charles_bed = when(lines, r"^Charles lies down on Bedroll \d")
    check(c.text("#label-charles") == f"Charles: sleeps on Bedroll {charles_bed[-1]}", "Charles sleeps meanwhile")


def case_trace(c):
    """With --trace, a segment's details list the host calls of the pass it began in."""
    trace = os.path.join(c.dir, "calls.jsonl")
    folder, lines = c.run_sim("--hours", "2", "--trace", trace)
    start, text = when(lines, r"^Sadie starts .* at activity spot \d$")
    c.open(folder, f"t={start.replace('Day ', 'Day').replace(' ', '-')}&sel=sadie")
    check(c.text("#details h2") == f"Sadie: {text[len('Sadie starts '):]}", f"details: {c.text('#details h2')!r}")
    calls = c.text("#details details.pass pre")
    check(calls and "taskUseScenarioPoint(" in calls, f"the pass's calls hold the order to Sadie: {calls!r}")
    os.remove(trace)

    plain, _ = c.run_sim("--hours", "2", report="plain")
    c.open(plain, f"t={start.replace('Day ', 'Day').replace(' ', '-')}&sel=sadie")
    check(c.js("document.querySelector('#details details.pass') === null"), "without --trace no calls are kept")


def case_escaping(c):
    """A scenario's name is shown as text, and an address the page does not know is passed
    over: nothing in them runs, loads or breaks the page."""
    name = "</script><script>window.pwned = 1</script><img src=x onerror=\"window.pwned = 2\">&amp;"
    path = os.path.join(c.dir, "hostile.json")
    with open(path, "w") as f:
        json.dump({"name": name, "hours": 1}, f)
    folder, _ = c.run_sim(path)
    c.open(folder)
    check(c.js("window.pwned === undefined"), "nothing in the name ran")
    check(name in c.text("#title"), f"the name is shown as written: {c.text('#title')!r}")
    check(name in c.js("document.title"), "and as the page's title")
    for fragment in ("t=Day1-08:30:00&sel=constructor", "t=Day1-08:30:00&sel=visit-0", "t=noon&sel=__proto__"):
        c.open(folder, fragment)
        check(c.js("document.querySelector('#details .hint') !== null"), f"#{fragment} selects nothing")


CASES = {name[5:]: f for name, f in globals().items() if name.startswith("case_")}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--sim", required=True)
    parser.add_argument("--scenarios", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("case", choices=sorted(CASES))
    args = parser.parse_args()
    c = Case(args, args.case)
    started = time.monotonic()
    try:
        with Browser(log_path=os.path.join(c.dir, "chromium.log")) as browser:
            c.browser = browser
            CASES[args.case](c)
            check(not browser.console_errors, f"the console shows errors: {browser.console_errors}")
            strays = [u for u in browser.requests if not (u.startswith("file://") and u.endswith(".html")
                      or u.startswith("file://") and ".html#" in u or u.startswith("data:") or u == "about:blank")]
            check(not strays, f"the page fetched {strays}")
    except (Failure, BrowserError) as f:
        print(f"FAILED {args.case}: {f}")
        return 1
    print(f"passed {args.case} in {time.monotonic() - started:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
