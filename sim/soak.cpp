// The soak's seeds in child processes side by side, each handing its results to the parent as
// text; one seed's run is in soak_seed.cpp, the seed loop in soak_share.cpp and the report in
// soak_report.cpp.
#include "soak.h"

#include <fmt/format.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace sim {

namespace {

namespace fs = std::filesystem;

// One seed's result as text lines, so a child process can hand it to the parent.
void writeResult(std::ostream& out, const SeedResult& r) {
    out << "S " << r.seed << ' ' << r.cooldownHours << ' ' << r.durationHours << ' ' << r.devBuild << ' '
        << r.crossesWrap << ' ' << r.startTime << ' ' << r.frames << ' ' << r.hostCalls << ' ' << r.visitsStarted << ' '
        << r.visitsEnded << ' ' << r.visitsStartedAfterWrap << ' ' << r.visitsEndedAfterWrap << ' ' << r.longestPassMs
        << ' ' << r.longestPollMs << ' ' << r.longestEligibleWait << ' ' << r.deadHandleTests << ' '
        << r.startsWithNobody << ' ' << r.visitsCutByReload;
    for (uint64_t n : r.faults) out << ' ' << n;
    out << '\n';
    auto clean = [](std::string s) {
        std::replace(s.begin(), s.end(), '\n', ' ');
        std::replace(s.begin(), s.end(), '\t', ' ');
        return s;
    };
    for (const Violation& v : r.violations)
        out << "V " << v.frame << ' ' << v.gameTime << ' ' << v.runMs << '\t' << clean(v.kind) << '\t' << clean(v.text)
            << '\t' << clean(v.calls) << '\n';
    if (!r.failure.empty()) out << "F\t" << clean(r.failure) << '\n';
}

std::vector<SeedResult> readResults(std::istream& in) {
    std::vector<SeedResult> out;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        if (line[0] == 'S') {
            SeedResult r;
            std::istringstream s(line.substr(2));
            s >> r.seed >> r.cooldownHours >> r.durationHours >> r.devBuild >> r.crossesWrap >> r.startTime >>
                r.frames >> r.hostCalls >> r.visitsStarted >> r.visitsEnded >> r.visitsStartedAfterWrap >>
                r.visitsEndedAfterWrap >> r.longestPassMs >> r.longestPollMs >> r.longestEligibleWait >>
                r.deadHandleTests >> r.startsWithNobody >> r.visitsCutByReload;
            for (uint64_t& n : r.faults) s >> n;
            out.push_back(std::move(r));
        } else if (line[0] == 'V' && !out.empty()) {
            Violation v;
            const auto tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1), tab3 = line.find('\t', tab2 + 1);
            std::istringstream s(line.substr(2, tab1 - 2));
            s >> v.frame >> v.gameTime >> v.runMs;
            v.kind = line.substr(tab1 + 1, tab2 - tab1 - 1);
            v.text = line.substr(tab2 + 1, tab3 - tab2 - 1);
            if (tab3 != std::string::npos) v.calls = line.substr(tab3 + 1);
            out.back().violations.push_back(std::move(v));
        } else if (line[0] == 'F' && !out.empty()) {
            out.back().failure = line.substr(2);
        }
    }
    return out;
}

// Runs the seeds first + share + k * stride (k = 0, 1, ...) in this process, writing results to out.
void runShare(const SoakOptions& o, int share, int stride, std::ostream& out, bool progress) {
    runSeedShare(o, share, stride, progress, [&out](const SeedResult& r) {
        writeResult(out, r);
        out.flush();
    });
}

// Runs the seeds in `jobs` child processes, each writing its results to a file; false when the
// jobs could not be started at all.
bool runJobs(const SoakOptions& o, int jobs, bool progress, std::vector<SeedResult>& results) {
    char tmpl[] = "/tmp/tamberwick-soak-jobs-XXXXXX";
    if (!mkdtemp(tmpl)) {
        fmt::print(stderr, "tamberwick-sim: cannot make a temporary directory for the jobs\n");
        return false;
    }
    const fs::path jobDir = tmpl;
    std::fflush(nullptr);
    std::vector<pid_t> children;
    for (int j = 0; j < jobs; ++j) {
        const pid_t pid = fork();
        if (pid == 0) {
            std::ofstream file(jobDir / fmt::format("job{}.txt", j), std::ios::binary);
            runShare(o, j, jobs, file, progress);
            file.close();
            std::_Exit(file ? 0 : 3);
        }
        if (pid < 0) {
            fmt::print(stderr, "tamberwick-sim: cannot start job {}\n", j);
            break;
        }
        children.push_back(pid);
    }
    bool jobFailed = children.size() != static_cast<std::size_t>(jobs);
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) jobFailed = true;
    }
    for (int j = 0; j < jobs; ++j) {
        std::ifstream file(jobDir / fmt::format("job{}.txt", j), std::ios::binary);
        auto part = readResults(file);
        results.insert(results.end(), std::make_move_iterator(part.begin()), std::make_move_iterator(part.end()));
    }
    std::error_code ec;
    fs::remove_all(jobDir, ec);
    if (jobFailed) fmt::print(stderr, "tamberwick-sim: a soak job ended abnormally; its remaining seeds are missing\n");
    return true;
}

}  // namespace

int runSoak(const SoakOptions& o, std::FILE* out) {
    const auto wallStart = std::chrono::steady_clock::now();
    const int jobs = std::clamp(o.jobs, 1, std::max(1, o.seeds));
    const bool progress = isatty(STDERR_FILENO) != 0;
    std::vector<SeedResult> results;
    if (jobs == 1) {
        std::stringstream text;
        runShare(o, 0, 1, text, progress);
        results = readResults(text);
    } else if (!runJobs(o, jobs, progress, results)) {
        return 1;
    }
    if (progress) std::fprintf(stderr, "\n");
    std::sort(results.begin(), results.end(), [](const SeedResult& a, const SeedResult& b) { return a.seed < b.seed; });
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();

    return printSoakReport(o, results, jobs, wall, out);
}

}  // namespace sim
