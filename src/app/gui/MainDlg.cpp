#include "app/gui/MainDlg.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenuBar>
#include <QVBoxLayout>

#include "app/gui/AboutBox.h"
#include "app/gui/AppIcon.h"
#include "app/gui/ExitDlg.h"
#include "partials/gui/EditPartialsDlg.h"
#include "platform/UiServices.h"
#include "transform/TransformFile.h"
#include "transform/gui/TransformProgressDlg.h"
#include "transform/gui/TransformViewDlg.h"
#include "view/gui/WaveViewDlg.h"
#include "wave/WavFile.h"
#include "wave/gui/WaveDetailsDlg.h"

namespace {

// An edit with its label, both in one row of a grid; the label names the edit for screen
// readers and its mnemonic-free text is the edit's accessible name.
QLineEdit* AddLabelledEdit(QWidget* owner, QGridLayout* grid, int row, int column,
                           const QString& label, bool readOnly) {
    auto* caption = new QLabel(label, owner);
    auto* edit = new QLineEdit(owner);
    caption->setBuddy(edit);
    edit->setAccessibleName(label);
    edit->setReadOnly(readOnly);
    edit->setAlignment(Qt::AlignRight);
    edit->setMinimumWidth(90);
    grid->addWidget(caption, row, column);
    grid->addWidget(edit, row, column + 1);
    return edit;
}

QPushButton* MakeButton(QWidget* owner, const QString& text) {
    auto* button = new QPushButton(text, owner);
    // Enter does nothing on the panel, even on a focused button; Space presses it.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

// A text without border for the version strings of the top group.
QLabel* MakeVersionText(QWidget* owner, const std::string& text, const QString& name) {
    auto* label = new QLabel(QString::fromStdString(text), owner);
    label->setAccessibleName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

}  // namespace

CMainDlg::CMainDlg(CUiServices& ui, const VersionStrings& version, QWidget* parent)
    : QDialog(parent), m_version(version), m_ui(ui), m_exchange(ui) {
    setWindowTitle(QStringLiteral("Waveform Analysis"));
    setWindowIcon(AppIcon());
    setWindowFlag(Qt::WindowMinimizeButtonHint, true);
    BuildControls();

    // The exchange reads the fields in this order; a bad field stops it there.
    m_exchange.AddInt(m_freqIncreaseEdit, &m_freqIncrease);
    m_exchange.AddInt(m_startSampleEdit, &m_params.m_startSample);
    m_exchange.AddInt(m_endSampleEdit, &m_params.m_endSample);
    m_exchange.AddInt(m_stepsEdit, &m_params.m_steps);
    m_exchange.AddDouble(m_intervalEdit, &m_params.m_interval);
    m_exchange.AddDouble(m_endFreqEdit, &m_params.m_endFreq);
    m_exchange.AddDouble(m_startFreqEdit, &m_params.m_startFreq, 0.0, 600000.0);
    m_exchange.AddDouble(m_nominalEdit, &m_params.m_nominal);
    m_exchange.AddInt(m_sampleRateEdit, &m_params.m_sampleRate);
    m_exchange.AddCheck(m_playSelectedCheck, &m_params.m_playSelectedOnly);
    m_exchange.AddCheck(m_writeInCentsCheck, &m_params.m_writeInCents);
    m_exchange.AddInt(m_numSamplesEdit, &m_params.m_numSamples);
    m_exchange.AddCheck(m_germanNamesCheck, &m_params.m_germanNames);
    m_exchange.AddText(m_fileNameEdit, &m_fileNameText);
    m_exchange.AddText(m_nominalNoteEdit, &m_nominalNote);

    RefreshButtons();
    m_analysing = false;
    m_a440Radio->setChecked(true);
    ShowPanel();
}

CMainDlg::~CMainDlg() = default;

void CMainDlg::BuildControls() {
    auto* menuBar = new QMenuBar(this);
    auto* menu = menuBar->addMenu(QStringLiteral("&Tonvane"));
    auto* about = menu->addAction(QStringLiteral("About Tonvane . . ."));
    about->setShortcut(QKeySequence(Qt::Key_F1));
    connect(about, &QAction::triggered, this, &CMainDlg::OnAbout);
    addAction(about);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
    layout->addWidget(BuildApplicationGroup());
    auto* middle = new QHBoxLayout;
    middle->addWidget(BuildWaveformGroup());
    middle->addWidget(BuildTransformsGroup());
    layout->addLayout(middle);
    layout->addWidget(BuildPartialsGroup());
}

QGroupBox* CMainDlg::BuildApplicationGroup() {
    auto* group = new QGroupBox(QStringLiteral("Application Control"), this);
    auto* grid = new QGridLayout(group);
    m_descriptionText =
        MakeVersionText(group, m_version.description, QStringLiteral("Description"));
    m_companyText = MakeVersionText(group, m_version.company, QStringLiteral("Company"));
    m_copyrightText = MakeVersionText(group, m_version.legalNotice, QStringLiteral("Legal notice"));
    m_versionText = MakeVersionText(group, m_version.productVersion, QStringLiteral("Version:"));
    auto* versionLabel = new QLabel(QStringLiteral("Version:"), group);
    m_analyseButton = MakeButton(group, QStringLiteral("Analyse File"));
    m_exitButton = MakeButton(group, QStringLiteral("EXIT"));
    grid->addWidget(m_descriptionText, 0, 0);
    grid->addWidget(m_companyText, 1, 0);
    grid->addWidget(m_copyrightText, 0, 1);
    auto* versionRow = new QHBoxLayout;
    versionRow->addWidget(versionLabel);
    versionRow->addWidget(m_versionText, 1);
    grid->addLayout(versionRow, 1, 1);
    grid->addWidget(m_analyseButton, 0, 2);
    grid->addWidget(m_exitButton, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    connect(m_analyseButton, &QPushButton::clicked, this, &CMainDlg::OnAnalyseFile);
    connect(m_exitButton, &QPushButton::clicked, this, &CMainDlg::OnExit);
    return group;
}

QGroupBox* CMainDlg::BuildWaveformGroup() {
    auto* group = new QGroupBox(QStringLiteral("Waveform"), this);
    auto* grid = new QGridLayout(group);
    m_fileNameEdit = AddLabelledEdit(group, grid, 0, 0, QStringLiteral("Filename:"), true);
    m_fileNameEdit->setFrame(false);
    grid->addWidget(m_fileNameEdit, 0, 1, 1, 3);
    m_numSamplesEdit = AddLabelledEdit(group, grid, 1, 0, QStringLiteral("No. of Samples"), true);
    m_sampleRateEdit = AddLabelledEdit(group, grid, 1, 2, QStringLiteral("Sample Rate"), true);
    m_startSampleEdit = AddLabelledEdit(group, grid, 2, 0, QStringLiteral("Start Sample"), false);
    m_endSampleEdit = AddLabelledEdit(group, grid, 2, 2, QStringLiteral("End Sample"), false);
    m_freqIncreaseEdit =
        AddLabelledEdit(group, grid, 3, 0, QStringLiteral("Freq. incr. (%)"), true);
    m_playSelectedCheck = new QCheckBox(QStringLiteral("Play selected portion only"), group);
    grid->addWidget(m_playSelectedCheck, 3, 2, 1, 2);

    m_playButton = MakeButton(group, QStringLiteral("Play Waveform"));
    m_readWaveButton = MakeButton(group, QStringLiteral("Read Waveform"));
    m_writeWaveButton = MakeButton(group, QStringLiteral("Write Waveform"));
    m_recordButton = MakeButton(group, QStringLiteral("Record Waveform"));
    m_viewWaveButton = MakeButton(group, QStringLiteral("View Waveform"));
    m_increaseFreqButton = MakeButton(group, QStringLiteral("Increase Freq."));
    const QPushButton* order[] = {m_playButton,   m_readWaveButton, m_writeWaveButton,
                                  m_recordButton, m_viewWaveButton, m_increaseFreqButton};
    for (int i = 0; i < 6; ++i)
        grid->addWidget(const_cast<QPushButton*>(order[i]), 4 + i / 2, (i % 2) * 2, 1, 2);

    connect(m_readWaveButton, &QPushButton::clicked, this, &CMainDlg::OnReadWaveform);
    connect(m_writeWaveButton, &QPushButton::clicked, this, &CMainDlg::OnWriteWaveform);
    connect(m_viewWaveButton, &QPushButton::clicked, this, &CMainDlg::OnViewWaveform);
    return group;
}

QGroupBox* CMainDlg::BuildTransformsGroup() {
    auto* group = new QGroupBox(QStringLiteral("Transforms"), this);
    auto* grid = new QGridLayout(group);
    m_startFreqEdit = AddLabelledEdit(group, grid, 0, 0, QStringLiteral("Start Frequency"), false);
    m_endFreqEdit = AddLabelledEdit(group, grid, 1, 0, QStringLiteral("End Frequency"), false);
    m_intervalEdit = AddLabelledEdit(group, grid, 2, 0, QStringLiteral("Interval (Hz)"), false);
    m_stepsEdit = AddLabelledEdit(group, grid, 3, 0, QStringLiteral("Steps (number)"), true);
    m_writeInCentsCheck = new QCheckBox(QStringLiteral("Write Transform in cents, not Hz"), group);
    grid->addWidget(m_writeInCentsCheck, 4, 0, 1, 2);

    m_doTransformButton = MakeButton(group, QStringLiteral("Do Transform"));
    m_viewTransformButton = MakeButton(group, QStringLiteral("View Tr. / Get Part."));
    m_readTransformButton = MakeButton(group, QStringLiteral("Read Transform"));
    m_writeTransformButton = MakeButton(group, QStringLiteral("Write Transform"));
    grid->addWidget(m_doTransformButton, 0, 2);
    grid->addWidget(m_viewTransformButton, 1, 2);
    grid->addWidget(m_readTransformButton, 2, 2);
    grid->addWidget(m_writeTransformButton, 3, 2);

    connect(m_doTransformButton, &QPushButton::clicked, this, &CMainDlg::OnDoTransform);
    connect(m_viewTransformButton, &QPushButton::clicked, this, &CMainDlg::OnViewTransform);
    connect(m_readTransformButton, &QPushButton::clicked, this, &CMainDlg::OnReadTransform);
    connect(m_writeTransformButton, &QPushButton::clicked, this, &CMainDlg::OnWriteTransform);
    for (auto* edit : {m_startFreqEdit, m_endFreqEdit, m_intervalEdit})
        connect(edit, &QLineEdit::textEdited, this, &CMainDlg::OnFrequencyEdited);
    return group;
}

QGroupBox* CMainDlg::BuildPartialsGroup() {
    auto* group = new QGroupBox(QStringLiteral("Partials"), this);
    auto* grid = new QGridLayout(group);
    m_nominalEdit = AddLabelledEdit(group, grid, 0, 0, QStringLiteral("Nominal (Hz)"), true);
    m_nominalNoteEdit = AddLabelledEdit(group, grid, 1, 0, QStringLiteral("Nominal note"), true);

    m_a440Radio = new QRadioButton(QStringLiteral("A=440Hz"), group);
    m_a435Radio = new QRadioButton(QStringLiteral("A=435Hz"), group);
    m_a432Radio = new QRadioButton(QStringLiteral("A=432Hz"), group);
    auto* pitch = new QButtonGroup(group);
    pitch->addButton(m_a440Radio);
    pitch->addButton(m_a435Radio);
    pitch->addButton(m_a432Radio);
    grid->addWidget(m_a440Radio, 0, 2);
    grid->addWidget(m_a435Radio, 1, 2);
    grid->addWidget(m_a432Radio, 2, 2);
    m_germanNamesCheck = new QCheckBox(QStringLiteral("German note names"), group);
    grid->addWidget(m_germanNamesCheck, 2, 0, 1, 2);

    m_editPartialsButton = MakeButton(group, QStringLiteral("View / Edit Partials"));
    m_findDecaysButton = MakeButton(group, QStringLiteral("Find Decays"));
    m_createWaveButton = MakeButton(group, QStringLiteral("Create Waveform"));
    m_readPartialsButton = MakeButton(group, QStringLiteral("Read Partials"));
    m_writePartialsButton = MakeButton(group, QStringLiteral("Write Partials"));
    grid->addWidget(m_editPartialsButton, 0, 3);
    grid->addWidget(m_findDecaysButton, 1, 3);
    grid->addWidget(m_createWaveButton, 2, 3);
    grid->addWidget(m_readPartialsButton, 0, 4);
    grid->addWidget(m_writePartialsButton, 1, 4);
    m_nominalEdit->setMaximumWidth(140);
    m_nominalNoteEdit->setMaximumWidth(140);

    connect(m_editPartialsButton, &QPushButton::clicked, this, &CMainDlg::OnEditPartials);
    connect(m_readPartialsButton, &QPushButton::clicked, this, &CMainDlg::OnReadPartials);
    connect(m_writePartialsButton, &QPushButton::clicked, this, &CMainDlg::OnWritePartials);
    connect(m_a440Radio, &QRadioButton::clicked, this, [this] { OnPitchReference(440.0); });
    connect(m_a435Radio, &QRadioButton::clicked, this, [this] { OnPitchReference(435.0); });
    connect(m_a432Radio, &QRadioButton::clicked, this, [this] { OnPitchReference(432.0); });
    connect(m_germanNamesCheck, &QCheckBox::clicked, this, &CMainDlg::OnGermanNames);
    return group;
}

bool CMainDlg::ReadPanel() {
    return m_exchange.Read();
}

void CMainDlg::ShowPanel() {
    m_nominalNote = m_partials.NoteName(m_params.m_nominal, m_params.m_germanNames);
    m_exchange.Show();
}

void CMainDlg::RefreshButtons() {
    const bool haveWave = m_wave.m_state != CWaveData::kNoWaveform;
    const bool haveTransforms = m_transforms.m_valid;
    const bool havePartials = m_partials.m_hasData;
    for (auto* button : {m_writeWaveButton, m_viewWaveButton, m_playButton, m_increaseFreqButton,
                         m_doTransformButton})
        button->setEnabled(haveWave);
    m_writeTransformButton->setEnabled(haveTransforms);
    m_viewTransformButton->setEnabled(haveTransforms);
    m_writePartialsButton->setEnabled(havePartials);
    m_createWaveButton->setEnabled(havePartials);
    m_findDecaysButton->setEnabled(havePartials && haveTransforms && haveWave);
}

void CMainDlg::Sync() {
    ReadPanel();
    m_wave.m_selStart = m_params.m_startSample;
    m_wave.m_selEnd = m_params.m_endSample;
    m_partials.m_germanNames = m_params.m_germanNames;
}

void CMainDlg::CopyStoreValues() {
    m_params.m_numSamples = m_wave.m_sampleCount;
    m_params.m_startSample = m_wave.m_selStart;
    m_params.m_endSample = m_wave.m_selEnd;
    m_params.m_sampleRate = static_cast<std::int32_t>(m_wave.m_format.m_samplesPerSec);
    m_params.m_fileTitle = m_wave.GetFileTitle();
    m_fileNameText = m_wave.GetFileName();
    // Shown as a whole percentage, the way it has always been stored: 105.9 shows as 105.
    m_freqIncrease = static_cast<std::int16_t>(TruncToInt32(m_wave.m_freqPercent));
}

void CMainDlg::OnReadWaveform() {
    WaveFormatCopy formatCopy;
    const int result = ReadWaveFile(m_wave, m_ui, formatCopy);
    if (result != CWaveData::kReadOk) {
        m_ui.MessageBox(CWaveData::WaveResultText(result));
    } else {
        if (!m_analysing) {
            CWaveDetailsDlg details(formatCopy, this);
            details.exec();
        }
        CopyStoreValues();
    }
    RefreshButtons();
    ShowPanel();
}

void CMainDlg::OnWriteWaveform() {
    if (WriteWaveFile(m_wave, m_ui))
        ShowPanel();
    else
        m_ui.MessageBox("Error writing file!");
}

void CMainDlg::OnViewWaveform() {
    Sync();
    CWaveViewDlg view(m_wave, m_params, m_ui, this);
    view.exec();  // however it closes, the selection made in it counts
    m_wave.m_selStart = m_params.m_startSample;
    m_wave.m_selEnd = m_params.m_endSample;
    ShowPanel();
    RefreshButtons();
}

void CMainDlg::OnAnalyseFile() {
    m_analysing = true;
    m_wave.m_state = CWaveData::kNoWaveform;
    OnReadWaveform();
    if (m_wave.m_state == CWaveData::kFromFile) {
        m_transforms.Allocate(m_params.m_steps, m_params.m_startFreq, m_params.m_endFreq,
                              m_params.m_interval);
        OnDoTransform();
        if (m_transforms.m_valid && m_partials.FindPartials(m_transforms, 1.25, 46)) {
            m_partials.m_nominal =
                m_partials.Classify(false, m_params.m_startFreq, m_params.m_endFreq);
            m_partials.UpdateCentsAndNotes();
            OnViewTransform();
        }
    }
    m_analysing = false;
}

void CMainDlg::OnDoTransform() {
    Sync();
    const auto steps = CheckTransformParams(
        m_params, m_wave.m_sampleCount, static_cast<std::int32_t>(m_wave.m_format.m_samplesPerSec));
    if (!steps) {
        m_ui.MessageBox("Bad transform parameters!");
        return;
    }
    m_params.m_steps = *steps;
    // The samples are the waveform's: after a transform file was read the panel may show
    // that file's rate, which would put every value at the wrong frequency.
    m_params.m_sampleRate = static_cast<std::int32_t>(m_wave.m_format.m_samplesPerSec);
    ShowPanel();
    bool completed = false;
    bool failed = !m_transforms.Allocate(m_params.m_steps, m_params.m_startFreq, m_params.m_endFreq,
                                         m_params.m_interval);
    if (!failed) {
        CTransformProgressDlg progress(m_transforms, m_params, m_wave.m_samples.get(),
                                       m_wave.m_sampleCount, this);
        completed = progress.exec() == QDialog::Accepted;
        failed = progress.JobFailed();
    }
    if (completed) {
        m_transforms.m_valid = true;
        RefreshButtons();
        if (!m_analysing)
            OnViewTransform();
        return;
    }
    // A job that could not have its memory is as unworkable as bad settings.
    m_ui.MessageBox(failed ? "Bad transform parameters!" : "Transforms cancelled");
    m_transforms.m_valid = false;
    RefreshButtons();
}

void CMainDlg::OnViewTransform() {
    Sync();
    CTransformViewDlg view(m_transforms, m_partials, m_params, m_ui, this);
    view.exec();
    m_params.m_nominal = m_partials.m_nominal;
    m_partials.UpdateCentsAndNotes();
    ShowPanel();
    RefreshButtons();
}

void CMainDlg::OnEditPartials() {
    Sync();
    CEditPartialsDlg editor(m_partials, m_ui, this);
    editor.exec();  // OK or closed: the table holds what the editor left in it either way
    RefreshButtons();
    m_params.m_nominal = m_partials.m_nominal;
    ShowPanel();
}

void CMainDlg::OnReadPartials() {
    const int result = m_partials.ReadPartialsFile(m_ui);
    if (result != CPartialData::kReadOk) {
        m_ui.MessageBox(CPartialData::ReadResultText(result));
        return;
    }
    m_params.m_nominal = m_partials.m_nominal;
    ShowPanel();
    RefreshButtons();
}

void CMainDlg::OnWritePartials() {
    if (!m_partials.WritePartialsFile(m_ui, m_params.m_fileTitle))
        m_ui.MessageBox("Error writing file!");
}

void CMainDlg::OnReadTransform() {
    std::int32_t sampleRate = 0, startSample = 0, endSample = 0;
    const int result = ReadTransformFile(m_ui, m_transforms, sampleRate, startSample, endSample);
    if (result != kTransformReadOk) {
        m_ui.MessageBox(TransformResultText(result));
        RefreshButtons();
        return;
    }
    m_params.m_startFreq = m_transforms.m_startFreq;
    m_params.m_endFreq = m_transforms.m_endFreq;
    m_params.m_interval = m_transforms.m_interval;
    m_params.m_steps = m_transforms.m_steps;
    m_params.m_sampleRate = sampleRate;
    m_params.m_startSample = startSample;
    m_params.m_endSample = endSample;
    m_params.m_numSamples = endSample - startSample;
    ShowPanel();
    RefreshButtons();
}

void CMainDlg::OnWriteTransform() {
    if (!m_transforms.m_valid) {
        m_ui.MessageBox("no transforms yet loaded");
        return;
    }
    ReadPanel();
    const double nominal = m_partials.m_nominal;
    if (m_params.m_writeInCents && nominal == 0.0) {
        m_ui.MessageBox("Write in cents requested - nominal not set");
        return;
    }
    if (!WriteTransformFile(m_ui, m_transforms, m_params, nominal))
        m_ui.MessageBox("Error writing transforms!");
}

void CMainDlg::OnFrequencyEdited() {
    // Quietly: a half-typed number ("-", "1e") must not raise a prompt at every keystroke.
    m_exchange.Read(CFieldExchange::Prompt::kQuiet);
    if (m_params.RecomputeSteps())
        ShowPanel();
}

void CMainDlg::OnPitchReference(double aRef) {
    m_params.m_aRef = aRef;
    m_partials.m_aRef = aRef;
    m_partials.UpdateNotes();
    ShowPanel();
}

void CMainDlg::OnGermanNames() {
    ReadPanel();
    m_partials.m_germanNames = m_params.m_germanNames;
    m_partials.UpdateNotes();
    ShowPanel();
}

void CMainDlg::OnAbout() {
    CAboutBox about(m_version.legalNotice, m_version.productVersion, this);
    about.exec();
}

bool CMainDlg::ConfirmExit() {
    CExitDlg confirm(this);
    return confirm.exec() == QDialog::Accepted;
}

void CMainDlg::OnExit() {
    if (ConfirmExit())
        accept();
}

void CMainDlg::keyPressEvent(QKeyEvent* event) {
    // Enter does nothing here; Escape (handled by the dialog) ends the panel at once.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CMainDlg::closeEvent(QCloseEvent* event) {
    if (ConfirmExit())
        QDialog::closeEvent(event);
    else
        event->ignore();
}
