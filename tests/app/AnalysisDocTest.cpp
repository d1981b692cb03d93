#include "app/AnalysisDoc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {

TEST(AnalysisParamsTest, TooManyStepsForThirtyTwoBitsAreMadeARefusableCount) {
    AnalysisParams params;
    params.m_interval = 1e-9;
    params.m_endFreq = 600000;
    EXPECT_TRUE(params.RecomputeSteps());
    EXPECT_EQ(params.m_steps, INT32_MIN);  // the transform refuses it
}

TEST(AnalysisDocTest, ButtonsFollowTheWaveformTheTransformsAndThePartials) {
    CAnalysisDoc doc;
    EXPECT_EQ(doc.Buttons(), PanelButtons{});  // only the always-enabled ones at start

    doc.m_partials.AddPartial(500.0, 0.0, 1.0, 0.0, 0.0, CPartialData::kUnnamed);
    PanelButtons expected;
    expected.m_writePartials = expected.m_createWaveform = true;
    EXPECT_EQ(doc.Buttons(), expected);

    doc.m_transforms.m_valid = true;
    expected.m_writeTransform = expected.m_viewTransform = true;
    EXPECT_EQ(doc.Buttons(), expected);  // no waveform: no decays yet

    for (std::int32_t state : {CWaveData::kFromFile, CWaveData::kMadeHere}) {
        doc.m_wave.m_state = state;
        PanelButtons all = expected;
        all.m_writeWaveform = all.m_viewWaveform = all.m_playWaveform = all.m_increaseFreq =
            all.m_doTransform = all.m_findDecays = true;
        EXPECT_EQ(doc.Buttons(), all);
    }
    doc.m_partials.Clear();
    EXPECT_FALSE(doc.Buttons().m_findDecays);
    EXPECT_TRUE(doc.Buttons().m_doTransform);
}

TEST(AnalysisDocTest, SyncAndCopyCarryValuesBetweenPanelAndWaveform) {
    CAnalysisDoc doc;
    doc.m_params.m_startSample = 120;
    doc.m_params.m_endSample = 4000;
    doc.m_params.m_germanNames = true;
    doc.Sync();
    EXPECT_EQ(std::tuple(doc.m_wave.m_selStart, doc.m_wave.m_selEnd), std::tuple(120, 4000));
    EXPECT_TRUE(doc.m_partials.m_germanNames);

    doc.m_wave.CreateEmpty(22050, 9000, 16);
    doc.m_wave.m_fileName = "/bells/tower/tenor.strike.wav";
    doc.m_wave.m_selStart = 30;
    const struct {
        double percent;
        std::int32_t shown;
    } percents[] = {{100.0, 100}, {105.9, 105}, {-3.7, -3}, {70000.0, 4464}};  // 16 bits
    for (const auto& p : percents) {
        doc.m_wave.m_freqPercent = p.percent;
        doc.CopyStoreValues();
        EXPECT_EQ(doc.m_freqIncrease, p.shown) << p.percent;
    }
    EXPECT_EQ(std::tuple(doc.m_params.m_numSamples, doc.m_params.m_startSample,
                         doc.m_params.m_endSample, doc.m_params.m_sampleRate),
              std::tuple(9000, 30, 9000, 22050));
    EXPECT_EQ(doc.m_params.m_fileTitle, "tenor.strike");
    EXPECT_EQ(doc.m_fileNameText, "tenor.strike.wav");
    const TransformSource origin = doc.TransformOrigin();
    EXPECT_EQ(std::tuple(origin.m_fileTitle, origin.m_sampleRate, origin.m_startSample,
                         origin.m_endSample),
              std::tuple(std::string("tenor.strike"), 22050, 30, 9000));
}

TEST(AnalysisDocTest, NamingRefusesATransformTooShortToSearch) {
    CAnalysisDoc doc;
    doc.m_partials.AddPartial(440.0, 0.0, 1.0, 0.0, 0.0, CPartialData::kUnnamed);
    ASSERT_TRUE(doc.m_transforms.Allocate(150, 0.0, 150.0, 1.0));
    EXPECT_FALSE(doc.FindAndNamePartials());
    EXPECT_EQ(doc.m_partials.m_count, 1);

    // A spectrum with peaks at a bell's ratios to 500 Hz: named, nominal found.
    ASSERT_TRUE(doc.m_transforms.Allocate(4000, 0.0, 2000.0, 0.5));
    for (const double f : {125.0, 250.0, 300.0, 500.0, 1000.0})
        for (int d = -6; d <= 6; ++d)
            doc.m_transforms.m_values[static_cast<int>(f * 2) + d] = 10.0 - std::abs(d);
    doc.m_transforms.FindMaximum();
    ASSERT_TRUE(doc.m_transforms.Smooth(44100, 44100));
    doc.m_transforms.m_smoothedValid = true;
    doc.m_params.m_startFreq = 0.0;
    doc.m_params.m_endFreq = 2000.0;
    ASSERT_TRUE(doc.FindAndNamePartials());
    EXPECT_EQ(doc.m_partials.m_nominal, 500.0);
    EXPECT_EQ(doc.m_partials.m_count, 5);
    EXPECT_EQ(doc.m_partials.PartialName(3), "nominal");
    EXPECT_EQ(doc.m_partials.m_cents[4], 1200.0);
}

}  // namespace
