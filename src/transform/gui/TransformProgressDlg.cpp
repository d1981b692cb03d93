#include "transform/gui/TransformProgressDlg.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AnalysisParams.h"
#include "transform/TransformData.h"

CTransformProgressDlg::CTransformProgressDlg(CTransformData& transforms,
                                             const AnalysisParams& params,
                                             const std::int16_t* samples, std::int32_t sampleCount,
                                             QWidget* parent)
    : QDialog(parent),
      m_transforms(transforms),
      m_params(params),
      m_samples(samples),
      m_sampleCount(sampleCount) {
    setWindowTitle(QStringLiteral("Transforms"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Doing transforms ..."), this));
    m_progressBar = new QProgressBar(this);
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->setAccessibleName(QStringLiteral("Progress"));
    layout->addWidget(m_progressBar);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(cancel, &QPushButton::clicked, this, &CTransformProgressDlg::reject);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    setMinimumWidth(280);

    m_timer.setInterval(500);
    connect(&m_timer, &QTimer::timeout, this, &CTransformProgressDlg::OnTimer);
}

CTransformProgressDlg::~CTransformProgressDlg() {
    // Closed some other way while the worker still runs: stop it before the data goes.
    if (m_transforms.m_job.IsRunning()) {
        m_transforms.m_job.RequestCancel();
        m_transforms.m_job.Finish();
    }
}

void CTransformProgressDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    m_transforms.m_job.Start(m_params, m_samples, m_sampleCount);
    m_timer.start();
}

void CTransformProgressDlg::reject() {
    m_transforms.m_job.RequestCancel();
}

void CTransformProgressDlg::OnTimer() {
    CTransformJob& job = m_transforms.m_job;
    m_progressBar->setValue(job.PercentDone());
    if (!job.IsDone())
        return;
    m_timer.stop();
    job.Finish();
    if (job.Failed()) {
        m_jobFailed = true;
        done(QDialog::Rejected);
    } else if (job.CancelRequested()) {
        done(QDialog::Rejected);
    } else {
        m_transforms.FindMaximum();
        m_transforms.m_smoothedValid = m_transforms.Smooth(
            m_params.m_sampleRate, m_params.m_endSample - m_params.m_startSample);
        done(QDialog::Accepted);
    }
}
