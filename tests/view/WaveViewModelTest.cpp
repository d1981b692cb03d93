#include "view/WaveViewModel.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "wave/SampleRange.h"

namespace {

using Mode = CWaveViewModel::AutoScroll;
using Code = ScrollRequest;
using Sel = std::pair<std::int32_t, std::int32_t>;

// A frame at (10, 20) with a one-pixel border around a 600 x 300 drawing.
constexpr CWaveViewModel::FrameRect kFrame{10, 20, 612, 322};
constexpr int kMidY = 150;
// The x that the press maps to column c (the drawing starts past the border).
constexpr auto PressX = [](int column) { return kFrame.left + 1 + column; };

struct View {
    SampleRange params;
    CWaveViewModel model;
    explicit View(std::int32_t samples) : model(samples, params) {
        model.SetGeometry(kFrame, 600, 300);
    }
    std::int32_t Start() const { return params.m_startSample; }
    std::int32_t End() const { return params.m_endSample; }
    Sel Selection() const { return {Start(), End()}; }
};

std::vector<std::int32_t> ScaleSequence(CWaveViewModel& model, int presses) {
    std::vector<std::int32_t> seen{model.m_samplesPerColumn};
    for (int i = 0; i < presses; ++i) {
        model.Scale();
        seen.push_back(model.m_samplesPerColumn);
    }
    return seen;
}

}  // namespace

TEST(WaveViewModel, ColumnsHoldTheExtremesOfTheirBlockAndStopAtTheEnd) {
    View view(40000);
    view.params.m_startSample = 1000;
    view.params.m_endSample = 2000;
    std::vector<std::int16_t> samples(40000, 300);
    samples[12345] = 30000;
    samples[12399] = -32768;
    samples[39999] = -20000;  // the very last sample belongs to the last column
    std::vector<CWaveViewModel::Column> columns;
    view.model.ComputeColumns(samples.data(), columns);
    ASSERT_EQ(columns.size(), 599u);  // the last pixel column is the outline's
    EXPECT_EQ(std::pair(columns[123].hi, columns[123].lo),
              (std::pair<std::int16_t, std::int16_t>(30000, -32768)));
    EXPECT_EQ(columns[0].lo, 0);  // an all-positive block still reaches the centre
    EXPECT_EQ(columns[399].lo, -20000);
    // 40000 samples at 100 a column fill 400 columns; the rest are the centre point only.
    for (int i = 400; i < 599; ++i)
        EXPECT_TRUE(columns[i].hi == 0 && columns[i].lo == 0) << i;
    // Selected: the columns starting strictly inside the selection.
    for (const int i : {10, 11, 19, 20})
        EXPECT_EQ(columns[i].selected, i == 11 || i == 19) << i;

    const std::int16_t single[1] = {-7};
    View one(1);
    one.model.ComputeColumns(single, columns);
    EXPECT_EQ(columns[0].lo, -7);
    one.model.ComputeColumns(nullptr, columns);  // a store without samples draws nothing
    EXPECT_EQ(columns[0].lo, 0);

    for (const auto& [value, y] : {std::pair(0, 150), std::pair(32767, 0), std::pair(-32768, 300)})
        EXPECT_EQ(CWaveViewModel::ValueToY(300, value), y) << value;
}

TEST(WaveViewModel, ScaleAndScrollStepsStayInsideTheWaveform) {
    // From the end at 1 a column, a coarser scale keeps the view inside the shorter range.
    View longer(1000000);
    longer.model.m_samplesPerColumn = 1;
    longer.model.Scroll(Code::kToEnd);
    longer.model.Scale();
    EXPECT_EQ(longer.model.m_firstSample, 994000);
    EXPECT_EQ(ScaleSequence(longer.model, 3), (std::vector<std::int32_t>{10, 100, 1000, 10000}));
    EXPECT_EQ(longer.model.m_firstSample, 0);  // a screenful covers it all

    // The largest waveform overflows neither the page nor the scale.
    View huge(INT32_MAX);
    huge.model.m_samplesPerColumn = 1;
    const auto seen = ScaleSequence(huge.model, 8);
    EXPECT_EQ(seen[7], 10000000);
    EXPECT_EQ(seen[8], 1);

    // Line and page steps are in samples; page 60000, so the view starts at most at 40000.
    View hundred(100000);
    const std::pair<Code, std::int32_t> steps[] = {
        {Code::kLineForward, 20}, {Code::kPageForward, 220},  {Code::kLineBack, 200},
        {Code::kPageBack, 0},     {Code::kPageBack, 0},       {Code::kToEnd, 40000},
        {Code::kToStart, 0},      {Code::kThumbTrack, 40000}, {Code::kLineForward, 40000},
    };
    for (const auto& [code, expected] : steps) {
        hundred.model.Scroll(code, code == Code::kThumbTrack ? 90000 : 5);
        EXPECT_EQ(hundred.model.m_firstSample, expected) << static_cast<int>(code);
    }
    // At 1000 samples a column a page step moves the picture by less than a column.
    View fine(10000000);
    fine.model.m_samplesPerColumn = 1000;
    fine.model.Scroll(Code::kPageForward);
    EXPECT_EQ(fine.model.m_firstSample, 200);
}

TEST(WaveViewModel, PressSelectsTwoColumnsOrUpToTheEndAndDragOrdersTheSelection) {
    View view(40000);
    EXPECT_FALSE(view.model.Press(kFrame.left - 1, kMidY));
    EXPECT_FALSE(view.model.Press(PressX(50), kFrame.bottom));
    EXPECT_EQ(view.End(), 0);
    const std::pair<int, Sel> presses[] = {
        {PressX(50), {5000, 5200}},    {PressX(397), {39700, 39900}},
        {PressX(398), {39800, 40000}},  // N - 2 columns: up to the end
        {PressX(500), {40000, 40000}},  // past the waveform
        {kFrame.left, {0, 200}},        // on the border
    };
    for (const auto& [x, selection] : presses) {
        EXPECT_TRUE(view.model.Press(x, kMidY));
        EXPECT_EQ(view.Selection(), selection) << x;
        view.model.Release();
    }

    // Dragging orders the selection; a press outside the drawing leaves no stale anchor.
    View drag(100000);
    drag.model.Scroll(Code::kThumbTrack, 10000);
    drag.model.Press(PressX(100), kMidY);  // anchor 20000
    EXPECT_FALSE(drag.model.Move(kFrame.left + 150, kMidY, true));
    EXPECT_EQ(drag.End(), 25000);  // the end includes the column under the pointer
    drag.model.Move(kFrame.left + 40, kMidY, true);
    EXPECT_EQ(drag.Selection(), Sel(14000, 20000));
    drag.model.Move(kFrame.left + 300, kFrame.top - 30, true);  // above: the end stays
    EXPECT_EQ(drag.Start(), 14000);
    drag.model.Release();
    drag.model.Press(kFrame.left - 5, kMidY);
    drag.model.Move(kFrame.left + 300, kMidY, true);
    EXPECT_EQ(drag.Selection(), Sel(14000, 20000));
}

TEST(WaveViewModel, DraggingPastTheSidesScrollsAndKeepsTheFarEndAtTheEdge) {
    View view(100000);
    auto& m = view.model;
    m.Scroll(Code::kThumbTrack, 1000);
    m.Press(PressX(100), kMidY);  // anchor 11000
    EXPECT_TRUE(m.Move(kFrame.left - 3, kMidY, true));
    EXPECT_EQ(m.AutoScrollMode(), Mode::kLeft);
    EXPECT_EQ(view.Start(), 1000);
    m.Tick();
    EXPECT_EQ(view.Selection(), Sel(800, 11000));
    for (int i = 0; i < 10; ++i)
        m.Tick();
    EXPECT_EQ(m.m_firstSample, 0);
    EXPECT_EQ(view.Start(), 0);
    // Still left of the frame but below it: it keeps going.
    EXPECT_TRUE(m.Move(kFrame.left - 3, kFrame.bottom + 40, true));
    EXPECT_EQ(m.AutoScrollMode(), Mode::kLeft);
    // Back over the frame's span, even above it: it stops, and so do the ticks.
    EXPECT_FALSE(m.Move(kFrame.left + 200, kFrame.top - 10, true));
    EXPECT_EQ(m.AutoScrollMode(), Mode::kNone);
    m.Scroll(Code::kThumbTrack, 30000);
    m.Tick();
    EXPECT_EQ(m.m_firstSample, 30000);

    // Right: the far end is the frame's outer right edge.
    EXPECT_TRUE(m.Move(kFrame.right + 2, kMidY, true));
    EXPECT_EQ(view.End(), 30000 + 602 * 100);
    m.Tick();
    EXPECT_EQ(view.End(), 30200 + 602 * 100);
    m.Scale();  // Scale, like a scroll request, ends the auto-scroll
    EXPECT_EQ(m.AutoScrollMode(), Mode::kNone);
    EXPECT_EQ(ScaleSequence(m, 3).back(), 100);  // 1000, 1, 10, 100
    m.Scroll(Code::kThumbTrack, 39900);
    m.Move(kFrame.right + 2, kMidY, true);  // the edge lies past the end: nothing to scroll
    EXPECT_EQ(view.End(), 100000);
    EXPECT_EQ(m.AutoScrollMode(), Mode::kNone);
    m.Move(kFrame.left - 2, kMidY, true);
    m.Release();
    EXPECT_EQ(m.AutoScrollMode(), Mode::kNone);
}

TEST(WaveViewModel, SelectionStaysOrderedThroughAnyDrag) {
    std::mt19937 random(7);
    for (std::int32_t n : {0, 150, 40000, 2000000}) {
        View view(n);
        auto& m = view.model;
        std::uniform_int_distribution<int> x(-50, 700), y(-30, 360), action(0, 9);
        for (int step = 0; step < 4000; ++step) {
            const int a = action(random);
            if (a == 0)
                m.Press(x(random), y(random));
            else if (a == 1)
                m.Release();
            else if (a == 2)
                m.Scale();
            else if (a == 3)
                m.Scroll(static_cast<Code>(action(random) % 9), x(random) * 1000);
            else if (a < 6)
                m.Tick();
            else
                m.Move(x(random), y(random), true);
            ASSERT_LE(view.Start(), view.End()) << n << " step " << step;
            ASSERT_GE(view.Start(), 0);
            ASSERT_LE(view.End(), n);
            ASSERT_LE(m.m_firstSample, m.MaxFirst());
        }
    }
}
