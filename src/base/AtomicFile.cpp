#include "base/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
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

}  // namespace

int FileSync::syncFile(int fd) const { return ::fsync(fd); }
int FileSync::syncFolder(int fd) const { return ::fsync(fd); }

const FileSync& FileSync::system() {
    static const FileSync sync;
    return sync;
}

AtomicFile::AtomicFile(std::string target, const FileSync& sync) : target_(std::move(target)), sync_(sync) {
    fs::path path(target_);
    if (path.filename().empty()) throw FileError("the name is a folder, not a file name");
    fs::path folder = path.parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) throw FileError("the folder '" + folder.string() + "' does not exist");
    if (fs::is_directory(path, ec)) throw FileError("a folder of that name is in the way");

    struct stat old {};
    bool replacing = ::stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    std::string prefix = "." + path.filename().string().substr(0, kLongestKeptName) + ".tmp-";
    std::random_device device;
    for (int attempt = 0; fd_ < 0; ++attempt) {
        std::string candidate = (folder / (prefix + randomSuffix(device))).string();
        // 0666 lets the kernel apply the umask (and a folder's default ACL), as for any new file.
        fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            temporary_ = std::move(candidate);
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
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) fail("cannot close the written file", errno);
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) fail("cannot replace the file", errno);
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
