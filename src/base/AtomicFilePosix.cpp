#include "base/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

namespace tavlora::base {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const std::string& what, int error) { throw FileError(what + ": " + std::strerror(error)); }

// Room for the prefix and suffix within the usual 255-byte limit of a name.
constexpr size_t kLongestKeptName = 200;
constexpr int kNameAttempts = 16;

// Made fresh for every file: a random device costs more to open than a small report takes to write.
std::string randomSuffix() {
    uint64_t bits = 0;
    if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bits)) {
        // Too early in boot for the pool: the name need only be unlikely, O_EXCL makes it safe.
        struct timespec now {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        bits = uint64_t(now.tv_nsec) * 0x9E3779B97F4A7C15ull ^ uint64_t(::getpid()) << 32 ^ uint64_t(::gettid());
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(bits));
    return text;
}

// The name the unnamed file of a save gets for the instant between linking it into the folder and
// renaming it over the target: ".<name>.tmp-" and sixteen hex digits of the slot number.
std::string slotSuffix(int slot) {
    char text[17];
    std::snprintf(text, sizeof text, "%016x", slot);
    return text;
}

// Gives the new file the permission bits, owner and group of the file it is to replace: without
// this the rename would widen a 0600 report to 0644, or hand it to whoever saved it.
void takeOverAttributes(int fd, const struct stat& old) {
    struct stat now {};
    if (::fstat(fd, &now) == 0 && (now.st_uid != old.st_uid || now.st_gid != old.st_gid)) {
        // Only the superuser may give a file away, and only a member may hand it to a group; a
        // refusal leaves the writer's own, as for any file the writer creates.
        bool given = ::fchown(fd, old.st_uid, old.st_gid) == 0 || ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) == 0;
        static_cast<void>(given);
    }
    if (::fchmod(fd, old.st_mode & 0777) != 0) fail("cannot give the file the old one's permissions", errno);
}

[[noreturn]] void failMissingFolder(const fs::path& folder) {
    throw FileError("the folder '" + folder.string() + "' does not exist");
}

fs::path folderOf(const fs::path& path) {
    fs::path folder = path.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

// Looks at the name with one lstat (the usual case is a plain file or nothing). A save through a
// symbolic link replaces the file the link names, not the link: the link (often a published name
// for a report kept elsewhere) keeps working. A link loop is refused. True when something is at
// the final name (its status in st); the final name is left in path.
bool lookUp(fs::path& path, struct stat& st) {
    for (int hops = 0;; ++hops) {
        if (::lstat(path.c_str(), &st) != 0) {
            if (errno == ENOENT) return false;  // the folder, if missing, shows when the file is made
            if (errno == ENOTDIR) failMissingFolder(folderOf(path));
            fail("cannot look at the file", errno);
        }
        if (!S_ISLNK(st.st_mode)) return true;
        if (hops == 40) throw FileError("the name is a loop of symbolic links");
        std::error_code ec;
        fs::path link = fs::read_symlink(path, ec);
        if (ec) fail("cannot follow the symbolic link", ec.value());
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
}

// Renaming over a file needs only the folder's permission; a read-only file says it is not to be
// replaced (even by the superuser, whom access() would let through). Only a save over a file asks.
bool isReadOnly(const std::string& path, const struct stat& st) {
    return (st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

constexpr std::string_view kTemporaryMark = ".tmp-";
constexpr size_t kSuffixLength = 16;

// ".<name>.tmp-<16 hex digits>": the temporary files this class makes.
bool isOurTemporaryName(const std::string& name) {
    if (name.size() < 1 + kTemporaryMark.size() + kSuffixLength || name.front() != '.') return false;
    size_t mark = name.size() - kSuffixLength - kTemporaryMark.size();
    if (name.compare(mark, kTemporaryMark.size(), kTemporaryMark) != 0) return false;
    return name.find_first_not_of("0123456789abcdef", mark + kTemporaryMark.size()) == std::string::npos;
}

// A writer holds a lock on its temporary file until it is renamed or removed, and the kernel drops
// the lock when the writer dies: a temporary file of ours that nobody holds is left over from a
// killed save and is removed. An empty one only seconds old may be one whose writer has not yet
// taken its lock.
constexpr time_t kStartupSeconds = 2;

// True when the file was one and is removed.
bool removeIfLeftover(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool leftover = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                    !(st.st_size == 0 && ::time(nullptr) - st.st_mtime < kStartupSeconds);
    bool removed = leftover && ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlink(path.c_str()) == 0;
    ::close(fd);
    return removed;
}

void removeLeftoverTemporaries(const fs::path& folder) {
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec))
        if (isOurTemporaryName(entry.path().filename().string())) removeIfLeftover(entry.path().string());
}

}  // namespace

int FileSync::syncFile(int fd) const { return ::fsync(fd); }
int FileSync::syncFolder(int fd) const { return ::fsync(fd); }

AtomicFile::AtomicFile(std::string target, const FileSync& sync) : sync_(sync) {
    fs::path path(target);
    if (path.filename().empty()) throw FileError("the name is a folder, not a file name");
    struct stat old {};
    targetExisted_ = lookUp(path, old);
    if (targetExisted_ && S_ISDIR(old.st_mode)) throw FileError("a folder of that name is in the way");
    target_ = path.string();
    bool replacing = targetExisted_ && S_ISREG(old.st_mode);
    if (replacing && isReadOnly(target_, old)) throw FileError("the file is read-only");
    folder_ = folderOf(path).string();
    prefix_ = "." + path.filename().string().substr(0, kLongestKeptName) + ".tmp-";
    // An unnamed file in the folder: a writer killed before the commit leaves nothing behind, so
    // no save has to look through the folder for leftovers (a cost that grows with the folder).
    // 0666 lets the kernel apply the umask (and a folder's default ACL), as for any new file.
    fd_ = ::open(folder_.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd_ < 0 && (errno == ENOENT || errno == ENOTDIR)) failMissingFolder(folder_);
    if (fd_ < 0) createNamed();
    if (replacing) {
        try {
            takeOverAttributes(fd_, old);
        } catch (...) {
            ::close(fd_);
            if (!temporary_.empty()) ::unlink(temporary_.c_str());
            throw;
        }
    }
}

// File systems without unnamed files: a named temporary file from the start, and leftovers of
// killed saves (unlocked files of our naming) are removed from the folder first.
void AtomicFile::createNamed() {
    removeLeftoverTemporaries(folder_);
    for (int attempt = 0; fd_ < 0; ++attempt) {
        std::string candidate = (fs::path(folder_) / (prefix_ + randomSuffix())).string();
        fd_ = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            temporary_ = std::move(candidate);
        } else if (errno == ENOENT || errno == ENOTDIR) {
            failMissingFolder(folder_);
        } else if (errno != EEXIST || attempt + 1 == kNameAttempts) {
            fail("cannot create a file in its folder", errno);
        }
    }
    // Held until the rename: a sweep by a save elsewhere never takes a file at work for a leftover.
    ::flock(fd_, LOCK_EX | LOCK_NB);
}

// Links the unnamed file to a name: 0, or the errno of the failure. Through /proc where there is
// one; without it, linking the descriptor itself takes a privilege the process may have.
int AtomicFile::linkUnnamedFile(const std::string& name) const {
    std::string procName = "/proc/self/fd/" + std::to_string(fd_);
    if (::linkat(AT_FDCWD, procName.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
    if (errno == ENOENT && ::linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
    return errno;
}

// An unnamed file gets a name of a few fixed ones of the target's, so that a writer killed in the
// instant between this and the rename leaves a file the next save of the same target removes.
void AtomicFile::nameUnnamedFile() {
    // Taken before the file has a name another save's clean-up could see.
    ::flock(fd_, LOCK_EX | LOCK_NB);
    for (int slot = 0; slot < kNameAttempts; ++slot) {
        std::string candidate = (fs::path(folder_) / (prefix_ + slotSuffix(slot))).string();
        for (int tries = 0; tries < 2; ++tries) {
            int error = linkUnnamedFile(candidate);
            if (error == 0) {
                temporary_ = std::move(candidate);
                return;
            }
            if (error != EEXIST) return copyIntoNamedFile();
            if (!removeIfLeftover(candidate)) break;  // another save's, at work: the next slot
        }
    }
    fail("cannot name the written file in its folder", EEXIST);
}

// Without /proc and without the privilege to link a descriptor, the unnamed file cannot be given a
// name: its bytes go into a named temporary file instead.
void AtomicFile::copyIntoNamedFile() {
    int unnamed = fd_;
    fd_ = -1;
    try {
        createNamed();
    } catch (...) {
        ::close(unnamed);
        throw;
    }
    struct stat st {};
    if (::fstat(unnamed, &st) != 0 || ::fchmod(fd_, st.st_mode & 07777) != 0) {
        int error = errno;
        ::close(unnamed);
        fail("cannot copy the written file", error);
    }
    off_t at = 0;
    while (at < st.st_size) {
        ssize_t n = ::copy_file_range(unnamed, &at, fd_, nullptr, static_cast<size_t>(st.st_size - at), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int error = n < 0 ? errno : EIO;
            ::close(unnamed);
            fail("cannot copy the written file", error);
        }
    }
    ::close(unnamed);
    if (sync_.syncFile(fd_) != 0) fail("cannot flush the written file", errno);
}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !temporary_.empty()) ::unlink(temporary_.c_str());
}

void AtomicFile::write(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail("cannot write", n < 0 ? errno : EIO);
        bytes.remove_prefix(static_cast<size_t>(n));
    }
}

// Nothing was at the name when the save began: the file is linked straight to it, with no
// temporary name and no rename. False when that cannot be done (a file appeared there meanwhile,
// which is then replaced as any other; or the descriptor cannot be linked).
bool AtomicFile::linkInPlace() {
    if (targetExisted_ || !temporary_.empty() || linkUnnamedFile(target_) != 0) return false;
    committed_ = true;
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        // Not known to be whole: the name given a moment ago is taken back.
        int error = errno;
        ::unlink(target_.c_str());
        fail("cannot close the written file", error);
    }
    return true;
}

void AtomicFile::commit() {
    if (sync_.syncFile(fd_) != 0) fail("cannot flush the written file", errno);
    if (!linkInPlace()) replaceTarget();
    flushFolder();
}

void AtomicFile::replaceTarget() {
    if (temporary_.empty()) nameUnnamedFile();
    // The lock must outlive the close until the rename: a save into the same folder meanwhile
    // (another thread's) would otherwise take the unlocked file for a leftover and remove it. The
    // lock belongs to the open file, so a duplicate descriptor keeps it.
    int keeper = ::dup(fd_);
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        if (keeper >= 0) ::close(keeper);
        fail("cannot close the written file", errno);
    }
    int renamed = std::rename(temporary_.c_str(), target_.c_str());
    int renameError = errno;
    if (keeper >= 0) ::close(keeper);
    if (renamed != 0) fail("cannot replace the file", renameError);
    committed_ = true;
}

// The new name is durable only once the folder is: until then a crash may bring back the old file
// (or none).
void AtomicFile::flushFolder() const {
    if (!sync_.flushesFolder()) return;
    int folderFd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0) fail("the file is replaced, but its folder cannot be opened to flush it", errno);
    int result = sync_.syncFolder(folderFd);
    int error = errno;
    ::close(folderFd);
    // Some file systems cannot flush a folder at all; there the rename is as durable as it gets.
    if (result != 0 && error != EINVAL && error != ENOTSUP)
        fail("the file is replaced, but its folder cannot be flushed", error);
}

}  // namespace tavlora::base
