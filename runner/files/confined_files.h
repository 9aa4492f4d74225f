// Opening the files that scenarios name, inside the folder they belong to.
// Scenario files and reference folders come from pull requests, and the runner
// may run as root in CI, so no path may lead out of its folder: every folder
// on the way is opened without following a symlink, only regular files are
// read, and every file is written under a temporary name in its own folder and
// renamed when complete, so that a kill or a full disk never leaves a partial
// file under the final name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// What one scenario may write in all (pictures and recordings together).
constexpr int64_t MAX_OUTPUT_BYTES = int64_t{256} << 20;
// The largest reference picture file read.
constexpr std::size_t MAX_REFERENCE_BYTES = std::size_t{64} << 20;

// Bytes a scenario may still write; shared by its pictures and recordings.
struct OutputBudget {
    int64_t left = MAX_OUTPUT_BYTES;
    bool take(std::size_t bytes) {
        if (static_cast<int64_t>(bytes) > left) return false;
        left -= static_cast<int64_t>(bytes);
        return true;
    }
};

// A file written under a temporary name beside its final one.
class AtomicFile {
  public:
    AtomicFile() = default;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile() { discard(); }

    // Opens the temporary file for root/relative. relative is a checked path
    // (no "..", not absolute); its folders are made as needed and none of them
    // may be a symlink. root itself is made when make_root is set.
    bool open(const std::string& root, const std::string& relative, bool make_root, std::string& why);
    int fd() const { return fd_; }
    // Writes all of data; false on a write error or when budget is spent.
    bool write(const void* data, std::size_t size, OutputBudget* budget);
    // Closes the file and gives it its final name.
    bool commit(std::string& why);
    // Closes and removes the temporary file.
    void discard();
    const std::string& shown() const { return shown_; }

  private:
    int dir_ = -1;
    int fd_ = -1;
    int slot_ = -1;
    std::string temporary_;
    std::string name_;
    std::string shown_; // root/relative, for messages
};

// The whole file root/relative written at once.
bool write_file_beneath(const std::string& root, const std::string& relative, const std::string& bytes,
                        bool make_root, OutputBudget* budget, std::string& why);
// A regular file root/relative of at most max_bytes, reached without
// following a symlink.
bool read_file_beneath(const std::string& root, const std::string& relative, std::size_t max_bytes,
                       std::string& bytes, std::string& why);
// A regular file of at most max_bytes (larger ones are read to max_bytes + 1).
// FIFOs and devices are refused before they could block.
bool read_regular_file(const std::string& path, std::size_t max_bytes, std::string& bytes, std::string& why);
// root/relative as messages show it.
std::string joined_path(const std::string& root, const std::string& relative);
// A path that a user names whole (the Python module's files), split into its
// folder, which is the user's to name, and its last part, which the functions
// above then write without following a symlink: "a/b.png" gives "a" and
// "b.png", "/b.png" gives "/" and "b.png", "b.png" gives "" and "b.png".
void split_named_path(const std::string& path, std::string& folder, std::string& name);
// Removes root/name when it is a regular file (stale evidence of a run before).
void remove_file_beneath(const std::string& root, const std::string& name);

// Removes every temporary file still open; async-signal-safe, for a signal
// handler that then ends the process.
void remove_temporary_files_now();
// In a child: SIGINT, SIGTERM and SIGHUP remove the temporary files and end
// the process with 128 + the signal.
void remove_temporary_files_on_signals();
