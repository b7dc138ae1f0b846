#include "base/FileIo.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#ifdef _WIN32
#include <io.h>
#define TAVLORA_OPEN ::_open
#define TAVLORA_CLOSE ::_close
#define TAVLORA_FLAGS (_O_RDWR | _O_CREAT | _O_TRUNC | _O_BINARY)
#else
#include <unistd.h>
#define TAVLORA_OPEN ::open
#define TAVLORA_CLOSE ::close
#define TAVLORA_FLAGS (O_RDWR | O_CREAT | O_TRUNC)
#endif

namespace tavlora::base {
namespace {

class FileIoTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = (std::filesystem::temp_directory_path() /
                 ("tavlora-fileio-" + std::to_string(reinterpret_cast<uintptr_t>(this)))).string();
        fd_ = TAVLORA_OPEN(path_.c_str(), TAVLORA_FLAGS, 0600);
        ASSERT_GE(fd_, 0);
    }
    void TearDown() override {
        if (fd_ >= 0) TAVLORA_CLOSE(fd_);
        std::filesystem::remove(path_);
    }
    std::string contents() const {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string path_;
    int fd_ = -1;
};

// The zip writer goes back to complete a header it wrote earlier: a write at an offset must land
// there and leave the rest as it was.
TEST_F(FileIoTest, WritesLandAtTheirOffsets) {
    ASSERT_EQ(writeAt(fd_, "0123456789", 10, 0), 10);
    ASSERT_EQ(writeAt(fd_, "ab", 2, 3), 2);
    ASSERT_EQ(writeAt(fd_, "XY", 2, 12), 2);  // past the end: the gap reads as zero bytes
    EXPECT_EQ(sizeOfOpenFile(fd_), 14);
    EXPECT_EQ(contents(), std::string("012ab56789\0\0XY", 14));
}

TEST_F(FileIoTest, TruncateEmptiesTheFile) {
    ASSERT_EQ(writeAt(fd_, "data", 4, 0), 4);
    ASSERT_EQ(truncateToEmpty(fd_), 0);
    EXPECT_EQ(sizeOfOpenFile(fd_), 0);
    EXPECT_EQ(contents(), "");
}

TEST_F(FileIoTest, AClosedDescriptorFails) {
    TAVLORA_CLOSE(fd_);
    int closed = fd_;
    fd_ = -1;
    EXPECT_EQ(writeAt(closed, "x", 1, 0), -1);
    EXPECT_EQ(sizeOfOpenFile(closed), -1);
}

}  // namespace
}  // namespace tavlora::base
