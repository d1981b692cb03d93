#pragma once

#include <QDialog>
#include <QObject>
#include <QString>
#include <functional>
#include <vector>

// Answers the modal dialogs a command opens, in the order they open: each dialog is caught
// as it is shown (so one that ends within milliseconds is not missed), its title recorded,
// and the next queued answer run on it from its own event loop, provided it is still open
// then. A dialog with no answer left is closed, so that a test cannot hang.
class CModalAnswers : public QObject {
  public:
    using Action = std::function<void(QDialog&)>;

    CModalAnswers();
    ~CModalAnswers() override;

    // Queue an action for the next modal dialog to open.
    void Then(Action action);
    // Queue a click on the button with this text.
    void Click(const QString& buttonText);

    // The titles of the modal dialogs seen so far.
    const std::vector<QString>& Titles() const { return m_titles; }
    // True when every queued answer has been used.
    bool AllUsed() const { return m_actions.empty(); }

    static void ClickButton(QDialog& dialog, const QString& text);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::vector<Action> m_actions;
    std::vector<QString> m_titles;
};
