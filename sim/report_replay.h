// The replay page: one self-contained HTML file that plays a run back in a browser, the ranch
// map with everyone where they were at the chosen time, the timeline with a cursor, the
// events and the details of what was going on. The run's data is written into the page as
// JSON, beside its script and styles; the page fetches nothing.
#pragma once

#include <string>

#include "runner.h"
#include "scenario.h"

namespace sim {

// log: the text of the plug-in's tamberwick.log of the run, "" when the log was off.
std::string replayHtml(const RunResult& r, const Scenario& s, double hours, const std::string& title,
                       const std::string& log);

}  // namespace sim
