#pragma once

#include <QObject>
#include <QPointer>
#include <QScrollBar>
#include <functional>

#include "platform/ScrollRequest.h"

// Ties a scroll bar to a view whose own rules decide where it scrolls: every way the bar
// can be moved (arrows and track, thumb drag and release, wheel, keys, and a value set by
// an assistive tool) becomes one ScrollRequest with the bar's position, and the view then
// puts the bar where it went with Show().
//
// Keys act as a reader expects whatever the bar's orientation: Left and Up go back, Right
// and Down forward (Left and Right trade places in a right-to-left layout), Page Up and Page
// Down by a page, Home and End to the ends. (Qt's own horizontal bar inverts its controls so
// that the wheel scrolls the natural way, which turns its arrow keys round.)
class CScrollBarBinding : public QObject {
  public:
    using Handler = std::function<void(ScrollRequest request, int position)>;

    CScrollBarBinding(QScrollBar* bar, Handler handler);

    // Sets the bar's range, its steps and its value, without any of it coming back as a
    // request.
    void Show(int minimum, int maximum, int pageStep, int singleStep, int value);
    // The same for the value alone.
    void ShowValue(int value);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void OnAction(int action);
    void OnValueChanged(int value);

    QPointer<QScrollBar> m_bar;
    Handler m_handler;
    int m_shownValue = 0;
};
