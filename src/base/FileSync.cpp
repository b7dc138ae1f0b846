#include "base/AtomicFile.h"

// The choice between flushing and not; how a flush is done is the platform's (AtomicFilePosix.cpp,
// windows/AtomicFile.cpp).
namespace tavlora::base {

const FileSync& FileSync::system() {
    static const FileSync sync;
    return sync;
}

namespace {

class NoSync final : public FileSync {
public:
    int syncFile(int) const override { return 0; }
    int syncFolder(int) const override { return 0; }
    bool flushesFolder() const override { return false; }
};

}  // namespace

const FileSync& FileSync::none() {
    static const NoSync sync;
    return sync;
}

}  // namespace tavlora::base
