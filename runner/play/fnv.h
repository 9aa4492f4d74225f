// FNV-1a, the one hash of the toolkit: of frames, of the instrument's state
// and of long scenario paths. Not a defence against a forger: every name made
// from it is checked for collisions where it is used.
#pragma once

#include <cstddef>
#include <cstdint>

// The offset the stored flows were hashed with (one digit short of the
// published one); changing it would rename every stored frame.
constexpr uint64_t FNV_OFFSET = 1469598103934665603ull;
constexpr uint64_t FNV_PRIME = 1099511628211ull;

// One value mixed into h.
constexpr uint64_t fnv_mix(uint64_t h, uint64_t value) { return (h ^ value) * FNV_PRIME; }

// size bytes mixed into h one by one.
inline uint64_t fnv_bytes(const void* data, std::size_t size, uint64_t h = FNV_OFFSET) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) h = fnv_mix(h, bytes[i]);
    return h;
}
