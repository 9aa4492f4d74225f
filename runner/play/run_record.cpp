#include "runner/play/run_record.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

// One item a line, its kind first: "f HASH LINE PASS" a flow entry, "s INDEX
// PASS HASH" a step, "t HASH SIZE" and the bytes of a frame's texts, "c INDEX
// COUNT" a coverage count, "o" an overflowed flow, "d" a changed flow and
// "e KIND" a picture of the evidence, "w SIZE" and the bytes of an output's
// save path.
std::string encode_record(const RunRecord& record) {
    std::string text;
    char line[96];
    if (!record.recorded) return text;
    text += "r\n";
    for (const FlowEntry& e : record.flow) {
        std::snprintf(line, sizeof line, "f %016" PRIx64 " %d %" PRId64 "\n", e.hash, e.line, e.pass);
        text += line;
    }
    for (const StepTrace& s : record.steps) {
        std::snprintf(line, sizeof line, "s %zu %" PRId64 " %016" PRIx64 "\n", s.index, s.pass, s.hash);
        text += line;
    }
    for (const auto& [hash, texts] : record.texts) {
        std::snprintf(line, sizeof line, "t %016" PRIx64 " %zu\n", hash, texts.size());
        text += line + texts;
    }
    for (std::size_t i = 0; i < record.coverage.size(); ++i) {
        if (record.coverage[i] == 0) continue;
        std::snprintf(line, sizeof line, "c %zu %" PRIu64 "\n", i, record.coverage[i]);
        text += line;
    }
    if (record.flow_overflowed) text += "o\n";
    if (record.flow_changed) text += "d\n";
    for (int k = 0; k < EVIDENCE_KINDS; ++k)
        if (record.evidence[k]) text += "e " + std::to_string(k) + "\n";
    for (const std::string& save : record.outputs) text += "w " + std::to_string(save.size()) + "\n" + save;
    return text;
}

bool decode_record(const std::string& text, RunRecord& record) {
    record = RunRecord{};
    if (text.empty()) return true;
    if (text.rfind("r\n", 0) != 0) return false;
    record.recorded = true;
    std::size_t at = 2;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string::npos) return false;
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        const char* c = line.c_str();
        uint64_t hash = 0, count = 0;
        int64_t pass = 0;
        std::size_t index = 0, size = 0;
        int number = 0;
        char extra = 0;
        if (line.empty()) return false;
        switch (line[0]) {
        case 'f':
            if (std::sscanf(c, "f %" SCNx64 " %d %" SCNd64 "%c", &hash, &number, &pass, &extra) != 3)
                return false;
            record.flow.push_back(FlowEntry{hash, number, pass});
            break;
        case 's':
            if (std::sscanf(c, "s %zu %" SCNd64 " %" SCNx64 "%c", &index, &pass, &hash, &extra) != 3)
                return false;
            record.steps.push_back(StepTrace{index, pass, hash});
            break;
        case 't':
            if (std::sscanf(c, "t %" SCNx64 " %zu%c", &hash, &size, &extra) != 2 || size > text.size() - at)
                return false;
            record.texts[hash] = text.substr(at, size);
            at += size;
            break;
        case 'c':
            if (std::sscanf(c, "c %zu %" SCNu64 "%c", &index, &count, &extra) != 2 || index > 100000)
                return false;
            if (record.coverage.size() <= index) record.coverage.resize(index + 1);
            record.coverage[index] = count;
            break;
        case 'o':
            record.flow_overflowed = true;
            break;
        case 'd':
            record.flow_changed = true;
            break;
        case 'e':
            if (std::sscanf(c, "e %d%c", &number, &extra) != 1 || number < 0 || number >= EVIDENCE_KINDS)
                return false;
            record.evidence[number] = true;
            break;
        case 'w':
            if (std::sscanf(c, "w %zu%c", &size, &extra) != 1 || size > text.size() - at) return false;
            record.outputs.push_back(text.substr(at, size));
            at += size;
            break;
        default:
            return false;
        }
    }
    return true;
}
