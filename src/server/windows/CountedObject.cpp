#include "server/windows/CountedObject.h"

namespace tavlora::server::windows {

namespace {

// The object runtime asks a DLL whether it may be unloaded; the count of what it handed out is the
// one thing the whole module must share.
std::atomic<long>& moduleCount() {
    static std::atomic<long> count{0};
    return count;
}

}  // namespace

long liveServerObjects() { return moduleCount().load(); }
void addServerObject() { ++moduleCount(); }
void releaseServerObject() { --moduleCount(); }

}  // namespace tavlora::server::windows
