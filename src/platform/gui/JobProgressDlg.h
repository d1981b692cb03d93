#pragma once

#include <QDialog>

#include "platform/PolledJob.h"
#include "platform/gui/JobPoller.h"

class QProgressBar;

// A small modal dialog that runs one long computation: a line of text, a progress bar and
// Cancel. The job starts when the dialog is shown; the dialog ends with OK when the job
// completed, and with Cancel when the user cancelled it or it could not run. Cancel, Escape
// and the close box only ask the job to stop: the dialog ends when the job has.
class CJobProgressDlg : public QDialog {
    Q_OBJECT
  public:
    CJobProgressDlg(CPolledJob& job, const QString& title, const QString& text,
                    QWidget* parent = nullptr);

    void reject() override;

    // The job could not run or could not complete (no memory, unusable settings).
    bool JobFailed() const { return m_failed; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void OnFinished();

    CPolledJob& m_job;
    QProgressBar* m_progressBar;
    CJobPoller* m_poller;
    bool m_started = false;
    bool m_failed = false;
};
