#pragma once
#include <stdexcept>
#include <string>
#include <string_view>

namespace tavlora::base {

// Why an atomic write failed; what() is the reason alone ("the folder 'x' does not exist"), for the
// caller to put after its own words about the file.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The two flushes that make a replaced file durable. Both return 0, or -1 with errno set, as
// fsync(2) does; a test substitutes its own to see when they happen.
class FileSync {
public:
    virtual ~FileSync() = default;
    virtual int syncFile(int fd) const;    // the written data, before the rename
    virtual int syncFolder(int fd) const;  // the folder's entry, after the rename
    // False where syncFolder does nothing: a save then does not open its folder at all.
    virtual bool flushesFolder() const { return true; }

    static const FileSync& system();
    // Flushes nothing: the file is still written whole and renamed over the target (readers see
    // the old file or the new one), but after a power loss or a system crash it may be lost or
    // empty. For runs that make many files that can be made again.
    static const FileSync& none();
};

// A file written beside its target and renamed over it only when complete, so that readers see
// either the old file or the new one, and a failure at any step leaves the old file as it was.
//
// The new file is written in the target's folder (so the rename stays on one file system) as an
// unnamed file. At the commit it is linked straight to the target's name when nothing is there
// (the link fails rather than replace a file that appeared meanwhile); otherwise it is named
// (".<name>.tmp-<16 hex digits>") and at once renamed over the target. Where the file system has
// no unnamed files it is a named temporary file from the start. It gets the permission
// bits of the file it replaces (and its owner and group where the process may set them); a new
// file gets what the process's new files get (0666 less the umask). A symbolic link is followed:
// the file it names is replaced and the link stays. A read-only file is refused, not replaced.
// A writer killed before the commit leaves nothing. A temporary file left by one killed between
// naming and renaming is removed by the next save of the same target; where files are named from
// the start, every save first removes the leftovers of killed saves from the folder.
// Failures throw FileError.
class AtomicFile {
public:
    explicit AtomicFile(std::string target, const FileSync& sync = FileSync::system());
    // Removes the temporary file unless commit() renamed it.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // The file being written (open for reading and writing); valid until commit(). A caller may
    // also write and seek through it directly.
    int descriptor() const { return fd_; }

    void write(std::string_view bytes);
    // Flushes the file, renames it over the target and flushes the folder. After a failure in the
    // folder flush the target is already replaced (the error says so).
    void commit();

private:
    void createNamed();
    void nameUnnamedFile();
    void copyIntoNamedFile();
    int linkUnnamedFile(const std::string& name) const;
    bool linkInPlace();
    void replaceTarget();
    void flushFolder() const;

    std::string target_;
    std::string folder_;
    std::string prefix_;     // ".<name>.tmp-"
    std::string temporary_;  // "" while the file is unnamed
    const FileSync& sync_;
    int fd_ = -1;
    bool targetExisted_ = false;  // anything at the name (after links) when the save began
    bool committed_ = false;
};

}  // namespace tavlora::base
