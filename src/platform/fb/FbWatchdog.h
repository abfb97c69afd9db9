#pragma once

#include <atomic>
#include <memory>

namespace fb {

class Attachment;

// Bounds the run time of one statement: when the deadline passes before
// the guard is destroyed, the attachment's running operation is cancelled.
// Firebird 3 has no statement time-out of its own.
class TimeoutGuard {
public:
    // timeoutMs <= 0: no limit, the guard does nothing.
    TimeoutGuard(Attachment &att, int timeoutMs);
    ~TimeoutGuard();
    TimeoutGuard(const TimeoutGuard &) = delete;
    TimeoutGuard &operator=(const TimeoutGuard &) = delete;

    // Whether the deadline passed and a cancel was sent.
    bool fired() const;

    struct Entry;

private:
    std::shared_ptr<Entry> m_entry;
};

} // namespace fb
