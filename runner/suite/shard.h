// One of N deterministic slices of a suite, for the parallel jobs of a CI
// matrix: the scenarios sorted by path, then every Nth from the Kth, so that
// the slices do not depend on the order the shell lists the files in, and
// together they hold every scenario once.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

constexpr int MAX_SHARDS = 1000;

struct Shard {
    int k = 1, n = 1; // the Kth of N, 1 <= K <= N
};

// "K/N"; false with why otherwise.
bool parse_shard(const std::string& text, Shard& shard, std::string& why);
// The indices into files of the shard's scenarios, in path order.
std::vector<std::size_t> shard_indices(const std::vector<std::string>& files, const Shard& shard);
