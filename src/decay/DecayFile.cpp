#include "decay/DecayFile.h"

#include <cstdio>
#include <string_view>

#include "platform/NumberText.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"

namespace {

constexpr std::string_view kEnd = "\r\n";
constexpr std::string_view kField = ", ";

}  // namespace

std::string FormatDecayFile(const CDecayAnalysis& analysis, const DecayFileHeader& header) {
    const DecaySettings& s = header.m_settings;
    std::string text;
    text.append("Partial Decays").append(kEnd);
    // A line break in the title would split the header line.
    text.append("wave file is ")
        .append(FitOnOneLine(header.m_fileTitle, header.m_fileTitle.size()))
        .append(kEnd);
    text.append("sample rate: ").append(std::to_string(header.m_sampleRate)).append(kEnd);
    text.append("length: ").append(std::to_string(s.m_tailLength));
    text.append(", step: ").append(std::to_string(s.m_tailStep));
    text.append(", start sample: ").append(std::to_string(s.m_startSample));
    text.append(", end sample ").append(std::to_string(s.m_endSample)).append(kEnd);

    text.append("interval").append(kField);
    for (const double interval : kDecayIntervals)
        text.append(FormatFixed6(interval)).append(kField);
    text.append(kEnd);
    for (int p = 0; p < analysis.PartialCount(); ++p) {
        text.append(FormatFixed6(analysis.Frequency(p))).append(kField);
        for (int run = 0; run < kDecayRuns; ++run)
            text.append(FormatFixed6(analysis.Peak(p, run))).append(kField);
        text.append(kEnd);
    }
    text.append(kEnd);
    return text;
}

DecayWriteResult WriteDecayFile(CUiServices& ui, const CDecayAnalysis& analysis,
                                const DecayFileHeader& header) {
    if (!analysis.IsComplete())
        return DecayWriteResult::kFailed;
    const auto path = ui.GetSaveFileName(kDecayFileFilter, kDecayFileExt, header.m_fileTitle);
    if (!path)
        return DecayWriteResult::kCancelled;
    const std::string text = FormatDecayFile(analysis, header);
    const bool written = WriteFile(*path, [&](std::FILE* file) {
        return std::fwrite(text.data(), 1, text.size(), file) == text.size();
    });
    return written ? DecayWriteResult::kWritten : DecayWriteResult::kFailed;
}
