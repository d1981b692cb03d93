#include "view/gui/TransformViewDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "partials/PartialData.h"
#include "platform/NumberText.h"
#include "platform/UiServices.h"
#include "transform/TransformData.h"

namespace {

const QColor kBlack(0, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kGreen(0, 160, 0);
const QColor kRed(255, 0, 0);

QString ToQ(const std::string& text) {
    return QString::fromStdString(text);
}

// A read-only field shows its text from the start, however long.
void SetDisplay(QLineEdit* edit, const std::string& text) {
    edit->setText(QString::fromStdString(text));
    edit->setCursorPosition(0);
}

QLineEdit* MakeReadOnly(QWidget* parent, const QString& name, int width = 0) {
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setAccessibleName(name);
    if (width > 0)
        edit->setFixedWidth(width);
    return edit;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

// The framed area the spectrum is drawn in: it copies the off-screen picture when painted
// and passes presses and double clicks on to the dialog.
class CTransformViewDlg::CPlotArea : public QWidget {
  public:
    explicit CPlotArea(CTransformViewDlg& dialog) : QWidget(&dialog), m_dialog(dialog) {
        setFixedSize(kPlotWidth, kPlotHeight);
        // The picture covers every pixel: nothing to erase first.
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAccessibleName(QStringLiteral("Spectrum"));
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(0, 0, m_dialog.m_image);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton)
            m_dialog.OnPlotPress(event->position().toPoint().x(), false);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton)
            m_dialog.OnPlotPress(event->position().toPoint().x(), true);
    }

  private:
    CTransformViewDlg& m_dialog;
};

CTransformViewDlg::CTransformViewDlg(CTransformData& transforms, CPartialData& partials,
                                     const NoteNaming& naming, const std::string& fileTitle,
                                     CUiServices& ui, QWidget* parent)
    : QDialog(parent),
      m_partials(partials),
      m_ui(ui),
      m_model(transforms, partials, naming),
      m_fields(ui),
      m_image(kPlotWidth, kPlotHeight, QImage::Format_RGB32) {
    setWindowTitle(QStringLiteral("Transforms and partials selection"));
    BuildControls();

    m_fields.AddCheck(m_restrictBox, &m_model.m_restrictNominal);
    m_fields.AddDouble(m_lowNominalEdit, &m_model.m_lowNominal);
    m_fields.AddDouble(m_highNominalEdit, &m_model.m_highNominal);

    m_model.Open(kPlotWidth, kPlotHeight);
    SetDisplay(m_fileEdit, fileTitle);
    m_pitchEdit->setText(ToQ(PitchReferenceText(naming.m_aRef) + "Hz"));
    m_germanEdit->setText(naming.m_germanNames ? QStringLiteral("German names") : QString());
    m_fields.Show();
    RefreshAll();
}

QWidget* CTransformViewDlg::PlotArea() const {
    return m_plot;
}

void CTransformViewDlg::BuildControls() {
    // Update list of partials.
    auto* updateGroup = new QGroupBox(QStringLiteral("Update list of partials"), this);
    m_findButton = new QPushButton(QStringLiteral("Find partials"), updateGroup);
    m_addButton = new QPushButton(QStringLiteral("Add at cursor"), updateGroup);
    m_deleteButton = new QPushButton(QStringLiteral("Del. at cursor"), updateGroup);
    m_clearButton = new QPushButton(QStringLiteral("Clear all"), updateGroup);
    m_sensitivitySlider = new QSlider(Qt::Horizontal, updateGroup);
    m_sensitivitySlider->setRange(0, CTransformViewModel::kSliderMax);
    m_sensitivitySlider->setValue(m_model.m_sensitivitySlider);
    m_sensitivitySlider->setPageStep(10);
    m_sensitivitySlider->setTickPosition(QSlider::TicksBelow);
    m_sensitivitySlider->setTickInterval(10);
    m_sensitivitySlider->setAccessibleName(QStringLiteral("Partial search sensitivity:"));
    m_sensitivitySlider->setFocusPolicy(Qt::StrongFocus);
    m_fileEdit = MakeReadOnly(updateGroup, QStringLiteral("File:"));
    {
        auto* grid = new QGridLayout(updateGroup);
        grid->addWidget(m_findButton, 0, 0);
        grid->addWidget(m_addButton, 0, 1);
        grid->addWidget(m_deleteButton, 0, 2);
        grid->addWidget(m_clearButton, 0, 3);
        auto* sliderRow = new QHBoxLayout;
        sliderRow->addWidget(MakeLabel(updateGroup, QStringLiteral("Partial search sensitivity:"),
                                       m_sensitivitySlider));
        sliderRow->addWidget(new QLabel(QStringLiteral("Low"), updateGroup));
        sliderRow->addWidget(m_sensitivitySlider, 1);
        sliderRow->addWidget(new QLabel(QStringLiteral("High"), updateGroup));
        grid->addLayout(sliderRow, 1, 0, 1, 4);
        auto* fileRow = new QHBoxLayout;
        fileRow->addWidget(MakeLabel(updateGroup, QStringLiteral("File:"), m_fileEdit));
        fileRow->addWidget(m_fileEdit, 1);
        grid->addLayout(fileRow, 2, 0, 1, 4);
    }

    // Cursor control and scaling.
    auto* cursorGroup = new QGroupBox(QStringLiteral("Cursor control and scaling"), this);
    m_cursorFreqEdit = MakeReadOnly(cursorGroup, QStringLiteral("Cursor Freq. (Hz)"), 90);
    m_cursorSpin = new QSpinBox(cursorGroup);
    m_cursorSpin->setRange(0, kPlotWidth - 1);
    m_cursorSpin->setAccessibleName(QStringLiteral("Cursor column"));
    m_cursorSpin->setToolTip(QStringLiteral("Moves the cursor one pixel column at a time"));
    m_cursorSpin->setKeyboardTracking(false);
    m_cursorSpin->installEventFilter(this);
    m_cursorNoteEdit = MakeReadOnly(cursorGroup, QStringLiteral("Cursor note"), 80);
    m_amplitudeEdit = MakeReadOnly(cursorGroup, QStringLiteral("Amplitude"), 130);
    m_scaleButton = new QPushButton(QStringLiteral("Scale"), cursorGroup);
    m_scaleEdit = MakeReadOnly(cursorGroup, QStringLiteral("Values per column"), 60);
    {
        auto* row = new QHBoxLayout(cursorGroup);
        row->addWidget(
            MakeLabel(cursorGroup, QStringLiteral("Cursor Freq. (Hz)"), m_cursorFreqEdit));
        row->addWidget(m_cursorFreqEdit);
        row->addWidget(m_cursorSpin);
        row->addWidget(m_cursorNoteEdit);
        row->addSpacing(8);
        row->addWidget(MakeLabel(cursorGroup, QStringLiteral("Amplitude"), m_amplitudeEdit));
        row->addWidget(m_amplitudeEdit);
        row->addSpacing(8);
        row->addWidget(m_scaleButton);
        row->addWidget(m_scaleEdit);
        row->addStretch(1);
    }

    // The plot with its zoom bar, scroll bar and frequency labels.
    m_zoomBar = new QScrollBar(Qt::Vertical, this);
    m_zoomBar->setAccessibleName(QStringLiteral("Zoom"));
    m_zoomBinding = new CScrollBarBinding(m_zoomBar, [this](ScrollRequest request, int position) {
        m_model.Zoom(request, position);
        RefreshView();
    });
    m_plot = new CPlotArea(*this);
    m_scrollBar = new QScrollBar(Qt::Horizontal, this);
    m_scrollBar->setAccessibleName(QStringLiteral("Scroll"));
    m_scrollBinding =
        new CScrollBarBinding(m_scrollBar, [this](ScrollRequest request, int position) {
            m_model.Scroll(request, position);
            RefreshView();
        });
    m_leftFreqEdit = MakeReadOnly(this, QStringLiteral("Left frequency"), 90);
    m_centreFreqEdit = MakeReadOnly(this, QStringLiteral("Centre frequency"), 90);
    m_rightFreqEdit = MakeReadOnly(this, QStringLiteral("Right frequency"), 90);
    m_leftFreqEdit->setAlignment(Qt::AlignLeft);
    m_centreFreqEdit->setAlignment(Qt::AlignHCenter);
    m_rightFreqEdit->setAlignment(Qt::AlignRight);
    auto* plotGrid = new QGridLayout;
    plotGrid->setSpacing(2);
    plotGrid->addWidget(m_zoomBar, 0, 0);
    plotGrid->addWidget(m_plot, 0, 1);
    plotGrid->addWidget(m_scrollBar, 1, 1);
    {
        auto* labels = new QHBoxLayout;
        labels->addWidget(m_leftFreqEdit);
        labels->addStretch(1);
        labels->addWidget(m_centreFreqEdit);
        labels->addStretch(1);
        labels->addWidget(m_rightFreqEdit);
        plotGrid->addLayout(labels, 2, 1);
        // Room the groups above leave goes beside the plot, so the bar and labels keep to
        // the plot's width.
        plotGrid->setColumnStretch(2, 1);
    }

    // Control nominal selection, and the note names in force.
    auto* nominalGroup = new QGroupBox(QStringLiteral("Control nominal selection"), this);
    m_restrictBox = new QCheckBox(QStringLiteral("Restrict range of nominal search"), nominalGroup);
    m_lowNominalEdit = new QLineEdit(nominalGroup);
    m_lowNominalEdit->setAccessibleName(QStringLiteral("Low Nominal"));
    m_lowNominalEdit->setFixedWidth(90);
    m_highNominalEdit = new QLineEdit(nominalGroup);
    m_highNominalEdit->setAccessibleName(QStringLiteral("High Nominal"));
    m_highNominalEdit->setFixedWidth(90);
    {
        auto* row = new QHBoxLayout(nominalGroup);
        row->addWidget(m_restrictBox);
        row->addSpacing(8);
        row->addWidget(MakeLabel(nominalGroup, QStringLiteral("Low Nominal"), m_lowNominalEdit));
        row->addWidget(m_lowNominalEdit);
        row->addWidget(MakeLabel(nominalGroup, QStringLiteral("High Nominal"), m_highNominalEdit));
        row->addWidget(m_highNominalEdit);
    }
    auto* notesGroup = new QGroupBox(QStringLiteral("Note names"), this);
    m_pitchEdit = MakeReadOnly(notesGroup, QStringLiteral("Pitch reference"), 90);
    m_germanEdit = MakeReadOnly(notesGroup, QStringLiteral("Note name language"), 100);
    {
        auto* row = new QHBoxLayout(notesGroup);
        row->addWidget(m_pitchEdit);
        row->addWidget(m_germanEdit);
    }

    // The partial table and the way back.
    m_backButton = new QPushButton(QStringLiteral("Back to main screen"), this);
    m_backButton->setDefault(true);
    m_list = new QTableWidget(kListRows, 4, this);
    m_list->setHorizontalHeaderLabels({QStringLiteral("Freq."), QStringLiteral("Cents"),
                                       QStringLiteral("Partial"), QStringLiteral("Note")});
    m_list->setAccessibleName(QStringLiteral("List of partials"));
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setTabKeyNavigation(false);
    const int rowHeight = fontMetrics().height() + 4;
    m_list->verticalHeader()->setDefaultSectionSize(rowHeight);
    m_list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_list->setColumnWidth(0, 80);
    m_list->setColumnWidth(1, 64);
    m_list->setColumnWidth(2, 76);
    m_list->setColumnWidth(3, 80);
    for (int row = 0; row < kListRows; ++row)
        for (int column = 0; column < 4; ++column) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(column < 2 ? Qt::AlignRight | Qt::AlignVCenter
                                              : Qt::AlignLeft | Qt::AlignVCenter);
            m_list->setItem(row, column, item);
        }
    {
        // Every row in sight, no scrolling.
        const int frame = 2 * m_list->frameWidth();
        m_list->setFixedHeight(m_list->horizontalHeader()->sizeHint().height() +
                               kListRows * rowHeight + frame);
        m_list->setFixedWidth(m_list->verticalHeader()->sizeHint().width() + 80 + 64 + 76 + 80 +
                              frame);
    }

    auto* left = new QVBoxLayout;
    left->addWidget(updateGroup);
    left->addWidget(cursorGroup);
    left->addLayout(plotGrid);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(nominalGroup);
    bottom->addWidget(notesGroup);
    left->addLayout(bottom);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(m_backButton, 0, Qt::AlignRight);
    right->addWidget(m_list);
    right->addStretch(1);
    auto* top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addLayout(right);
    top->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_backButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_findButton, &QPushButton::clicked, this, &CTransformViewDlg::OnFind);
    connect(m_addButton, &QPushButton::clicked, this, &CTransformViewDlg::OnAdd);
    connect(m_deleteButton, &QPushButton::clicked, this, &CTransformViewDlg::OnDelete);
    connect(m_clearButton, &QPushButton::clicked, this, &CTransformViewDlg::OnClear);
    connect(m_scaleButton, &QPushButton::clicked, this, &CTransformViewDlg::OnScale);
    connect(m_sensitivitySlider, &QSlider::valueChanged, this,
            [this](int value) { m_model.m_sensitivitySlider = value; });
    connect(m_cursorSpin, &QSpinBox::valueChanged, this, &CTransformViewDlg::OnSpin);
}

bool CTransformViewDlg::eventFilter(QObject* watched, QEvent* event) {
    // Enter in the spin takes the typed column; it is not the dialog's Enter, which would
    // close it.
    if (watched == m_cursorSpin && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            m_cursorSpin->interpretText();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CTransformViewDlg::ReadFields() {
    m_fields.Read();
    // Only here: a range typed but not yet used survives scrolling, zooming and the spin.
    m_fields.Show();
}

void CTransformViewDlg::ShowFields() {
    SetDisplay(m_cursorFreqEdit, FormatDisplayNumber(m_model.m_cursorFreq));
    SetDisplay(m_cursorNoteEdit, m_model.m_cursorNote);
    SetDisplay(m_amplitudeEdit, FormatDisplayNumber(m_model.m_amplitude));
    m_scaleEdit->setText(QString::number(m_model.m_scale));

    // The bar's range ends where the view's last page begins, so its thumb covers one page.
    m_scrollBinding->Show(0, m_model.ScrollLimit(), m_model.ScrollPage(),
                          CTransformViewModel::kScrollLine, m_model.m_scrollPos);
    m_zoomBinding->Show(CTransformViewModel::kMinZoom, CTransformViewModel::kMaxZoom,
                        CTransformViewModel::kZoomPage, 1, m_model.m_zoom);
    const QSignalBlocker spinBlock(m_cursorSpin);
    m_cursorSpin->setValue(std::clamp(m_model.CursorColumn(), 0, kPlotWidth - 1));
}

void CTransformViewDlg::DrawPlot() {
    const int w = m_image.width();
    const int h = m_image.height();
    m_model.ComputeColumns(m_columns);

    QPainter painter(&m_image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(m_image.rect(), Qt::white);
    QPen pen(kBlack, 1, Qt::SolidLine, Qt::SquareCap);
    const auto line = [&](const QColor& colour, int x, int y0, int y1) {
        pen.setColor(colour);
        painter.setPen(pen);
        painter.drawLine(x, y0, x, y1);
    };
    // The frame along the four edges.
    pen.setColor(kBlack);
    painter.setPen(pen);
    painter.drawLine(0, 0, 0, h - 1);
    painter.drawLine(0, 0, w - 1, 0);
    painter.drawLine(w - 1, 0, w - 1, h - 1);
    painter.drawLine(0, h - 1, w - 1, h - 1);

    for (int x = 0; x < static_cast<int>(m_columns.size()); ++x) {
        const PlotColumn& column = m_columns[static_cast<std::size_t>(x)];
        const QColor& colour = column.m_partial ? kRed : column.m_cursor ? kBlack : kBlue;
        // The spectrum fills the rows below m_y; a column of no height draws nothing.
        const int top = std::max(column.m_y + 1, 0);
        if (top <= h - 1)
            line(colour, x, top, h - 1);
        // The cursor goes on in green above the spectrum, up to the frame.
        if (column.m_cursor && column.m_y >= 1)
            line(kGreen, x, 1, std::min(column.m_y, h - 1));
    }
    painter.end();
    m_plot->repaint();
}

void CTransformViewDlg::ShowLabels() {
    const FrequencyLabels labels = m_model.Labels(m_plot->width());
    m_leftFreqEdit->setText(ToQ(labels.m_left));
    m_centreFreqEdit->setText(ToQ(labels.m_centre));
    m_rightFreqEdit->setText(ToQ(labels.m_right));
}

void CTransformViewDlg::RefreshList() {
    for (int row = 0; row < kListRows; ++row) {
        const bool used = row < m_partials.m_count;
        const auto text = [&](int column, const std::string& value) {
            m_list->item(row, column)->setText(used ? ToQ(value) : QString());
        };
        text(0, FormatDisplayNumber(m_partials.m_freq[row]));
        // Cents are kept from the last nominal while there is none, and rows inserted since
        // have moved past theirs: without a nominal they mean nothing.
        text(1, m_partials.m_nominal > 0.0 ? FormatDisplayNumber(m_partials.m_cents[row]) : "");
        text(2, m_partials.PartialName(row));
        text(3, m_partials.m_note[row]);
    }
}

void CTransformViewDlg::RefreshView() {
    DrawPlot();
    ShowLabels();
    ShowFields();
}

void CTransformViewDlg::RefreshAll() {
    RefreshView();
    RefreshList();
}

void CTransformViewDlg::OnSpin(int column) {
    m_model.SetCursorColumn(column);
    RefreshView();
}

void CTransformViewDlg::OnScale() {
    m_model.NextScale();
    RefreshView();
}

void CTransformViewDlg::OnPlotPress(int x, bool doubleClick) {
    ReadFields();
    m_model.SetCursorColumn(x);
    if (!doubleClick) {
        RefreshView();
        return;
    }
    m_model.ToggleAtCursor();
    RefreshAll();
}

void CTransformViewDlg::OnAdd() {
    ReadFields();
    m_model.AddAtCursor();
    RefreshAll();
}

void CTransformViewDlg::OnDelete() {
    ReadFields();
    m_model.DeleteAtCursor();
    RefreshAll();
}

void CTransformViewDlg::OnFind() {
    ReadFields();
    if (!m_model.FindPartials()) {
        m_ui.MessageBox("Transform too short");
        return;
    }
    RefreshAll();
}

void CTransformViewDlg::OnClear() {
    ReadFields();
    m_model.ClearAll();
    RefreshAll();
}
