// A temporary working directory, entered when made and left and removed when it goes, for
// runs of the plug-in, which reads its settings file and writes its captures in the current
// directory.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace sim {

struct ScratchDir {
    std::string path, previous;
    bool ok = false;  // made and entered

    // prefix: the directory's name before its random part, under /tmp.
    explicit ScratchDir(const char* prefix) {
        std::string tmpl = std::string("/tmp/") + prefix + "-XXXXXX";
        if (!mkdtemp(tmpl.data())) return;
        path = tmpl;
        std::error_code ec;
        previous = std::filesystem::current_path(ec).string();
        ok = !ec && chdir(path.c_str()) == 0;
    }
    ~ScratchDir() {
        if (!previous.empty() && chdir(previous.c_str()) != 0)
            std::perror("tamberwick-sim: returning to the working directory");
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
};

}  // namespace sim
