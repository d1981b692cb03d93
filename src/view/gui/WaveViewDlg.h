#pragma once

#include <QColor>
#include <QDialog>
#include <QImage>
#include <QTimer>
#include <vector>

#include "platform/gui/FieldExchange.h"
#include "platform/gui/ScrollBarBinding.h"
#include "view/WaveViewModel.h"

struct SampleRange;
class CUiServices;
class CWaveData;
class QLineEdit;
class QPushButton;
class QScrollBar;

// "Waveform - use mouse to select region": the waveform as a min/max envelope, one pixel
// column per block of samples, with the selection in red. Pressing, dragging and releasing
// the left button in the drawing selects a region (scrolling on its own while the pointer
// is past the drawing's left or right side); the selection goes straight into the panel's
// start and end sample, so it stands however the dialog is closed.
class CWaveViewDlg : public QDialog {
    Q_OBJECT
  public:
    // The drawing's size inside the frame's one-pixel border.
    static constexpr int kDrawingWidth = 600;
    static constexpr int kDrawingHeight = 300;

    CWaveViewDlg(CWaveData& wave, SampleRange& selection, CUiServices& ui,
                 QWidget* parent = nullptr);

    // Ends a drag and its auto-scroll before closing.
    void done(int result) override;

    const CWaveViewModel& Model() const { return m_model; }
    // The finished drawing, as the frame shows it.
    const QImage& Image() const { return m_image; }
    bool AutoScrollRunning() const { return m_autoScrollTimer.isActive(); }
    QColor UnselectedColour() const { return m_unselectedColour; }
    static QColor SelectedColour() { return QColor(255, 0, 0); }

    QLineEdit* m_positionEdit;
    QLineEdit* m_selStartEdit;
    QLineEdit* m_selEndEdit;
    QLineEdit* m_scaleEdit;
    QPushButton* m_scaleButton;
    QPushButton* m_okButton;
    QScrollBar* m_scrollBar;
    QWidget* m_frame;

  protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void TakeGeometry();
    void OnScroll(ScrollRequest request, int position);
    void OnScale();
    void OnAutoScrollTick();
    // Starts, restarts or stops the auto-scroll timer as the model's state asks.
    void FollowAutoScroll(bool restart);
    void SetUpScrollBar();
    void Refresh();
    void Redraw();

    const std::int16_t* m_samples;
    CWaveViewModel m_model;
    CFieldExchange m_fields;
    CScrollBarBinding* m_scrollBinding = nullptr;
    QTimer m_autoScrollTimer;
    QImage m_image;
    QColor m_unselectedColour;
    std::vector<CWaveViewModel::Column> m_columns;
};
