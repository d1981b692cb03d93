#pragma once

#include <cstdint>
#include <vector>

#include "platform/ScrollRequest.h"
#include "wave/SampleRange.h"

// The arithmetic of the waveform view: which samples each pixel column shows, where the
// view is scrolled to, how many samples a column holds, and how pressing, dragging and
// releasing the left button (with automatic scrolling past the drawing's sides) turn into
// the panel's start and end sample. The dialog only forwards events here and draws.
//
// Positions are in the dialog's client coordinates. The drawing frame's outer rectangle
// runs from (left, top) up to, but not including, (right, bottom); inside its one-pixel
// border lies the drawing of width x height pixels.
class CWaveViewModel {
  public:
    enum class AutoScroll : std::uint8_t { kNone, kLeft, kRight };

    struct FrameRect {
        int left = 0;
        int top = 0;
        int right = 0;   // one past the last pixel
        int bottom = 0;  // one past the last pixel
        int Width() const { return right - left; }
    };

    // The extremes of one pixel column: hi >= 0 >= lo, both 0 when the column holds no
    // samples; selected columns are drawn in the selection colour.
    struct Column {
        std::int16_t hi = 0;
        std::int16_t lo = 0;
        bool selected = false;
    };

    static constexpr std::int32_t kLineStep = 20;   // samples, whatever the scale
    static constexpr std::int32_t kPageStep = 200;  // samples, also one auto-scroll tick
    static constexpr std::int32_t kInitialSamplesPerColumn = 100;
    static constexpr int kAutoScrollMs = 200;

    // The selection is read from and written to selection, the panel's own.
    CWaveViewModel(std::int32_t sampleCount, SampleRange& selection);

    // The frame's outer rectangle and the drawing's size inside it, taken once on opening.
    void SetGeometry(const FrameRect& frame, int width, int height);

    // First sample in the view when it shows the last W columns' worth, or 0.
    std::int32_t MaxFirst() const;
    // The samples one screenful covers: the scroll bar's page.
    std::int32_t PageSamples() const;

    // Applies a scroll bar request; barPosition is the bar's position for the thumb codes.
    // Stops auto-scrolling.
    void Scroll(ScrollRequest request, std::int32_t barPosition = 0);
    // Steps the samples per column 1, 10, 100, ... and back to 1 once a screenful covers
    // the whole waveform. Stops auto-scrolling.
    void Scale();

    // Left button pressed; false (and nothing changes) when the point is outside the frame.
    bool Press(int x, int y);
    // The pointer moved. Returns true when the auto-scroll timer must be (re)started now;
    // whether it should run at all afterwards is AutoScrollMode() != kNone.
    bool Move(int x, int y, bool leftButtonHeld);
    // One auto-scroll timer tick.
    void Tick();
    // Left button released: the drag and any auto-scroll end.
    void Release();

    // The min/max envelope of every drawn column (all but the last, which the outline
    // takes). samples holds m_sampleCount values.
    void ComputeColumns(const std::int16_t* samples, std::vector<Column>& columns) const;
    // Row of a sample value in a drawing of this height; 0 is the centre, +32768 the top.
    static int ValueToY(int height, int value);

    std::int32_t SampleCount() const { return m_sampleCount; }
    AutoScroll AutoScrollMode() const { return m_autoScroll; }
    bool Dragging() const { return m_dragging; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    // Shown in the dialog's fields, so kept as plain 32-bit values.
    std::int32_t m_firstSample = 0;
    std::int32_t m_samplesPerColumn = kInitialSamplesPerColumn;
    std::int32_t m_anchor = 0;
    std::int32_t m_dragEnd = 0;

  private:
    void ApplySelection();
    std::int32_t ClampToCount(std::int64_t sample) const;
    std::int32_t RightEdgeSample() const;
    bool InsideFrame(int x, int y) const;

    std::int32_t m_sampleCount;
    SampleRange& m_selection;
    FrameRect m_frame;
    int m_width = 0;
    int m_height = 0;
    bool m_dragging = false;
    AutoScroll m_autoScroll = AutoScroll::kNone;
};
