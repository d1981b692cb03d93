#include <cmath>
#include <limits>
#include <memory>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "partials/PartialData.h"
#include "transform/TransformData.h"
#include "view/TransformViewModel.h"

namespace {

using Request = ScrollRequest;

constexpr int kW = 600;
constexpr int kH = 200;

struct View {
    CTransformData transform;
    CPartialData partials;
    std::unique_ptr<CTransformViewModel> model;

    // A transform of steps intervals, every value zero until set.
    explicit View(std::int32_t steps = 0, double startFreq = 0.0, double interval = 1.0) {
        if (steps == 0)
            return;  // no transform at all
        transform.m_startFreq = startFreq;
        transform.m_interval = interval;
        transform.m_steps = steps;
        transform.m_endFreq = startFreq + steps * interval;
        transform.m_values = std::make_unique<double[]>(steps + 1);
        transform.m_smoothed = std::make_unique<double[]>(steps + 1);
        transform.m_valid = true;
    }
    CTransformViewModel& Open(int h = kH) {
        transform.FindMaximum();
        model = std::make_unique<CTransformViewModel>(transform, partials, NoteNaming{});
        model->Open(kW, h);
        return *model;
    }
    // A fresh view opens at the fit scale; the next step is 1.
    void ScaleOne() {
        for (int i = 0; i < 30 && model->m_scale != 1; ++i)
            model->NextScale();
        ASSERT_EQ(model->m_scale, 1);
    }
};

// Narrow peaks for hum 125, prime 250, tierce 300, nominal 500 and superquint 750 Hz, in
// the values and the smoothed copy of a view made as View(2000, 0.0, 0.5).
void Bell(View& v) {
    const std::pair<int, double> peaks[] = {
        {250, 40}, {500, 60}, {600, 50}, {1000, 100}, {1500, 30}};
    for (int j = 0; j <= 2000; ++j) {
        double value = 0.01;
        for (const auto& [at, height] : peaks)
            value = std::max(value, height * std::exp(-0.5 * (j - at) * (j - at) / 9.0));
        v.transform.m_values[j] = v.transform.m_smoothed[j] = value;
    }
    v.transform.m_smoothedValid = true;
}

}  // namespace

TEST(TransformViewModel, OpensFittedAndDrawsEachColumnsPeak) {
    View v(300, 100.0, 0.5);  // fewer values than pixel columns
    v.transform.m_values[0] = 2.5;
    v.transform.m_values[10] = 5.0;  // the maximum: the full height less the margin
    v.transform.m_values[21] = -4.0;
    v.partials.AddPartial(105.0, 0, 1, 0, 0, 7);  // value 10
    auto& m = v.Open();
    EXPECT_EQ(std::tuple(m.m_scale, m.m_cursorFreq, m.m_amplitude, m.m_highNominal),
              std::tuple(1, 100.0, 2.5, 250.0));
    EXPECT_EQ(m.m_cursorNote, "G(-1) +35");
    EXPECT_DOUBLE_EQ(m.m_sensitivity, 1.25);

    std::vector<PlotColumn> columns;
    m.ComputeColumns(columns);
    ASSERT_EQ(columns.size(), std::size_t(kW - 1));
    EXPECT_EQ(std::pair(columns[10].m_y, columns[10].m_partial), std::pair(kH - 190 - 1, true));
    EXPECT_EQ(std::pair(columns[0].m_y, columns[0].m_cursor), std::pair(kH - 95 - 1, true));
    EXPECT_FALSE(columns[1].m_cursor || columns[1].m_partial);
    EXPECT_EQ(columns[21].m_y, kH - 1);   // never below zero
    EXPECT_EQ(columns[450].m_y, kH - 1);  // beyond the last value

    // At 4 values a column from value 2 on, column 2 spans values 10 .. 13 and 105 .. 107 Hz,
    // the upper end excluded.
    v.transform.m_values[13] = 5.0;
    m.m_scale = 4, m.m_scrollPos = 2;
    EXPECT_EQ(m.Column(2).m_y, kH - 190 - 1);
    EXPECT_TRUE(m.Column(2).m_partial);
    v.partials.Clear();
    v.partials.AddPartial(107.0, 0, 1, 0, 0, 7);
    EXPECT_FALSE(m.Column(2).m_partial);
    EXPECT_TRUE(m.Column(3).m_partial);

    // Zoom 20 multiplies the heights; the maximum then runs past the top edge.
    m.m_scale = 1, m.m_scrollPos = 0;
    v.transform.m_values[20] = 0.25;
    m.Zoom(Request::kToEnd);
    EXPECT_EQ(std::pair(m.m_zoom, m.Column(20).m_y), std::pair(20, kH - 190 - 1));
    EXPECT_LT(m.Column(10).m_y, 0);

    // The fit value rounds to the nearest whole number of values per column.
    for (auto [steps, fit] : {std::pair{100001, 167}, {1900, 3}, {2099, 3}, {2100, 4}}) {
        View w(steps);
        EXPECT_EQ(w.Open().m_scale, fit) << steps;
    }
}

TEST(TransformViewModel, CursorTakesTheColumnPeak) {
    View v(2000, 50.0, 0.5);
    v.transform.m_values[12] = 3.0;
    v.transform.m_values[13] = 7.0;
    v.transform.m_values[14] = 7.0;  // a tie keeps the lower index
    auto& m = v.Open();
    ASSERT_EQ(m.m_scale, 3);
    m.SetCursorColumn(4);  // values 12 .. 14
    EXPECT_EQ(std::tuple(m.m_cursorIndex, m.m_amplitude, m.m_cursorFreq, m.CursorColumn()),
              std::tuple(12, 7.0, 56.5, 4));
    m.SetCursorColumn(10);  // nothing above zero: the column's first frequency
    EXPECT_EQ(std::pair(m.m_amplitude, m.m_cursorFreq), std::pair(0.0, 65.0));
    // Scrolled, the column counts from the scroll position.
    m.Scroll(Request::kToEnd);
    m.SetCursorColumn(700);  // beyond the spin's range: its last column
    EXPECT_EQ(m.m_cursorIndex, 200 + 599 * 3);

    // A column past the transform's end stops at the last value.
    View small(300, 700.0);
    small.transform.m_values[300] = 1.0;
    auto& s = small.Open();
    s.SetCursorColumn(450);
    EXPECT_EQ(std::tuple(s.m_cursorIndex, s.m_cursorFreq, s.m_cursorNote),
              std::tuple(300, 1000.0, "B(2) +21"));
}

TEST(TransformViewModel, ScrollAndZoomStopAtTheirEnds) {
    View v(1000);
    auto& m = v.Open();
    v.ScaleOne();
    ASSERT_EQ(m.ScrollLimit(), 400);
    // Steps of 20 and 200 values stop at either end; the thumb stays inside.
    const std::tuple<Request, int, int> scrolls[] = {
        {Request::kLineBack, 0, 0},          {Request::kPageForward, 0, 200},
        {Request::kThumbTrack, 385, 385},    {Request::kLineForward, 0, 400},  // < 20 left
        {Request::kThumbPosition, 150, 150}, {Request::kPageBack, 0, 0},
        {Request::kThumbTrack, 5000, 400},
    };
    for (const auto& [request, position, expected] : scrolls) {
        m.Scroll(request, position);
        EXPECT_EQ(m.m_scrollPos, expected) << int(request) << " " << position;
    }
    View fits(300);
    fits.Open().Scroll(Request::kPageForward);
    EXPECT_EQ(fits.model->m_scrollPos, 0);

    const std::tuple<Request, int, int> zooms[] = {
        {Request::kLineBack, 0, 1},       {Request::kPageForward, 0, 3},
        {Request::kThumbTrack, 19, 19},   {Request::kPageForward, 0, 20},
        {Request::kThumbPosition, -3, 1},
    };
    for (const auto& [request, position, expected] : zooms) {
        m.Zoom(request, position);
        EXPECT_EQ(m.m_zoom, expected) << int(request) << " " << position;
    }
}

TEST(TransformViewModel, ScaleRunsItsSequenceAndCentresOnTheCursor) {
    View v(100001, 0.0, 0.125);
    auto& m = v.Open();
    ASSERT_EQ(m.m_scale, 167);
    m.SetCursorColumn(300);  // value 50100
    std::vector<int> seen;
    for (int i = 0; i < 10; ++i) {
        m.NextScale();
        seen.push_back(m.m_scale);
        // The cursor's value stays in the middle column, the column starting at a multiple
        // of the scale from the left edge.
        if (m.m_scale <= 100) {
            EXPECT_EQ(std::tuple(m.m_scrollPos, m.m_cursorIndex, m.CursorColumn()),
                      std::tuple(50100 - 300 * m.m_scale, 50100, 300));
        }
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 5, 10, 20, 50, 100, 167, 1, 2}));

    // Near either end the view stops there and the cursor moves off centre.
    m.Scroll(Request::kToStart);
    m.SetCursorColumn(3);  // value 6
    m.NextScale();         // 5
    EXPECT_EQ(std::pair(m.m_scrollPos, m.m_cursorIndex), std::pair(0, 5));
    m.Scroll(Request::kToEnd);
    m.SetCursorColumn(599);  // value 99996
    m.NextScale();           // 10
    EXPECT_EQ(std::tuple(m.m_scrollPos, m.m_cursorIndex, m.CursorColumn()),
              std::tuple(m.ScrollLimit(), 99991, 599));
}

TEST(TransformViewModel, WholeValuesFromAnInexactGridAreTakenAsMeant) {
    // 100 + k x 0.1 is not exact in binary: its distance from the start can come out just
    // under k intervals, and the cursor must stay on value k all the same.
    View v(500, 100.0, 0.1);
    auto& m = v.Open();
    for (int k = 0; k < 500; ++k) {
        m.SetCursorColumn(k);
        m.NextScale();  // stays at 1, the fit value
        ASSERT_EQ(m.m_cursorIndex, k);
    }

    // Labels: 0.7 x 90 = 62.99999... Hz reads 63Hz.
    View inexact(100001, 0.0, 0.7);
    inexact.Open();
    inexact.ScaleOne();
    inexact.model->Scroll(Request::kThumbPosition, 90);
    EXPECT_EQ(inexact.model->Labels(kW).m_left, "63Hz");
    // High frequencies are written as they are, not wrapped to a short integer.
    View high(100001, 40000.0);
    EXPECT_EQ(high.Open().Labels(kW).m_right, "140200Hz");  // 600 columns of 167 values
}

TEST(TransformViewModel, DoubleClickTogglesThePartialWithinOneHertz) {
    View v(2000, 0.0, 0.5);
    Bell(v);
    v.Open();
    v.ScaleOne();
    v.partials.AddPartial(250.0, 0, 60, 0, 0, 7);
    v.model->SetCursorColumn(501);  // 250.5 Hz
    v.model->ToggleAtCursor();
    v.model->ToggleAtCursor();  // off, and on again at the cursor
    ASSERT_EQ(v.partials.m_count, 1);
    EXPECT_EQ(std::tuple(v.partials.m_freq[0], v.partials.m_tailAmp[0], v.partials.m_note[0]),
              std::tuple(250.5, v.transform.m_values[501], "B(0) +25"));
    // A partial exactly 1 Hz above is out of the toggle's reach: one more is added.
    v.model->SetCursorColumn(499);
    v.model->ToggleAtCursor();
    EXPECT_EQ(v.partials.m_count, 2);
}

TEST(TransformViewModel, TableCommandsNameThePartialsAgain) {
    View v(2000, 0.0, 0.5);
    Bell(v);
    auto& m = v.Open();
    ASSERT_EQ(m.m_scale, 3);
    // Hum, prime, tierce and nominal added by hand, each the peak of its column.
    for (int column : {83, 166, 200, 333}) {
        m.SetCursorColumn(column);
        m.AddAtCursor();
    }
    ASSERT_EQ(v.partials.m_count, 4);
    EXPECT_EQ(v.partials.m_nominal, 500.0);
    EXPECT_EQ(v.partials.PartialName(0), "hum");
    EXPECT_EQ(v.partials.m_cents[2], -884.3);

    // Restricted to 600 .. 900 Hz the nominal can only be 750.
    m.m_restrictNominal = true, m.m_lowNominal = 600.0, m.m_highNominal = 900.0;
    m.SetCursorColumn(500);
    m.AddAtCursor();
    EXPECT_EQ(v.partials.m_nominal, 750.0);
    m.m_restrictNominal = false;

    // Delete at cursor removes the span of the cursor's column, 499.5 .. 500.5 Hz, and not
    // the value just past it; the nominal moves there.
    v.partials.AddPartial(501.0, 0, 0.5, 0, 0, 7);
    m.SetCursorColumn(333);
    m.DeleteAtCursor();
    ASSERT_EQ(v.partials.m_count, 5);
    EXPECT_EQ(std::pair(v.partials.m_freq[3], v.partials.m_nominal), std::pair(501.0, 501.0));

    // Find partials with the default slider: the panel's own search, then named.
    ASSERT_TRUE(m.FindPartials());
    CPartialData panel;
    ASSERT_TRUE(panel.FindPartials(v.transform, 1.25, 46));
    ASSERT_EQ(v.partials.m_count, panel.m_count);
    EXPECT_EQ(v.partials.m_nominal, 500.0);
    EXPECT_DOUBLE_EQ(CTransformViewModel::SensitivityFromSlider(0), 0.5);
}

TEST(TransformViewModel, UnusableTransformsDrawNothingAndDoNotFail) {
    View empty;
    auto& e = empty.Open();
    e.SetCursorColumn(10);
    EXPECT_EQ(std::pair(e.Column(0).m_y, e.m_cursorIndex), std::pair(kH - 1, 0));
    e.NextScale();
    EXPECT_FALSE(e.FindPartials());
    e.ToggleAtCursor();  // at 0 Hz nothing is added
    EXPECT_EQ(empty.partials.m_count, 0);

    View odd(300);
    odd.transform.m_values[3] = std::numeric_limits<double>::infinity();
    odd.transform.m_values[4] = std::nan("");
    auto& o = odd.Open();
    EXPECT_EQ(o.m_yFactor, 10.0);
    EXPECT_LT(o.Column(3).m_y, 0);
    EXPECT_EQ(o.Column(4).m_y, kH - 1);

    // A plot lower than its margin draws every column at the bottom.
    View low(300);
    low.transform.m_values[3] = 1.0;
    EXPECT_EQ(low.Open(5).Column(3).m_y, 5);
}
