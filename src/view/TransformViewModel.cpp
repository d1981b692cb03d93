#include "view/TransformViewModel.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "partials/NoteName.h"
#include "partials/PartialData.h"
#include "transform/TransformData.h"

namespace {

// A double whose exact value should be a whole number may come out of grid arithmetic a
// hair below it (100 + 3 x 0.1 - 100 gives 0.2999...7): truncation would then land one
// value, or one hertz, short. Truncating after this nudge away from zero takes such values
// as meant, while anything really between two whole numbers still truncates as usual.
constexpr double kGridTolerance = 1e-6;

// Truncation toward zero of a grid quantity into 32 bits; NaN gives 0 and values beyond
// the range give its ends, so no input can make the conversion undefined.
std::int32_t TruncGrid(double value) {
    if (std::isnan(value))
        return 0;
    value += value >= 0.0 ? kGridTolerance : -kGridTolerance;
    constexpr double lo = std::numeric_limits<std::int32_t>::min();
    constexpr double hi = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::trunc(std::clamp(value, lo, hi)));
}

std::string HertzText(std::int32_t hertz) {
    return std::to_string(hertz) + "Hz";
}

}  // namespace

CTransformViewModel::CTransformViewModel(const CTransformData& transforms, CPartialData& partials,
                                         const NoteNaming& naming)
    : m_lowNominal(transforms.m_startFreq),
      m_highNominal(transforms.m_endFreq),
      m_transforms(transforms),
      m_partials(partials),
      m_naming(naming) {
    m_sensitivity = SensitivityFromSlider(m_sensitivitySlider);
}

void CTransformViewModel::Open(std::int32_t width, std::int32_t height) {
    // A plot narrower than two pixels has no column to draw and nothing to divide by.
    m_width = std::max(width, 2);
    m_height = std::max(height, 2);
    m_scrollPos = 0;
    m_cursorIndex = 0;
    m_cursorFreq = m_transforms.m_startFreq;
    m_amplitude = ValueAt(0);
    UpdateCursorNote();
    m_zoom = kMinZoom;
    const std::int32_t steps = std::max(m_transforms.m_steps, 0);
    m_maxScale = std::max((steps + m_width / 2) / m_width, 1);
    m_scale = m_maxScale;
    ComputeYFactor();
}

std::int32_t CTransformViewModel::LastIndex() const {
    return m_transforms.m_values ? std::max(m_transforms.m_steps, -1) : -1;
}

double CTransformViewModel::ValueAt(std::int32_t j) const {
    if (j < 0 || j > LastIndex())
        return 0.0;
    return m_transforms.m_values[j];
}

double CTransformViewModel::FrequencyOfIndex(std::int32_t j) const {
    return m_transforms.FrequencyAt(j);
}

void CTransformViewModel::ComputeYFactor() {
    const double maxValue = m_transforms.m_maxValue;
    // With nothing above zero (or no usable maximum) any factor draws the same flat line.
    if (maxValue > 0.0 && std::isfinite(maxValue))
        m_yFactor = (m_height - 10) / maxValue * m_zoom;
    else
        m_yFactor = 10.0;
    if (m_scale > m_maxScale)
        m_scale = m_maxScale;
}

void CTransformViewModel::UpdateCursorNote() {
    m_cursorNote = NoteName(m_naming.m_aRef, m_cursorFreq, m_naming.m_germanNames);
}

PlotColumn CTransformViewModel::Column(std::int32_t i) const {
    PlotColumn column;
    const std::int64_t first = std::int64_t{i} * m_scale + m_scrollPos;
    const std::int64_t end = first + m_scale;  // one past the column's last value
    column.m_cursor = first <= m_cursorIndex && m_cursorIndex < end;
    column.m_partial = m_partials.HasPartialIn(FrequencyOfIndex(static_cast<std::int32_t>(first)),
                                               FrequencyOfIndex(static_cast<std::int32_t>(end)));

    const std::int64_t last = std::min<std::int64_t>(end - 1, LastIndex());
    double peak = 0.0;
    if (m_transforms.m_values) {
        const double* values = m_transforms.m_values.get();
        for (std::int64_t j = std::max<std::int64_t>(first, 0); j <= last; ++j)
            if (values[j] > peak)
                peak = values[j];
    }
    // Past the top edge is as good as any height beyond it; this also keeps an infinite
    // value from reaching the integer conversion. A plot too low for its 10-pixel margin
    // has a negative factor: such columns stay at the bottom.
    const double pixels = std::clamp(peak * m_yFactor, -1.0, m_height + 1.0);
    column.m_y = std::min(m_height - static_cast<std::int32_t>(pixels) - 1, m_height);
    return column;
}

void CTransformViewModel::ComputeColumns(std::vector<PlotColumn>& columns) const {
    columns.resize(static_cast<std::size_t>(m_width - 1));
    for (std::int32_t i = 0; i < m_width - 1; ++i)
        columns[static_cast<std::size_t>(i)] = Column(i);
}

void CTransformViewModel::SetCursorColumn(std::int32_t k) {
    k = std::clamp(k, 0, m_width - 1);
    const std::int32_t last = LastIndex();
    m_cursorIndex = std::max(std::min(k * m_scale + m_scrollPos, last), 0);

    double peak = 0.0;
    std::int32_t peakIndex = m_cursorIndex;
    const std::int32_t end = std::min(m_cursorIndex + m_scale - 1, last);
    for (std::int32_t j = m_cursorIndex; j <= end; ++j) {
        const double value = ValueAt(j);
        if (value > peak) {
            peak = value;
            peakIndex = j;
        }
    }
    m_amplitude = peak;
    m_cursorFreq = FrequencyOfIndex(peakIndex);
    UpdateCursorNote();
}

std::int32_t CTransformViewModel::CursorColumn() const {
    return (m_cursorIndex - m_scrollPos) / m_scale;
}

std::int32_t CTransformViewModel::ScrollLimit() const {
    return std::max(m_transforms.m_steps - m_width * m_scale, 0);
}

void CTransformViewModel::Scroll(ScrollRequest request, std::int32_t position) {
    const std::int32_t limit = ScrollLimit();
    switch (request) {
        case ScrollRequest::kLineBack:
            m_scrollPos = m_scrollPos < kScrollLine ? 0 : m_scrollPos - kScrollLine;
            break;
        case ScrollRequest::kLineForward:
            m_scrollPos = m_scrollPos >= limit - kScrollLine ? limit : m_scrollPos + kScrollLine;
            break;
        case ScrollRequest::kPageBack:
            m_scrollPos = m_scrollPos < kScrollPage ? 0 : m_scrollPos - kScrollPage;
            break;
        case ScrollRequest::kPageForward:
            m_scrollPos = m_scrollPos >= limit - kScrollPage ? limit : m_scrollPos + kScrollPage;
            break;
        case ScrollRequest::kToStart:
            m_scrollPos = 0;
            break;
        case ScrollRequest::kToEnd:
            m_scrollPos = limit;
            break;
        case ScrollRequest::kThumbPosition:
        case ScrollRequest::kThumbTrack:
            m_scrollPos = std::clamp(position, 0, limit);
            break;
    }
}

void CTransformViewModel::Zoom(ScrollRequest request, std::int32_t position) {
    switch (request) {
        case ScrollRequest::kLineBack:
            m_zoom = std::max(m_zoom - 1, kMinZoom);
            break;
        case ScrollRequest::kLineForward:
            m_zoom = std::min(m_zoom + 1, kMaxZoom);
            break;
        case ScrollRequest::kPageBack:
            m_zoom = m_zoom < kMinZoom + kZoomPage ? kMinZoom : m_zoom - kZoomPage;
            break;
        case ScrollRequest::kPageForward:
            m_zoom = m_zoom > kMaxZoom - kZoomPage - 1 ? kMaxZoom : m_zoom + kZoomPage;
            break;
        case ScrollRequest::kToStart:
            m_zoom = kMinZoom;
            break;
        case ScrollRequest::kToEnd:
            m_zoom = kMaxZoom;
            break;
        case ScrollRequest::kThumbPosition:
        case ScrollRequest::kThumbTrack:
            m_zoom = std::clamp(position, kMinZoom, kMaxZoom);
            break;
    }
    ComputeYFactor();
}

std::int32_t CTransformViewModel::NextScaleStep(std::int32_t scale, std::int32_t maxScale) {
    std::int32_t next;
    if (scale >= maxScale || scale <= 0)
        next = 1;
    else if (scale >= 100)
        next = scale * 2;
    else if (scale >= 50)
        next = 100;
    else if (scale >= 20)
        next = 50;
    else if (scale >= 10)
        next = 20;
    else if (scale >= 5)
        next = 10;
    else if (scale >= 2)
        next = 5;
    else
        next = 2;
    return std::max(std::min(next, maxScale), 1);
}

void CTransformViewModel::NextScale() {
    m_scale = NextScaleStep(m_scale, m_maxScale);

    // The value under the cursor frequency; the cursor's own index when the grid cannot
    // say (an interval of zero).
    const std::int32_t last = std::max(LastIndex(), 0);
    std::int32_t c = m_cursorIndex;
    const double interval = m_transforms.m_interval;
    if (interval > 0.0 && std::isfinite(interval))
        c = TruncGrid((m_cursorFreq - m_transforms.m_startFreq) / interval);
    c = std::clamp(c, 0, last);

    const std::int32_t page = m_width * m_scale;
    m_scrollPos = std::clamp(c - page / 2, 0, ScrollLimit());
    m_cursorIndex = m_scrollPos + ((c - m_scrollPos) / m_scale) * m_scale;
}

FrequencyLabels CTransformViewModel::Labels(std::int32_t outerWidth) const {
    const std::int32_t left = TruncGrid(FrequencyOfIndex(m_scrollPos));
    const std::int64_t right =
        std::int64_t{left} + TruncGrid(outerWidth * m_transforms.m_interval * m_scale);
    const auto clamped = [](std::int64_t v) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(
            v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
    };
    return {HertzText(left), HertzText(clamped((left + right) / 2)), HertzText(clamped(right))};
}

double CTransformViewModel::SensitivityFromSlider(std::int32_t slider) {
    return std::clamp(slider, 0, kSliderMax) * 2.5 / 100 + 0.5;
}

void CTransformViewModel::Reevaluate() {
    m_partials.m_nominal = m_partials.Classify(m_restrictNominal, m_lowNominal, m_highNominal);
    m_partials.UpdateCentsAndNotes();
}

void CTransformViewModel::AddAtCursor() {
    m_partials.AddPartial(m_cursorFreq, 0.0, m_amplitude, 0.0, 0.0, CPartialData::kUnnamed);
    m_partials.ResetPartialIndices();
    Reevaluate();
}

void CTransformViewModel::DeleteAtCursor() {
    // The frequencies of the first and the last value the cursor's column covers.
    m_partials.DeleteRange(FrequencyOfIndex(m_cursorIndex),
                           FrequencyOfIndex(m_cursorIndex + m_scale - 1));
    Reevaluate();
}

void CTransformViewModel::ToggleAtCursor() {
    const double f = m_cursorFreq;
    if (m_partials.HasPartialIn(f - 1.0, f + 1.0))
        m_partials.DeleteRange(f - 1.0, f + 1.0);
    else
        m_partials.AddPartial(f, 0.0, m_amplitude, 0.0, 0.0, CPartialData::kUnnamed);
    m_partials.ResetPartialIndices();
    Reevaluate();
}

bool CTransformViewModel::FindPartials() {
    m_sensitivity = SensitivityFromSlider(m_sensitivitySlider);
    if (!m_partials.FindPartials(m_transforms, m_sensitivity, CPartialData::kPeakHalfWidth))
        return false;
    Reevaluate();
    return true;
}

void CTransformViewModel::ClearAll() {
    m_partials.Clear();
}
