// The source tree's folders depend one way only:
//   platform <- wave <- transform <- partials <- {synth, decay, audio} <- view <- app,
// with the backends beside platform and reached by the programs' entries alone: the panel's
// and the analyser's. A file may include from its own folder and from the folders before it;
// gui/ subfolders count as their parent. The device libraries' headers belong to the
// backends, Qt's to gui/ code and to the panel's entry (the analyser has no window).

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;

// What each folder may include besides itself.
const std::map<std::string, std::set<std::string>>& Allowed() {
    static const std::map<std::string, std::set<std::string>> allowed = {
        {"platform", {}},
        {"backends", {"platform"}},
        {"wave", {"platform"}},
        {"transform", {"platform", "wave"}},
        {"partials", {"platform", "wave", "transform"}},
        {"synth", {"platform", "wave", "transform", "partials"}},
        {"decay", {"platform", "wave", "transform", "partials"}},
        {"audio", {"platform", "wave", "transform", "partials"}},
        {"view", {"platform", "wave", "transform", "partials", "synth", "decay", "audio"}},
        {"app", {"platform", "wave", "transform", "partials", "synth", "decay", "audio", "view"}},
    };
    return allowed;
}

// An #include line: its opening character ('<' or '"') and the name between the marks.
bool ParseInclude(const std::string& line, char& opening, std::string& target) {
    std::size_t at = line.find_first_not_of(" \t");
    if (at == std::string::npos || line[at] != '#')
        return false;
    at = line.find_first_not_of(" \t", at + 1);
    if (at == std::string::npos || line.compare(at, 7, "include") != 0)
        return false;
    at = line.find_first_not_of(" \t", at + 7);
    if (at == std::string::npos || (line[at] != '<' && line[at] != '"'))
        return false;
    opening = line[at];
    const std::size_t end = line.find(opening == '<' ? '>' : '"', at + 1);
    if (end == std::string::npos)
        return false;
    target = line.substr(at + 1, end - at - 1);
    return true;
}

// The violations in one file, given by its path below src/ ("wave/gui/WaveDetailsDlg.cpp").
std::vector<std::string> CheckIncludes(const std::string& path, const std::string& text) {
    std::vector<std::string> problems;
    const std::string folder = path.substr(0, path.find('/'));
    const bool guiCode = path.find("/gui/") != std::string::npos;
    const bool panelEntry = path == "app/main.cpp";
    const bool programEntry = panelEntry || path == "app/analyse_main.cpp";
    const auto allowed = Allowed().find(folder);
    if (allowed == Allowed().end()) {
        problems.push_back(path + ": a folder the dependency order does not know");
        return problems;
    }
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        char opening = 0;
        std::string target;
        if (!ParseInclude(line, opening, target))
            continue;
        const std::string where = path + ":" + std::to_string(number) + ": " + target;
        if (opening == '<') {
            const bool deviceLibrary = target == "portaudio.h" || target.starts_with("sndfile.");
            const bool qt = target.starts_with("Q") || target.starts_with("qt");
            if (deviceLibrary && folder != "backends")
                problems.push_back(where + " (device libraries belong to the backends)");
            if (qt && !guiCode && !panelEntry)
                problems.push_back(where + " (Qt belongs to gui/ code)");
            continue;
        }
        const std::size_t slash = target.find('/');
        if (slash == std::string::npos)
            continue;  // beside the file itself
        const std::string included = target.substr(0, slash);
        if (included == folder)
            continue;
        if (included == "backends" && programEntry)
            continue;
        if (!allowed->second.contains(included))
            problems.push_back(where + " (" + folder + " may not depend on " + included + ")");
    }
    return problems;
}

TEST(DependencyOrder, TheRuleCatchesEveryKindOfWrongInclude) {
    const std::tuple<const char*, const char*, std::size_t> cases[] = {
        {"view/gui/TransformViewDlg.cpp",
         "#include <QDialog>\n#include \"partials/PartialData.h\"\n"
         "#include \"transform/TransformData.h\"\n#include \"Local.h\"\n",
         0},
        {"app/main.cpp", "#include \"backends/PortAudioSound.h\"\n#include <QApplication>\n", 0},
        {"app/analyse_main.cpp", "#include \"backends/SndfileDecoder.h\"\n", 0},
        {"backends/Sndfile.cpp", "  #  include <sndfile.h>\n", 0},
        {"transform/TransformData.cpp", "#include \"app/AnalysisParams.h\"\n", 1},
        {"transform/TransformView.cpp", "#include \"partials/PartialData.h\"\n", 1},
        {"synth/Synthesis.cpp", "#include \"decay/DecayData.h\"\n", 1},
        {"app/gui/MainDlg.cpp", "#include \"backends/PortAudioSound.h\"\n", 1},
        {"app/BatchAnalysis.cpp", "#include \"backends/SndfileDecoder.h\"\n", 1},
        {"app/analyse_main.cpp", "#include <QCoreApplication>\n", 1},
        {"wave/WavFile.cpp", "#include \"backends/SndfileDecoder.h\"\n#include <sndfile.h>\n", 2},
        {"audio/SoundOut.cpp", "#include <portaudio.h>\n", 1},
        {"partials/PartialData.cpp", "#include <QString>\n", 1},
        {"backends/PortAudioSound.cpp", "#include <QThread>\n", 1},
        {"misc/Helper.cpp", "", 1},
    };
    for (const auto& [path, text, count] : cases)
        EXPECT_EQ(CheckIncludes(path, text).size(), count) << path << " " << text;
}

TEST(DependencyOrder, EverySourceFileKeepsTheOrder) {
    const fs::path root = TONVANE_SOURCE_DIR;
    int files = 0;
    std::vector<std::string> problems;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const auto extension = entry.path().extension();
        if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h"))
            continue;
        ++files;
        std::ifstream in(entry.path());
        std::stringstream text;
        text << in.rdbuf();
        const std::string path = entry.path().lexically_relative(root).generic_string();
        for (const auto& problem : CheckIncludes(path, text.str()))
            problems.push_back(problem);
    }
    EXPECT_GT(files, 50);  // the tree was found and read
    for (const auto& problem : problems)
        ADD_FAILURE() << problem;
}

}  // namespace
