#include "platform/gui/ScrollBarBinding.h"

#include <QKeyEvent>
#include <QSignalBlocker>
#include <optional>

namespace {

// A bar's action as a request; SliderMove is the thumb being dragged or the wheel.
std::optional<ScrollRequest> ToRequest(int action) {
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            return ScrollRequest::kLineBack;
        case QAbstractSlider::SliderSingleStepAdd:
            return ScrollRequest::kLineForward;
        case QAbstractSlider::SliderPageStepSub:
            return ScrollRequest::kPageBack;
        case QAbstractSlider::SliderPageStepAdd:
            return ScrollRequest::kPageForward;
        case QAbstractSlider::SliderToMinimum:
            return ScrollRequest::kToStart;
        case QAbstractSlider::SliderToMaximum:
            return ScrollRequest::kToEnd;
        case QAbstractSlider::SliderMove:
            return ScrollRequest::kThumbTrack;
        default:
            return std::nullopt;
    }
}

}  // namespace

CScrollBarBinding::CScrollBarBinding(QScrollBar* bar, Handler handler)
    : QObject(bar), m_bar(bar), m_handler(std::move(handler)) {
    m_shownValue = bar->value();
    bar->setFocusPolicy(Qt::StrongFocus);
    bar->installEventFilter(this);
    connect(bar, &QAbstractSlider::actionTriggered, this, &CScrollBarBinding::OnAction);
    connect(bar, &QAbstractSlider::sliderReleased, this,
            [this] { m_handler(ScrollRequest::kThumbPosition, m_bar->sliderPosition()); });
    connect(bar, &QAbstractSlider::valueChanged, this, &CScrollBarBinding::OnValueChanged);
}

void CScrollBarBinding::Show(int minimum, int maximum, int pageStep, int singleStep, int value) {
    const QSignalBlocker block(m_bar);
    m_bar->setRange(minimum, maximum);
    m_bar->setPageStep(pageStep);
    m_bar->setSingleStep(singleStep);
    m_bar->setValue(value);
    m_shownValue = m_bar->value();
}

void CScrollBarBinding::ShowValue(int value) {
    const QSignalBlocker block(m_bar);
    m_bar->setValue(value);
    m_shownValue = m_bar->value();
}

void CScrollBarBinding::OnAction(int action) {
    // Called before the bar takes the position as its value: the view's rules decide where
    // it ends up, and its Show() puts the bar there.
    if (const auto request = ToRequest(action))
        m_handler(*request, m_bar->sliderPosition());
}

void CScrollBarBinding::OnValueChanged(int value) {
    // A value the view did not show came from outside the bar's own actions (an assistive
    // tool, or code): it counts as the thumb moved there.
    if (value != m_shownValue)
        m_handler(ScrollRequest::kThumbTrack, value);
}

bool CScrollBarBinding::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_bar || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const bool rightToLeft = m_bar->layoutDirection() == Qt::RightToLeft;
    QAbstractSlider::SliderAction action = QAbstractSlider::SliderNoAction;
    switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Left:
            action = rightToLeft ? QAbstractSlider::SliderSingleStepAdd
                                 : QAbstractSlider::SliderSingleStepSub;
            break;
        case Qt::Key_Right:
            action = rightToLeft ? QAbstractSlider::SliderSingleStepSub
                                 : QAbstractSlider::SliderSingleStepAdd;
            break;
        case Qt::Key_Up:
            action = QAbstractSlider::SliderSingleStepSub;
            break;
        case Qt::Key_Down:
            action = QAbstractSlider::SliderSingleStepAdd;
            break;
        case Qt::Key_PageUp:
            action = QAbstractSlider::SliderPageStepSub;
            break;
        case Qt::Key_PageDown:
            action = QAbstractSlider::SliderPageStepAdd;
            break;
        case Qt::Key_Home:
            action = QAbstractSlider::SliderToMinimum;
            break;
        case Qt::Key_End:
            action = QAbstractSlider::SliderToMaximum;
            break;
        default:
            return QObject::eventFilter(watched, event);
    }
    m_bar->triggerAction(action);
    return true;
}
