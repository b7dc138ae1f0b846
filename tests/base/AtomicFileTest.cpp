#include "base/AtomicFile.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/TestPaths.h"

namespace tavlora::base {
namespace {

namespace fs = std::filesystem;
using test::contentOf;
using test::filesIn;
using test::TempDir;

mode_t modeOf(const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

std::string failureOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const FileError& error) {
        return error.what();
    }
    return "(no failure)";
}

// Sets the process's umask for one test.
class Umask {
public:
    explicit Umask(mode_t mask) : old_(::umask(mask)) {}
    ~Umask() { ::umask(old_); }

private:
    mode_t old_;
};

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        target_ = dir_.file("report.xlsx");
        std::ofstream(target_) << "the old report";
    }

    void save(const std::string& content, const FileSync& sync = FileSync::system()) {
        AtomicFile file(target_.string(), sync);
        file.write(content);
        file.commit();
    }

    TempDir dir_;
    fs::path target_;
};

// ---------------------------------------------------------------------------------------------
// Replacing and permissions

TEST_F(AtomicFileTest, ReplacesTheTargetAndLeavesNothingElse) {
    save("the new report");
    EXPECT_EQ(contentOf(target_), "the new report");
    EXPECT_EQ(filesIn(dir_.path()), std::vector<std::string>{"report.xlsx"});
}

// Whether the folder's file system makes unnamed files (most do); elsewhere the temporary file is
// named from the start.
bool makesUnnamedFiles(const fs::path& folder) {
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

TEST_F(AtomicFileTest, UntilTheCommitTheFolderHoldsNoNewNameOrOnlyATemporaryOne) {
    AtomicFile file(target_.string());
    file.write("half");
    auto names = filesIn(dir_.path());
    if (makesUnnamedFiles(dir_.path())) {
        EXPECT_EQ(names, std::vector<std::string>{"report.xlsx"});
    } else {
        ASSERT_EQ(names.size(), 2u);
        EXPECT_EQ(names[0].rfind(".report.xlsx.tmp-", 0), 0u) << names[0];
    }
    EXPECT_EQ(contentOf(target_), "the old report");
}

TEST_F(AtomicFileTest, KeepsThePermissionsOfTheFileItReplaces) {
    Umask mask(022);
    for (mode_t mode : {mode_t{0600}, mode_t{0640}, mode_t{0666}, mode_t{0200}}) {
        fs::permissions(target_, static_cast<fs::perms>(mode));
        save("report " + std::to_string(mode));
        EXPECT_EQ(modeOf(target_), mode) << std::oct << mode;
        EXPECT_EQ(contentOf(target_), "report " + std::to_string(mode));
    }
}

TEST_F(AtomicFileTest, ANewFileGetsTheUsualModeLessTheUmask) {
    fs::remove(target_);
    {
        Umask mask(027);
        save("new");
    }
    EXPECT_EQ(modeOf(target_), 0640u);
    fs::remove(target_);
    {
        Umask mask(002);
        save("new");
    }
    EXPECT_EQ(modeOf(target_), 0664u);
}

TEST_F(AtomicFileTest, AFileInTheCurrentFolder) {
    fs::path before = fs::current_path();
    fs::current_path(dir_.path());
    save("here");  // still the absolute name
    {
        AtomicFile file("local.txt");
        file.write("local");
        file.commit();
    }
    fs::current_path(before);
    EXPECT_EQ(contentOf(dir_.file("local.txt")), "local");
}

TEST_F(AtomicFileTest, ALongNameStillFindsRoomForItsTemporaryFile) {
    fs::path target = dir_.file(std::string(250, 'n'));
    AtomicFile file(target.string());
    file.write("long");
    file.commit();
    EXPECT_EQ(contentOf(target), "long");
}

// ---------------------------------------------------------------------------------------------
// Durability: the data is flushed before the rename, the folder after it

class RecordingSync : public FileSync {
public:
    RecordingSync(fs::path target, fs::path folder) : target_(std::move(target)), folder_(std::move(folder)) {}

    int syncFile(int fd) const override {
        struct stat st {};
        ::fstat(fd, &st);
        events_.push_back("file of " + std::to_string(st.st_size) + " bytes, target holds '" + contentOf(target_) + "'");
        if (fileError_) {
            errno = fileError_;
            return -1;
        }
        return FileSync::syncFile(fd);
    }

    int syncFolder(int fd) const override {
        struct stat open {}, folder {};
        ::fstat(fd, &open);
        ::stat(folder_.c_str(), &folder);
        bool same = open.st_dev == folder.st_dev && open.st_ino == folder.st_ino;
        events_.push_back(std::string(same ? "the folder" : "another file") + ", target holds '" + contentOf(target_) + "'");
        if (folderError_) {
            errno = folderError_;
            return -1;
        }
        return FileSync::syncFolder(fd);
    }

    void failFile(int error) { fileError_ = error; }
    void failFolder(int error) { folderError_ = error; }
    const std::vector<std::string>& events() const { return events_; }

private:
    fs::path target_;
    fs::path folder_;
    int fileError_ = 0;
    int folderError_ = 0;
    mutable std::vector<std::string> events_;
};

TEST_F(AtomicFileTest, FlushesTheDataBeforeTheRenameAndTheFolderAfterIt) {
    RecordingSync sync(target_, dir_.path());
    save("the new report", sync);
    EXPECT_EQ(sync.events(), (std::vector<std::string>{"file of 14 bytes, target holds 'the old report'",
                                                      "the folder, target holds 'the new report'"}));
}

TEST_F(AtomicFileTest, AFailedFlushKeepsTheOldFile) {
    RecordingSync sync(target_, dir_.path());
    sync.failFile(EIO);
    EXPECT_EQ(failureOf([&] { save("the new report", sync); }), "cannot flush the written file: Input/output error");
    EXPECT_EQ(contentOf(target_), "the old report");
    EXPECT_EQ(filesIn(dir_.path()), std::vector<std::string>{"report.xlsx"});
    EXPECT_EQ(sync.events().size(), 1u) << "no rename, so no folder to flush";
}

TEST_F(AtomicFileTest, AFailedFolderFlushIsReportedAfterTheReplacement) {
    RecordingSync sync(target_, dir_.path());
    sync.failFolder(EIO);
    EXPECT_EQ(failureOf([&] { save("the new report", sync); }),
              "the file is replaced, but its folder cannot be flushed: Input/output error");
    EXPECT_EQ(contentOf(target_), "the new report");
    EXPECT_EQ(filesIn(dir_.path()), std::vector<std::string>{"report.xlsx"});
}

TEST_F(AtomicFileTest, AFolderThatCannotBeFlushedAtAllIsNoFailure) {
    RecordingSync sync(target_, dir_.path());
    sync.failFolder(EINVAL);
    save("the new report", sync);
    EXPECT_EQ(contentOf(target_), "the new report");
}

// ---------------------------------------------------------------------------------------------
// Failures leave the old file and no temporary file

TEST_F(AtomicFileTest, AbandonedWritingKeepsTheOldFile) {
    EXPECT_THROW(
        {
            AtomicFile file(target_.string());
            file.write("half of the new");
            throw std::runtime_error("the data ran out");
        },
        std::runtime_error);
    EXPECT_EQ(contentOf(target_), "the old report");
    EXPECT_EQ(filesIn(dir_.path()), std::vector<std::string>{"report.xlsx"});
}

TEST_F(AtomicFileTest, RefusedTargets) {
    fs::create_directory(dir_.file("taken"));
    EXPECT_EQ(failureOf([&] { AtomicFile file(dir_.file("taken").string()); }), "a folder of that name is in the way");
    auto missing = dir_.file("no such folder");
    EXPECT_EQ(failureOf([&] { AtomicFile file((missing / "report.xlsx").string()); }),
              "the folder '" + missing.string() + "' does not exist");
    EXPECT_EQ(failureOf([&] { AtomicFile file(dir_.path().string() + "/"); }), "the name is a folder, not a file name");
    // A file where the folder should be: even the superuser cannot create a file inside it.
    EXPECT_EQ(failureOf([&] { AtomicFile file((target_ / "inner.xlsx").string()); }),
              "the folder '" + target_.string() + "' does not exist");
    EXPECT_EQ(contentOf(target_), "the old report");
    EXPECT_EQ(filesIn(dir_.path()), (std::vector<std::string>{"report.xlsx", "taken"}));
}

TEST_F(AtomicFileTest, AFailedRenameLeavesWhatIsThereAndNoTemporaryFile) {
    // The target turns into a folder while the file is written: the rename cannot replace it.
    fs::remove(target_);
    {
        AtomicFile file(target_.string());
        file.write("the new report");
        fs::create_directory(target_);
        std::ofstream(target_ / "kept") << "kept";
        EXPECT_EQ(failureOf([&] { file.commit(); }), "cannot replace the file: Is a directory");
    }
    EXPECT_EQ(filesIn(dir_.path()), std::vector<std::string>{"report.xlsx"});
    EXPECT_EQ(contentOf(target_ / "kept"), "kept");
}

// ---- links, read-only files and leftovers of killed saves ----

TEST_F(AtomicFileTest, ASymbolicLinkIsFollowedAndStaysALink) {
    fs::create_directory(dir_.file("store"));
    fs::path real = dir_.file("store") / "real.xlsx";
    std::ofstream(real) << "the old report";
    ::chmod(real.c_str(), 0600);
    fs::path link = dir_.file("published.xlsx");
    fs::create_symlink("store/real.xlsx", link);
    AtomicFile file(link.string());
    file.write("the new report");
    file.commit();
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
    EXPECT_EQ(contentOf(real), "the new report");
    EXPECT_EQ(modeOf(real), 0600u);
    EXPECT_EQ(filesIn(dir_.file("store")), std::vector<std::string>{"real.xlsx"});
}

TEST_F(AtomicFileTest, ALinkLoopIsRefused) {
    fs::path a = dir_.file("a.xlsx");
    fs::create_symlink("b.xlsx", a);
    fs::create_symlink("a.xlsx", dir_.file("b.xlsx"));
    EXPECT_EQ(failureOf([&] { AtomicFile file(a.string()); }), "the name is a loop of symbolic links");
}

TEST_F(AtomicFileTest, AReadOnlyFileIsRefusedNotReplaced) {
    ASSERT_EQ(::chmod(target_.c_str(), 0444), 0);
    EXPECT_EQ(failureOf([&] { save("the new report"); }), "the file is read-only");
    EXPECT_EQ(contentOf(target_), "the old report");
    EXPECT_EQ(filesIn(dir_.path()), std::vector<std::string>{"report.xlsx"});
}

TEST_F(AtomicFileTest, SavesIntoOneFolderFromTwoThreadsNeverRemoveEachOthersFiles) {
    // Each save clears leftovers from the folder; a file between its close and its rename is not
    // one, however often the other thread looks.
    std::vector<std::string> failures[2];
    auto saveMany = [&](int thread) {
        for (int i = 0; i < 300; ++i) {
            try {
                AtomicFile file(dir_.file("report" + std::to_string(thread) + "_" + std::to_string(i) + ".xlsx").string(),
                                FileSync::none());
                file.write(std::string(100, 'x'));
                file.commit();
            } catch (const FileError& error) {
                failures[thread].push_back(error.what());
            }
        }
    };
    std::thread other(saveMany, 1);
    saveMany(0);
    other.join();
    EXPECT_TRUE(failures[0].empty()) << failures[0].front();
    EXPECT_TRUE(failures[1].empty()) << failures[1].front();
    EXPECT_EQ(filesIn(dir_.path()).size(), 601u);  // the old report and every new one, no temporary file
}

TEST_F(AtomicFileTest, TemporaryFilesOfKilledSavesAreRemovedByTheNextSave) {
    // Of the target's own temporary names, one a killed save left, one a save at work holds.
    fs::path leftover = dir_.file(".report.xlsx.tmp-0000000000000000");
    fs::path held = dir_.file(".report.xlsx.tmp-0000000000000001");
    fs::path otherTarget = dir_.file(".other.xlsx.tmp-0123456789abcdef");
    fs::path notOurs = dir_.file(".report.xlsx.tmp-notours");
    for (const fs::path& path : {leftover, held, otherTarget, notOurs}) std::ofstream(path) << "partial";
    int holder = ::open(held.c_str(), O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);  // a save still at work in another process
    save("the new report");
    ::close(holder);
    EXPECT_EQ(contentOf(target_), "the new report");
    std::vector<std::string> expected{".report.xlsx.tmp-0000000000000001", ".report.xlsx.tmp-notours", "report.xlsx"};
    // Where temporary files are named from the start a save sweeps the whole folder; otherwise a
    // killed save can only leave one under its target's own names, and the next save of that
    // target removes it without reading the folder.
    if (makesUnnamedFiles(dir_.path())) expected.insert(expected.begin(), ".other.xlsx.tmp-0123456789abcdef");
    EXPECT_EQ(filesIn(dir_.path()), expected);
}

// ---- a new name: linked in place, no temporary name ----

// Holds every temporary name of a target as a save at work in another process would: a save that
// needs one of them fails, so a save that succeeds did without.
class HeldTemporaryNames {
public:
    HeldTemporaryNames(const fs::path& folder, const std::string& name) {
        for (int slot = 0; slot < 16; ++slot) {
            char suffix[17];
            std::snprintf(suffix, sizeof suffix, "%016x", slot);
            fs::path path = folder / ("." + name + ".tmp-" + suffix);
            std::ofstream(path) << "at work";
            int fd = ::open(path.c_str(), O_RDONLY);
            EXPECT_EQ(::flock(fd, LOCK_EX), 0);
            held_.push_back(fd);
        }
    }
    ~HeldTemporaryNames() {
        for (int fd : held_) ::close(fd);
    }

private:
    std::vector<int> held_;
};

TEST_F(AtomicFileTest, ANewNameIsLinkedInPlaceAndAnOldOneReplacedThroughATemporaryName) {
    if (!makesUnnamedFiles(dir_.path())) GTEST_SKIP() << "files are named from the start here";
    HeldTemporaryNames heldNew(dir_.path(), "new.xlsx");
    HeldTemporaryNames heldOld(dir_.path(), "report.xlsx");
    {
        AtomicFile file(dir_.file("new.xlsx").string(), FileSync::none());
        file.write("the new report");
        file.commit();
    }
    EXPECT_EQ(contentOf(dir_.file("new.xlsx")), "the new report");
    EXPECT_EQ(failureOf([&] { save("the next report"); }), "cannot name the written file in its folder: File exists");
    EXPECT_EQ(contentOf(target_), "the old report");
}

TEST_F(AtomicFileTest, AFileAppearingAtANewNameBeforeTheCommitIsReplacedWhole) {
    fs::remove(target_);
    {
        AtomicFile file(target_.string(), FileSync::none());
        file.write("the new report");
        std::ofstream(target_) << "written by someone else meanwhile";
        file.commit();
    }
    EXPECT_EQ(contentOf(target_), "the new report");
    EXPECT_EQ(filesIn(dir_.path()), std::vector<std::string>{"report.xlsx"});
}

TEST_F(AtomicFileTest, ALinkToAMissingFileMakesThatFileAndStaysALink) {
    fs::create_directory(dir_.file("store"));
    fs::path link = dir_.file("published.xlsx");
    fs::create_symlink("store/real.xlsx", link);
    for (const char* content : {"the first report", "the second report"}) {  // made, then replaced
        AtomicFile file(link.string(), FileSync::none());
        file.write(content);
        file.commit();
        EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
        EXPECT_EQ(contentOf(dir_.file("store") / "real.xlsx"), content);
    }
    EXPECT_EQ(filesIn(dir_.file("store")), std::vector<std::string>{"real.xlsx"});
}

TEST_F(AtomicFileTest, SavesOfOneTargetAtOnceTakeTurnsAtItsTemporaryNames) {
    std::vector<std::unique_ptr<AtomicFile>> files;
    for (int i = 0; i < 3; ++i) {
        files.push_back(std::make_unique<AtomicFile>(target_.string(), FileSync::none()));
        files.back()->write("save " + std::to_string(i));
    }
    for (auto& file : files) file->commit();
    EXPECT_EQ(contentOf(target_), "save 2");
    EXPECT_EQ(filesIn(dir_.path()), std::vector<std::string>{"report.xlsx"});
}

}  // namespace
}  // namespace tavlora::base
