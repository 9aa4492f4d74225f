#include "runner/files/confined_files.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The temporary files open at any moment, for a signal handler to remove.
constexpr int SLOTS = 8;
struct Slot {
    std::atomic<int> dir{-1};
    char name[256];
};
Slot slots[SLOTS];

int take_slot(int dir, const std::string& name) {
    if (name.size() >= sizeof slots[0].name) return -1;
    for (int i = 0; i < SLOTS; ++i) {
        if (slots[i].dir.load() != -1) continue;
        std::memcpy(slots[i].name, name.c_str(), name.size() + 1);
        slots[i].dir.store(dir);
        return i;
    }
    return -1;
}

void give_slot(int slot) {
    if (slot >= 0) slots[slot].dir.store(-1);
}

std::string error_text(int error) { return std::strerror(error); }

// The folder of relative (everything before its last '/') opened beneath the
// folder fd root, made where missing when make is set. Each step is opened
// with O_NOFOLLOW, so a symlink anywhere on the way is refused.
int open_folders(int root, const std::string& relative, bool make, std::string& last, std::string& why) {
    int dir = ::dup(root);
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = relative.find('/', start);
        if (slash == std::string::npos) break;
        const std::string part = relative.substr(start, slash - start);
        start = slash + 1;
        if (part == ".") continue;
        if (make && ::mkdirat(dir, part.c_str(), 0777) != 0 && errno != EEXIST) {
            why = "cannot make the folder " + relative.substr(0, slash) + ": " + error_text(errno);
            ::close(dir);
            return -1;
        }
        const int next = ::openat(dir, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int error = errno;
        ::close(dir);
        if (next < 0) {
            why = relative.substr(0, slash) + (error == ELOOP || error == ENOTDIR
                                                   ? " is not a folder (a symlink or a file)"
                                                   : ": " + error_text(error));
            return -1;
        }
        dir = next;
    }
    last = relative.substr(start);
    return dir;
}

int open_root(const std::string& root, bool make, std::string& why) {
    const std::string folder = root.empty() ? "." : root;
    if (make) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
    }
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) why = "cannot open the folder " + folder + ": " + error_text(errno);
    return fd;
}

// Reads all of a regular file opened as fd, up to max_bytes + 1.
bool read_open_file(int fd, std::size_t max_bytes, std::string& bytes, std::string& why) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        why = "not a regular file";
        return false;
    }
    // Regular files never block: drop O_NONBLOCK for plain reads.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    bytes.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = error_text(errno);
            return false;
        }
        if (n == 0) return true;
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > max_bytes) return true;
    }
}

} // namespace

bool AtomicFile::open(const std::string& root, const std::string& relative, bool make_root,
                      std::string& why) {
    discard();
    shown_ = joined_path(root, relative);
    const int top = open_root(root, make_root, why);
    if (top < 0) return false;
    dir_ = open_folders(top, relative, true, name_, why);
    ::close(top);
    if (dir_ < 0) return false;
    static std::atomic<unsigned> serial{0};
    temporary_ = "." + name_.substr(0, 180) + "." + std::to_string(::getpid()) + "-" +
                 std::to_string(serial++) + ".tmp";
    fd_ = ::openat(dir_, temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        why = "cannot write " + shown_ + ": " + error_text(errno);
        temporary_.clear();
        ::close(dir_);
        dir_ = -1;
        return false;
    }
    slot_ = take_slot(dir_, temporary_);
    return true;
}

bool AtomicFile::write(const void* data, std::size_t size, OutputBudget* budget) {
    if (fd_ < 0 || (budget != nullptr && !budget->take(size))) return false;
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd_, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool AtomicFile::commit(std::string& why) {
    if (fd_ < 0) {
        why = "cannot write " + shown_;
        return false;
    }
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    // rename replaces a symlink standing at the final name; it never follows it.
    if (!closed || ::renameat(dir_, temporary_.c_str(), dir_, name_.c_str()) != 0) {
        why = "cannot write " + shown_ + ": " + error_text(errno);
        discard();
        return false;
    }
    give_slot(slot_);
    slot_ = -1;
    temporary_.clear();
    ::close(dir_);
    dir_ = -1;
    return true;
}

void AtomicFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (dir_ >= 0) {
        if (!temporary_.empty()) ::unlinkat(dir_, temporary_.c_str(), 0);
        ::close(dir_);
    }
    give_slot(slot_);
    slot_ = -1;
    dir_ = -1;
    temporary_.clear();
}

bool write_file_beneath(const std::string& root, const std::string& relative, const std::string& bytes,
                        bool make_root, OutputBudget* budget, std::string& why) {
    AtomicFile file;
    if (!file.open(root, relative, make_root, why)) return false;
    if (!file.write(bytes.data(), bytes.size(), budget)) {
        why = budget != nullptr && budget->left < static_cast<int64_t>(bytes.size())
                  ? "writing " + file.shown() + " would go over the " +
                        std::to_string(MAX_OUTPUT_BYTES >> 20) + " MB that one scenario may write"
                  : "cannot write " + file.shown() + ": " + error_text(errno);
        return false;
    }
    return file.commit(why);
}

bool read_file_beneath(const std::string& root, const std::string& relative, std::size_t max_bytes,
                       std::string& bytes, std::string& why) {
    const int top = open_root(root, false, why);
    if (top < 0) return false;
    std::string name;
    const int dir = open_folders(top, relative, false, name, why);
    ::close(top);
    if (dir < 0) return false;
    const int fd = ::openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    const int error = errno;
    ::close(dir);
    if (fd < 0) {
        why = error == ELOOP ? "a symlink" : error_text(error);
        return false;
    }
    const bool ok = read_open_file(fd, max_bytes, bytes, why);
    ::close(fd);
    return ok;
}

bool read_regular_file(const std::string& path, std::size_t max_bytes, std::string& bytes, std::string& why) {
    // O_NONBLOCK: opening a FIFO with no writer would wait for ever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = error_text(errno);
        return false;
    }
    const bool ok = read_open_file(fd, max_bytes, bytes, why);
    ::close(fd);
    return ok;
}

std::string joined_path(const std::string& root, const std::string& relative) {
    if (root.empty()) return relative;
    return root.back() == '/' ? root + relative : root + "/" + relative;
}

void split_named_path(const std::string& path, std::string& folder, std::string& name) {
    const std::size_t slash = path.rfind('/');
    folder = slash == std::string::npos ? "" : slash == 0 ? "/" : path.substr(0, slash);
    name = slash == std::string::npos ? path : path.substr(slash + 1);
}

void remove_file_beneath(const std::string& root, const std::string& name) {
    if (name.find('/') != std::string::npos) return;
    const int dir = ::open(root.empty() ? "." : root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    struct stat info {};
    if (::fstatat(dir, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode))
        ::unlinkat(dir, name.c_str(), 0);
    ::close(dir);
}

void remove_temporary_files_now() {
    for (Slot& slot : slots) {
        const int dir = slot.dir.load();
        if (dir >= 0) ::unlinkat(dir, slot.name, 0);
    }
}

namespace {

void end_on_signal(int signal) {
    remove_temporary_files_now();
    ::_exit(128 + signal);
}

} // namespace

void remove_temporary_files_on_signals() {
    struct sigaction action {};
    action.sa_handler = end_on_signal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}
