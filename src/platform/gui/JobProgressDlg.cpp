#include "platform/gui/JobProgressDlg.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

CJobProgressDlg::CJobProgressDlg(CPolledJob& job, const QString& title, const QString& text,
                                 QWidget* parent)
    : QDialog(parent), m_job(job) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(text, this));
    m_progressBar = new QProgressBar(this);
    m_progressBar->setAccessibleName(QStringLiteral("Progress"));
    layout->addWidget(m_progressBar);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(cancel, &QPushButton::clicked, this, &CJobProgressDlg::reject);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    setMinimumWidth(280);
    m_poller = new CJobPoller(m_progressBar, this);
}

void CJobProgressDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    m_poller->Start(m_job, [this] { OnFinished(); });
}

void CJobProgressDlg::reject() {
    m_job.RequestCancel();
}

void CJobProgressDlg::OnFinished() {
    m_failed = m_job.Failed();
    done(!m_failed && !m_job.CancelRequested() ? QDialog::Accepted : QDialog::Rejected);
}
