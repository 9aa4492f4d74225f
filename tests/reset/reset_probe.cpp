// Prints the frames of the fixed walk as a freshly started program shows them,
// for the reset test to compare with the walk after a reset.
#include <cstdio>

#include "reset/fixed_walk.h"

int main() {
    for (uint64_t frame : fixed_walk_frames())
        std::printf("%016llx\n", static_cast<unsigned long long>(frame));
    return 0;
}
