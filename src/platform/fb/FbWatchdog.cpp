#include "platform/fb/FbWatchdog.h"

#include "platform/fb/FbApi.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace fb {

using Clock = std::chrono::steady_clock;

struct TimeoutGuard::Entry {
    Attachment *att = nullptr;
    Clock::time_point deadline;
    std::atomic<bool> fired{false};
    bool done = false; // guarded by the watchdog mutex
};

namespace {

// One thread serves every guard of the process.
class Watchdog {
public:
    static Watchdog &instance()
    {
        static Watchdog w;
        return w;
    }

    void add(const std::shared_ptr<TimeoutGuard::Entry> &e)
    {
        std::lock_guard lock(m_mutex);
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
        m_entries.emplace(e->deadline, e);
        // the thread already wakes by then: no wake-up per statement
        if (e->deadline < m_sleepUntil)
            m_cv.notify_all();
    }

    // Returns once the entry can no longer fire.
    void remove(const std::shared_ptr<TimeoutGuard::Entry> &e)
    {
        std::lock_guard lock(m_mutex);
        e->done = true;
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->second == e) {
                m_entries.erase(it);
                break;
            }
        }
    }

    ~Watchdog()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
            m_cv.notify_all();
        }
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    void run()
    {
        std::unique_lock lock(m_mutex);
        while (!m_stop) {
            if (m_entries.empty()) {
                m_sleepUntil = Clock::time_point::max();
                m_cv.wait(lock);
                continue;
            }
            auto it = m_entries.begin();
            // a copy: the entry may be erased while the lock is released
            const Clock::time_point deadline = it->first;
            if (Clock::now() < deadline) {
                m_sleepUntil = deadline;
                m_cv.wait_until(lock, deadline);
                continue;
            }
            auto e = it->second;
            m_entries.erase(it);
            if (!e->done) {
                e->fired = true;
                // cancel under the lock so the guard's owner cannot
                // detach the attachment in between
                e->att->cancelOperation();
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::multimap<Clock::time_point, std::shared_ptr<TimeoutGuard::Entry>> m_entries;
    std::thread m_thread;
    bool m_stop = false;
    // when the thread next wakes by itself; guarded by m_mutex
    Clock::time_point m_sleepUntil = Clock::time_point::max();
};

} // namespace

TimeoutGuard::TimeoutGuard(Attachment &att, int timeoutMs)
{
    if (timeoutMs <= 0)
        return;
    m_entry = std::make_shared<Entry>();
    m_entry->att = &att;
    m_entry->deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    Watchdog::instance().add(m_entry);
}

TimeoutGuard::~TimeoutGuard()
{
    if (!m_entry)
        return;
    Watchdog::instance().remove(m_entry);
    // A cancel that arrived after the statement ended must not hit the next one.
    if (m_entry->fired)
        m_entry->att->resetCancel();
}

bool TimeoutGuard::fired() const { return m_entry && m_entry->fired; }

} // namespace fb
