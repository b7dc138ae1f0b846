#include "base/FileIo.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tavlora::base {

int64_t writeAt(int fd, const char* bytes, size_t size, int64_t offset) {
    for (;;) {
        ssize_t n = ::pwrite(fd, bytes, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        return n;
    }
}

int64_t sizeOfOpenFile(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

int truncateToEmpty(int fd) { return ::ftruncate(fd, 0); }

}  // namespace tavlora::base
