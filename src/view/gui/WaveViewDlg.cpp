#include "view/gui/WaveViewDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "wave/WaveData.h"

namespace {

// The black frame around the drawing. It shows the finished image and nothing else; the
// mouse goes to the dialog, which knows where the frame lies.
class CWaveFrame : public QWidget {
  public:
    CWaveFrame(const QImage& image, QWidget* parent) : QWidget(parent), m_image(image) {
        setFixedSize(CWaveViewDlg::kDrawingWidth + 2, CWaveViewDlg::kDrawingHeight + 2);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(QPen(Qt::black, 1));
        painter.drawRect(0, 0, width() - 1, height() - 1);
        painter.drawImage(1, 1, m_image);
    }

  private:
    const QImage& m_image;
};

// A colour reads as distinct when it is far enough from the other three in the drawing.
bool Distinct(const QColor& a, const QColor& b) {
    const int dr = a.red() - b.red();
    const int dg = a.green() - b.green();
    const int db = a.blue() - b.blue();
    return dr * dr + dg * dg + db * db > 120 * 120;
}

// The desktop's highlight colour, as long as it cannot be mistaken for the selection, the
// outline or the background.
QColor PickUnselectedColour(const QPalette& palette) {
    const QColor highlight = palette.color(QPalette::Active, QPalette::Highlight);
    for (const QColor& other : {QColor(255, 0, 0), QColor(0, 0, 0), QColor(255, 255, 255)})
        if (!Distinct(highlight, other))
            return QColor(0, 64, 200);
    return highlight;
}

QLineEdit* AddField(QHBoxLayout* row, const QString& label, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setAlignment(Qt::AlignRight);
    edit->setFixedWidth(76);
    edit->setAccessibleName(label);
    if (!label.isEmpty()) {
        auto* caption = new QLabel(label, parent);
        caption->setBuddy(edit);
        row->addWidget(caption);
    }
    row->addWidget(edit);
    return edit;
}

}  // namespace

CWaveViewDlg::CWaveViewDlg(CWaveData& wave, SampleRange& selection, CUiServices& ui,
                           QWidget* parent)
    : QDialog(parent),
      m_samples(wave.m_samples.get()),
      m_model(wave.m_samples ? wave.m_sampleCount : 0, selection),
      m_fields(ui),
      m_image(kDrawingWidth, kDrawingHeight, QImage::Format_RGB32),
      m_unselectedColour(PickUnselectedColour(palette())) {
    setWindowTitle(QStringLiteral("Waveform - use mouse to select region"));

    auto* row = new QHBoxLayout;
    m_positionEdit = AddField(row, QStringLiteral("Position:"), this);
    m_selStartEdit = AddField(row, QStringLiteral("Seln. Start"), this);
    m_selEndEdit = AddField(row, QStringLiteral("Seln. End"), this);
    row->addStretch(1);
    m_scaleButton = new QPushButton(QStringLiteral("Scale"), this);
    m_scaleButton->setAutoDefault(false);
    row->addWidget(m_scaleButton);
    m_scaleEdit = AddField(row, QString(), this);
    m_scaleEdit->setAccessibleName(QStringLiteral("Samples per column"));

    m_frame = new CWaveFrame(m_image, this);
    m_frame->setAccessibleName(QStringLiteral("Waveform drawing"));
    m_frame->setAccessibleDescription(
        QStringLiteral("Press, drag and release the left mouse button to select a region"));
    m_scrollBar = new QScrollBar(Qt::Horizontal, this);
    m_scrollBar->setAccessibleName(QStringLiteral("Scroll waveform"));
    m_scrollBar->setFixedWidth(m_frame->width());
    m_scrollBinding = new CScrollBarBinding(
        m_scrollBar, [this](ScrollRequest request, int position) { OnScroll(request, position); });
    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setDefault(true);

    // The frame fills the dialog's width but for a narrow margin: dragging past its sides
    // soon leaves the dialog, and the mouse stays with the dialog until the button is up.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(row);
    layout->addWidget(m_frame);
    layout->addWidget(m_scrollBar);
    layout->addWidget(m_okButton, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_fields.AddInt(m_positionEdit, &m_model.m_firstSample);
    m_fields.AddInt(m_selStartEdit, &selection.m_startSample);
    m_fields.AddInt(m_selEndEdit, &selection.m_endSample);
    m_fields.AddInt(m_scaleEdit, &m_model.m_samplesPerColumn);

    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_scaleButton, &QPushButton::clicked, this, &CWaveViewDlg::OnScale);
    m_autoScrollTimer.setInterval(CWaveViewModel::kAutoScrollMs);
    connect(&m_autoScrollTimer, &QTimer::timeout, this, &CWaveViewDlg::OnAutoScrollTick);

    layout->activate();
    TakeGeometry();
    SetUpScrollBar();
    Refresh();
    Redraw();
    m_okButton->setFocus();
}

void CWaveViewDlg::TakeGeometry() {
    const QRect outer = m_frame->geometry();
    m_model.SetGeometry(
        {outer.left(), outer.top(), outer.left() + outer.width(), outer.top() + outer.height()},
        kDrawingWidth, kDrawingHeight);
}

void CWaveViewDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    TakeGeometry();  // the layout has placed the frame for good by now
}

void CWaveViewDlg::done(int result) {
    m_model.Release();
    FollowAutoScroll(false);
    QDialog::done(result);
}

void CWaveViewDlg::SetUpScrollBar() {
    // The bar's range already leaves room for the page: it ends where the last screenful
    // begins.
    m_scrollBinding->Show(0, m_model.MaxFirst(), m_model.PageSamples(), CWaveViewModel::kLineStep,
                          m_model.m_firstSample);
}

void CWaveViewDlg::FollowAutoScroll(bool restart) {
    if (m_model.AutoScrollMode() == CWaveViewModel::AutoScroll::kNone)
        m_autoScrollTimer.stop();
    else if (restart)
        m_autoScrollTimer.start();
}

void CWaveViewDlg::OnScroll(ScrollRequest request, int position) {
    m_model.Scroll(request, position);
    m_scrollBinding->ShowValue(m_model.m_firstSample);
    FollowAutoScroll(false);
    Refresh();
    Redraw();
}

void CWaveViewDlg::OnScale() {
    m_model.Scale();
    FollowAutoScroll(false);
    SetUpScrollBar();
    Refresh();
    Redraw();
}

void CWaveViewDlg::OnAutoScrollTick() {
    m_model.Tick();
    FollowAutoScroll(false);
    m_scrollBinding->ShowValue(m_model.m_firstSample);
    Refresh();
    Redraw();
}

void CWaveViewDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    if (!m_model.Press(at.x(), at.y()))
        return;
    Refresh();
    Redraw();
}

void CWaveViewDlg::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const bool restart = m_model.Move(at.x(), at.y(), event->buttons() & Qt::LeftButton);
    FollowAutoScroll(restart);
    if (!m_model.Dragging())
        return;
    Refresh();
    Redraw();
}

void CWaveViewDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QDialog::mouseReleaseEvent(event);
        return;
    }
    m_model.Release();
    FollowAutoScroll(false);
    Redraw();
}

void CWaveViewDlg::Refresh() {
    m_fields.Show();
}

void CWaveViewDlg::Redraw() {
    m_model.ComputeColumns(m_samples, m_columns);
    const int w = kDrawingWidth;
    const int h = kDrawingHeight;
    const int yc = h / 2;
    m_image.fill(Qt::white);
    {
        QPainter painter(&m_image);
        const QPen outline(Qt::black, 1);
        const QPen selected(SelectedColour(), 1);
        const QPen unselected(m_unselectedColour, 1);
        painter.setPen(outline);
        painter.drawLine(0, 0, w - 1, 0);
        painter.drawLine(w - 1, 0, w - 1, h - 1);
        painter.drawLine(w - 1, h - 1, 0, h - 1);
        painter.drawLine(0, h - 1, 0, 0);
        for (int i = 0; i < static_cast<int>(m_columns.size()); ++i) {
            const auto& column = m_columns[static_cast<std::size_t>(i)];
            painter.setPen(column.selected ? selected : unselected);
            const int yHi = CWaveViewModel::ValueToY(h, column.hi);
            const int yLo = CWaveViewModel::ValueToY(h, column.lo);
            painter.drawLine(i, yc, i, yHi);
            painter.drawLine(i, yHi, i, yLo);
        }
        painter.setPen(outline);
        painter.drawLine(0, yc, w, yc);
    }
    m_frame->repaint();
}
