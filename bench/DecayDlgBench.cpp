// Times the decay analysis as a user waits for it: "Go" pressed in the real dialog until
// "Write to file" is offered, on a 5-second selection at 44100 samples a second with a
// partial table up to 5 kHz. The seventeen runs follow one another through the job's done
// notification; the same runs back to back without a window give the computing time alone.
// Prints the minimum, median and maximum of several analyses.

#include <QApplication>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <thread>
#include <vector>

#include "decay/gui/DecayDlg.h"
#include "partials/PartialData.h"
#include "platform/gui/QtUiServices.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::int32_t kRate = 44100;
constexpr int kAnalyses = 9;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// A bell's partials from the hum up to 5 kHz, each dying away at its own pace.
const std::vector<double> kPartials = {250.0,  500.0,  600.0,  750.0,  1000.0, 1500.0,
                                       2000.0, 2600.0, 3200.0, 3850.0, 4500.0, 5000.0};

std::vector<std::int16_t> Recording(std::int32_t seconds) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(kRate) * seconds);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        double s = 0.0;
        for (double f : kPartials)
            s += std::sin(2 * std::numbers::pi * f * t) * std::exp(-t * f / 2000);
        samples[i] = static_cast<std::int16_t>(s * 2000.0);
    }
    return samples;
}

void Report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s min %7.1f  median %7.1f  max %7.1f ms\n", what, ms.front(),
                ms[ms.size() / 2], ms.back());
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const auto samples = Recording(6);
    CPartialData table;
    for (double f : kPartials)
        table.AddPartial(f, 0.0, 1.0, 0.0, 0.0, CPartialData::kUnnamed);
    DecaySource source;
    source.m_wave = {samples.data(), static_cast<std::int32_t>(samples.size()), kRate};
    source.m_selection = {1000, 1000 + 5 * kRate};
    source.m_panelSampleCount = source.m_wave.m_sampleCount;
    source.m_fileTitle = "bench";
    CQtUiServices ui;

    std::vector<double> dialog;
    for (int a = 0; a < kAnalyses; ++a) {
        CDecayDlg dlg(table, source, ui);
        dlg.show();
        QApplication::processEvents();
        QPushButton* go = nullptr;
        for (auto* button : dlg.findChildren<QPushButton*>())
            if (button->text() == "Go")
                go = button;
        const auto t0 = Clock::now();
        go->click();
        while (dlg.GetState() != CDecayDlg::State::kComplete && dlg.isVisible())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const auto t1 = Clock::now();
        if (dlg.GetState() != CDecayDlg::State::kComplete) {
            std::printf("the analysis did not complete\n");
            return 1;
        }
        dialog.push_back(Ms(t1 - t0));
    }

    std::vector<double> compute;
    for (int a = 0; a < kAnalyses; ++a) {
        CDecayAnalysis analysis;
        const auto t0 = Clock::now();
        if (!analysis.Prepare(source.m_wave, source.m_selection, table))
            return 1;
        while (!analysis.IsComplete()) {
            analysis.Start({});
            while (!analysis.IsDone())
                std::this_thread::yield();
            analysis.Finish();
            if (!analysis.EvaluateRun())
                return 1;
        }
        compute.push_back(Ms(Clock::now() - t0));
    }

    std::printf("hardware threads: %u; 17 runs, 12 partials up to 5 kHz, 5 s selection\n",
                std::thread::hardware_concurrency());
    Report("Go to complete in the dialog:", dialog);
    Report("the runs back to back, no window:", compute);
    return 0;
}
