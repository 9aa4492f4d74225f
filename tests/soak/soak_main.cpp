// qd5_soak [passes] [seed]: the long random-event soak. Prints the passes per
// second, or the seed and pass of the first failure so that it replays.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "soak/soak.h"

int main(int argc, char** argv) {
    const unsigned long long passes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 10000000ull;
    const unsigned long long seed =
        argc > 2
            ? std::strtoull(argv[2], nullptr, 10)
            : static_cast<unsigned long long>(std::chrono::system_clock::now().time_since_epoch().count());
    std::printf("soak: %llu passes, seed %llu\n", passes, seed);
    const auto start = std::chrono::steady_clock::now();
    const SoakResult result = run_soak(seed, passes);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!result.ok) {
        std::printf("FAILED: %s\nreplay: qd5_soak %llu %llu\n", result.failure, passes, seed);
        return 1;
    }
    std::printf("ok: %llu passes in %.1f s, %.0f passes per second\n",
                static_cast<unsigned long long>(result.passes), seconds,
                static_cast<double>(result.passes) / seconds);
    return 0;
}
