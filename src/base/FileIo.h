#pragma once
#include <cstddef>
#include <cstdint>

// Positioned writes on an open file descriptor, the same on every platform.
namespace tavlora::base {

// Writes up to `size` bytes at `offset` without moving a shared file position; the bytes written,
// or -1 with errno set. An interrupted call is repeated.
int64_t writeAt(int fd, const char* bytes, size_t size, int64_t offset);
// The size of the open file, or -1 with errno set.
int64_t sizeOfOpenFile(int fd);
// Cuts the open file to nothing; 0, or -1 with errno set.
int truncateToEmpty(int fd);

}  // namespace tavlora::base
