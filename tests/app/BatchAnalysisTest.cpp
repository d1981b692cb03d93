#include "app/BatchAnalysis.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/NumberText.h"
#include "platform/SoundDecoder.h"
#include "support/BellSound.h"
#include "support/TempDir.h"
#include "support/WavBuilder.h"

namespace {

struct RunResult {
    int status = 0;
    std::string out;
    std::string err;
    int decoders = 0;  // decoders asked for: one per thread that analysed files
};

// The program on its arguments, reading PCM recordings only.
RunResult RunProgram(const std::vector<std::string>& args, bool progress = false) {
    std::ostringstream out, err;
    BatchConsole console{out, err, progress};
    std::atomic<int> decoders{0};
    const int status = RunAnalyser(
        args,
        [&] {
            ++decoders;
            return std::make_unique<CNoSoundDecoder>();
        },
        console);
    return {status, out.str(), err.str(), decoders};
}

std::vector<std::string> Lines(const std::string& text, const char* end = "\n") {
    std::vector<std::string> lines;
    std::size_t at = 0;
    for (std::size_t next; (next = text.find(end, at)) != std::string::npos;
         at = next + std::string(end).size())
        lines.push_back(text.substr(at, next - at));
    return lines;
}

// The fields of a summary row; quoted fields as they stand.
std::vector<std::string> Fields(const std::string& row) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (const char c : row) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

// One second at 44100 samples a second, every sample the same.
std::string Steady(std::int16_t value) {
    return CWavBuilder::Pcm(1, 44100, 16,
                            CWavBuilder::Samples16(std::vector<std::int16_t>(44100, value)));
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at; (at = text.find(from)) != std::string::npos;)
        text.replace(at, from.size(), to);
    return text;
}

TEST(BatchCommand, OptionsTakeThePanelsValuesAndItsDefaults) {
    const BatchCommand defaults = ParseBatchCommand({"bell.wav"}, 3);
    ASSERT_EQ(defaults.m_action, BatchCommand::Action::kRun);
    const AnalysisParams& d = defaults.m_settings.m_params;
    const AnalysisParams panel;
    EXPECT_EQ(std::tuple(d.m_startFreq, d.m_endFreq, d.m_interval, d.m_steps, d.m_aRef),
              std::tuple(panel.m_startFreq, panel.m_endFreq, panel.m_interval, 10000, 440.0));
    EXPECT_EQ(defaults.m_settings.m_jobs, 3);
    EXPECT_FALSE(defaults.m_settings.m_writeTransform);
    EXPECT_EQ(OutputFor("ring/treble.WAV", defaults.m_settings).m_partialsPath, "ring/treble.par");
    EXPECT_EQ(OutputFor("tenor", defaults.m_settings).m_transformPath, "tenor.csv");

    const BatchCommand set = ParseBatchCommand(
        {"--start-freq=100", "a.wav", "--end-freq", "3000", "--interval", "0.25", "-j2", "-o",
         "out", "--pitch=432", "--german", "--cents", "--summary", "ring.csv", "--", "-b.wav"},
        1);
    ASSERT_EQ(set.m_action, BatchCommand::Action::kRun) << set.m_error;
    const BatchSettings& s = set.m_settings;
    EXPECT_EQ(std::tuple(s.m_params.m_startFreq, s.m_params.m_endFreq, s.m_params.m_steps,
                         s.m_params.m_aRef, s.m_jobs, s.m_summaryPath),
              std::tuple(100.0, 3000.0, 11600, 432.0, 2, "ring.csv"));
    EXPECT_TRUE(s.m_params.m_germanNames && s.m_writeTransform && s.m_params.m_writeInCents);
    EXPECT_EQ(s.m_files, (std::vector<std::string>{"a.wav", "-b.wav"}));
    EXPECT_EQ(OutputFor("ring/a.wav", s).m_partialsPath, "out/a.par");

    EXPECT_EQ(ParseBatchCommand({"--help", "--bogus"}, 1).m_action, BatchCommand::Action::kRefuse);
    EXPECT_EQ(ParseBatchCommand({"--version"}, 1).m_action, BatchCommand::Action::kVersion);
}

TEST(BatchCommand, ABadCommandLineIsRefusedBeforeAnyFileIsRead) {
    CTempDir dir;
    const std::string bell = dir.File("bell.wav");
    WriteFileBytes(bell, BellWav(500.0, ClassicBell(), 1.0));
    const std::pair<std::vector<std::string>, const char*> refused[] = {
        {{"--start-freq", "-1"}, "Bad transform parameters! --start-freq must be from 0 to 600000"},
        {{"--start-freq", "600001", "--end-freq", "700000"}, "--start-freq must be from 0"},
        {{"--end-freq", "0"}, "--end-freq must be above --start-freq"},
        {{"--interval", "0"}, "--interval must be above 0 Hz"},
        {{"--interval", "100"},
         "0 to 5000 Hz by 100 Hz gives 50 steps; the partial search needs 200 to 100001."},
        {{"--end-freq", "100000"}, "gives 200000 steps"},
        {{"--interval", "1e-300"}, "gives more than 100001 steps"},
        {{"--interval", "nan"}, "--interval: \"nan\" is not a number"},
        {{"--start-freq", "1e999"}, "is not a number"},
        {{"--pitch", "441"}, "--pitch: \"441\" is not 440, 435 or 432"},
        {{"--jobs", "0"}, "--jobs: \"0\" is not a number of files from 1 to 256"},
        {{"-j", "257"}, "-j: \"257\" is not a number"},
        {{"--jobs=two"}, "is not a number of files"},
        {{"--frobnicate"}, "unknown option \"--frobnicate\""},
        {{"--csv=yes"}, "--csv takes no value"},
        {{"-o", ""}, "-o needs a file name"},
    };
    for (const auto& [options, message] : refused) {
        std::vector<std::string> args = options;
        args.push_back(bell);
        const RunResult r = RunProgram(args);
        EXPECT_EQ(std::tuple(r.status, r.decoders, r.out), std::tuple(2, 0, "")) << message;
        EXPECT_TRUE(r.err.starts_with("tonvane-analyse: ")) << r.err;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
    EXPECT_NE(RunProgram({bell, "--summary"}).err.find("--summary needs a value"),
              std::string::npos);
    EXPECT_NE(RunProgram({}).err.find("no recordings given"), std::string::npos);
    const RunResult noFolder = RunProgram({"-o", dir.File("missing"), bell});
    EXPECT_EQ(std::pair(noFolder.status, noFolder.decoders), std::pair(2, 0));
    EXPECT_NE(noFolder.err.find("does not exist"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.File("bell.par")));

    const RunResult help = RunProgram({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: tonvane-analyse"));
}

// A ring of bells with damaged files among them, analysed on one thread and on four: the
// same reports in the command line's order, the same files, a summary row per good bell.
TEST(BatchRun, OneThreadOrFourGiveTheSameFilesInTheCommandLinesOrder) {
    CTempDir dir;
    const double nominals[] = {700.0, 600.0, 500.0, 450.0, 400.0};
    const char* names[] = {"1 treble.wav", "2.wav", "3, old.wav", "4.wav", "tenor.wav"};
    for (int i = 0; i < 5; ++i) {
        std::vector<BellPartial> bell = ClassicBell();
        if (i == 4)
            std::erase_if(bell, [](const BellPartial& p) { return p.ratio == 0.75; });
        // The first takes longest, so that four threads finish the others before it.
        WriteFileBytes(dir.File(names[i]), BellWav(nominals[i], bell, i == 0 ? 6.0 : 1.0));
    }
    const std::string damaged = dir.File("damaged.wav"), junk = dir.File("junk.mp3"),
                      silent = dir.File("silent.wav"), level = dir.File("level.wav");
    WriteFileBytes(damaged, CWavBuilder::Riff(CWavBuilder().Chunk("data", "xx").Bytes()));
    WriteFileBytes(junk, std::string(3000, 'j'));
    // Silence has no strike to select; a steady level has a strike but no partials.
    WriteFileBytes(silent, Steady(0));
    WriteFileBytes(level, Steady(3000));
    const std::vector<std::string> files = {dir.File(names[0]),     damaged, dir.File(names[1]),
                                            dir.File(names[2]),     junk,    dir.File(names[3]),
                                            dir.File(names[4]),     silent,  level,
                                            dir.File("missing.wav")};

    std::vector<RunResult> results;
    for (const char* jobs : {"1", "4"}) {
        const std::string out = dir.File(std::string("out") + jobs);
        std::filesystem::create_directory(out);
        std::vector<std::string> args = {"--jobs", jobs, "-o", out, "--summary", out + "/ring.csv"};
        args.insert(args.end(), files.begin(), files.end());
        results.push_back(RunProgram(args));
        EXPECT_EQ(std::pair(results.back().status, results.back().decoders),
                  std::pair(1, std::atoi(jobs)));
    }
    EXPECT_EQ(Replaced(results[0].out, "out1", "out4"), results[1].out);
    EXPECT_EQ(results[0].err, results[1].err);
    for (const char* name :
         {"/1 treble.par", "/2.par", "/3, old.par", "/4.par", "/tenor.par", "/ring.csv"}) {
        const std::string one = ReadFileBytes(dir.File("out1") + name);
        EXPECT_FALSE(one.empty()) << name;
        EXPECT_EQ(one, ReadFileBytes(dir.File("out4") + name)) << name;
    }

    EXPECT_EQ(Lines(results[0].err),
              (std::vector<std::string>{
                  damaged + ": Not a valid .wav file!", junk + ": Not a valid mp3 file!",
                  silent + ": Bad transform parameters!", level + ": No partials found!",
                  dir.File("missing.wav") + ": Failed to open file!"}));
    const auto out = Lines(results[0].out);
    ASSERT_EQ(out.size(), 5u);
    EXPECT_TRUE(out[0].starts_with(files[0] + ": nominal 700.000000 Hz ")) << out[0];
    EXPECT_TRUE(out[0].ends_with(" -> " + dir.File("out1") + "/1 treble.par")) << out[0];

    // The cents a tuner compares across the ring; the tenor's quint is missing.
    const auto rows = Lines(ReadFileBytes(dir.File("out1/ring.csv")), "\r\n");
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(Fields(rows[0]).size(), 9u);
    const double cents[] = {
        -2400.0, -1200.0, 1200 * std::log2(0.6), 1200 * std::log2(0.75), 1200 * std::log2(1.5),
        1200.0};
    for (int i = 0; i < 5; ++i) {
        const auto fields = Fields(rows[i + 1]);
        ASSERT_EQ(fields.size(), 9u) << rows[i + 1];
        EXPECT_EQ(fields[0], dir.File(names[i]));
        EXPECT_NEAR(ParseDoubleField(fields[1]).value_or(0), nominals[i], 0.5);
        for (int column = 0; column < 6; ++column) {
            if (i == 4 && column == 3) {
                EXPECT_EQ(fields[3 + column], "") << rows[i + 1];
                continue;
            }
            EXPECT_NEAR(ParseDoubleField(fields[3 + column]).value_or(0), cents[column], 3.0)
                << rows[i + 1] << " column " << column;
        }
    }
    EXPECT_TRUE(rows[3].starts_with("\"" + dir.File("3, old.wav") + "\","));
}

TEST(BatchRun, FoldersAndResultsThatWouldMeetInOneFileAreRefused) {
    CTempDir dir;
    for (const char* folder : {"/a", "/b", "/out"})
        std::filesystem::create_directory(dir.Path() + folder);
    const std::string a = dir.File("a/bell.wav");
    const std::string b = dir.File("b/bell.wav");
    WriteFileBytes(a, BellWav(500.0, ClassicBell(), 1.0));
    WriteFileBytes(b, BellWav(600.0, ClassicBell(), 1.0));

    const RunResult together =
        RunProgram({"-o", dir.File("out"), a, b, dir.File("a/../a/bell.wav"), dir.File("b")});
    EXPECT_EQ(together.status, 1);
    EXPECT_EQ(Lines(together.err),
              (std::vector<std::string>{
                  b + ": " + dir.File("out/bell.par") + " is written for " + a + " already.",
                  dir.File("a/../a/bell.wav") + ": " + dir.File("out/bell.par") +
                      " is written for " + a + " already.",
                  dir.File("b") + ": a folder, not a recording."}));
    EXPECT_NE(ReadFileBytes(dir.File("out/bell.par")).find("nominal: 500.0"), std::string::npos);

    // Beside each recording they are apart; the progress count shows on a terminal only.
    const RunResult apart = RunProgram({"-j", "1", a, b}, true);
    EXPECT_EQ(apart.status, 0) << apart.err;
    EXPECT_NE(ReadFileBytes(dir.File("b/bell.par")).find("nominal: 600.0"), std::string::npos);
    EXPECT_NE(apart.err.find("\r1 of 2 files analysed"), std::string::npos);
    EXPECT_TRUE(apart.err.ends_with("\r")) << apart.err;
    EXPECT_TRUE(RunProgram({a}).err.empty());
}

}  // namespace
