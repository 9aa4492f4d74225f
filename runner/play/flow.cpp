#include "runner/play/flow.h"

#include <cstdio>
#include <cstring>

#include "display/framebuffer.h"
#include "runner/play/fnv.h"

namespace {

// Beyond this many differences the middle of two flows counts as replaced
// whole, so that no pair of flows takes quadratic time.
constexpr std::size_t MAX_EDIT_DISTANCE = 300;

// Myers' shortest edit script between a and b (no common ends), as hunks.
// False when it needs more than MAX_EDIT_DISTANCE edits.
bool shortest_edits(const uint64_t* a, std::size_t n, const uint64_t* b, std::size_t m,
                    std::vector<FlowHunk>& hunks) {
    const std::size_t most = std::min(n + m, MAX_EDIT_DISTANCE);
    const std::ptrdiff_t offset = static_cast<std::ptrdiff_t>(most) + 1;
    std::vector<std::ptrdiff_t> v(2 * most + 3, 0);
    std::vector<std::vector<std::ptrdiff_t>> trace;
    const auto N = static_cast<std::ptrdiff_t>(n), M = static_cast<std::ptrdiff_t>(m);
    for (std::ptrdiff_t d = 0; d <= static_cast<std::ptrdiff_t>(most); ++d) {
        trace.push_back(v);
        for (std::ptrdiff_t k = -d; k <= d; k += 2) {
            std::ptrdiff_t x = (k == -d || (k != d && v[offset + k - 1] < v[offset + k + 1]))
                                   ? v[offset + k + 1]
                                   : v[offset + k - 1] + 1;
            std::ptrdiff_t y = x - k;
            while (x < N && y < M && a[x] == b[y]) ++x, ++y;
            v[offset + k] = x;
            if (x < N || y < M) continue;
            // Walk back through the trace, collecting the edits in reverse.
            std::vector<std::pair<std::ptrdiff_t, std::ptrdiff_t>> edits; // (x, y) before each edit
            std::vector<bool> is_delete;
            for (std::ptrdiff_t e = d; e > 0; --e) {
                const std::vector<std::ptrdiff_t>& w = trace[static_cast<std::size_t>(e)];
                const std::ptrdiff_t kk = x - y;
                const bool down = kk == -e || (kk != e && w[offset + kk - 1] < w[offset + kk + 1]);
                const std::ptrdiff_t pk = down ? kk + 1 : kk - 1;
                const std::ptrdiff_t px = w[offset + pk], py = px - pk;
                edits.emplace_back(px, py);
                is_delete.push_back(!down);
                x = px, y = py;
            }
            for (std::size_t i = edits.size(); i-- > 0;) {
                const auto [ex, ey] = edits[i];
                const bool del = is_delete[i];
                FlowHunk* last = hunks.empty() ? nullptr : &hunks.back();
                if (last == nullptr ||
                    last->expected_at + last->expected_count != static_cast<std::size_t>(ex) ||
                    last->actual_at + last->actual_count != static_cast<std::size_t>(ey)) {
                    hunks.push_back(
                        FlowHunk{static_cast<std::size_t>(ex), 0, static_cast<std::size_t>(ey), 0});
                    last = &hunks.back();
                }
                ++(del ? last->expected_count : last->actual_count);
            }
            return true;
        }
    }
    return false;
}

} // namespace

uint64_t frame_hash() {
    static_assert(sizeof FrameBuffer % sizeof(uint64_t) == 0, "the frame is whole words");
    uint64_t h = FNV_OFFSET;
    const auto* bytes = reinterpret_cast<const unsigned char*>(FrameBuffer);
    for (std::size_t i = 0; i < sizeof FrameBuffer; i += sizeof(uint64_t)) {
        uint64_t word;
        std::memcpy(&word, bytes + i, sizeof word);
        h = fnv_mix(h, word);
    }
    // A 64-bit finaliser, so that every bit of every word reaches every bit.
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ull;
    h ^= h >> 33;
    return h;
}

std::string hash_text(uint64_t hash) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

bool parse_hash(const std::string& text, uint64_t& hash) {
    if (text.size() != 16) return false;
    hash = 0;
    for (const char c : text) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return false;
        hash = hash << 4 | static_cast<uint64_t>(digit);
    }
    return true;
}

double pass_seconds(int64_t pass) {
    return static_cast<double>(pass) * static_cast<double>(MS_PER_TICK) / PASSES_PER_TICK / 1000.0;
}

FlowDifference compare_flows(const Flow& expected, const Flow& actual) {
    FlowDifference difference;
    std::size_t head = 0;
    while (head < expected.size() && head < actual.size() && expected[head].hash == actual[head].hash) ++head;
    std::size_t tail = 0;
    while (tail < expected.size() - head && tail < actual.size() - head &&
           expected[expected.size() - 1 - tail].hash == actual[actual.size() - 1 - tail].hash)
        ++tail;
    const std::size_t n = expected.size() - head - tail, m = actual.size() - head - tail;
    if (n == 0 && m == 0) return difference;
    std::vector<uint64_t> a(n), b(m);
    for (std::size_t i = 0; i < n; ++i) a[i] = expected[head + i].hash;
    for (std::size_t i = 0; i < m; ++i) b[i] = actual[head + i].hash;
    if (!shortest_edits(a.data(), n, b.data(), m, difference.hunks))
        difference.hunks.assign(1, FlowHunk{0, n, 0, m});
    for (FlowHunk& hunk : difference.hunks) {
        hunk.expected_at += head;
        hunk.actual_at += head;
        const std::size_t paired = std::min(hunk.expected_count, hunk.actual_count);
        difference.changed += paired;
        difference.removed += hunk.expected_count - paired;
        difference.added += hunk.actual_count - paired;
    }
    return difference;
}

std::string describe_difference(const FlowDifference& difference, const Flow& expected, const Flow& actual,
                                const Scenario& scenario, const std::string& flows_name) {
    if (difference.hunks.empty()) return "";
    const FlowHunk& first = difference.hunks.front();
    // The first frame that differs is the actual one where there is one; a
    // flow that only lost frames is named by the expected frame it lost.
    const bool in_actual = first.actual_count > 0;
    const FlowEntry& at = in_actual ? actual[first.actual_at] : expected[first.expected_at];
    std::string step = scenario.file + ":" + std::to_string(at.line);
    for (const Step& s : scenario.steps)
        if (s.line == at.line) {
            step += ":" + std::to_string(s.column) + ": " + s.summary;
            break;
        }
    char when[48];
    std::snprintf(when, sizeof when, "%.3f s", pass_seconds(at.pass));
    const std::size_t frame = (in_actual ? first.actual_at : first.expected_at) + 1;
    return step + ": the flow differs from " + flows_name + " at frame " + std::to_string(frame) + " (at " +
           when + (in_actual ? ")" : ", a frame the run no longer shows)") + ": " +
           std::to_string(difference.added) + " added, " + std::to_string(difference.removed) + " removed, " +
           std::to_string(difference.changed) + " changed; if the change is meant, --update " + flows_name +
           " accepts it";
}
