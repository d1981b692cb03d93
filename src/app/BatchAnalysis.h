#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AnalysisParams.h"
#include "partials/PartialData.h"

class CSoundDecoder;

// tonvane-analyse: Analyse File and Write Partials (and Write Transform) on every recording
// the command line names, without a window. Each recording is analysed by a document of its
// own with the panel's values as the options set them, so its files hold exactly what the
// panel writes for the same recording.

// The most files analysed at once.
inline constexpr std::int32_t kMaxBatchJobs = 256;

// What the command line asks for.
struct BatchSettings {
    // The panel's values: the grid, the pitch reference, the note names and, for the
    // transform files, cents or Hz.
    AnalysisParams m_params;
    std::string m_outputDir;  // empty: beside each recording
    bool m_writeTransform = false;
    std::int32_t m_jobs = 1;
    std::string m_summaryPath;  // empty: no summary
    std::vector<std::string> m_files;
};

struct BatchCommand {
    enum class Action : std::uint8_t { kRun, kHelp, kVersion, kRefuse };
    Action m_action = Action::kRun;
    BatchSettings m_settings;
    std::string m_error;  // why the command line is refused
};

// Reads the arguments after the program's name. Options and files may come in any order;
// "--" ends the options. An option takes its value as the next argument or after '='. The
// grid is checked here, before any file is read: the panel's range for the start
// frequency, a range and an interval that give the steps the partial search needs.
BatchCommand ParseBatchCommand(const std::vector<std::string>& args, std::int32_t defaultJobs);

// The usage text of --help.
std::string BatchUsage();

// The files one recording's results go to: TITLE.par and TITLE.csv (TITLE being the
// recording's file name without folder and extension), in the output folder or beside it.
struct RecordingOutput {
    std::string m_partialsPath;
    std::string m_transformPath;
};
RecordingOutput OutputFor(const std::string& recording, const BatchSettings& settings);

// The partials the summary gives the cents of, in its column order.
inline constexpr std::array<std::int16_t, 6> kSummaryPartials = {
    CPartialData::kHum,   CPartialData::kPrime,      CPartialData::kTierce,
    CPartialData::kQuint, CPartialData::kSuperquint, CPartialData::kOctaveNominal};

// What came of one recording.
struct RecordingReport {
    std::string m_recording;
    RecordingOutput m_output;
    bool m_wroteTransform = false;
    std::string m_failure;  // what the panel would have told the user; empty when written
    double m_nominal = 0.0;
    std::string m_nominalNote;
    std::int32_t m_partialCount = 0;
    // Cents from the nominal of the partials in kSummaryPartials; none where not named.
    std::array<std::optional<double>, kSummaryPartials.size()> m_cents;

    bool Analysed() const { return m_failure.empty(); }
};

// Analyse File on the recording with the settings, then Write Partials into
// output.m_partialsPath and, when asked, Write Transform into output.m_transformPath. The
// first message the panel would have shown is the failure; a transform in which no partial
// was found is a failure as well, as the panel then has nothing to write.
RecordingReport AnalyseRecording(const std::string& recording, const RecordingOutput& output,
                                 const BatchSettings& settings, CSoundDecoder& decoder);

// The summary table, one row per analysed recording: the file, the nominal and its note,
// and the cents of the partials in kSummaryPartials (empty where not named).
std::string SummaryHeader();
std::string SummaryRow(const RecordingReport& report);

// Where a run writes: its results on one stream, failures on another, and, when that one
// is a terminal, a count of the files done.
struct BatchConsole {
    std::ostream& m_out;
    std::ostream& m_err;
    bool m_showProgress = false;
};

// A decoder for each thread that analyses files.
using DecoderFactory = std::function<std::unique_ptr<CSoundDecoder>()>;

// Analyses every file of the settings on up to m_jobs threads, each with its own document
// and decoder. The reports (a line on m_out for each recording analysed, its message on m_err
// for each that was not) and the summary rows follow the order of the command line,
// whichever file is done first. A folder, and a recording whose results would go to the
// files of an earlier one, are not analysed. Returns the exit status: 0 when every recording was
// analysed and every file written, 1 otherwise, 2 when the output folder is missing.
int RunBatch(const BatchSettings& settings, const DecoderFactory& makeDecoder,
             BatchConsole& console);

// The whole program on its arguments (without the program's name): help, version, a refused
// command line (status 2) or the run.
int RunAnalyser(const std::vector<std::string>& args, const DecoderFactory& makeDecoder,
                BatchConsole& console);
