#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tavlora::host::xlsx {

class LocalDeflaters;

// The threads that deflate the pieces of a save's large parts, and the buffers the pieces are laid
// out in. A save owns one and keeps it for all its parts, so a part of many pieces starts no thread
// per piece (each with a fresh stack), each thread keeps its compressors, their tables and output
// buffers, from piece to piece, and no piece lays out its input in fresh memory.
// Threads are started when the first job finds none idle, up to the limit, and end when the
// workers are destroyed, after the jobs already handed over. Jobs are posted from one thread.
class DeflateWorkers {
public:
    using Job = std::function<void(LocalDeflaters&)>;
    // Starts a thread that runs `body`; throws std::system_error when none can be had. Tests give
    // their own to count or refuse threads.
    using ThreadStarter = std::function<std::thread(std::function<void()> body)>;

    // `threads` 0: one per core.
    explicit DeflateWorkers(unsigned threads = 0, ThreadStarter start = {});
    ~DeflateWorkers();
    DeflateWorkers(const DeflateWorkers&) = delete;
    DeflateWorkers& operator=(const DeflateWorkers&) = delete;

    // The most threads these workers run. Asked only once a part has a second piece: the core
    // count costs a file read.
    unsigned limit();
    // Hands `job` to a worker thread, which runs it with that thread's compressors. False when no
    // thread runs and none can be started (a process limit): the job was not taken, the caller
    // does the work itself. A job must not throw: it reports its failure to whoever waits on it.
    bool post(Job job);

    // An empty buffer of at least `capacity` bytes for a piece's input: one a deflated piece gave
    // back, else a new one. A new buffer is mapped fresh from the system and faulted in page by
    // page as the piece is laid out; the parts of a save go round the few buffers it has. For the
    // posting thread only.
    std::string takeBuffer(size_t capacity);
    void giveBack(std::string buffer);

private:
    void work();
    bool startThread();

    unsigned limit_;  // 0 until asked, when one per core
    ThreadStarter start_;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;  // guarded by mutex_, as are the two below
    unsigned idle_ = 0;
    bool stopping_ = false;
    std::vector<std::string> spareBuffers_;  // the posting thread's
};

}  // namespace tavlora::host::xlsx
