#include "support/gui/ModalAnswer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QTimer>

class CModalAnswers::Poller : public QObject {
  public:
    explicit Poller(CModalAnswers& owner) : m_owner(owner) {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { m_owner.Poll(); });
        m_timer.start();
    }

  private:
    CModalAnswers& m_owner;
    QTimer m_timer;
};

CModalAnswers::CModalAnswers() : m_poller(new Poller(*this)) {}

CModalAnswers::~CModalAnswers() {
    delete m_poller;
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

void CModalAnswers::Poll() {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || dialog == m_last || !dialog->isVisible())
        return;
    m_last = dialog;
    m_titles.push_back(dialog->windowTitle());
    if (m_actions.empty()) {
        dialog->reject();  // nothing scripted: close it so the test cannot hang
        return;
    }
    Action action = std::move(m_actions.front());
    m_actions.erase(m_actions.begin());
    action(*dialog);
}
