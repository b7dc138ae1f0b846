#include "base/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>

namespace tavlora::base {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const std::string& what, int error) { throw FileError(what + ": " + std::strerror(error)); }

// Room for the prefix and suffix within the usual 255-byte limit of a name.
constexpr size_t kLongestKeptName = 200;
constexpr int kNameAttempts = 16;

std::string randomSuffix(std::random_device& device) {
    char text[17];
    std::snprintf(text, sizeof text, "%08x%08x", device(), device());
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

// A save through a symbolic link replaces the file the link names, not the link: the link (often
// a published name for a report kept elsewhere) keeps working. A link loop is refused.
std::string throughLinks(const std::string& target) {
    fs::path path(target);
    std::error_code ec;
    for (int hops = 0; fs::is_symlink(fs::symlink_status(path, ec)); ++hops) {
        if (hops == 40) throw FileError("the name is a loop of symbolic links");
        fs::path link = fs::read_symlink(path, ec);
        if (ec) fail("cannot follow the symbolic link", ec.value());
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    return path.string();
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

void removeLeftoverTemporaries(const fs::path& folder) {
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        if (!isOurTemporaryName(entry.path().filename().string())) continue;
        int fd = ::open(entry.path().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        bool leftover = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                        !(st.st_size == 0 && ::time(nullptr) - st.st_mtime < kStartupSeconds);
        if (leftover && ::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(entry.path().c_str());
        ::close(fd);
    }
}

}  // namespace

int FileSync::syncFile(int fd) const { return ::fsync(fd); }
int FileSync::syncFolder(int fd) const { return ::fsync(fd); }

AtomicFile::AtomicFile(std::string target, const FileSync& sync) : target_(throughLinks(target)), sync_(sync) {
    fs::path path(target_);
    if (path.filename().empty()) throw FileError("the name is a folder, not a file name");
    fs::path folder = path.parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) throw FileError("the folder '" + folder.string() + "' does not exist");
    if (fs::is_directory(path, ec)) throw FileError("a folder of that name is in the way");

    struct stat old {};
    bool replacing = ::stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    // Renaming over a file needs only the folder's permission; a read-only file says it is not to
    // be replaced (even by the superuser, whom access() would let through).
    if (replacing && ((old.st_mode & 0222) == 0 || ::access(target_.c_str(), W_OK) != 0))
        throw FileError("the file is read-only");
    removeLeftoverTemporaries(folder);
    std::string prefix = "." + path.filename().string().substr(0, kLongestKeptName) + ".tmp-";
    std::random_device device;
    for (int attempt = 0; fd_ < 0; ++attempt) {
        std::string candidate = (folder / (prefix + randomSuffix(device))).string();
        // 0666 lets the kernel apply the umask (and a folder's default ACL), as for any new file.
        fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            temporary_ = std::move(candidate);
            ::flock(fd_, LOCK_EX | LOCK_NB);
        } else if (errno != EEXIST || attempt + 1 == kNameAttempts) {
            fail("cannot create a file in its folder", errno);
        }
    }
    if (replacing) {
        try {
            takeOverAttributes(fd_, old);
        } catch (...) {
            ::close(fd_);
            ::unlink(temporary_.c_str());
            throw;
        }
    }
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

void AtomicFile::commit() {
    if (sync_.syncFile(fd_) != 0) fail("cannot flush the written file", errno);
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

    // The rename is durable only once the folder is: until then a crash may bring back the old file.
    fs::path folder = fs::path(target_).parent_path();
    if (folder.empty()) folder = ".";
    int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0) fail("the file is replaced, but its folder cannot be opened to flush it", errno);
    int result = sync_.syncFolder(folderFd);
    int error = errno;
    ::close(folderFd);
    // Some file systems cannot flush a folder at all; there the rename is as durable as it gets.
    if (result != 0 && error != EINVAL && error != ENOTSUP)
        fail("the file is replaced, but its folder cannot be flushed", error);
}

}  // namespace tavlora::base
