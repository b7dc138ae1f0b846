#include "base/AtomicFile.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

namespace tavlora::base {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const std::string& what, int error) { throw FileError(what + ": " + std::strerror(error)); }

// Names are UTF-8 throughout the library; the system takes UTF-16.
fs::path pathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }
std::string utf8Of(const fs::path& path) {
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

[[noreturn]] void failWithSystemError(const std::string& what, DWORD error) {
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string reason = text ? utf8Of(fs::path(text)) : "";
    if (text) LocalFree(text);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == '.')) reason.pop_back();
    if (reason.empty()) reason = "system error " + std::to_string(error);
    throw FileError(what + ": " + reason);
}

constexpr size_t kLongestKeptName = 200;
constexpr int kNameAttempts = 16;

std::string randomSuffix(std::random_device& device) {
    char text[17];
    std::snprintf(text, sizeof text, "%08x%08x", device(), device());
    return text;
}

// A temporary file of a writer that is still at work is open (and so cannot be deleted) or was
// closed a moment ago, just before its rename; one untouched for a minute was left by a writer
// that was killed.
void removeLeftoverTemporaries(const fs::path& folder) {
    std::error_code ec;
    auto now = fs::file_time_type::clock::now();
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        std::wstring name = entry.path().filename().wstring();
        if (name.size() < 2 || name[0] != L'.' || name.find(L".tmp-") == std::wstring::npos) continue;
        std::error_code timeError;
        auto written = fs::last_write_time(entry.path(), timeError);
        if (timeError || now - written < std::chrono::minutes(1)) continue;
        DeleteFileW(entry.path().c_str());
    }
}

}  // namespace

int FileSync::syncFile(int fd) const { return ::_commit(fd); }
// The rename itself is written through (MOVEFILE_WRITE_THROUGH); a folder has no handle to flush.
int FileSync::syncFolder(int) const { return 0; }

AtomicFile::AtomicFile(std::string target, const FileSync& sync) : target_(std::move(target)), sync_(sync) {
    fs::path path = pathOf(target_);
    if (path.filename().empty()) throw FileError("the name is a folder, not a file name");
    fs::path folder = path.parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) throw FileError("the folder '" + utf8Of(folder) + "' does not exist");
    if (fs::is_directory(path, ec)) throw FileError("a folder of that name is in the way");
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        throw FileError("the file is read-only");

    removeLeftoverTemporaries(folder);
    std::wstring prefix = L"." + path.filename().wstring().substr(0, kLongestKeptName) + L".tmp-";
    std::random_device device;
    for (int attempt = 0; fd_ < 0; ++attempt) {
        fs::path candidate = folder / (prefix + pathOf(randomSuffix(device)).wstring());
        fd_ = ::_wopen(candidate.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
        if (fd_ >= 0) {
            temporary_ = utf8Of(candidate);
        } else if (errno != EEXIST || attempt + 1 == kNameAttempts) {
            fail("cannot create a file in its folder", errno);
        }
    }
}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0) ::_close(fd_);
    if (!committed_ && !temporary_.empty()) DeleteFileW(pathOf(temporary_).c_str());
}

void AtomicFile::write(std::string_view bytes) {
    while (!bytes.empty()) {
        unsigned chunk = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<unsigned>(bytes.size());
        int n = ::_write(fd_, bytes.data(), chunk);
        if (n <= 0) fail("cannot write", n < 0 ? errno : EIO);
        bytes.remove_prefix(static_cast<size_t>(n));
    }
}

void AtomicFile::commit() {
    if (sync_.syncFile(fd_) != 0) fail("cannot flush the written file", errno);
    int fd = fd_;
    fd_ = -1;
    if (::_close(fd) != 0) fail("cannot close the written file", errno);
    if (!MoveFileExW(pathOf(temporary_).c_str(), pathOf(target_).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        failWithSystemError("cannot replace the file", GetLastError());
    committed_ = true;
    if (sync_.syncFolder(-1) != 0) fail("the file is replaced, but its folder cannot be flushed", errno);
}

}  // namespace tavlora::base
