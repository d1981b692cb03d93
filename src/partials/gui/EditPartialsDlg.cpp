#include "partials/gui/EditPartialsDlg.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/NumberText.h"

namespace {

constexpr int kNoiseColumns[4] = {CEditPartialsDlg::kSplash, CEditPartialsDlg::kTail,
                                  CEditPartialsDlg::kAttack, CEditPartialsDlg::kDecay};

// Read-only fields look like the dialog's background, so the eye finds the typed ones.
void MakeReadOnly(QLineEdit* edit) {
    edit->setReadOnly(true);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    edit->setPalette(palette);
}

QLineEdit* MakeEdit(QWidget* owner, const QString& name, int width, bool readOnly) {
    auto* edit = new QLineEdit(owner);
    edit->setAccessibleName(name);
    edit->setFixedWidth(width);
    edit->setAlignment(Qt::AlignRight);
    if (readOnly)
        MakeReadOnly(edit);
    return edit;
}

// The three grids (headers, rows, noise) share these column widths so that they line up.
QGridLayout* MakeGrid(const std::array<int, CEditPartialsDlg::kColumns + 1>& widths) {
    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
    for (int c = 0; c < static_cast<int>(widths.size()); ++c)
        grid->setColumnMinimumWidth(c, widths[c]);
    grid->setColumnStretch(static_cast<int>(widths.size()), 1);
    return grid;
}

}  // namespace

QString CEditPartialsDlg::ColumnHeader(int column) {
    static const char* const kHeaders[kColumns] = {
        "Freq. (Hz)", "Splash Amp.", "Tail Amp", "Attack", "Decay", "Cents", "Partial", "Note"};
    return QString::fromLatin1(kHeaders[column]);
}

CEditPartialsDlg::CEditPartialsDlg(CPartialData& table, CUiServices& ui, QWidget* parent)
    : QDialog(parent), m_table(table), m_fields(ui), m_derived(ui) {
    setWindowTitle(QStringLiteral("Edit Partials"));
    // The reference and the note names are chosen on the panel and cannot change while
    // this dialog is open.
    m_pitchText = PitchReferenceText(m_table.m_aRef) + "Hz";
    m_namesText = m_table.m_germanNames ? "German names" : "";
    BuildControls();

    m_fields.AddDouble(m_nominalEdit, &m_table.m_nominal);
    for (int row = 0; row < kRows; ++row) {
        m_fields.AddDouble(m_cells[row][kFreq], &m_table.m_freq[row]);
        m_fields.AddDouble(m_cells[row][kSplash], &m_table.m_splashAmp[row]);
        m_fields.AddDouble(m_cells[row][kTail], &m_table.m_tailAmp[row]);
        m_fields.AddDouble(m_cells[row][kAttack], &m_table.m_attack[row]);
        m_fields.AddDouble(m_cells[row][kDecay], &m_table.m_decay[row]);
    }
    m_fields.AddDouble(m_noiseEdits[0], &m_table.m_noiseSplashAmp);
    m_fields.AddDouble(m_noiseEdits[1], &m_table.m_noiseTailAmp);
    m_fields.AddDouble(m_noiseEdits[2], &m_table.m_noiseAttack);
    m_fields.AddDouble(m_noiseEdits[3], &m_table.m_noiseDecay);

    m_derived.AddText(m_nominalNoteEdit, &m_nominalNote);
    for (int row = 0; row < kRows; ++row) {
        m_derived.AddText(m_cells[row][kCents], &m_centsText[row]);
        m_derived.AddText(m_cells[row][kPartial], &m_partialText[row]);
        m_derived.AddText(m_cells[row][kNote], &m_table.m_note[row]);
    }
    m_derived.AddText(m_pitchEdit, &m_pitchText);
    m_derived.AddText(m_namesEdit, &m_namesText);

    ShowFields();
    m_nominalEdit->setFocus();
}

void CEditPartialsDlg::BuildControls() {
    const QFontMetrics metrics = fontMetrics();
    const auto fit = [&](const QString& widest, const QString& header) {
        return std::max(metrics.horizontalAdvance(widest), metrics.horizontalAdvance(header)) + 14;
    };
    std::array<int, kColumns + 1> widths{};
    widths[0] = fit(QStringLiteral("Noise"), QString());
    for (int c = kFreq; c <= kDecay; ++c)
        widths[c + 1] = fit(QStringLiteral("-0.000000000000000"), ColumnHeader(c));
    widths[kCents + 1] = fit(QStringLiteral("-00000.0"), ColumnHeader(kCents));
    widths[kPartial + 1] = fit(QStringLiteral("superquint"), ColumnHeader(kPartial));
    widths[kNote + 1] = fit(QStringLiteral("Db(-2) -50"), ColumnHeader(kNote));

    QList<QWidget*> tabOrder;

    // The nominal and its note, above the grid.
    auto* nominalRow = new QHBoxLayout;
    auto* nominalLabel = new QLabel(QStringLiteral("Nominal Frequency (Hz)"), this);
    m_nominalEdit = MakeEdit(this, nominalLabel->text(), widths[kFreq + 1], false);
    nominalLabel->setBuddy(m_nominalEdit);
    auto* noteLabel = new QLabel(QStringLiteral("Note"), this);
    m_nominalNoteEdit = MakeEdit(this, noteLabel->text(), widths[kNote + 1], true);
    m_nominalNoteEdit->setAlignment(Qt::AlignLeft);
    noteLabel->setBuddy(m_nominalNoteEdit);
    nominalRow->addWidget(nominalLabel);
    nominalRow->addWidget(m_nominalEdit);
    nominalRow->addSpacing(16);
    nominalRow->addWidget(noteLabel);
    nominalRow->addWidget(m_nominalNoteEdit);
    nominalRow->addStretch(1);
    tabOrder << m_nominalEdit << m_nominalNoteEdit;

    auto* headers = MakeGrid(widths);
    for (int c = 0; c < kColumns; ++c) {
        auto* header = new QLabel(ColumnHeader(c), this);
        header->setAlignment(Qt::AlignCenter);
        headers->addWidget(header, 0, c + 1);
    }

    // The 25 rows scroll under the headers when the screen is too low for all of them.
    auto* rowsWidget = new QWidget;
    auto* rows = MakeGrid(widths);
    rowsWidget->setLayout(rows);
    for (int row = 0; row < kRows; ++row) {
        auto* number = new QLabel(QString::number(row + 1), rowsWidget);
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        rows->addWidget(number, row, 0);
        for (int c = 0; c < kColumns; ++c) {
            const QString name =
                ColumnHeader(c) + QStringLiteral(" row ") + QString::number(row + 1);
            auto* cell = MakeEdit(rowsWidget, name, widths[c + 1], c >= kCents);
            if (c >= kPartial)
                cell->setAlignment(Qt::AlignLeft);
            cell->installEventFilter(this);
            rows->addWidget(cell, row, c + 1);
            m_cells[row][c] = cell;
            tabOrder << cell;
        }
    }
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(true);
    m_scroll->setWidget(rowsWidget);
    m_scroll->setMinimumWidth(rowsWidget->sizeHint().width() +
                              m_scroll->verticalScrollBar()->sizeHint().width());

    auto* noise = MakeGrid(widths);
    auto* noiseLabel = new QLabel(QStringLiteral("Noise"), this);
    noise->addWidget(noiseLabel, 0, 0);
    for (int k = 0; k < 4; ++k) {
        const int c = kNoiseColumns[k];
        m_noiseEdits[k] =
            MakeEdit(this, QStringLiteral("Noise ") + ColumnHeader(c), widths[c + 1], false);
        m_noiseEdits[k]->installEventFilter(this);
        noise->addWidget(m_noiseEdits[k], 0, c + 1);
        tabOrder << m_noiseEdits[k];
    }
    noiseLabel->setBuddy(m_noiseEdits[0]);

    // The buttons and the two texts that say how notes are named, on the right.
    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setDefault(true);
    m_recalcButton = new QPushButton(QStringLiteral("Recalc"), this);
    m_clearButton = new QPushButton(QStringLiteral("Clear"), this);
    m_pitchEdit = MakeEdit(this, QStringLiteral("Pitch reference"), widths[kNote + 1], true);
    m_namesEdit = MakeEdit(this, QStringLiteral("Note names"), widths[kNote + 1], true);
    m_pitchEdit->setAlignment(Qt::AlignLeft);
    m_namesEdit->setAlignment(Qt::AlignLeft);
    tabOrder << m_okButton << m_recalcButton << m_clearButton << m_pitchEdit << m_namesEdit;
    connect(m_okButton, &QPushButton::clicked, this, &CEditPartialsDlg::OnOk);
    connect(m_recalcButton, &QPushButton::clicked, this, &CEditPartialsDlg::OnRecalc);
    connect(m_clearButton, &QPushButton::clicked, this, &CEditPartialsDlg::OnClear);
    auto* side = new QVBoxLayout;
    for (QWidget* widget : std::initializer_list<QWidget*>{m_okButton, m_recalcButton,
                                                           m_clearButton, m_pitchEdit, m_namesEdit})
        side->addWidget(widget);
    side->addStretch(1);

    auto* left = new QVBoxLayout;
    left->addLayout(nominalRow);
    left->addSpacing(6);
    left->addLayout(headers);
    left->addWidget(m_scroll, 1);
    left->addLayout(noise);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addSpacing(8);
    layout->addLayout(side);

    for (int i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    // As tall as all 25 rows need, but no taller than the screen.
    layout->activate();
    const int fullHeight =
        sizeHint().height() - m_scroll->sizeHint().height() + rowsWidget->sizeHint().height();
    int height = fullHeight;
    if (const QScreen* display = screen())
        height = std::min(fullHeight, display->availableGeometry().height() - 40);
    resize(sizeHint().width(), std::max(height, minimumSizeHint().height()));
}

bool CEditPartialsDlg::ReadFields() {
    // Whatever is read is in the table now, even if the read stops at a bad field.
    m_tableEdited = true;
    return m_fields.Read();
}

void CEditPartialsDlg::ShowDerived() {
    m_nominalNote = m_table.NoteName(m_table.m_nominal, m_table.m_germanNames);
    for (int row = 0; row < kRows; ++row) {
        m_centsText[row] = FormatDoubleField(m_table.m_cents[row]);
        m_partialText[row] = m_table.PartialName(row);
    }
    m_derived.Show();
}

void CEditPartialsDlg::ShowFields() {
    ShowDerived();
    m_fields.Show();
}

void CEditPartialsDlg::OnOk() {
    if (!ReadFields()) {
        // Closing now would throw away everything typed after the bad field; the user has
        // been told, and corrects it with the dialog still open.
        return;
    }
    m_table.Rebuild();
    m_tableEdited = false;
    ShowFields();
    accept();
}

void CEditPartialsDlg::OnRecalc() {
    const bool complete = ReadFields();
    // Names anew around the typed nominal, which stays as typed.
    m_table.Classify(true, m_table.m_nominal - 1.0, m_table.m_nominal + 1.0);
    m_table.UpdateCentsAndNotes();
    if (complete)
        ShowFields();
    else
        ShowDerived();  // the fields not read keep what was typed in them
}

void CEditPartialsDlg::OnClear() {
    m_table.Clear();
    m_table.m_nominal = 0.0;
    m_tableEdited = false;
    ShowFields();
}

void CEditPartialsDlg::reject() {
    if (m_tableEdited) {
        m_table.Rebuild();
        m_tableEdited = false;
    }
    QDialog::reject();
}

bool CEditPartialsDlg::MoveInColumn(QLineEdit* from, int step) {
    // Rows 0 .. 24 of the grid, then the noise row, which has only some of the columns.
    const auto cellAt = [this](int row, int column) -> QLineEdit* {
        if (row >= 0 && row < kRows)
            return m_cells[row][column];
        if (row == kRows)
            for (int k = 0; k < 4; ++k)
                if (kNoiseColumns[k] == column)
                    return m_noiseEdits[k];
        return nullptr;
    };
    for (int row = 0; row <= kRows; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            if (cellAt(row, column) != from)
                continue;
            QLineEdit* target = cellAt(row + step, column);
            if (target == nullptr)
                return false;
            target->setFocus(Qt::TabFocusReason);
            target->selectAll();
            return true;
        }
    }
    return false;
}

bool CEditPartialsDlg::eventFilter(QObject* watched, QEvent* event) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit != nullptr && event->type() == QEvent::FocusIn) {
        // However the focus arrives (Tab, arrows, a prompt pointing at a bad field), the
        // focused row is scrolled into view.
        m_scroll->ensureWidgetVisible(edit, 0, 8);
    } else if (edit != nullptr && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down)
            return MoveInColumn(edit, key == Qt::Key_Up ? -1 : 1);
    }
    return QDialog::eventFilter(watched, event);
}
