#pragma once
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "com/Variant.h"

namespace tavlora::data {

// Rows of a query, converted to values, a batch at a time.
struct RowBatch {
    std::vector<com::Variant> values;  // row after row, each of the recordset's field count
    size_t rows = 0;
    bool last = false;         // no row comes after this batch
    std::exception_ptr error;  // reading failed after these rows (the batch is then the last)
};

// Reads the batches after the first on a thread of its own while the caller works through the
// ones before them: a list filled from a database otherwise leaves the second core idle while
// the rows are read and converted one by one between the cells' writes. At most `depth` batches
// wait unread. `read` fills one batch and must not throw (a failure goes into the batch);
// it runs on the reading thread only, from the construction on, and never after destruction.
class RowsReadAhead {
public:
    using Reader = std::function<void(RowBatch&)>;

    // `interrupt` (may be empty) cuts a read in progress short; the destructor calls it from its
    // own thread. Throws std::system_error when no thread can be had: the caller then reads on its
    // own.
    RowsReadAhead(Reader read, size_t depth, std::function<void()> interrupt = {});
    // Stops reading after the batch in hand (interrupted) and waits for the thread to end.
    ~RowsReadAhead();
    RowsReadAhead(const RowsReadAhead&) = delete;
    RowsReadAhead& operator=(const RowsReadAhead&) = delete;

    // The next batch, waiting for it, for `spent`, the batch the caller is done with: its values
    // are destroyed and its memory reused on the reading thread, not the caller's. Not to be
    // called after a batch that was the last.
    RowBatch next(RowBatch spent = {});

private:
    void work();

    Reader read_;
    size_t depth_;
    std::function<void()> interrupt_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<RowBatch> ready_;  // guarded by mutex_, as are spent_ and stopping_
    std::vector<RowBatch> spent_;
    bool stopping_ = false;
    std::thread thread_;  // last: started once everything it reads is made
};

}  // namespace tavlora::data
