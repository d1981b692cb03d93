#include "audio/gui/PlayDlg.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/UiServices.h"

CPlayDlg::CPlayDlg(const CWaveData& wave, const PlayRequest& request, CSoundOutput& device,
                   CUiServices& ui, QWidget* parent)
    : QDialog(parent), m_wave(wave), m_request(request), m_ui(ui), m_engine(device) {
    setWindowTitle(QStringLiteral("Play Waveform"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Playing the waveform ..."), this));
    m_progress = new QProgressBar(this);
    m_progress->setAccessibleName(QStringLiteral("Progress"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    layout->addWidget(m_progress);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(cancel, &QPushButton::clicked, this, &CPlayDlg::reject);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    setMinimumWidth(280);
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &CPlayDlg::OnTick);
}

void CPlayDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // From the dialog's own event loop, which a failure can then end.
    QMetaObject::invokeMethod(this, &CPlayDlg::Start, Qt::QueuedConnection);
}

void CPlayDlg::Start() {
    const auto result = m_engine.Open(m_wave, m_request);
    if (result != CSoundOut::kPlaying) {
        m_ui.MessageBox(CSoundOut::MessageText(result));
        QDialog::reject();
        return;
    }
    m_timer.start();
}

void CPlayDlg::OnTick() {
    m_progress->setValue(m_engine.Progress());
    if (!m_engine.Finished())
        return;
    m_timer.stop();
    m_engine.Close();
    accept();
}

void CPlayDlg::reject() {
    m_engine.RequestStop();
}
