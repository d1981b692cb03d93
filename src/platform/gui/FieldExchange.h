#pragma once

#include <QAbstractButton>
#include <QLineEdit>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CUiServices;

// The two-way exchange between a dialog's controls and the values it works on. Reading
// takes the fields in the order they were added and stops at the first one that is not a
// number (or is outside its range), prompting the user and putting the cursor there; the
// values read before it are kept and the rest keep their old values.
class CFieldExchange {
  public:
    explicit CFieldExchange(CUiServices& ui) : m_ui(ui) {}

    void AddInt(QLineEdit* edit, std::int32_t* value);
    // With a range, a value outside it is taken as typed, and then stops the read.
    void AddDouble(QLineEdit* edit, double* value, std::optional<double> min = std::nullopt,
                   std::optional<double> max = std::nullopt);
    void AddCheck(QAbstractButton* box, bool* value);
    // Shown only: a text member displayed in a read-only control.
    void AddText(QLineEdit* edit, const std::string* value);

    enum class Prompt { kShow, kQuiet };
    // Returns false when the read stopped at a bad field.
    bool Read(Prompt prompt = Prompt::kShow);
    // Writes every value into its control. A control whose text already means its value
    // (such as "5000." for 5000) is left as typed.
    void Show();

    // The prompts, as the user sees them.
    static std::string IntPrompt() { return "Please enter an integer."; }
    static std::string DoublePrompt() { return "Please enter a number."; }
    static std::string RangePrompt(double min, double max);

  private:
    enum class Kind { kInt, kDouble, kCheck, kText };
    struct Field {
        Kind kind;
        QWidget* control;
        void* value;  // the int, double or bool read into
        std::optional<double> min, max;
        const std::string* text = nullptr;  // a shown-only text
    };
    void Fail(const Field& field, const std::string& prompt, Prompt mode);

    CUiServices& m_ui;
    std::vector<Field> m_fields;
};
