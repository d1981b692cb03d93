#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

// Answers the modal dialogs a command opens, in the order they open: each answer waits for
// the next new modal window, records its title and then acts on it (clicks a button by its
// text, checks its fields). Answers run from the event loop the modal dialog itself runs.
class CModalAnswers {
  public:
    using Action = std::function<void(QDialog&)>;

    CModalAnswers();
    ~CModalAnswers();

    // Queue an action for the next modal dialog to open.
    void Then(Action action);
    // Queue a click on the button with this text.
    void Click(const QString& buttonText);

    // The titles of the modal dialogs seen so far.
    const std::vector<QString>& Titles() const { return m_titles; }
    // True when every queued answer has been used.
    bool AllUsed() const { return m_actions.empty(); }

    static void ClickButton(QDialog& dialog, const QString& text);

  private:
    void Poll();

    std::vector<Action> m_actions;
    std::vector<QString> m_titles;
    QPointer<QWidget> m_last;
    int m_timer = 0;
    class Poller;
    Poller* m_poller;
};
