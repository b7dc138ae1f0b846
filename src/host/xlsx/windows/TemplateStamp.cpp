#include "host/xlsx/TemplateCache.h"

#include <windows.h>

#include <filesystem>

namespace tavlora::host::xlsx {

// The volume and file index tell a file replaced by another of the same size and time, as the
// device and inode do elsewhere; the creation time stands in for the change time.
bool TemplateCache::stampOf(const std::string& path, FileStamp& stamp) {
    std::filesystem::path name(std::u8string(path.begin(), path.end()));
    HANDLE file = CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    bool known = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    if (!known) return false;
    auto join = [](DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; };
    stamp.device = info.dwVolumeSerialNumber;
    stamp.inode = join(info.nFileIndexHigh, info.nFileIndexLow);
    stamp.size = join(info.nFileSizeHigh, info.nFileSizeLow);
    // File times count 100-nanosecond steps.
    stamp.modified = static_cast<int64_t>(join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime)) * 100;
    stamp.changed = static_cast<int64_t>(join(info.ftCreationTime.dwHighDateTime, info.ftCreationTime.dwLowDateTime)) * 100;
    return true;
}

}  // namespace tavlora::host::xlsx
