#include "app/BatchAnalysis.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <ostream>
#include <system_error>
#include <thread>

#include "app/AnalysisDoc.h"
#include "platform/NumberText.h"
#include "platform/SoundDecoder.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"
#include "platform/VersionInfo.h"
#include "wave/WaveData.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kProgram = "tonvane-analyse";

// The panel's file dialogs answered with the files of the command line, and what the panel
// would have told the user kept in order.
class CBatchUiServices : public CUiServices {
  public:
    explicit CBatchUiServices(std::string recording) : m_recording(std::move(recording)) {}

    std::string m_savePath;
    std::vector<std::string> m_messages;

    std::optional<std::string> GetOpenFileName(const std::string&, const std::string&,
                                               const std::string&) override {
        return m_recording;
    }
    std::optional<std::string> GetSaveFileName(const std::string&, const std::string&,
                                               const std::string&) override {
        return m_savePath;
    }
    void MessageBox(const std::string& text) override { m_messages.push_back(text); }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}

  private:
    std::string m_recording;
};

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// A field of the summary table: quoted when a comma, a quote or a line break would split it.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

// The grid's checks that need no recording; the rest are the panel's own, per recording.
std::string CheckGrid(AnalysisParams& params) {
    const std::string bad = std::string(kBadTransformParamsText) + " ";
    if (!(params.m_startFreq >= 0.0 && params.m_startFreq <= kMaxStartFrequency))
        return bad + "--start-freq must be from 0 to " + FormatDoubleField(kMaxStartFrequency) +
               " Hz.";
    if (!(params.m_endFreq > params.m_startFreq))
        return bad + "--end-freq must be above --start-freq.";
    if (!(params.m_interval > 0.0))
        return bad + "--interval must be above 0 Hz.";
    params.RecomputeSteps();
    if (params.m_steps < CPartialData::kMinSearchSteps || params.m_steps > kMaxTransformSteps) {
        // A quotient beyond 32 bits comes back as the most negative value.
        const std::string steps = params.m_steps > 0
                                      ? std::to_string(params.m_steps)
                                      : "more than " + std::to_string(kMaxTransformSteps);
        return bad + FormatDoubleField(params.m_startFreq) + " to " +
               FormatDoubleField(params.m_endFreq) + " Hz by " +
               FormatDoubleField(params.m_interval) + " Hz gives " + steps +
               " steps; the partial search needs " + std::to_string(CPartialData::kMinSearchSteps) +
               " to " + std::to_string(kMaxTransformSteps) + ".";
    }
    return {};
}

std::string ReportLine(const RecordingReport& report) {
    std::string line = report.m_recording + ": ";
    if (report.m_nominal > 0.0)
        line += "nominal " + FormatFixed6(report.m_nominal) + " Hz " + report.m_nominalNote;
    else
        line += "no nominal";
    line += ", " + std::to_string(report.m_partialCount) + " partials -> " +
            report.m_output.m_partialsPath;
    if (report.m_wroteTransform)
        line += " " + report.m_output.m_transformPath;
    return line;
}

// The path two spellings of one file share, so that "a.wav" and "./a.wav" are told to be
// the same.
std::string SameFileKey(const std::string& path) {
    std::error_code error;
    const fs::path canonical = fs::weakly_canonical(fs::path(path), error);
    return error ? fs::path(path).lexically_normal().string() : canonical.string();
}

// Writes over the count of files done on a terminal.
class CProgressLine {
  public:
    CProgressLine(std::ostream& err, bool shown, std::size_t total)
        : m_err(err), m_shown(shown), m_total(total) {}

    void Show(std::size_t done) {
        if (!m_shown)
            return;
        const std::string text =
            std::to_string(done) + " of " + std::to_string(m_total) + " files analysed";
        m_err << '\r' << text << std::flush;
        m_width = text.size();
    }
    void Clear() {
        if (!m_shown || m_width == 0)
            return;
        m_err << '\r' << std::string(m_width, ' ') << '\r' << std::flush;
        m_width = 0;
    }

  private:
    std::ostream& m_err;
    bool m_shown;
    std::size_t m_total;
    std::size_t m_width = 0;
};

}  // namespace

BatchCommand ParseBatchCommand(const std::vector<std::string>& args, std::int32_t defaultJobs) {
    BatchCommand command;
    BatchSettings& settings = command.m_settings;
    settings.m_jobs = std::clamp(defaultJobs, 1, kMaxBatchJobs);
    const auto refuse = [&](std::string error) {
        command.m_action = BatchCommand::Action::kRefuse;
        command.m_error = std::move(error);
        return command;
    };

    bool optionsEnded = false;
    for (std::size_t a = 0; a < args.size(); ++a) {
        const std::string& arg = args[a];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            settings.m_files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // "--option=value", "-jN" and "-oDIR" carry their value along.
        std::string option = arg;
        std::optional<std::string> attached;
        if (arg.starts_with("--")) {
            if (const auto equals = arg.find('='); equals != std::string::npos) {
                option = arg.substr(0, equals);
                attached = arg.substr(equals + 1);
            }
        } else if (arg.size() > 2) {
            option = arg.substr(0, 2);
            attached = arg.substr(2);
        }
        const bool flag = option == "--help" || option == "--version" || option == "--german" ||
                          option == "--csv" || option == "--cents";
        const bool valued = option == "--start-freq" || option == "--end-freq" ||
                            option == "--interval" || option == "--pitch" || option == "-j" ||
                            option == "--jobs" || option == "-o" || option == "--output" ||
                            option == "--summary";
        if (!flag && !valued)
            return refuse("unknown option " + Quoted(arg) + ".");
        if (flag && attached)
            return refuse(option + " takes no value.");
        if (valued && !attached) {
            if (a + 1 == args.size())
                return refuse(option + " needs a value.");
            attached = args[++a];
        }
        const std::string value = attached.value_or("");

        if (option == "--help") {
            command.m_action = BatchCommand::Action::kHelp;
        } else if (option == "--version") {
            command.m_action = BatchCommand::Action::kVersion;
        } else if (option == "--german") {
            settings.m_params.m_germanNames = true;
        } else if (option == "--csv" || option == "--cents") {
            settings.m_writeTransform = true;
            settings.m_params.m_writeInCents |= option == "--cents";
        } else if (option == "-o" || option == "--output" || option == "--summary") {
            if (value.empty())
                return refuse(option + " needs a file name.");
            (option == "--summary" ? settings.m_summaryPath : settings.m_outputDir) = value;
        } else if (option == "-j" || option == "--jobs") {
            const auto jobs = ParseIntField(value);
            if (!jobs || *jobs < 1 || *jobs > kMaxBatchJobs)
                return refuse(option + ": " + Quoted(value) +
                              " is not a number of files from 1 to " +
                              std::to_string(kMaxBatchJobs) + ".");
            settings.m_jobs = *jobs;
        } else {
            const auto hz = ParseDoubleField(value);
            if (!hz)
                return refuse(option + ": " + Quoted(value) + " is not a number.");
            if (option == "--pitch") {
                if (*hz != 440.0 && *hz != 435.0 && *hz != 432.0)
                    return refuse("--pitch: " + Quoted(value) + " is not 440, 435 or 432.");
                settings.m_params.m_aRef = *hz;
            } else if (option == "--start-freq") {
                settings.m_params.m_startFreq = *hz;
            } else if (option == "--end-freq") {
                settings.m_params.m_endFreq = *hz;
            } else {
                settings.m_params.m_interval = *hz;
            }
        }
    }
    if (command.m_action != BatchCommand::Action::kRun)
        return command;
    if (const std::string error = CheckGrid(settings.m_params); !error.empty())
        return refuse(error);
    if (settings.m_files.empty())
        return refuse("no recordings given.");
    return command;
}

std::string BatchUsage() {
    const AnalysisParams panel;
    return std::string("Usage: ") + kProgram +
           " [OPTION]... FILE...\n"
           "Finds and names the partials of each recording of a bell as Tonvane's Analyse File\n"
           "does, and writes them to TITLE.par as its Write Partials does.\n"
           "\n"
           "  --start-freq HZ     lowest frequency of the transform (default " +
           FormatDoubleField(panel.m_startFreq) +
           ")\n"
           "  --end-freq HZ       highest frequency of the transform (default " +
           FormatDoubleField(panel.m_endFreq) +
           ")\n"
           "  --interval HZ       frequency interval of the transform (default " +
           FormatDoubleField(panel.m_interval) +
           ")\n"
           "  --pitch 440|435|432 pitch of A for the note names (default " +
           FormatDoubleField(panel.m_aRef) +
           ")\n"
           "  --german            German note names\n"
           "  -o, --output DIR    write the files into DIR (default: beside each recording)\n"
           "  --csv               also write the transform to TITLE.csv, in Hz\n"
           "  --cents             write TITLE.csv in cents from the nominal (implies --csv)\n"
           "  -j, --jobs N        analyse N files at once (default: one per processor core)\n"
           "  --summary FILE      write one CSV row per recording analysed to FILE: its nominal,\n"
           "                      note, and the cents of hum, prime, tierce, quint, superquint\n"
           "                      and octave nominal\n"
           "  --help              show this help and end\n"
           "  --version           show the version and end\n"
           "\n"
           "Exit status: 0 when every recording was analysed and written, 1 when one was not,\n"
           "2 when the command line is refused.\n";
}

RecordingOutput OutputFor(const std::string& recording, const BatchSettings& settings) {
    // The title the panel proposes to the save dialogs.
    CWaveData named;
    named.m_fileName = recording;
    const std::string title = named.GetFileTitle();
    const fs::path folder = settings.m_outputDir.empty() ? fs::path(recording).parent_path()
                                                         : fs::path(settings.m_outputDir);
    return {(folder / (title + ".par")).string(), (folder / (title + ".csv")).string()};
}

RecordingReport AnalyseRecording(const std::string& recording, const RecordingOutput& output,
                                 const BatchSettings& settings, CSoundDecoder& decoder) {
    RecordingReport report;
    report.m_recording = recording;
    report.m_output = output;

    CAnalysisDoc doc;
    doc.m_params = settings.m_params;
    doc.m_partials.m_aRef = settings.m_params.m_aRef;
    CBatchUiServices ui(recording);
    doc.AnalyseFile({
        .m_readWaveform =
            [&] {
                WaveFormatCopy format;
                return doc.ReadWaveform(ui, decoder, format);
            },
        .m_doTransform =
            [&] {
                doc.Sync();
                if (!doc.CheckTransform() || !doc.AllocateTransform() || !doc.ComputeTransform())
                    ui.MessageBox(kBadTransformParamsText);
            },
        // The transform view, closed as it opened.
        .m_viewTransform =
            [&] {
                doc.Sync();
                doc.TakeTableNominal();
            },
    });
    if (ui.m_messages.empty() && !doc.m_partials.m_hasData)
        ui.MessageBox("No partials found!");
    if (ui.m_messages.empty()) {
        ui.m_savePath = output.m_partialsPath;
        doc.WritePartials(ui);
    }
    if (ui.m_messages.empty() && settings.m_writeTransform) {
        ui.m_savePath = output.m_transformPath;
        doc.WriteTransform(ui);
        report.m_wroteTransform = ui.m_messages.empty();
    }
    if (!ui.m_messages.empty()) {
        report.m_failure = ui.m_messages.front();
        return report;
    }

    const CPartialData& table = doc.m_partials;
    report.m_nominal = table.m_nominal;
    report.m_nominalNote = doc.NominalNote();
    report.m_partialCount = table.m_count;
    for (std::size_t column = 0; column < kSummaryPartials.size(); ++column) {
        for (int row = 0; row < table.m_count; ++row) {
            if (table.m_partialIndex[row] == kSummaryPartials[column]) {
                report.m_cents[column] = table.m_cents[row];
                break;
            }
        }
    }
    return report;
}

std::string SummaryHeader() {
    return "File,Nominal (Hz),Nominal note,Hum (cents),Prime (cents),Tierce (cents),"
           "Quint (cents),Superquint (cents),Octave nominal (cents)\r\n";
}

std::string SummaryRow(const RecordingReport& report) {
    const bool nominal = report.m_nominal > 0.0;
    std::string row = CsvField(report.m_recording) + ',' +
                      (nominal ? FormatFixed6(report.m_nominal) : std::string()) + ',' +
                      (nominal ? CsvField(report.m_nominalNote) : std::string());
    for (const auto& cents : report.m_cents)
        row += ',' + (cents ? FormatFixed6(*cents) : std::string());
    return row + "\r\n";
}

int RunBatch(const BatchSettings& settings, const DecoderFactory& makeDecoder,
             BatchConsole& console) {
    if (!settings.m_outputDir.empty()) {
        std::error_code error;
        if (!fs::is_directory(settings.m_outputDir, error)) {
            console.m_err << kProgram << ": the output folder " << Quoted(settings.m_outputDir)
                          << " does not exist.\n";
            return 2;
        }
    }

    const std::size_t count = settings.m_files.size();
    std::vector<RecordingOutput> outputs(count);
    // Why a recording is not analysed at all: a folder is not a recording, and a recording
    // whose results would go to an earlier one's files would overwrite them.
    std::vector<std::string> refusals(count);
    std::map<std::string, std::size_t> writers;
    for (std::size_t i = 0; i < count; ++i) {
        outputs[i] = OutputFor(settings.m_files[i], settings);
        std::error_code error;
        if (fs::is_directory(settings.m_files[i], error)) {
            refusals[i] = "a folder, not a recording.";
            continue;
        }
        const auto [at, first] = writers.emplace(SameFileKey(outputs[i].m_partialsPath), i);
        if (!first)
            refusals[i] = outputs[i].m_partialsPath + " is written for " +
                          settings.m_files[at->second] + " already.";
    }

    std::vector<RecordingReport> reports(count);
    std::vector<char> done(count, 0);
    std::size_t finished = 0;
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        const std::unique_ptr<CSoundDecoder> decoder = makeDecoder();
        for (std::size_t i = next.fetch_add(1); i < count; i = next.fetch_add(1)) {
            RecordingReport report;
            if (refusals[i].empty()) {
                report = AnalyseRecording(settings.m_files[i], outputs[i], settings, *decoder);
            } else {
                report.m_recording = settings.m_files[i];
                report.m_failure = refusals[i];
            }
            {
                const std::lock_guard<std::mutex> lock(mutex);
                reports[i] = std::move(report);
                done[i] = 1;
                ++finished;
            }
            ready.notify_all();
        }
    };

    std::vector<std::thread> threads;
    const std::size_t wanted =
        std::min<std::size_t>(static_cast<std::size_t>(settings.m_jobs), count);
    for (std::size_t t = 0; t < wanted; ++t) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // the threads there are share the files
        }
    }
    if (threads.empty())
        work();

    CProgressLine progress(console.m_err, console.m_showProgress, count);
    int status = 0;
    std::string summary = SummaryHeader();
    std::size_t shown = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::unique_lock<std::mutex> lock(mutex);
        while (!done[i]) {
            if (finished != shown) {
                shown = finished;
                progress.Show(shown);
            }
            ready.wait(lock, [&] { return done[i] || finished != shown; });
        }
        shown = finished;
        lock.unlock();
        progress.Clear();
        const RecordingReport& report = reports[i];
        if (report.Analysed()) {
            console.m_out << ReportLine(report) << '\n' << std::flush;
            summary += SummaryRow(report);
        } else {
            console.m_err << report.m_recording << ": " << report.m_failure << '\n' << std::flush;
            status = 1;
        }
        progress.Show(shown);
    }
    progress.Clear();
    for (auto& thread : threads)
        thread.join();

    if (!settings.m_summaryPath.empty() && !WriteFile(settings.m_summaryPath, [&](std::FILE* file) {
            return std::fwrite(summary.data(), 1, summary.size(), file) == summary.size();
        })) {
        console.m_err << settings.m_summaryPath << ": Error writing file!\n";
        status = 1;
    }
    return status;
}

int RunAnalyser(const std::vector<std::string>& args, const DecoderFactory& makeDecoder,
                BatchConsole& console) {
    const auto cores = static_cast<std::int32_t>(
        std::min<unsigned>(std::thread::hardware_concurrency(), kMaxBatchJobs));
    const BatchCommand command = ParseBatchCommand(args, cores);
    switch (command.m_action) {
        case BatchCommand::Action::kHelp:
            console.m_out << BatchUsage();
            return 0;
        case BatchCommand::Action::kVersion:
            console.m_out << kProgram << ' '
                          << ReadVersionStrings(ProgramVersionRecord()).productVersion << '\n';
            return 0;
        case BatchCommand::Action::kRefuse:
            console.m_err << kProgram << ": " << command.m_error << '\n'
                          << "Try '" << kProgram << " --help'.\n";
            return 2;
        case BatchCommand::Action::kRun:
            break;
    }
    return RunBatch(command.m_settings, makeDecoder, console);
}
