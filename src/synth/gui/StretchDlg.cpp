#include "synth/gui/StretchDlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "platform/UiServices.h"
#include "synth/StretchFactor.h"
#include "wave/WaveData.h"

CStretchDlg::CStretchDlg(CWaveData& wave, double nominal, std::string& fileTitle, CUiServices& ui,
                         QWidget* parent)
    : QDialog(parent),
      m_wave(wave),
      m_fileTitle(fileTitle),
      m_ui(ui),
      m_fields(ui),
      m_measured(nominal != 0.0 ? nominal : 440.0),
      m_desired(m_measured) {
    setWindowTitle(QStringLiteral("Expand / Compress waveform"));
    BuildControls();
    m_fields.AddDouble(m_measuredEdit, &m_measured);
    m_fields.AddDouble(m_desiredEdit, &m_desired);
    m_fields.AddDouble(m_centsEdit, &m_cents);
    m_fields.AddDouble(m_factorEdit, &m_factor);
    m_fields.Show();
}

void CStretchDlg::BuildControls() {
    auto* grid = new QGridLayout;
    const auto labelled = [&](int row, const QString& text) {
        auto* label = new QLabel(text, this);
        auto* edit = new QLineEdit(this);
        edit->setAlignment(Qt::AlignRight);
        edit->setAccessibleName(text);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        return edit;
    };
    m_measuredEdit = labelled(0, QStringLiteral("Measured freq. (Hz)"));
    m_desiredEdit = labelled(1, QStringLiteral("Desired freq.(Hz)"));
    m_centsEdit = labelled(2, QStringLiteral("Desired stretch (cents)"));
    m_factorEdit = labelled(3, QStringLiteral("Stretch factor"));

    const auto buttonGroup = [this](const QString& title, QPushButton* first, QPushButton* second) {
        auto* group = new QGroupBox(title, this);
        auto* row = new QHBoxLayout(group);
        row->addWidget(first);
        row->addWidget(second);
        return group;
    };
    auto* fromFreq = new QPushButton(QStringLiteral("Calc. from freq"), this);
    auto* fromCents = new QPushButton(QStringLiteral("Calc. from cents"), this);
    auto* go = new QPushButton(QStringLiteral("Go"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    go->setDefault(true);
    connect(fromFreq, &QPushButton::clicked, this, &CStretchDlg::OnCalcFromFreq);
    connect(fromCents, &QPushButton::clicked, this, &CStretchDlg::OnCalcFromCents);
    connect(go, &QPushButton::clicked, this, &CStretchDlg::OnGo);
    connect(cancel, &QPushButton::clicked, this, &CStretchDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttonGroup(QStringLiteral("Calculate correction"), fromFreq, fromCents));
    layout->addWidget(buttonGroup(QStringLiteral("Expand / compress"), go, cancel));
}

void CStretchDlg::OnCalcFromFreq() {
    m_fields.Read();
    // Frequencies so far apart that their ratio is no number are no better than none.
    const double factor = StretchFactorBetween(m_measured, m_desired);
    if (m_measured > 0.0 && m_desired > 0.0 && std::isfinite(factor) && factor > 0.0) {
        m_factor = factor;
        m_cents = CentsOfStretch(m_factor);
    } else {
        m_ui.MessageBox("bad values entered!");
    }
    m_fields.Show();
}

void CStretchDlg::OnCalcFromCents() {
    m_fields.Read();
    const double factor = StretchOfCents(m_cents);
    const double desired = m_measured * factor;
    if (m_measured > 0.0 && factor > 0.0 && std::isfinite(desired)) {
        m_factor = factor;
        m_desired = desired;
    } else {
        m_ui.MessageBox("bad value entered!");
    }
    m_fields.Show();
}

void CStretchDlg::OnGo() {
    m_fields.Read();
    switch (CheckStretchFactor(m_factor)) {
        case StretchCheck::kIsOne:
            m_ui.MessageBox("stretch factor is 1.0!");
            return;
        case StretchCheck::kOutOfRange:
            m_ui.MessageBox("Bad parameters!");
            return;
        case StretchCheck::kOk:
            break;
    }
    // A new length beyond 32 bits or without the memory for it leaves the waveform as it was.
    bool stretched = false;
    {
        CWaitCursor wait(m_ui);  // a few tenths of a second for ten minutes of sound
        stretched = m_wave.Stretch(m_factor);
    }
    if (!stretched) {
        m_ui.MessageBox("Bad parameters!");
        return;
    }
    m_fileTitle = m_wave.m_fileName;
    accept();
}
