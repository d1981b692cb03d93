// tonvane-analyse as a user runs it: the built program in a process of its own, on
// recordings made here, compressed ones decoded by libsndfile.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/BellSound.h"
#include "support/SoundEncoding.h"
#include "support/TempDir.h"

namespace {

struct ProcessResult {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

ProcessResult RunProgram(const std::vector<std::string>& args) {
    CTempDir streams;
    std::string command = ShellQuoted(TONVANE_ANALYSE_PROGRAM);
    for (const auto& arg : args)
        command += " " + ShellQuoted(arg);
    command += " >" + ShellQuoted(streams.File("out")) + " 2>" + ShellQuoted(streams.File("err"));
    const int raw = std::system(command.c_str());
    ProcessResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadFileBytes(streams.File("out"));
    result.err = ReadFileBytes(streams.File("err"));
    return result;
}

TEST(AnalyserProgram, AnalysesEveryRecordingItCanReadAndSaysWhichItCannot) {
    CTempDir dir;
    for (const char* folder : {"/wav", "/flac"})
        std::filesystem::create_directory(dir.Path() + folder);
    const auto samples = BellSamples(440.0, ClassicBell(), 1.5);
    const std::string wav = dir.File("wav/bell.wav");
    const std::string flac = dir.File("flac/bell.flac");
    const std::string damaged = dir.File("wav/damaged.wav");
    WriteFileBytes(wav, BellWav(440.0, ClassicBell(), 1.5));
    WriteFileBytes(flac, EncodeSound(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, kBellRate, samples));
    WriteFileBytes(damaged, "RIFF....WAVEjunk");

    const ProcessResult run =
        RunProgram({"-j", "2", "--summary", dir.File("ring.csv"), wav, damaged, flac});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, damaged + ": Not a valid .wav file!\n");
    EXPECT_TRUE(run.out.starts_with(wav + ": nominal 440.000000 Hz A(1) +0, ")) << run.out;
    // The same samples, losslessly compressed, give the same partials file beside each.
    const std::string partials = ReadFileBytes(dir.File("wav/bell.par"));
    EXPECT_TRUE(partials.starts_with("Partials\r\nwave file is bell, nominal: 440.000000"));
    EXPECT_EQ(ReadFileBytes(dir.File("flac/bell.par")), partials);
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 2);
    const std::string summary = ReadFileBytes(dir.File("ring.csv"));
    EXPECT_EQ(std::count(summary.begin(), summary.end(), '\n'), 3);
}

}  // namespace
