#include "platform/gui/JobPoller.h"

#include <QProgressBar>
#include <algorithm>

CJobPoller::CJobPoller(QProgressBar* bar, QObject* parent) : QObject(parent), m_bar(bar) {
    if (m_bar != nullptr)
        m_bar->setRange(0, 100);
    m_timer.setInterval(kPollMs);
    connect(&m_timer, &QTimer::timeout, this, &CJobPoller::Poll);
}

CJobPoller::~CJobPoller() {
    // Waiting here also waits for the worker's notification to be posted; posted events
    // die with this object.
    if (m_job != nullptr)
        m_job->Finish();
}

bool CJobPoller::Start(CPolledJob& job, std::function<void()> onFinished) {
    if (m_job != nullptr)
        return false;
    m_job = &job;
    m_onFinished = std::move(onFinished);
    // The notifier runs on the worker thread: it only posts to this object's thread.
    const bool started = job.Start(
        [this] { QMetaObject::invokeMethod(this, &CJobPoller::Poll, Qt::QueuedConnection); });
    // The job's own figure from the start: a job that is one of a series reports the
    // series' progress, which must not fall back to 0 between its runs.
    ShowProgress();
    if (started)
        m_timer.start();
    else
        QMetaObject::invokeMethod(this, &CJobPoller::Poll, Qt::QueuedConnection);
    return true;
}

void CJobPoller::ShowProgress() {
    if (m_bar != nullptr)
        m_bar->setValue(std::clamp(m_job->PercentDone(), 0, 100));
}

void CJobPoller::Poll() {
    if (m_job == nullptr)
        return;
    ShowProgress();
    if (!m_job->IsDone())
        return;
    m_timer.stop();
    CPolledJob* job = m_job;
    m_job = nullptr;
    job->Finish();
    // The callback may start the next job on this poller.
    const auto onFinished = std::move(m_onFinished);
    m_onFinished = nullptr;
    if (onFinished)
        onFinished();
}
