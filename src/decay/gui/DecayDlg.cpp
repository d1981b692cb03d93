#include "decay/gui/DecayDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "partials/PartialData.h"
#include "platform/UiServices.h"
#include "platform/gui/JobPoller.h"

namespace {

constexpr const char* kBadInput = "bad input parameter";

}  // namespace

CDecayDlg::CDecayDlg(const CPartialData& partials, DecaySource source, CUiServices& ui,
                     QWidget* parent)
    : QDialog(parent), m_partials(partials), m_source(std::move(source)), m_ui(ui), m_fields(ui) {
    setWindowTitle(QStringLiteral("Calculate Partials Decay"));
    m_settings = DefaultDecaySettings(m_source.m_selection.m_startSample,
                                      m_source.m_wave.m_sampleRate, SampleCount());
    BuildControls();
    m_poller = std::make_unique<CJobPoller>(m_progressBar);
    m_fields.AddInt(m_startEdit, &m_settings.m_startSample);
    m_fields.AddInt(m_endEdit, &m_settings.m_endSample);
    m_fields.AddInt(m_splashEdit, &m_settings.m_splashLength);
    m_fields.AddInt(m_tailEdit, &m_settings.m_tailLength);
    m_fields.AddInt(m_stepEdit, &m_settings.m_tailStep);
    m_fields.Show();
    UpdateButtons();
}

// The poller goes first (it stops a run still going), then the analysis it watches.
CDecayDlg::~CDecayDlg() = default;

std::int32_t CDecayDlg::SampleCount() const {
    // The panel's count is what the user sees; the waveform's is what exists.
    return std::min(m_source.m_panelSampleCount, m_source.m_wave.m_sampleCount);
}

QLineEdit* CDecayDlg::AddField(QGridLayout* grid, int row, const QString& label) {
    auto* caption = new QLabel(label, this);
    auto* edit = new QLineEdit(this);
    caption->setBuddy(edit);
    edit->setAccessibleName(label);
    edit->setAlignment(Qt::AlignRight);
    edit->setMinimumWidth(100);
    grid->addWidget(caption, row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

void CDecayDlg::BuildControls() {
    auto* fields = new QGridLayout;
    m_startEdit = AddField(fields, 0, QStringLiteral("Start sample"));
    m_endEdit = AddField(fields, 1, QStringLiteral("End sample"));
    m_splashEdit = AddField(fields, 2, QStringLiteral("Splash trans length"));
    m_tailEdit = AddField(fields, 3, QStringLiteral("Tail trans length"));
    m_stepEdit = AddField(fields, 4, QStringLiteral("Tail trans step"));

    m_goButton = new QPushButton(QStringLiteral("Go"), this);
    m_progressBar = new QProgressBar(this);
    m_progressBar->setAccessibleName(QStringLiteral("Progress"));
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_writeButton = new QPushButton(QStringLiteral("Write to file"), this);
    m_exitButton = new QPushButton(QStringLiteral("Exit"), this);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    // Enter in a field means Go; no other button takes Enter when it has the focus.
    for (QPushButton* button : {m_writeButton, m_exitButton, m_cancelButton})
        button->setAutoDefault(false);
    m_goButton->setDefault(true);
    connect(m_goButton, &QPushButton::clicked, this, &CDecayDlg::OnGo);
    connect(m_writeButton, &QPushButton::clicked, this, &CDecayDlg::OnWrite);
    connect(m_exitButton, &QPushButton::clicked, this, &CDecayDlg::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &CDecayDlg::reject);

    auto* run = new QHBoxLayout;
    run->addWidget(m_goButton);
    run->addWidget(m_progressBar, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_writeButton);
    buttons->addStretch(1);
    buttons->addWidget(m_exitButton);
    buttons->addWidget(m_cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(8);
    layout->addLayout(run);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    setMinimumWidth(360);
}

void CDecayDlg::UpdateButtons() {
    const bool complete = m_state == State::kComplete;
    m_goButton->setEnabled(m_state == State::kIdle);
    m_cancelButton->setEnabled(!complete);
    m_writeButton->setEnabled(complete);
    m_exitButton->setEnabled(complete);
    // The fields' values are those of the analysis once it has started.
    for (QLineEdit* edit : {m_startEdit, m_endEdit, m_splashEdit, m_tailEdit, m_stepEdit})
        edit->setReadOnly(m_state != State::kIdle);
}

void CDecayDlg::OnGo() {
    if (m_state != State::kIdle)
        return;
    // A field that is not a whole number has been prompted for; the checks run on the
    // values in force.
    m_fields.Read();
    if (!CheckDecaySettings(m_settings, SampleCount()) ||
        !m_analysis.Prepare(m_source.m_wave, m_source.m_selection, m_partials)) {
        m_ui.MessageBox(kBadInput);
        return;
    }
    m_header = {m_source.m_fileTitle, m_source.m_wave.m_sampleRate, m_settings};
    m_state = State::kRunning;
    UpdateButtons();
    m_cancelButton->setFocus();
    m_poller->Start(m_analysis, [this] { OnRunFinished(); });
}

void CDecayDlg::OnRunFinished() {
    // A run that could not have its memory ends the analysis: there is no table to write.
    if (m_analysis.Failed()) {
        m_ui.MessageBox(kBadInput);
        done(QDialog::Rejected);
        return;
    }
    if (m_analysis.CancelRequested()) {
        done(QDialog::Rejected);
        return;
    }
    m_analysis.EvaluateRun();
    if (!m_analysis.IsComplete()) {
        // Straight on from the report of the last run, not at the next tick.
        m_poller->Start(m_analysis, [this] { OnRunFinished(); });
        return;
    }
    m_state = State::kComplete;
    UpdateButtons();
    m_exitButton->setFocus();
}

void CDecayDlg::OnWrite() {
    if (m_state != State::kComplete)
        return;
    switch (WriteDecayFile(m_ui, m_analysis, m_header)) {
        case DecayWriteResult::kWritten:
            m_ui.MessageBox("Decays written");
            break;
        case DecayWriteResult::kFailed:
            m_ui.MessageBox("Error writing file!");
            break;
        case DecayWriteResult::kCancelled:
            break;
    }
}

void CDecayDlg::reject() {
    if (m_state == State::kRunning || m_state == State::kStopping) {
        m_state = State::kStopping;
        m_analysis.RequestCancel();
        UpdateButtons();
        return;
    }
    QDialog::reject();
}
