// The transform file reader, then the transform view on what it read: every file that reads
// is written and read back, and the view is driven by the input's last bytes through its
// scrolling, zooming, scaling, cursor and partial commands, with its state checked after
// each.

#include <algorithm>
#include <cmath>
#include <vector>

#include "FuzzCheck.h"
#include "support/ReadBack.h"
#include "view/TransformViewModel.h"

namespace {

std::string ViewFaults(const CTransformViewModel& view, const CPartialData& partials) {
    std::string faults = PartialTableFaults(partials);
    const auto expect = [&faults](bool ok, const char* what) {
        if (!ok)
            faults += std::string(what) + "\n";
    };
    expect(view.m_zoom >= CTransformViewModel::kMinZoom &&
               view.m_zoom <= CTransformViewModel::kMaxZoom,
           "zoom");
    expect(view.m_scale >= 1 && view.m_scale <= view.m_maxScale, "scale");
    expect(view.m_scrollPos >= 0 && view.m_scrollPos <= view.ScrollLimit(), "scroll position");
    expect(view.m_cursorIndex >= 0 && view.m_cursorIndex <= view.LastIndex(), "cursor index");
    expect(std::isfinite(view.m_cursorFreq) && std::isfinite(view.m_amplitude), "cursor values");
    expect(std::isfinite(partials.m_nominal), "nominal");
    return faults;
}

void DriveView(CTransformViewModel& view, const CPartialData& partials, const std::uint8_t* data,
               std::size_t size) {
    const auto width = static_cast<std::int32_t>(2 + size % 1200);
    view.Open(width, static_cast<std::int32_t>(2 + size / 3 % 700));
    std::vector<PlotColumn> columns;
    for (std::size_t k = 0; k < std::min<std::size_t>(size, 24); ++k) {
        const std::uint8_t op = data[size - 1 - k];
        const auto request = static_cast<ScrollRequest>(op / 12 % 8);
        switch (op % 12) {
            case 0:
                view.Scroll(request, op * 37);
                break;
            case 1:
                view.Zoom(request, op / 12);
                break;
            case 2:
                view.NextScale();
                break;
            case 3:
                view.SetCursorColumn(op * width / 256);
                break;
            case 4:
                view.AddAtCursor();
                break;
            case 5:
                view.DeleteAtCursor();
                break;
            case 6:
                view.ToggleAtCursor();
                break;
            case 7:
                view.FindPartials();
                break;
            case 8:
                view.ClearAll();
                break;
            case 9:
                view.ComputeColumns(columns);
                if (columns.size() != static_cast<std::size_t>(width - 1))
                    Require("columns\n", "transform view");
                break;
            case 10:
                view.Labels(width + op);
                break;
            default:
                view.m_restrictNominal = !view.m_restrictNominal;
                break;
        }
        Require(ViewFaults(view, partials), "transform view");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const CTempDir folder;
    CReadBack check(folder.Path());
    Require(check.Transform(Bytes(data, size)), "transform read back");
    if (check.m_code != kTransformReadOk)
        return 0;
    CPartialData partials;
    CTransformViewModel view(check.m_transform, partials, NoteNaming());
    DriveView(view, partials, data, size);
    return 0;
}
