#include "support/gui/ModalAnswer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>

CModalAnswers::CModalAnswers() {
    qApp->installEventFilter(this);
}

CModalAnswers::~CModalAnswers() {
    qApp->removeEventFilter(this);
}

void CModalAnswers::Then(Action action) {
    m_actions.push_back(std::move(action));
}

void CModalAnswers::Click(const QString& buttonText) {
    Then([buttonText](QDialog& dialog) { ClickButton(dialog, buttonText); });
}

void CModalAnswers::ClickButton(QDialog& dialog, const QString& text) {
    for (auto* button : dialog.findChildren<QAbstractButton*>()) {
        if (button->text().remove('&') == text) {
            QTest::mouseClick(button, Qt::LeftButton);
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no button \"%1\" in \"%2\"").arg(text, dialog.windowTitle())));
}

bool CModalAnswers::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Show)
        return false;
    auto* dialog = qobject_cast<QDialog*>(watched);
    if (dialog == nullptr || !dialog->isWindow() ||
        !(dialog->isModal() || dialog->testAttribute(Qt::WA_ShowModal)))
        return false;
    m_titles.push_back(dialog->windowTitle());
    Action action;
    if (m_actions.empty()) {
        action = [](QDialog& d) { d.reject(); };  // nothing scripted: close it
    } else {
        action = std::move(m_actions.front());
        m_actions.erase(m_actions.begin());
    }
    // Run from the dialog's own event loop, once it is running; a dialog that has already
    // ended by then needs no answer.
    QPointer<QDialog> target(dialog);
    QTimer::singleShot(0, dialog, [target, action = std::move(action)] {
        if (target && target->isVisible())
            action(*target);
    });
    return false;
}
