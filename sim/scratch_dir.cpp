#include "scratch_dir.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>

namespace sim {

namespace fs = std::filesystem;

ScratchDir::ScratchDir(const char* prefix) {
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    if (ec) return;
    // A name nobody else is likely to pick; create_directory refuses one that exists, so two
    // runs side by side never share a directory.
    std::random_device device;
    std::mt19937_64 names(device() ^
                          static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int attempt = 0; attempt < 100 && path.empty(); ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "-%012llx", static_cast<unsigned long long>(names() & 0xFFFFFFFFFFFFull));
        const fs::path p = base / (std::string(prefix) + name);
        if (fs::create_directory(p, ec)) path = p.string();
    }
    if (path.empty()) return;
    fs::permissions(path, fs::perms::owner_all, ec);  // as mkdtemp makes it, where the system has such rights
    previous = fs::current_path(ec).string();
    if (ec) return;
    fs::current_path(path, ec);
    ok = !ec;
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    if (!previous.empty()) {
        fs::current_path(previous, ec);
        if (ec)
            std::fprintf(stderr, "returning to the working directory %s: %s\n", previous.c_str(), ec.message().c_str());
    }
    if (!path.empty()) fs::remove_all(path, ec);
}

}  // namespace sim
