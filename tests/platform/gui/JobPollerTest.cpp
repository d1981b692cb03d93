#include <QProgressBar>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include "platform/WorkerThread.h"
#include "platform/gui/JobPoller.h"
#include "platform/gui/JobProgressDlg.h"
#include "support/gui/ModalAnswer.h"

namespace {

// A job on a real worker thread that counts to a given number of steps, one step each time
// the test lets it, so the test decides when it is done.
class CSteppedJob : public CPolledJob {
  public:
    explicit CSteppedJob(int steps, bool startable = true)
        : m_steps(steps), m_startable(startable) {}
    ~CSteppedJob() override { Finish(); }

    bool Start(DoneNotifier onDone) override {
        if (!m_startable) {
            m_failed = true;
            return false;
        }
        return m_worker.Start(
            [this](WorkerFlags& flags) {
                while (flags.m_progress.load() < m_steps && !flags.CancelRequested()) {
                    if (m_allowed.load() > flags.m_progress.load())
                        flags.m_progress.fetch_add(1);
                    else
                        std::this_thread::yield();
                }
            },
            std::move(onDone));
    }
    void RequestCancel() override { m_worker.RequestCancel(); }
    bool IsDone() const override { return m_failed || m_worker.IsDone(); }
    bool CancelRequested() const override { return m_worker.Flags().CancelRequested(); }
    bool Failed() const override { return m_failed; }
    std::int32_t PercentDone() const override { return m_worker.Progress() * 100 / m_steps; }
    void Finish() override {
        ++m_finishCalls;
        if (!m_worker.IsDone())
            m_worker.RequestCancel();
        m_worker.Join();
    }

    void Allow(int steps) { m_allowed.store(steps); }
    int m_finishCalls = 0;

  private:
    int m_steps;
    bool m_startable;
    bool m_failed = false;
    std::atomic<int> m_allowed{0};
    CWorkerThread m_worker;
};

// Delivers what has been posted to the poller, and nothing else (no timer ticks), until
// the poller has reported; false after ten seconds without a report.
bool DeliverPostedUntil(CJobPoller& poller, const int& reports, int expected) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (reports < expected && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::sendPostedEvents(&poller, QEvent::MetaCall);
        std::this_thread::yield();
    }
    return reports == expected;
}

}  // namespace

class JobPollerTest : public QObject {
    Q_OBJECT

  private slots:
    void theDoneNotificationEndsThePollWithoutATick() {
        QProgressBar bar;
        CJobPoller poller(&bar);
        CSteppedJob job(4);
        int finished = 0;
        QVERIFY(poller.Start(job, [&] { ++finished; }));
        QVERIFY(!poller.Start(job, [] {}));  // one job at a time
        job.Allow(4);
        // Delivering what was posted is enough: no 500 ms tick is needed.
        QVERIFY(DeliverPostedUntil(poller, finished, 1));
        QCOMPARE(job.m_finishCalls, 1);
        QCOMPARE(bar.value(), 100);
        QVERIFY(!poller.IsWatching());
        // The next job can start from inside the report, as a series of runs does.
        CSteppedJob second(2);
        QVERIFY(poller.Start(second, [&] { ++finished; }));
        second.Allow(2);
        QVERIFY(DeliverPostedUntil(poller, finished, 2));
    }

    // A run of a series reports the series' progress: the bar starts from the job's own
    // figure, not 0, and the timer moves it on while the job runs.
    void theBarStartsFromTheJobsOwnFigureAndTheTimerMovesIt() {
        struct CLaterRun : CSteppedJob {
            using CSteppedJob::CSteppedJob;
            std::int32_t PercentDone() const override {
                return 40 + CSteppedJob::PercentDone() / 2;
            }
        };
        QProgressBar bar;
        CJobPoller poller(&bar);
        CLaterRun job(4);
        QVERIFY(poller.Start(job, [] {}));
        QCOMPARE(bar.value(), 40);
        job.Allow(2);
        QTRY_COMPARE_WITH_TIMEOUT(bar.value(), 65, 2000);
        job.Allow(4);
        QTRY_VERIFY(!poller.IsWatching());
        QCOMPARE(bar.value(), 90);
    }

    void aJobThatCannotStartIsReportedOnTheNextTurn() {
        CJobPoller poller(nullptr);
        CSteppedJob job(1, false);
        int finished = 0;
        QVERIFY(poller.Start(job, [&] { ++finished; }));
        QCOMPARE(finished, 0);  // never from inside Start
        QVERIFY(DeliverPostedUntil(poller, finished, 1));
        QVERIFY(job.Failed());
    }

    void aPollerThatGoesAwayStopsAndWaitsForItsJob() {
        CSteppedJob job(1000000);
        {
            CJobPoller poller(nullptr);
            QVERIFY(poller.Start(job, [] {}));
        }
        QVERIFY(job.IsDone());
        QVERIFY(job.CancelRequested());
        // Nothing posted to the poller that is gone may arrive anywhere.
        QCoreApplication::processEvents();
    }

    void theProgressDialogEndsAsTheJobDid() {
        const struct {
            int steps;
            bool startable, cancel;
            int result;
        } cases[] = {{3, true, false, QDialog::Accepted},
                     {1000000, true, true, QDialog::Rejected},
                     {1, false, false, QDialog::Rejected}};
        for (const auto& c : cases) {
            CSteppedJob job(c.steps, c.startable);
            job.Allow(c.cancel ? 0 : c.steps);
            CJobProgressDlg dialog(job, "Working", "Working ...");
            std::optional<CModalAnswers> answers;  // unanswered, the dialog runs to the end
            if (c.cancel)
                answers.emplace().Click("Cancel");
            QCOMPARE(dialog.exec(), c.result);
            QCOMPARE(dialog.JobFailed(), !c.startable);
            QVERIFY(!c.cancel || job.CancelRequested());
        }
    }
};

QTEST_MAIN(JobPollerTest)
#include "JobPollerTest.moc"
