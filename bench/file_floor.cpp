// The file system's floor of the invoice job: COUNT files of SIZE bytes created in FOLDER with the
// calls a save to a new name makes (a look at the name, an unnamed file in the folder, its status,
// one write, a link to the name, a close) and nothing else: no template, no cells, no deflating.
// What the disk and the kernel permit for that many small files, whatever writes them. With
// THREADS, that many threads share the files (each takes the next number), as the invoice job's
// threads share one folder: what the kernel lets two writers of one folder do side by side.
// Prints the seconds and the files per second as one line of JSON.
// Usage: file_floor FOLDER COUNT SIZE [THREADS]
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"

namespace {

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "file_floor: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

void createFile(const std::string& folder, const std::string& name, const std::string& bytes) {
    struct stat st {};
    if (::lstat(name.c_str(), &st) == 0 || errno != ENOENT) fail(name + " is taken");
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0) fail("cannot make an unnamed file in " + folder);
    if (::fstat(fd, &st) != 0) fail("fstat");
    if (::pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) fail("pwrite");
    std::string procName = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, procName.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0) fail("linkat " + name);
    if (::close(fd) != 0) fail("close");
}

// Files by number until count, each thread taking the next one not taken.
void createShare(const std::string& folder, const std::string& bytes, int count, std::atomic<int>& next) {
    for (int n = next++; n < count; n = next++)
        createFile(folder, folder + "/invoice_" + std::to_string(n) + ".xlsx", bytes);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: file_floor FOLDER COUNT SIZE [THREADS]\n");
        return 2;
    }
    const std::string folder = argv[1];
    const int count = std::atoi(argv[2]);
    const int threads = argc == 5 ? std::max(1, std::atoi(argv[4])) : 1;
    // Bytes that do not repeat, as a packed archive's do not.
    std::string bytes(static_cast<size_t>(std::atol(argv[3])), '\0');
    uint32_t state = 2463534242u;
    for (char& byte : bytes) {
        state ^= state << 13, state ^= state >> 17, state ^= state << 5;
        byte = static_cast<char>(state);
    }
    tavlora::bench::Stopwatch clock;
    std::atomic<int> next{0};
    std::vector<std::thread> workers;
    for (int t = 1; t < threads; ++t) workers.emplace_back(createShare, std::cref(folder), std::cref(bytes), count, std::ref(next));
    createShare(folder, bytes, count, next);
    for (std::thread& worker : workers) worker.join();
    double seconds = clock.seconds();
    std::printf("{\"seconds\": %.4f, \"reports_per_second\": %.1f}\n", seconds, count / seconds);
    return 0;
}
