#include "platform/gui/FieldExchange.h"

#include "platform/NumberText.h"
#include "platform/UiServices.h"

void CFieldExchange::AddInt(QLineEdit* edit, std::int32_t* value) {
    m_fields.push_back({Kind::kInt, edit, value, std::nullopt, std::nullopt});
}

void CFieldExchange::AddDouble(QLineEdit* edit, double* value, std::optional<double> min,
                               std::optional<double> max) {
    m_fields.push_back({Kind::kDouble, edit, value, min, max});
}

void CFieldExchange::AddCheck(QAbstractButton* box, bool* value) {
    m_fields.push_back({Kind::kCheck, box, value, std::nullopt, std::nullopt});
}

void CFieldExchange::AddText(QLineEdit* edit, const std::string* value) {
    m_fields.push_back({Kind::kText, edit, nullptr, std::nullopt, std::nullopt, value});
}

std::string CFieldExchange::RangePrompt(double min, double max) {
    return "Please enter a number between " + FormatDoubleField(min) + " and " +
           FormatDoubleField(max) + ".";
}

void CFieldExchange::Fail(const Field& field, const std::string& prompt, Prompt mode) {
    if (mode == Prompt::kQuiet)
        return;
    m_ui.MessageBox(prompt);
    if (auto* edit = qobject_cast<QLineEdit*>(field.control)) {
        edit->setFocus();
        edit->selectAll();
    }
}

bool CFieldExchange::Read(Prompt mode) {
    for (const auto& field : m_fields) {
        switch (field.kind) {
            case Kind::kInt: {
                const auto text = static_cast<QLineEdit*>(field.control)->text().toStdString();
                const auto parsed = ParseIntField(text);
                if (!parsed) {
                    Fail(field, IntPrompt(), mode);
                    return false;
                }
                *static_cast<std::int32_t*>(field.value) = *parsed;
                break;
            }
            case Kind::kDouble: {
                const auto text = static_cast<QLineEdit*>(field.control)->text().toStdString();
                const auto parsed = ParseDoubleField(text);
                if (!parsed) {
                    Fail(field, DoublePrompt(), mode);
                    return false;
                }
                *static_cast<double*>(field.value) = *parsed;
                if ((field.min && *parsed < *field.min) || (field.max && *parsed > *field.max)) {
                    Fail(field, RangePrompt(*field.min, *field.max), mode);
                    return false;
                }
                break;
            }
            case Kind::kCheck:
                *static_cast<bool*>(field.value) =
                    static_cast<QAbstractButton*>(field.control)->isChecked();
                break;
            case Kind::kText:
                break;
        }
    }
    return true;
}

void CFieldExchange::Show() {
    for (const auto& field : m_fields) {
        switch (field.kind) {
            case Kind::kInt: {
                auto* edit = static_cast<QLineEdit*>(field.control);
                const auto value = *static_cast<std::int32_t*>(field.value);
                if (ParseIntField(edit->text().toStdString()) != value)
                    edit->setText(QString::number(value));
                break;
            }
            case Kind::kDouble: {
                auto* edit = static_cast<QLineEdit*>(field.control);
                const auto value = *static_cast<double*>(field.value);
                if (ParseDoubleField(edit->text().toStdString()) != value)
                    edit->setText(QString::fromStdString(FormatDoubleField(value)));
                break;
            }
            case Kind::kCheck:
                static_cast<QAbstractButton*>(field.control)
                    ->setChecked(*static_cast<bool*>(field.value));
                break;
            case Kind::kText: {
                auto* edit = static_cast<QLineEdit*>(field.control);
                const auto text = QString::fromStdString(*field.text);
                if (edit->text() != text)
                    edit->setText(text);
                break;
            }
        }
    }
}
