#include "transform/TransformFile.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "platform/NumberText.h"
#include "support/ReadBack.h"
#include "support/ScriptedUiServices.h"
#include "support/SeedFiles.h"
#include "support/TempDir.h"
#include "transform/TransformData.h"

namespace {

const std::string kGridLine = "start freq: 100.000000, end freq: 101.000000, steps: 2";
const std::string kHeader =
    "Transforms\r\nwave file is bell\r\nsample rate: 44100\r\n" + kGridLine +
    "\r\nstart byte in input data: 10, end byte: 5000\r\nfreq.,transform\r\n";
const std::string kData = "100.000000,1.500000\r\n100.500000,2.250000\r\n101.000000,0.125000\r\n";

// The good file with its first `from` replaced by `to`.
std::string With(const std::string& from, const std::string& to,
                 std::string bytes = kHeader + kData) {
    const std::size_t at = bytes.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return bytes.replace(at, from.size(), to);
}

// A valid transform on the grid start + j * interval; by default the three values of kData.
void Fill(CTransformData& t, double start = 100.0, double end = 101.0, double interval = 0.5,
          const std::vector<double>& values = {1.5, 2.25, 0.125}) {
    const auto steps = static_cast<std::int32_t>(values.size()) - 1;
    ASSERT_TRUE(t.Allocate(steps, start, end, interval));
    std::copy(values.begin(), values.end(), t.m_values.get());
    t.m_valid = true;
    t.FindMaximum();
}

TransformSource Settings(std::int32_t rate = 44100, std::int32_t first = 10,
                         std::int32_t last = 5000) {
    TransformSource s;
    s.m_fileTitle = "bell";
    s.m_sampleRate = rate;
    s.m_startSample = first;
    s.m_endSample = last;
    return s;
}

struct ReadOutcome {
    TransformReadResult code;
    std::int32_t rate, first, last;
};

ReadOutcome ReadBytes(const std::string& bytes, CTransformData& t,
                      CScriptedUiServices* seen = nullptr) {
    CTempDir dir;
    WriteFileBytes(dir.File("t.csv"), bytes);
    CScriptedUiServices own;
    CScriptedUiServices& ui = seen ? *seen : own;
    ui.AnswerOpen(dir.File("t.csv"));
    TransformSource source;
    source.m_sampleRate = source.m_startSample = source.m_endSample = -1;
    const auto code = ReadTransformFile(ui, t, source);
    return {code, source.m_sampleRate, source.m_startSample, source.m_endSample};
}

TransformReadResult ReadCode(const std::string& bytes) {
    CTransformData t;
    return ReadBytes(bytes, t).code;
}

std::string WriteToBytes(const CTransformData& t, const TransformSource& s, bool inCents = false,
                         double nominal = 0.0) {
    CTempDir dir;
    CScriptedUiServices ui;
    ui.AnswerSave(dir.File("out.csv"));
    EXPECT_TRUE(WriteTransformFile(ui, t, s, inCents, nominal));
    return ReadFileBytes(dir.File("out.csv"));
}

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t at; (at = bytes.find("\r\n", from)) != std::string::npos; from = at + 2)
        lines.push_back(bytes.substr(from, at - from));
    return lines;
}

}  // namespace

TEST(TransformFile, PlainFileHoldsHeaderDataAndCrLfLineEndsInAnyLocale) {
    CTransformData t, back;
    Fill(t);
    CTempDir dir;
    CScriptedUiServices ui;
    ui.AnswerSave(dir.File("out.csv"));
    ASSERT_TRUE(WriteTransformFile(ui, t, Settings(), false, 0.0));
    EXPECT_EQ(ReadFileBytes(dir.File("out.csv")), kHeader + kData + "\r\n");
    ASSERT_EQ(ui.m_fileDialogs.size(), 1u);
    EXPECT_TRUE(ui.m_fileDialogs[0].save);
    EXPECT_EQ(ui.m_fileDialogs[0].filter, "Transform files (.csv)|*.csv|");
    EXPECT_EQ(ui.m_fileDialogs[0].defaultExt, "csv");
    EXPECT_EQ(ui.m_fileDialogs[0].proposedName, "bell");

    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "no German locale";
    const std::string written = WriteToBytes(t, Settings());
    const auto r = ReadBytes(written, back);
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(written, kHeader + kData + "\r\n");
    EXPECT_EQ(r.code, kTransformReadOk);
    EXPECT_EQ(back.m_values[1], 2.25);
}

TEST(TransformFile, RelativeFileIsInCentsFromTheNominal) {
    const TransformSource s = Settings();
    CTransformData fromZero, fromAbove, silent;
    Fill(fromZero, 0.0, 1000.0, 250.0, {7.0, 1.0, 2.0, 4.0, 2.0});
    const auto lines = Lines(WriteToBytes(fromZero, s, true, 500.0));
    // Six header lines, one line per value but the one at 0 Hz, the closing empty line.
    ASSERT_EQ(lines.size(), 6u + 4u + 1u);
    EXPECT_EQ(lines[0], "Relative Transforms");
    EXPECT_EQ(std::vector(lines.begin() + 6, lines.end()),
              (std::vector<std::string>{"-1200.000000,0.142857", "0.000000,0.285714",
                                        "701.955001,0.571429", "1200.000000,0.285714", ""}));
    Fill(fromAbove, 250.0, 1250.0, 250.0, {1.0, 2.0, 4.0, 2.0, 1.0});
    const std::string above = WriteToBytes(fromAbove, s, true, 500.0);
    EXPECT_EQ(Lines(above).size(), 6u + 5u + 1u);
    EXPECT_EQ(ReadCode(above), kNotTransformFile);
    // All-zero values have no maximum to be relative to: they stay 0.
    Fill(silent, 250.0, 500.0, 250.0, {0.0, 0.0});
    EXPECT_EQ(Lines(WriteToBytes(silent, s, true, 500.0))[7], "0.000000,0.000000");
}

TEST(TransformFile, WriterRefusalsCancelAndFailures) {
    CTransformData t, none;
    Fill(t);
    CTempDir dir;
    CScriptedUiServices cancelled, cents, negative, invalid, missing, full;
    EXPECT_TRUE(WriteTransformFile(cancelled, t, Settings(), false, 0.0));  // nothing written
    EXPECT_EQ(cancelled.m_fileDialogs.size(), 1u);
    // Refused before any dialog: cents without a nominal, or nothing valid to write.
    EXPECT_FALSE(WriteTransformFile(cents, t, Settings(), true, 0.0));
    EXPECT_FALSE(WriteTransformFile(negative, t, Settings(), true, -500.0));
    EXPECT_FALSE(WriteTransformFile(invalid, none, Settings(), false, 0.0));
    for (auto* ui : {&cents, &negative, &invalid})
        EXPECT_TRUE(ui->m_fileDialogs.empty());
    missing.AnswerSave(dir.File("missing/out.csv"));
    EXPECT_FALSE(WriteTransformFile(missing, t, Settings(), false, 0.0));
    full.AnswerSave("/dev/full");  // a full disk is a failure, not a success
    EXPECT_FALSE(WriteTransformFile(full, t, Settings(), false, 0.0));
}

// A long or multi-line recording name must not make the written file unreadable.
TEST(TransformFile, LongOrMultiLineWaveNamesStillReadBack) {
    CTransformData t;
    Fill(t);
    TransformSource s = Settings();
    s.m_fileTitle = std::string(100, 'x');
    std::string bytes = WriteToBytes(t, s);
    EXPECT_EQ(Lines(bytes)[1].size(), 77u);
    EXPECT_EQ(ReadCode(bytes), kTransformReadOk);

    s.m_fileTitle = std::string(63, 'x') + "\xC3\xA9" + "more";  // a two-byte character at the cut
    EXPECT_EQ(Lines(WriteToBytes(t, s))[1], "wave file is " + std::string(63, 'x'));

    s.m_fileTitle = "first\nsecond\rthird";
    bytes = WriteToBytes(t, s);
    EXPECT_EQ(Lines(bytes)[1], "wave file is first second third");
    EXPECT_EQ(ReadCode(bytes), kTransformReadOk);
}

TEST(TransformFile, LinesAreReadLikeATextModeBufferOf79Characters) {
    std::string lfOnly = kHeader + kData;
    for (std::size_t at; (at = lfOnly.find("\r\n")) != std::string::npos;)
        lfOnly.erase(at, 1);
    EXPECT_EQ(ReadCode(lfOnly), kTransformReadOk);

    // CR LF is one character of the buffer: 77 characters and the line end fit, 78 do not,
    // and the line end then counts as the next (empty) line.
    for (const std::size_t length : {77u, 78u})
        EXPECT_EQ(ReadCode(With("sample rate: 44100",
                                "sample rate:" + std::string(length - 17, ' ') + "44100")),
                  length == 77 ? kTransformReadOk : kTransformFormatError);
    // A long name on line 2 written by something else spills into line 3.
    EXPECT_EQ(ReadCode(With("bell", std::string(90, 'n'))), kTransformFormatError);
}

TEST(TransformFile, ReadResultCodesAndTexts) {
    struct Case {
        std::string bytes;
        TransformReadResult code;
    };
    const Case cases[] = {
        {"", kNotTransformFile},
        {"Transform\r\n", kNotTransformFile},
        {With("Transforms", "Relative Transforms"), kNotTransformFile},
        {"Transforms\r\n", kTransformFormatError},
        {"Transforms, of a bell\r\nwave file is x\r\nsample rate: 44100\r\n",
         kTransformFormatError},
        {With("sample rate: 44100", "sample rate 44100"), kTransformFormatError},
        {With("sample rate: 44100", "sample rate: fast"), kTransformFormatError},
        {With("sample rate: 44100", "sample rate: 0"), kTransformBadSampleRate},
        {With("sample rate: 44100", "sample rate: -8000"), kTransformBadSampleRate},
        {With("sample rate: 44100", "sample rate: 11025"), kTransformReadOk},
        {With("start freq: 100.000000", "start freq: inf"), kTransformFormatError},
        {With("end freq: 101.000000", "end freq: nan"), kTransformFormatError},
        {With("steps: 2", "steps 2"), kTransformFormatError},
        {With("start freq: 100.000000", "start freq: -1.000000"), kTransformBadGrid},
        {With("start freq: 100.000000", "start freq: 101.000000"), kTransformBadGrid},
        {With("steps: 2", "steps: 0"), kTransformBadGrid},
        {With("steps: 2", "steps: 100002"), kTransformBadGrid},
        {With("steps: 2", "steps: 2000000000"), kTransformBadGrid},
        {With("steps: 2", "steps: 99999999999"), kTransformFormatError},
        {With("steps: 2", "steps: 100001", kHeader), kTransformNotEnoughData},
        {With("input data: 10", "input data: -1"), kTransformBadSampleRange},
        {With("input data: 10", "input data: 5000"), kTransformBadSampleRange},
        {With("end byte: 5000", "end byte: x"), kTransformFormatError},
        {With("freq.,transform\r\n" + kData, ""), kTransformFormatError},
        {With("100.500000,2.250000", "100.500000;2.250000"), kTransformFormatError},
        {With("100.500000,2.250000", "100.500000 ,2.250000"), kTransformFormatError},
        {With("100.500000,2.250000", "100.500000, 2.25 and more"), kTransformReadOk},
        {With("100.500000,2.250000", "100.500000,nan"), kTransformFormatError},
        {With("100.500000,2.250000", "100.500000,-inf"), kTransformFormatError},
        {With("100.500000,2.250000", "100.500000,1e400"), kTransformFormatError},
        // Numbers the program could not write back within a line of the reader's buffer.
        {With("100.500000,2.250000", "100.500000,1e50"), kTransformReadOk},
        {With("100.500000,2.250000", "100.500000,1e70"), kTransformFormatError},
        {With("end freq: 101.000000", "end freq: 1e30"), kTransformFormatError},
        {With("101.000000,0.125000\r\n", ""), kTransformNotEnoughData},
        {With("100.500000,", "100.511000,"), kTransformBadFrequency},
        {With("100.500000,", "100.509000,"), kTransformReadOk},
        {With("100.500000,", "100.600000,"), kTransformBadFrequency},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        CTransformData t;
        Fill(t);
        const auto r = ReadBytes(c.bytes, t);
        EXPECT_EQ(r.code, c.code);
        if (c.code != kTransformReadOk) {
            // A failed read keeps the transform held; the file's values are handed out on
            // success only.
            EXPECT_EQ(r.rate, -1);
            EXPECT_TRUE(t.m_valid);
            EXPECT_EQ(std::tuple(t.m_startFreq, t.m_steps, t.m_values[1]),
                      std::tuple(100.0, 2, 2.25));
        }
    }

    const char* const texts[] = {"File read OK",       "Failed to open file!",
                                 "No file selected",   "Not a transform file!",
                                 "File format error!", "Not enough data in file!",
                                 "Bad data in file!",  "Bad data in file!",
                                 "Bad data in file!",  "Bad data in file!",
                                 "Bad file!"};
    for (int code = 0; code <= 10; ++code)
        EXPECT_STREQ(TransformResultText(code), texts[code]) << code;
    EXPECT_STREQ(TransformResultText(-1), "Bad file!");

    // The open dialog, and its outcomes that read nothing.
    CTransformData t;
    CScriptedUiServices ui;
    ASSERT_EQ(ReadBytes(kHeader + kData, t, &ui).code, kTransformReadOk);
    EXPECT_FALSE(ui.m_fileDialogs.at(0).save);
    EXPECT_EQ(ui.m_fileDialogs[0].filter, "Transform files (.csv)|*.csv|");
    EXPECT_EQ(std::pair(ui.m_waitCount, ui.m_waitDepth), std::pair(1, 0));  // one, ended
    TransformSource source;
    source.m_sampleRate = 7;
    CScriptedUiServices cancelled;
    EXPECT_EQ(ReadTransformFile(cancelled, t, source), kTransformNoFileSelected);
    EXPECT_EQ(cancelled.m_waitCount, 0);
    CTempDir dir;
    CScriptedUiServices missing;
    missing.AnswerOpen(dir.File("none.csv"));
    EXPECT_EQ(ReadTransformFile(missing, t, source), kTransformOpenFailed);
    missing.AnswerOpen(dir.Fifo("pipe.csv"));  // would wait for a writer if it were opened
    EXPECT_EQ(ReadTransformFile(missing, t, source), kTransformOpenFailed);
    EXPECT_EQ(source.m_sampleRate, 7);
    EXPECT_EQ(missing.m_waitDepth, 0);
}

TEST(TransformFile, EveryGridWrittenReadsBackToTheSameFile) {
    // Ranges that are not a whole number of intervals: the steps are truncated, so the last
    // line lies below the end frequency the header gives.
    const struct {
        double start, end, interval;
        std::int32_t rate;
    } grids[] = {{0.0, 5000.0, 0.3, 44100},
                 {0.0, 5000.0, 0.7, 48000},
                 {0.0, 100.05, 1.0, 8000},
                 {12.5, 4000.0, 0.125, 96000},
                 {0.0, 10000.0, 0.1234567, 44100},
                 {100.0, 101.0, 0.5, 22050},
                 // The lines' six decimals span exactly 0.5, which would give 3 steps.
                 {100.0, 101.5, 0.500000005, 44100}};
    for (const auto& g : grids) {
        SCOPED_TRACE(g.interval);
        TransformRequest grid;
        grid.m_startFreq = g.start;
        grid.m_endFreq = g.end;
        grid.m_interval = g.interval;
        ASSERT_TRUE(grid.RecomputeSteps());
        std::vector<double> values(static_cast<std::size_t>(grid.m_steps) + 1);
        for (std::size_t j = 0; j < values.size(); ++j)
            values[j] = std::fabs(std::cos(j * 0.11)) * 50.0;
        CTransformData t, back;
        Fill(t, g.start, g.end, g.interval, values);
        const std::string written = WriteToBytes(t, Settings(g.rate, 1200, 90000));
        const auto r = ReadBytes(written, back);
        ASSERT_EQ(r.code, kTransformReadOk);
        EXPECT_EQ(std::tuple(r.rate, r.first, r.last), std::tuple(g.rate, 1200, 90000));
        EXPECT_EQ(std::tuple(back.m_startFreq, back.m_endFreq, back.m_steps),
                  std::tuple(g.start, g.end, grid.m_steps));
        // Smoothed on reading when there are enough steps for it.
        EXPECT_EQ(std::pair(back.m_valid, back.m_smoothedValid),
                  std::pair(true, back.m_steps >= 200));
        EXPECT_NEAR(back.m_maxValue, t.m_maxValue, 5e-7);
        for (std::int32_t j = 0; j <= back.m_steps; ++j) {
            ASSERT_NEAR(back.FrequencyAt(j), t.FrequencyAt(j), 1e-6) << j;
            ASSERT_NEAR(back.m_values[j], values[j], 5e-7);
        }
        // Written again, the file is the same, but for an interval with more decimals than
        // the file shows, whose grid can differ in the last decimal.
        if (g.interval != 0.1234567) {
            EXPECT_EQ(WriteToBytes(back, Settings(g.rate, 1200, 90000)), written);
        }
    }
    // A typed interval of a few decimals comes back exactly.
    CTransformData t, back;
    Fill(t, 0.0, 5000.0, 0.3, std::vector<double>(16667, 1.0));
    ASSERT_EQ(ReadBytes(WriteToBytes(t, Settings()), back).code, kTransformReadOk);
    EXPECT_EQ(std::pair(back.m_interval, back.m_endFreq), std::pair(0.3, 5000.0));
}

// Grids whose lines cannot lie where the header puts them, or whose points do not rise one
// above the other (an end of 5e-324, which the file's six decimals make the start itself, or
// an interval too fine to tell frequencies apart).
TEST(TransformFile, GridsTheLinesDoNotFitAreBadData) {
    const auto file = [](const std::string& grid, int lines, auto line) {
        std::string bytes = With(kGridLine, grid, kHeader);
        for (int j = 0; j < lines; ++j)
            bytes += line(j);
        return bytes;
    };
    const auto same = [](const char* text) { return [=](int) { return std::string(text); }; };
    // Lines a steady 1.0005 Hz apart over 0 .. 100 in 100 steps: no interval that gives 100
    // steps puts them there, nor does any line the writer could have made.
    EXPECT_EQ(ReadCode(file("start freq: 0.000000, end freq: 100.000000, steps: 100", 101,
                            [](int j) { return FormatFixed6(j * 1.0005) + ",1.000000\r\n"; })),
              kTransformBadFrequency);
    EXPECT_EQ(
        ReadCode(file("start freq: 0, end freq: 5e-324, steps: 2", 3, same("0.000000,1.0\r\n"))),
        kTransformBadGrid);
    EXPECT_EQ(ReadCode(file("start freq: 1000000000, end freq: 1000000000.000001, steps: 1000",
                            1001, same("1000000000.000000,1.0\r\n"))),
              kTransformBadGrid);
    EXPECT_EQ(ReadCode(file("start freq: 1000000000, end freq: 1000000001, steps: 1000", 1001,
                            same("1000000000.000000,1.0\r\n"))),
              kTransformBadFrequency);
}

// Values beyond six decimals are taken as the program would write them, so a file read and
// written reads back to the same transform.
TEST(TransformFile, ValuesAreTakenToTheirSixDecimals) {
    CTransformData t;
    ASSERT_EQ(ReadBytes(With("101.000000,0.125000", "101.0000004,0.0000004",
                             With("100.500000,2.250000", "100.5,2.2500006")),
                        t)
                  .code,
              kTransformReadOk);
    EXPECT_EQ(std::tuple(t.m_values[0], t.m_values[1], t.m_values[2]),
              std::tuple(1.5, 2.250001, 0.0));
}

TEST(TransformFile, SeedFilesReadBackUnchanged) {
    CTempDir dir;
    CReadBack check(dir.Path());
    for (const SeedFile& seed : TransformSeeds()) {
        EXPECT_EQ(check.Transform(seed.m_bytes), "") << seed.m_name;
        EXPECT_EQ(check.m_code,
                  seed.m_name == "relative.csv" ? kNotTransformFile : kTransformReadOk)
            << seed.m_name;
    }
    // Lines near their grid but not on it, as fuzzing made them: more than one interval puts
    // them within the rounding, and the file written from what was read must read back to it.
    const std::string nearGrid =
        With(kGridLine, "start freq: 100.0000007, end freq: 101.00001102499, steps: 2",
             kHeader + "100.000003,40.0\r\n100.500000,3.185182\r\n101.000000,65.0\r\n");
    EXPECT_EQ(check.Transform(nearGrid), "");
    EXPECT_EQ(check.m_code, kTransformReadOk);
}
