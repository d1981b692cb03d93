#include "view/WaveViewModel.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// Folds whole blocks of eight samples from p into hi and lo, advancing p past them. At the
// largest scale a redraw reads every sample of the recording, so this runs on vector
// registers where the compiler offers them.
void BlockExtremes(const std::int16_t*& p, const std::int16_t* last, std::int16_t& hi,
                   std::int16_t& lo) {
#if defined(__GNUC__)
    constexpr int kLanes = 8;
    using Lanes = std::int16_t __attribute__((vector_size(kLanes * sizeof(std::int16_t))));
    if (last - p < kLanes)
        return;
    Lanes his = {};
    Lanes los = {};
    for (; last - p >= kLanes; p += kLanes) {
        Lanes v;
        std::memcpy(&v, p, sizeof v);
        his = his > v ? his : v;
        los = los < v ? los : v;
    }
    for (int k = 0; k < kLanes; ++k) {
        hi = std::max(hi, static_cast<std::int16_t>(his[k]));
        lo = std::min(lo, static_cast<std::int16_t>(los[k]));
    }
#else
    (void)p;
    (void)last;
    (void)hi;
    (void)lo;
#endif
}

}  // namespace

CWaveViewModel::CWaveViewModel(std::int32_t sampleCount, SampleRange& selection)
    : m_sampleCount(std::max<std::int32_t>(sampleCount, 0)), m_selection(selection) {}

void CWaveViewModel::SetGeometry(const FrameRect& frame, int width, int height) {
    m_frame = frame;
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
}

std::int32_t CWaveViewModel::MaxFirst() const {
    const std::int64_t span = std::int64_t{m_width} * m_samplesPerColumn;
    return static_cast<std::int32_t>(std::max<std::int64_t>(m_sampleCount - span, 0));
}

std::int32_t CWaveViewModel::PageSamples() const {
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(std::int64_t{m_width} * m_samplesPerColumn, kInt32Max));
}

std::int32_t CWaveViewModel::ClampToCount(std::int64_t sample) const {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(sample, 0, m_sampleCount));
}

// The sample at the frame's right outer edge: where a drag past the right side ends.
std::int32_t CWaveViewModel::RightEdgeSample() const {
    return ClampToCount(std::int64_t{m_firstSample} +
                        std::int64_t{m_frame.Width()} * m_samplesPerColumn);
}

bool CWaveViewModel::InsideFrame(int x, int y) const {
    return x >= m_frame.left && x < m_frame.right && y >= m_frame.top && y < m_frame.bottom;
}

void CWaveViewModel::Scroll(ScrollRequest request, std::int32_t barPosition) {
    m_autoScroll = AutoScroll::kNone;
    const std::int32_t first = m_firstSample;
    const std::int32_t maxFirst = MaxFirst();
    switch (request) {
        case ScrollRequest::kLineBack:
            m_firstSample = first < kLineStep ? 0 : first - kLineStep;
            break;
        case ScrollRequest::kLineForward:
            m_firstSample = first < maxFirst - kLineStep ? first + kLineStep : maxFirst;
            break;
        case ScrollRequest::kPageBack:
            m_firstSample = first < kPageStep ? 0 : first - kPageStep;
            break;
        case ScrollRequest::kPageForward:
            m_firstSample = first < maxFirst - kPageStep ? first + kPageStep : maxFirst;
            break;
        case ScrollRequest::kThumbPosition:
        case ScrollRequest::kThumbTrack:
            m_firstSample = std::clamp(barPosition, 0, maxFirst);
            break;
        case ScrollRequest::kToStart:
            m_firstSample = 0;
            break;
        case ScrollRequest::kToEnd:
            m_firstSample = maxFirst;
            break;
    }
}

void CWaveViewModel::Scale() {
    m_autoScroll = AutoScroll::kNone;
    const std::int64_t span = std::int64_t{m_width} * m_samplesPerColumn;
    if (span <= m_sampleCount && m_samplesPerColumn <= kInt32Max / 10)
        m_samplesPerColumn *= 10;
    else
        m_samplesPerColumn = 1;
    // A coarser scale shortens the scroll range: keep the view inside it, so the picture,
    // the Position field and the scroll bar agree.
    if (std::int64_t{m_width} * m_samplesPerColumn > m_sampleCount)
        m_firstSample = 0;
    else
        m_firstSample = std::min(m_firstSample, MaxFirst());
}

void CWaveViewModel::ApplySelection() {
    if (m_dragEnd >= m_anchor) {
        m_selection.m_startSample = m_anchor;
        m_selection.m_endSample = m_dragEnd;
    } else {
        m_selection.m_startSample = m_dragEnd;
        m_selection.m_endSample = m_anchor;
    }
}

bool CWaveViewModel::Press(int x, int y) {
    if (!InsideFrame(x, y))
        return false;
    // The drawing starts one pixel in, past the frame's border.
    m_anchor = ClampToCount(std::int64_t{m_firstSample} +
                            std::int64_t{x - m_frame.left - 1} * m_samplesPerColumn);
    // A click without movement selects two columns' worth, or up to the end.
    const std::int64_t twoColumns = 2 * std::int64_t{m_samplesPerColumn};
    m_dragEnd = m_anchor < m_sampleCount - twoColumns
                    ? static_cast<std::int32_t>(m_anchor + twoColumns)
                    : m_sampleCount;
    m_dragging = true;
    m_selection.m_startSample = m_anchor;
    m_selection.m_endSample = m_dragEnd;
    return true;
}

bool CWaveViewModel::Move(int x, int y, bool leftButtonHeld) {
    const bool leftOrRight = x < m_frame.left || x > m_frame.right;
    const bool besideFrame = leftOrRight && y >= m_frame.top && y <= m_frame.bottom;
    if (m_autoScroll != AutoScroll::kNone && !besideFrame)
        m_autoScroll = AutoScroll::kNone;

    // Only a press inside the drawing starts a drag; a button held since a press elsewhere
    // must not move a selection from a stale anchor.
    m_dragging = m_dragging && leftButtonHeld;
    if (!m_dragging) {
        m_autoScroll = AutoScroll::kNone;
        return false;
    }

    bool restartTimer = false;
    if (InsideFrame(x, y)) {
        // The end is exclusive: the column under the pointer is included.
        m_dragEnd = ClampToCount(std::int64_t{m_firstSample} +
                                 std::int64_t{x - m_frame.left} * m_samplesPerColumn);
    } else if (x < m_frame.left) {
        m_dragEnd = m_firstSample;
        m_autoScroll = AutoScroll::kLeft;
        restartTimer = true;
    } else if (x > m_frame.right) {
        const std::int64_t edge =
            std::int64_t{m_firstSample} + std::int64_t{m_frame.Width()} * m_samplesPerColumn;
        if (edge > m_sampleCount) {
            // Nothing further right to scroll to. A leftward scroll left running by a jump
            // across the whole drawing would pull against the pointer: end it.
            m_dragEnd = m_sampleCount;
            if (m_autoScroll == AutoScroll::kLeft)
                m_autoScroll = AutoScroll::kNone;
        } else {
            m_dragEnd = static_cast<std::int32_t>(edge);
            m_autoScroll = AutoScroll::kRight;
            restartTimer = true;
        }
    }
    ApplySelection();
    return restartTimer;
}

void CWaveViewModel::Tick() {
    const AutoScroll mode = m_autoScroll;
    switch (mode) {
        case AutoScroll::kNone:
            return;
        case AutoScroll::kLeft:
            Scroll(ScrollRequest::kPageBack);
            m_dragEnd = m_firstSample;
            break;
        case AutoScroll::kRight:
            Scroll(ScrollRequest::kPageForward);
            m_dragEnd = RightEdgeSample();
            break;
    }
    m_autoScroll = mode;  // a tick's own scroll does not end the auto-scroll
    ApplySelection();
}

void CWaveViewModel::Release() {
    m_dragging = false;
    m_autoScroll = AutoScroll::kNone;
}

int CWaveViewModel::ValueToY(int height, int value) {
    return static_cast<int>(std::int64_t{height} * (32768 - value) / 65536);
}

void CWaveViewModel::ComputeColumns(const std::int16_t* samples,
                                    std::vector<Column>& columns) const {
    const int count = std::max(m_width - 1, 0);
    columns.assign(static_cast<std::size_t>(count), Column{});
    const std::int64_t start = m_selection.m_startSample;
    const std::int64_t end = m_selection.m_endSample;
    const std::int64_t n = samples ? m_sampleCount : 0;
    for (int i = 0; i < count; ++i) {
        Column& column = columns[static_cast<std::size_t>(i)];
        const std::int64_t s0 = m_firstSample + std::int64_t{i} * m_samplesPerColumn;
        column.selected = start < s0 && s0 < end;
        if (s0 >= n)
            continue;
        const std::int16_t* p = samples + s0;
        const std::int16_t* last = samples + std::min(s0 + m_samplesPerColumn, n);
        // Starting both extremes at 0 keeps the centre in every column's line.
        std::int16_t hi = 0;
        std::int16_t lo = 0;
        BlockExtremes(p, last, hi, lo);
        for (; p != last; ++p) {
            hi = std::max(hi, *p);
            lo = std::min(lo, *p);
        }
        column.hi = hi;
        column.lo = lo;
    }
}
