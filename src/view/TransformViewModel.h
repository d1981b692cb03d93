#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "partials/NoteNaming.h"
#include "partials/PartialData.h"
#include "platform/ScrollRequest.h"

class CTransformData;

// One pixel column of the transform plot, as the view draws it.
struct PlotColumn {
    // The spectrum fills the rows below m_y down to the bottom edge; H - 1 means no height.
    // A cursor column continues in green from m_y up to the top edge. Below 0 when the
    // value runs past the top.
    std::int32_t m_y = 0;
    bool m_partial = false;  // the partial table has a partial within the column
    bool m_cursor = false;   // the cursor's value lies within the column
};

// The three frequency labels under the plot.
struct FrequencyLabels {
    std::string m_left;
    std::string m_centre;
    std::string m_right;
};

// What the transform view shows and how its controls move it: the cursor, horizontal
// scrolling, the scale (values per pixel column), the vertical zoom, the columns to draw, and
// the commands that change the partial table. It works in place on the panel's transform
// and partial table; the dialog around it only reads its fields and draws.
class CTransformViewModel {
  public:
    static constexpr std::int32_t kMinZoom = 1;
    static constexpr std::int32_t kMaxZoom = 20;
    static constexpr std::int32_t kZoomPage = 2;
    static constexpr std::int32_t kScrollLine = 20;
    static constexpr std::int32_t kScrollPage = 200;
    static constexpr std::int32_t kSliderDefault = 30;
    static constexpr std::int32_t kSliderMax = 100;

    // naming names the cursor's note the way the panel names notes.
    CTransformViewModel(const CTransformData& transforms, CPartialData& partials,
                        const NoteNaming& naming);

    // Puts the view at its opening state for a plot of width x height pixels: whole
    // transform fitted, cursor on the first value, zoom 1.
    void Open(std::int32_t width, std::int32_t height);

    std::int32_t Width() const { return m_width; }
    std::int32_t Height() const { return m_height; }

    // Transform value j; 0 outside the transform.
    double ValueAt(std::int32_t j) const;
    // The largest value index, -1 when there is no transform.
    std::int32_t LastIndex() const;

    // Fills columns 0 .. W - 2 (the last pixel column is never drawn).
    void ComputeColumns(std::vector<PlotColumn>& columns) const;
    PlotColumn Column(std::int32_t i) const;

    // Puts the cursor on the peak of pixel column k.
    void SetCursorColumn(std::int32_t k);
    // The pixel column holding the cursor (the spin's position); outside 0 .. W - 1 when the
    // cursor has been scrolled out of sight.
    std::int32_t CursorColumn() const;

    // The furthest the view scrolls right: steps - W x scale, at least 0.
    std::int32_t ScrollLimit() const;
    // Values the horizontal bar's thumb stands for.
    std::int32_t ScrollPage() const { return m_width * m_scale; }
    void Scroll(ScrollRequest request, std::int32_t position = 0);
    void Zoom(ScrollRequest request, std::int32_t position = 0);

    // The scale after this one in 1, 2, 5, 10, 20, 50, 100, 200, 400, ..., capped at
    // maxScale; back to 1 from maxScale or above.
    static std::int32_t NextScaleStep(std::int32_t scale, std::int32_t maxScale);
    // Steps the scale and centres the view on the cursor frequency.
    void NextScale();

    // Labels for a plot whose outer width is outerWidth pixels, such as "250Hz".
    FrequencyLabels Labels(std::int32_t outerWidth) const;

    // Commands on the partial table. Each that changes it names the partials again and
    // recomputes cents and notes (ClearAll leaves no nominal to search for).
    void AddAtCursor();
    void DeleteAtCursor();
    // A double click: removes the partial within 1 Hz of the cursor frequency, or adds one
    // there when there is none.
    void ToggleAtCursor();
    // Runs the peak search with the slider's threshold. False when the transform is too
    // short to search; the table is then as it was.
    bool FindPartials();
    void ClearAll();

    // The peak search's threshold for a slider position: 0.5 at Low, 3.0 at High.
    static double SensitivityFromSlider(std::int32_t slider);

    double m_cursorFreq = 0.0;  // Hz
    double m_amplitude = 0.0;   // transform value at the cursor frequency
    std::string m_cursorNote;
    std::int32_t m_cursorIndex = 0;  // first value of the cursor's column
    std::int32_t m_scrollPos = 0;    // value drawn in pixel column 0
    std::int32_t m_scale = 1;        // values per pixel column
    std::int32_t m_maxScale = 1;     // the scale at which the whole transform fits
    std::int32_t m_zoom = kMinZoom;
    double m_yFactor = 10.0;  // pixels per unit of transform value
    double m_lowNominal = 0.0;
    double m_highNominal = 0.0;
    bool m_restrictNominal = false;  // the nominal is looked for in low .. high only
    std::int32_t m_sensitivitySlider = kSliderDefault;
    double m_sensitivity = CPartialData::kPeakSensitivity;

  private:
    void ComputeYFactor();
    void UpdateCursorNote();
    // Names the partials, stores the nominal found and recomputes cents and notes.
    void Reevaluate();
    double FrequencyOfIndex(std::int32_t j) const;

    const CTransformData& m_transforms;
    CPartialData& m_partials;
    NoteNaming m_naming;
    std::int32_t m_width = 1;
    std::int32_t m_height = 1;
};
