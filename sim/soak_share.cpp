// The seed loop of both soaks: the Linux one's every job (soak.cpp) and the one under Wine
// (win/soak_standin.cpp). The standard library only.
#include <cstdio>

#include "scratch_dir.h"
#include "soak.h"

namespace sim {

void runSeedShare(const SoakOptions& o, int share, int stride, bool progress,
                  const std::function<void(const SeedResult&)>& done) {
    ScratchDir dir("tamberwick-soak");
    for (int i = share; i < o.seeds; i += stride) {
        const uint64_t seed = o.firstSeed + static_cast<uint64_t>(i);
        SeedResult r;
        if (!dir.ok) {
            r.seed = seed;
            r.failure = "cannot make a temporary working directory";
        } else {
            r = runSoakSeed(seed, o);
        }
        done(r);
        if (progress) {
            std::fputc('.', stderr);
            std::fflush(stderr);
        }
    }
}

}  // namespace sim
