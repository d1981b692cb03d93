#include "app/gui/MainDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/gui/AboutBox.h"
#include "app/gui/AppIcon.h"
#include "app/gui/ExitDlg.h"
#include "platform/UiServices.h"

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

CMainDlg::CMainDlg(CUiServices& ui, const DeviceServices& devices, const VersionStrings& version,
                   QWidget* parent)
    : QDialog(parent),
      m_ui(ui),
      m_version(version),
      m_exchange(ui),
      m_waveform({m_doc, ui, devices, this, [this] { ShowPanel(); }}),
      m_transform({m_doc, ui, devices, this, [this] { ShowPanel(); }}),
      m_partials({m_doc, ui, devices, this, [this] { ShowPanel(); }}) {
    setWindowTitle(QStringLiteral("Waveform Analysis"));
    setWindowIcon(AppIcon());
    setWindowFlag(Qt::WindowMinimizeButtonHint, true);
    BuildControls();
    BindExchange();

    RefreshButtons();
    m_doc.m_analysing = false;
    m_a440Radio->setChecked(true);
    ShowPanel();
}

CMainDlg::~CMainDlg() = default;

void CMainDlg::BindExchange() {
    // The exchange reads the fields in this order; a bad field stops it there.
    AnalysisParams& params = m_doc.m_params;
    m_exchange.AddInt(m_freqIncreaseEdit, &m_doc.m_freqIncrease);
    m_exchange.AddInt(m_startSampleEdit, &params.m_startSample);
    m_exchange.AddInt(m_endSampleEdit, &params.m_endSample);
    m_exchange.AddInt(m_stepsEdit, &params.m_steps);
    m_exchange.AddDouble(m_intervalEdit, &params.m_interval);
    m_exchange.AddDouble(m_endFreqEdit, &params.m_endFreq);
    m_exchange.AddDouble(m_startFreqEdit, &params.m_startFreq, 0.0, kMaxStartFrequency);
    m_exchange.AddDouble(m_nominalEdit, &params.m_nominal);
    m_exchange.AddInt(m_sampleRateEdit, &params.m_sampleRate);
    m_exchange.AddCheck(m_playSelectedCheck, &params.m_playSelectedOnly);
    m_exchange.AddCheck(m_writeInCentsCheck, &params.m_writeInCents);
    m_exchange.AddInt(m_numSamplesEdit, &params.m_numSamples);
    m_exchange.AddCheck(m_germanNamesCheck, &params.m_germanNames);
    m_exchange.AddText(m_fileNameEdit, &m_doc.m_fileNameText);
    m_exchange.AddText(m_nominalNoteEdit, &m_nominalNote);
}

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

QPushButton* CMainDlg::AddCommand(QWidget* group, const QString& text, Before before,
                                  std::function<PanelUpdate()> command) {
    auto* button = MakeButton(group, text);
    connect(button, &QPushButton::clicked, this,
            [this, before, command = std::move(command)] { Run(before, command); });
    return button;
}

QGroupBox* CMainDlg::BuildApplicationGroup() {
    auto* group = new QGroupBox(QStringLiteral("Application Control"), this);
    auto* grid = new QGridLayout(group);
    auto* description =
        MakeVersionText(group, m_version.description, QStringLiteral("Description"));
    auto* company = MakeVersionText(group, m_version.company, QStringLiteral("Company"));
    auto* copyright = MakeVersionText(group, m_version.legalNotice, QStringLiteral("Legal notice"));
    auto* version =
        MakeVersionText(group, m_version.productVersion, QStringLiteral("Product version"));
    auto* versionLabel = new QLabel(QStringLiteral("Version:"), group);
    auto* analyse = MakeButton(group, QStringLiteral("Analyse File"));
    auto* exit = MakeButton(group, QStringLiteral("EXIT"));
    grid->addWidget(description, 0, 0);
    grid->addWidget(company, 1, 0);
    grid->addWidget(copyright, 0, 1);
    auto* versionRow = new QHBoxLayout;
    versionRow->addWidget(versionLabel);
    versionRow->addWidget(version, 1);
    grid->addLayout(versionRow, 1, 1);
    grid->addWidget(analyse, 0, 2);
    grid->addWidget(exit, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    connect(analyse, &QPushButton::clicked, this, &CMainDlg::OnAnalyseFile);
    connect(exit, &QPushButton::clicked, this, &CMainDlg::OnExit);
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

    m_playButton = AddCommand(group, QStringLiteral("Play Waveform"), Before::kSync,
                              [this] { return m_waveform.PlayWaveform(); });
    auto* read = AddCommand(group, QStringLiteral("Read Waveform"), Before::kNothing,
                            [this] { return m_waveform.ReadWaveform(); });
    m_writeWaveButton = AddCommand(group, QStringLiteral("Write Waveform"), Before::kNothing,
                                   [this] { return m_waveform.WriteWaveform(); });
    auto* record = AddCommand(group, QStringLiteral("Record Waveform"), Before::kNothing,
                              [this] { return m_waveform.RecordWaveform(); });
    m_viewWaveButton = AddCommand(group, QStringLiteral("View Waveform"), Before::kSync,
                                  [this] { return m_waveform.ViewWaveform(); });
    m_increaseFreqButton = AddCommand(group, QStringLiteral("Increase Freq."), Before::kNothing,
                                      [this] { return m_waveform.IncreaseFreq(); });
    QPushButton* const order[] = {
        m_playButton, read, m_writeWaveButton, record, m_viewWaveButton, m_increaseFreqButton};
    for (int i = 0; i < 6; ++i)
        grid->addWidget(order[i], 4 + i / 2, (i % 2) * 2, 1, 2);
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

    m_doTransformButton = AddCommand(group, QStringLiteral("Do Transform"), Before::kSync,
                                     [this] { return m_transform.DoTransform(); });
    m_viewTransformButton = AddCommand(group, QStringLiteral("View Tr. / Get Part."), Before::kSync,
                                       [this] { return m_transform.ViewTransform(); });
    auto* read = AddCommand(group, QStringLiteral("Read Transform"), Before::kNothing,
                            [this] { return m_transform.ReadTransform(); });
    m_writeTransformButton = AddCommand(group, QStringLiteral("Write Transform"), Before::kRead,
                                        [this] { return m_transform.WriteTransform(); });
    grid->addWidget(m_doTransformButton, 0, 2);
    grid->addWidget(m_viewTransformButton, 1, 2);
    grid->addWidget(read, 2, 2);
    grid->addWidget(m_writeTransformButton, 3, 2);

    // Every change of the text counts, from the keyboard, a paste or an assistive tool.
    for (auto* edit : {m_startFreqEdit, m_endFreqEdit, m_intervalEdit})
        connect(edit, &QLineEdit::textChanged, this, &CMainDlg::OnFrequencyChanged);
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
    const std::pair<QRadioButton*, double> references[] = {
        {m_a440Radio, 440.0}, {m_a435Radio, 435.0}, {m_a432Radio, 432.0}};
    int row = 0;
    for (const auto& [radio, aRef] : references) {
        pitch->addButton(radio);
        grid->addWidget(radio, row++, 2);
        // The state counts, not the click: an assistive tool's Toggle sets it directly.
        connect(radio, &QRadioButton::toggled, this, [this, aRef = aRef](bool checked) {
            if (checked && !m_showing)
                Run(Before::kNothing, [this, aRef] { return m_partials.SetPitchReference(aRef); });
        });
    }
    m_germanNamesCheck = new QCheckBox(QStringLiteral("German note names"), group);
    grid->addWidget(m_germanNamesCheck, 2, 0, 1, 2);
    connect(m_germanNamesCheck, &QCheckBox::toggled, this, &CMainDlg::OnGermanNamesChanged);

    auto* edit = AddCommand(group, QStringLiteral("View / Edit Partials"), Before::kSync,
                            [this] { return m_partials.EditPartials(); });
    m_findDecaysButton = AddCommand(group, QStringLiteral("Find Decays"), Before::kSync,
                                    [this] { return m_partials.FindDecays(); });
    m_createWaveButton = AddCommand(group, QStringLiteral("Create Waveform"), Before::kSync,
                                    [this] { return m_partials.CreateWaveform(); });
    auto* read = AddCommand(group, QStringLiteral("Read Partials"), Before::kNothing,
                            [this] { return m_partials.ReadPartials(); });
    m_writePartialsButton = AddCommand(group, QStringLiteral("Write Partials"), Before::kNothing,
                                       [this] { return m_partials.WritePartials(); });
    grid->addWidget(edit, 0, 3);
    grid->addWidget(m_findDecaysButton, 1, 3);
    grid->addWidget(m_createWaveButton, 2, 3);
    grid->addWidget(read, 0, 4);
    grid->addWidget(m_writePartialsButton, 1, 4);
    m_nominalEdit->setMaximumWidth(140);
    m_nominalNoteEdit->setMaximumWidth(140);
    return group;
}

bool CMainDlg::ReadPanel() {
    return m_exchange.Read();
}

void CMainDlg::ShowPanel() {
    m_nominalNote = m_doc.NominalNote();
    m_showing = true;
    m_exchange.Show();
    m_showing = false;
}

void CMainDlg::RefreshButtons() {
    const PanelButtons b = m_doc.Buttons();
    m_writeWaveButton->setEnabled(b.m_writeWaveform);
    m_viewWaveButton->setEnabled(b.m_viewWaveform);
    m_playButton->setEnabled(b.m_playWaveform);
    m_increaseFreqButton->setEnabled(b.m_increaseFreq);
    m_doTransformButton->setEnabled(b.m_doTransform);
    m_writeTransformButton->setEnabled(b.m_writeTransform);
    m_viewTransformButton->setEnabled(b.m_viewTransform);
    m_writePartialsButton->setEnabled(b.m_writePartials);
    m_createWaveButton->setEnabled(b.m_createWaveform);
    m_findDecaysButton->setEnabled(b.m_findDecays);
}

void CMainDlg::Run(Before before, const std::function<PanelUpdate()>& command) {
    // The commands do not look at the outcome of the read: a bad field has been prompted
    // for, and they go on with the values as they stand.
    if (before != Before::kNothing)
        ReadPanel();
    if (before == Before::kSync)
        m_doc.Sync();
    const PanelUpdate after = command();
    if (after.m_copyStoreValues)
        m_doc.CopyStoreValues();
    if (after.m_show)
        ShowPanel();
    if (after.m_refreshButtons)
        RefreshButtons();
    if (after.m_then == PanelFollowUp::kViewTransform)
        Run(Before::kSync, [this] { return m_transform.ViewTransform(); });
}

void CMainDlg::OnAnalyseFile() {
    // The waveform stays as it is until a file has been chosen: a cancelled dialog must
    // not lose a recording or a created waveform.
    m_doc.AnalyseFile({
        .m_readWaveform =
            [this] {
                bool loaded = false;
                Run(Before::kNothing, [&] { return m_waveform.ReadWaveform(&loaded); });
                return loaded;
            },
        .m_doTransform =
            [this] { Run(Before::kSync, [this] { return m_transform.DoTransform(); }); },
        .m_viewTransform =
            [this] { Run(Before::kSync, [this] { return m_transform.ViewTransform(); }); },
    });
}

void CMainDlg::OnFrequencyChanged() {
    if (m_showing)
        return;
    // Quietly: a half-typed number ("-", "1e") or an emptied field must not raise a prompt
    // at every keystroke, nor be written over while the user is still typing it. Until
    // every field reads, the steps stay as they are.
    if (m_exchange.Read(CFieldExchange::Prompt::kQuiet) && m_doc.m_params.RecomputeSteps())
        ShowPanel();
}

void CMainDlg::OnGermanNamesChanged() {
    if (m_showing)
        return;
    Run(Before::kRead, [this] { return m_partials.ApplyGermanNames(); });
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

void CMainDlg::reject() {
    OnExit();
}

void CMainDlg::keyPressEvent(QKeyEvent* event) {
    // Enter does nothing here; Escape (handled by the dialog) asks as EXIT does.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
