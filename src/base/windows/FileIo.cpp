#include "base/FileIo.h"

#include <io.h>
#include <windows.h>

#include <cerrno>

namespace tavlora::base {

int64_t writeAt(int fd, const char* bytes, size_t size, int64_t offset) {
    auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    if (handle == INVALID_HANDLE_VALUE) {
        errno = EBADF;
        return -1;
    }
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(static_cast<uint64_t>(offset) & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
    DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(handle, bytes, chunk, &written, &at)) {
        errno = GetLastError() == ERROR_DISK_FULL ? ENOSPC : EIO;
        return -1;
    }
    return static_cast<int64_t>(written);
}

int64_t sizeOfOpenFile(int fd) {
    auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    LARGE_INTEGER size{};
    if (handle == INVALID_HANDLE_VALUE || !GetFileSizeEx(handle, &size)) {
        errno = EBADF;
        return -1;
    }
    return static_cast<int64_t>(size.QuadPart);
}

int truncateToEmpty(int fd) { return ::_chsize_s(fd, 0) == 0 ? 0 : -1; }

}  // namespace tavlora::base
