#include "runner/suite/shard.h"

#include <algorithm>
#include <numeric>

namespace {

bool whole_number(const std::string& text, int& value) {
    if (text.empty() || text.size() > 4) return false;
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

} // namespace

bool parse_shard(const std::string& text, Shard& shard, std::string& why) {
    const std::size_t slash = text.find('/');
    Shard s;
    if (slash == std::string::npos || !whole_number(text.substr(0, slash), s.k) ||
        !whole_number(text.substr(slash + 1), s.n) || s.n < 1 || s.n > MAX_SHARDS || s.k < 1 || s.k > s.n) {
        why = "--shard " + text + ": give K/N with 1 <= K <= N <= " + std::to_string(MAX_SHARDS);
        return false;
    }
    shard = s;
    return true;
}

std::vector<std::size_t> shard_indices(const std::vector<std::string>& files, const Shard& shard) {
    std::vector<std::size_t> order(files.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return files[a] < files[b]; });
    std::vector<std::size_t> mine;
    for (std::size_t i = 0; i < order.size(); ++i)
        if (i % static_cast<std::size_t>(shard.n) == static_cast<std::size_t>(shard.k - 1))
            mine.push_back(order[i]);
    return mine;
}
