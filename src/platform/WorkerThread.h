#pragma once

#include <atomic>
#include <functional>
#include <thread>

// The three items a long computation shares with the dialog that polls it. The worker
// writes the progress count and, last of all, the done flag; the dialog writes only the
// cancel flag. The worker's results may be read once IsDone() has been seen.
struct WorkerFlags {
    std::atomic<int> m_progress{0};
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_done{false};

    void Reset() {
        m_progress.store(0, std::memory_order_relaxed);
        m_cancel.store(false, std::memory_order_relaxed);
        m_done.store(false, std::memory_order_relaxed);
    }
    bool CancelRequested() const { return m_cancel.load(std::memory_order_relaxed); }
    bool IsDone() const { return m_done.load(std::memory_order_acquire); }
};

// Runs one job at a time on a thread of its own. The job is called with the flags; when it
// returns, the done flag is set with release order so its results are visible to the
// reader who sees it, and then the done notifier, if any, is called on the worker thread.
// The thread is joined by Join(), by the next Start() or on destruction (which asks the
// job to cancel first).
class CWorkerThread {
  public:
    CWorkerThread() = default;
    ~CWorkerThread() {
        m_flags.m_cancel.store(true, std::memory_order_relaxed);
        Join();
    }
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // job is called as job(flags). Returns false when the thread cannot be started (nor the
    // memory for it be had); the done flag is then set at once and the notifier is not called.
    template <class Job>
    bool Start(Job&& job, std::function<void()> onDone = {}) {
        Join();
        m_flags.Reset();
        try {
            m_thread = std::thread(
                [this, job = std::forward<Job>(job), onDone = std::move(onDone)]() mutable {
                    job(m_flags);
                    m_flags.m_done.store(true, std::memory_order_release);
                    if (onDone)
                        onDone();
                });
        } catch (...) {
            m_flags.m_done.store(true, std::memory_order_release);
            return false;
        }
        return true;
    }

    void RequestCancel() { m_flags.m_cancel.store(true, std::memory_order_relaxed); }
    int Progress() const { return m_flags.m_progress.load(std::memory_order_relaxed); }
    bool IsDone() const { return m_flags.IsDone(); }

    void Join() {
        if (m_thread.joinable())
            m_thread.join();
    }
    // A thread was started and has not been joined yet.
    bool HasThread() const { return m_thread.joinable(); }
    // Waits for the worker; one still at its work is asked to stop first. True then: the
    // caller gave up on work that had not run to its end.
    bool Stop() {
        const bool unfinished = m_thread.joinable() && !IsDone();
        if (unfinished)
            RequestCancel();
        Join();
        return unfinished;
    }

    WorkerFlags& Flags() { return m_flags; }
    const WorkerFlags& Flags() const { return m_flags; }

  private:
    WorkerFlags m_flags;
    std::thread m_thread;
};
