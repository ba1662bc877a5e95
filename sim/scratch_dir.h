// A temporary working directory, entered when made and left and removed when it goes, for
// runs of the plug-in, which reads its settings file and writes its captures in the current
// directory. The standard library only: the soak's seeds use it on Linux and, inside the Wine
// stand-in of the host library, on Windows.
#pragma once

#include <string>

namespace sim {

struct ScratchDir {
    std::string path;      // the directory made, under the system's temporary folder
    std::string previous;  // the working directory before it, entered again when it goes
    bool ok = false;       // made and entered

    // prefix: the directory's name before its random part.
    explicit ScratchDir(const char* prefix);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
};

}  // namespace sim
