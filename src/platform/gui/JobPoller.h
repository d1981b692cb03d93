#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

#include "platform/PolledJob.h"

class QProgressBar;

// Watches a long computation for the dialog that runs it: a 500 ms timer moves the progress
// bar, and the job's own done notification arrives at once on the dialog's thread, so a job
// that ends in a few milliseconds (or a series of short jobs) does not keep the user waiting
// for the next tick. When the job is seen done, the poller finishes it and reports.
class CJobPoller : public QObject {
  public:
    static constexpr int kPollMs = 500;

    // bar, when given, shows the per-cent done of the job watched, from its start (a figure
    // above 100 shows as a full bar).
    explicit CJobPoller(QProgressBar* bar, QObject* parent = nullptr);
    // A job still running is asked to stop and waited for: nothing may outlive its dialog.
    ~CJobPoller() override;

    // Starts job and watches it; onFinished is called on this thread after the job has been
    // finished (also when it could not start), and the caller then reads its outcome.
    // False while a job is being watched.
    bool Start(CPolledJob& job, std::function<void()> onFinished);
    bool IsWatching() const { return m_job != nullptr; }

  private:
    void Poll();
    void ShowProgress();

    QProgressBar* m_bar;
    QTimer m_timer;
    CPolledJob* m_job = nullptr;
    std::function<void()> m_onFinished;
};
