#pragma once

#include <QDialog>
#include <QImage>
#include <cstdint>
#include <vector>

#include "partials/NoteNaming.h"
#include "platform/gui/FieldExchange.h"
#include "platform/gui/ScrollBarBinding.h"
#include "view/TransformViewModel.h"

class CPartialData;
class CTransformData;
class CUiServices;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QSlider;
class QSpinBox;
class QTableWidget;

// "Transforms and partials selection": the transform plotted with a cursor, scrolling, scale
// and zoom, and the partial table built from it by the peak search, by adding the peak under
// the cursor, by deleting what the cursor covers, or by double-clicking the plot. It works on
// the panel's transform and partial table in place; closing it has no further effect here.
class CTransformViewDlg : public QDialog {
    Q_OBJECT
  public:
    // The plot's size in pixels, fixed for the dialog's life.
    static constexpr int kPlotWidth = 640;
    static constexpr int kPlotHeight = 300;
    static constexpr int kListRows = 25;

    // naming names the notes; fileTitle is the waveform's, shown as the file.
    CTransformViewDlg(CTransformData& transforms, CPartialData& partials, const NoteNaming& naming,
                      const std::string& fileTitle, CUiServices& ui, QWidget* parent = nullptr);

    CTransformViewModel& Model() { return m_model; }
    // The off-screen picture of the plot, as last drawn.
    const QImage& PlotImage() const { return m_image; }
    QWidget* PlotArea() const;

    QPushButton* m_backButton;
    QPushButton* m_findButton;
    QPushButton* m_addButton;
    QPushButton* m_deleteButton;
    QPushButton* m_clearButton;
    QPushButton* m_scaleButton;
    QSlider* m_sensitivitySlider;
    QLineEdit* m_fileEdit;
    QLineEdit* m_cursorFreqEdit;
    QSpinBox* m_cursorSpin;
    QLineEdit* m_cursorNoteEdit;
    QLineEdit* m_amplitudeEdit;
    QLineEdit* m_scaleEdit;
    QScrollBar* m_zoomBar;
    QScrollBar* m_scrollBar;
    QLineEdit* m_leftFreqEdit;
    QLineEdit* m_centreFreqEdit;
    QLineEdit* m_rightFreqEdit;
    QCheckBox* m_restrictBox;
    QLineEdit* m_lowNominalEdit;
    QLineEdit* m_highNominalEdit;
    QLineEdit* m_pitchEdit;
    QLineEdit* m_germanEdit;
    QTableWidget* m_list;

  protected:
    // Enter in the cursor spin takes the typed column without closing the dialog.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    class CPlotArea;
    friend class CPlotArea;

    void BuildControls();
    // Reads the editable fields (the nominal range) and shows them as taken; a bad one is
    // prompted for and the command goes on with the values as they stand.
    void ReadFields();
    // Writes the cursor and scale fields, the scroll bars and the spin.
    void ShowFields();
    void DrawPlot();
    void ShowLabels();
    void RefreshList();
    // After any change of view: plot, labels and fields.
    void RefreshView();
    // After a change of the partial table: the view and the list.
    void RefreshAll();

    void OnSpin(int column);
    void OnScale();
    void OnPlotPress(int x, bool doubleClick);
    void OnAdd();
    void OnDelete();
    void OnFind();
    void OnClear();

    CPartialData& m_partials;
    CUiServices& m_ui;
    CTransformViewModel m_model;
    CFieldExchange m_fields;
    QImage m_image;
    std::vector<PlotColumn> m_columns;
    CPlotArea* m_plot = nullptr;
    CScrollBarBinding* m_scrollBinding = nullptr;
    CScrollBarBinding* m_zoomBinding = nullptr;
};
