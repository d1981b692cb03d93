#include "synth/gui/CreateWaveDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/UiServices.h"
#include "platform/gui/JobPoller.h"

CCreateWaveDlg::CCreateWaveDlg(CWaveData& wave, const CPartialData& partials,
                               SynthesisSettings& settings, CUiServices& ui, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_ui(ui), m_job(wave, partials), m_fields(ui) {
    setWindowTitle(QStringLiteral("Create Waveform"));
    BuildControls();
    m_poller = std::make_unique<CJobPoller>(m_progressBar);
    m_fields.AddInt(m_numSamplesEdit, &m_settings.m_createNumSamples);
    m_fields.AddDouble(m_splashDecayEdit, &m_settings.m_createSplashDecay);
    ShowFields();
    ApplyEnabling();
}

CCreateWaveDlg::~CCreateWaveDlg() = default;

void CCreateWaveDlg::BuildControls() {
    auto* grid = new QGridLayout;
    const auto labelled = [&](int row, const QString& text, QWidget* control) {
        auto* label = new QLabel(text, this);
        label->setBuddy(control);
        control->setAccessibleName(text);
        grid->addWidget(label, row, 0);
        grid->addWidget(control, row, 1);
    };
    m_rateList = new QComboBox(this);
    m_rateList->addItems(
        {QStringLiteral("11025"), QStringLiteral("22050"), QStringLiteral("44100")});
    labelled(0, QStringLiteral("Sample rate (Hz)"), m_rateList);
    m_numSamplesEdit = new QLineEdit(this);
    m_numSamplesEdit->setAlignment(Qt::AlignRight);
    labelled(1, QStringLiteral("Number of samples"), m_numSamplesEdit);
    m_splashDecayEdit = new QLineEdit(this);
    m_splashDecayEdit->setAlignment(Qt::AlignRight);
    labelled(2, QStringLiteral("Splash decay"), m_splashDecayEdit);

    auto* volumeRow = new QHBoxLayout;
    auto* minLabel = new QLabel(QStringLiteral("Min Vol"), this);
    auto* maxLabel = new QLabel(QStringLiteral("Max Vol"), this);
    m_volumeSlider = new QSlider(Qt::Horizontal, this);
    m_volumeSlider->setRange(0, 100);
    m_volumeSlider->setPageStep(10);
    m_volumeSlider->setAccessibleName(QStringLiteral("Volume"));
    m_volumeSlider->setAccessibleDescription(QStringLiteral("Min Vol to Max Vol"));
    minLabel->setBuddy(m_volumeSlider);
    volumeRow->addWidget(minLabel);
    volumeRow->addWidget(m_volumeSlider, 1);
    volumeRow->addWidget(maxLabel);

    m_progressBar = new QProgressBar(this);
    m_progressBar->setAccessibleName(QStringLiteral("Progress"));

    m_goButton = new QPushButton(QStringLiteral("Go"), this);
    m_goButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelButton->setAutoDefault(false);
    connect(m_goButton, &QPushButton::clicked, this, &CCreateWaveDlg::OnGo);
    connect(m_cancelButton, &QPushButton::clicked, this, &CCreateWaveDlg::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_goButton);
    buttons->addWidget(m_cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(volumeRow);
    layout->addWidget(m_progressBar);
    layout->addLayout(buttons);
    setMinimumWidth(320);
}

void CCreateWaveDlg::ShowFields() {
    m_rateList->setCurrentIndex(std::clamp(m_settings.m_createRateChoice, 0, 2));
    m_volumeSlider->setValue(m_settings.m_createVolume);
    m_fields.Show();
}

bool CCreateWaveDlg::IsRunning() const {
    return m_poller->IsWatching();
}

void CCreateWaveDlg::ApplyEnabling() {
    const bool idle = !IsRunning();
    for (QWidget* control : std::initializer_list<QWidget*>{m_goButton, m_volumeSlider, m_rateList,
                                                            m_numSamplesEdit, m_splashDecayEdit})
        control->setEnabled(idle);
    m_cancelButton->setEnabled(true);
}

void CCreateWaveDlg::OnGo() {
    // A second synthesis waits until the first has been seen to end.
    if (IsRunning())
        return;
    // A field that is not a number has been prompted for; Go goes on with the values held.
    m_settings.m_createRateChoice = m_rateList->currentIndex();
    m_fields.Read();
    m_settings.m_createVolume = m_volumeSlider->value();
    ShowFields();
    if (!m_job.Prepare(m_settings)) {
        m_ui.MessageBox("Bad parameters!");
        return;
    }
    m_poller->Start(m_job, [this] { OnFinished(); });
    ApplyEnabling();
    m_cancelButton->setFocus();
}

void CCreateWaveDlg::reject() {
    if (IsRunning()) {
        m_job.RequestCancel();
        return;
    }
    QDialog::reject();
}

void CCreateWaveDlg::OnFinished() {
    ApplyEnabling();
    if (m_job.Failed()) {
        // Only the worker thread itself can be lacking here; the store is empty.
        m_ui.MessageBox("Bad parameters!");
        done(QDialog::Rejected);
    } else if (m_job.CancelRequested()) {
        done(QDialog::Rejected);
    } else {
        accept();
    }
}
