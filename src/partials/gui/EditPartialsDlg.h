#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <array>
#include <string>

#include "partials/PartialData.h"
#include "platform/gui/FieldExchange.h"

class CUiServices;
class QScrollArea;

// "Edit Partials": the whole partial table as a grid of 25 rows, where frequencies,
// amplitudes, attack and decay times of every partial and of the noise row and the nominal
// are typed by hand. It edits the panel's table in place. OK takes the typed rows in (in
// frequency order, without empty or repeated rows) and ends; Recalc names the partials
// anew around the typed nominal; Clear empties the table. Escape and the close box end it
// without taking what was typed since the last button.
class CEditPartialsDlg : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kRows = CPartialData::kMaxPartials;
    // The grid's columns, left to right.
    enum Column { kFreq, kSplash, kTail, kAttack, kDecay, kCents, kPartial, kNote, kColumns };

    CEditPartialsDlg(CPartialData& table, CUiServices& ui, QWidget* parent = nullptr);

    // The column headers as the grid shows them; also the start of each cell's name.
    static QString ColumnHeader(int column);

    void OnOk();
    void OnRecalc();
    void OnClear();
    // Escape and the close box. Values a Recalc already took stay in the table, and are
    // put back in frequency order so the table leaves the editor whole.
    void reject() override;

    // The controls, open to tests. m_cells[row][column]; the noise row has only the four
    // amplitude and envelope columns.
    std::array<std::array<QLineEdit*, kColumns>, kRows> m_cells{};
    std::array<QLineEdit*, 4> m_noiseEdits{};  // Splash Amp., Tail Amp, Attack, Decay
    QLineEdit* m_nominalEdit = nullptr;
    QLineEdit* m_nominalNoteEdit = nullptr;
    QLineEdit* m_pitchEdit = nullptr;
    QLineEdit* m_namesEdit = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_recalcButton = nullptr;
    QPushButton* m_clearButton = nullptr;
    QScrollArea* m_scroll = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    // Reads every editable field into the table; false (after the prompt) at a bad field.
    bool ReadFields();
    // Fills every control from the table.
    void ShowFields();
    // Refreshes the derived texts (cents, names, notes) and leaves typed text alone.
    void ShowDerived();
    // Moves the focus one row up or down within the column of the focused cell.
    bool MoveInColumn(QLineEdit* from, int step);

    CPartialData& m_table;
    // The editable fields, read in this order: the nominal, then row by row Freq., Splash,
    // Tail, Attack, Decay, then the noise row's four values.
    CFieldExchange m_fields;
    // The read-only texts, shown only.
    CFieldExchange m_derived;
    std::array<std::string, kRows> m_centsText;
    std::array<std::string, kRows> m_partialText;
    std::string m_nominalNote;
    std::string m_pitchText;
    std::string m_namesText;
    // A read since the last Clear or OK put typed values into the table; closing then
    // rebuilds it.
    bool m_tableEdited = false;
};
