#include "audio/gui/RecordDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "platform/NumberText.h"
#include "platform/UiServices.h"
#include "wave/WaveData.h"

namespace {

// A check box that only shows a state: the user can reach it and hear it read, but not
// change it.
class CIndicatorBox : public QCheckBox {
  public:
    using QCheckBox::QCheckBox;

  protected:
    void nextCheckState() override {}
};

// A control with its label in one row of a grid; the label names it for screen readers.
template <class T>
T* AddLabelled(QGridLayout* grid, int row, const QString& label, T* control) {
    auto* caption = new QLabel(label, control->parentWidget());
    caption->setBuddy(control);
    control->setAccessibleName(label);
    grid->addWidget(caption, row, 0);
    grid->addWidget(control, row, 1);
    return control;
}

QLineEdit* MakeReadOnlyEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setAlignment(Qt::AlignRight);
    return edit;
}

}  // namespace

CRecordDlg::CRecordDlg(CWaveData& wave, CSoundInput& device, CUiServices& ui, QWidget* parent)
    : QDialog(parent), m_wave(wave), m_ui(ui), m_engine(device, wave), m_fields(ui) {
    setWindowTitle(QStringLiteral("Recording . . ."));
    BuildControls();
    m_fields.AddCheck(m_waitCheck, &m_wait);
    m_fields.AddDouble(m_lengthEdit, &m_length);
    m_fields.Show();
    m_volume->setRange(0, 100);
    m_volume->setValue(0);
    SetButtons();
}

CRecordDlg::~CRecordDlg() {
    // Once the device is released no report can be posted; those already posted die with
    // the dialog.
    m_engine.Stop();
}

void CRecordDlg::BuildControls() {
    auto* layout = new QVBoxLayout(this);

    auto* triggering = new QGroupBox(QStringLiteral("Triggering"), this);
    auto* triggerGrid = new QGridLayout(triggering);
    m_waitCheck = new QCheckBox(QStringLiteral("Wait for trigger"), triggering);
    triggerGrid->addWidget(m_waitCheck, 0, 0, 1, 2);
    m_threshold = AddLabelled(triggerGrid, 1, QStringLiteral("Trigger threshold"),
                              new QSlider(Qt::Horizontal, triggering));
    m_threshold->setRange(0, 100);
    m_threshold->setValue(25);
    m_threshold->setPageStep(10);
    m_threshold->setTickPosition(QSlider::TicksBelow);
    m_threshold->setTickInterval(10);
    m_threshold->setFocusPolicy(Qt::StrongFocus);
    m_volume = AddLabelled(triggerGrid, 2, QStringLiteral("Volume"), new QProgressBar(triggering));
    m_overload = new CIndicatorBox(QStringLiteral("Overload"), triggering);
    triggerGrid->addWidget(m_overload, 3, 0, 1, 2);
    layout->addWidget(triggering);

    auto* recording = new QGroupBox(QStringLiteral("Recording"), this);
    auto* recordGrid = new QGridLayout(recording);
    m_lengthEdit =
        AddLabelled(recordGrid, 0, QStringLiteral("Length (s)"), new QLineEdit(recording));
    m_lengthEdit->setAlignment(Qt::AlignRight);
    m_startButton = new QPushButton(QStringLiteral("Start record"), recording);
    recordGrid->addWidget(m_startButton, 1, 0, 1, 2);
    m_statusEdit =
        AddLabelled(recordGrid, 2, QStringLiteral("Status"), MakeReadOnlyEdit(recording));
    m_samplesEdit =
        AddLabelled(recordGrid, 3, QStringLiteral("Samples"), MakeReadOnlyEdit(recording));
    m_cancelButton = new QPushButton(QStringLiteral("Cancel record"), recording);
    recordGrid->addWidget(m_cancelButton, 4, 0, 1, 2);
    layout->addWidget(recording);

    m_exitButton = new QPushButton(QStringLiteral("Exit"), this);
    m_exitButton->setDefault(true);
    layout->addWidget(m_exitButton, 0, Qt::AlignHCenter);
    for (auto* button : {m_startButton, m_cancelButton})
        button->setAutoDefault(false);

    connect(m_startButton, &QPushButton::clicked, this, &CRecordDlg::OnStartRecord);
    connect(m_cancelButton, &QPushButton::clicked, this, &CRecordDlg::reject);
    connect(m_exitButton, &QPushButton::clicked, this, &CRecordDlg::OnExit);
    setMinimumWidth(320);
}

void CRecordDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // From the dialog's own event loop, which a failure can then end.
    QMetaObject::invokeMethod(this, &CRecordDlg::Start, Qt::QueuedConnection);
}

void CRecordDlg::Start() {
    // Reports come on the device's thread; each is queued to this dialog's thread, where
    // they arrive in the order posted. Qt drops those still queued when the dialog goes.
    const auto result = m_engine.Open([this](CSoundIn::Notification notification) {
        QMetaObject::invokeMethod(
            this, [this, notification] { OnNotification(notification); }, Qt::QueuedConnection);
    });
    if (result != CSoundIn::kCapturing) {
        m_ui.MessageBox(CSoundIn::MessageText(result));
        m_exited = true;
        QDialog::reject();
        return;
    }
    SetButtons();
}

void CRecordDlg::OnStartRecord() {
    // From here on the store holds no waveform, whether or not a recording starts.
    m_wave.m_state = CWaveData::kNoWaveform;
    m_fields.Read();
    if (!(m_length > 0.0) || m_length > kMaxSeconds)
        m_ui.MessageBox("Bad recording parameters!");
    else if (!m_engine.Begin(TruncToInt32(m_length * CSoundIn::kSampleRate), m_wait,
                             m_threshold->value()))
        m_ui.MessageBox(CSoundIn::MessageText(CSoundIn::kNoMemory));
    SetButtons();
}

void CRecordDlg::reject() {
    // Cancel record, Escape and the close box.
    if (m_exited)
        return;
    m_engine.Cancel();
    SetButtons();
}

void CRecordDlg::OnExit() {
    m_exited = true;
    m_engine.Stop();
    accept();
}

void CRecordDlg::OnNotification(CSoundIn::Notification notification) {
    if (m_exited)
        return;
    if (notification == CSoundIn::Notification::kRecordingComplete)
        OnRecordingComplete();
    else
        OnLevelUpdate();
}

void CRecordDlg::OnRecordingComplete() {
    m_engine.Recorded();
    SetButtons();
}

void CRecordDlg::OnLevelUpdate() {
    // The threshold counts from the next buffer on, also while a trigger is awaited.
    m_engine.SetTriggerLevel(m_threshold->value());
    m_overload->setChecked(m_engine.TakeOverloadUpdate());
    m_volume->setValue(static_cast<int>(m_engine.Peak() * 100.0 / 32768.0));
    ShowProgress();
}

void CRecordDlg::ShowProgress() {
    m_statusEdit->setText(QString::fromLatin1(m_engine.StatusText()));
    m_samplesEdit->setText(QString::number(m_engine.RecordedCount()));
}

void CRecordDlg::SetButtons() {
    const bool stopped = m_engine.GetState() == CSoundIn::kStopped;
    m_waitCheck->setEnabled(stopped);
    m_startButton->setEnabled(stopped);
    m_exitButton->setEnabled(stopped);
    m_cancelButton->setEnabled(!stopped);
    ShowProgress();
}
