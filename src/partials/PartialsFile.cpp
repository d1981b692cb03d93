// The partials file: the long form written from the table, and the long and the short form
// read back into it.

#include <string_view>

#include "partials/PartialData.h"
#include "platform/NumberText.h"
#include "platform/TextFile.h"
#include "platform/TextScan.h"
#include "platform/UiServices.h"

namespace {

constexpr const char* kFilter = "Partials files (.par)|*.par|";
// Data lines are read whole; more than this of one line is never needed to find six numbers,
// and a file without line ends must not make the reader take unbounded memory.
constexpr std::size_t kDataLineLimit = 1 << 20;

bool IsBlankChar(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The next whole line without its end, CR LF or LF; only the first kDataLineLimit
// characters are kept. False at the end of the file.
bool ReadDataLine(std::FILE* file, std::string& line) {
    line.clear();
    bool any = false;
    for (int c = std::getc(file); c != EOF; c = std::getc(file)) {
        any = true;
        if (c == '\r') {
            const int next = std::getc(file);
            if (next == '\n')
                break;
            if (next != EOF)
                std::ungetc(next, file);
        }
        if (c == '\n')
            break;
        if (line.size() < kDataLineLimit)
            line += static_cast<char>(c);
    }
    return any;
}

// The numbers "%lf,%lf,..." at the start of a line, each as its six decimals: how many of
// the count were found in a row, or -1 when the line holds nothing but blanks.
int ScanNumberList(std::string_view line, double* values, int count) {
    for (int k = 0; k < count; ++k) {
        if (k > 0) {
            if (line.empty() || line.front() != ',')
                return k;
            line.remove_prefix(1);
        }
        const auto value = ScanReal(line);
        if (!value) {
            if (k == 0) {
                while (!line.empty() && IsBlankChar(line.front()))
                    line.remove_prefix(1);
                if (line.empty())
                    return -1;
            }
            return k;
        }
        values[k] = RoundToFixed6(*value);
    }
    return count;
}

// The number that follows the colon at colon; 0 when there is no colon or no number.
double NumberAfter(std::string_view line, std::size_t colon) {
    if (colon == std::string_view::npos)
        return 0.0;
    line.remove_prefix(colon + 1);
    return RoundToFixed6(ScanReal(line).value_or(0.0));
}

// The header lines are read back through a buffer that holds 77 characters and the line
// end; a longer line 2 would be split and the program could not read its own file. The
// title is the one part of it nothing reads back, so it gives way, cut between characters.
constexpr std::size_t kHeaderLineRoom = 77;
constexpr std::string_view kWaveFilePrefix = "wave file is ";

// Line 2 after the title.
std::string HeaderRest(double nominal, double aRef, bool germanNames) {
    return ", nominal: " + FormatFixed6(nominal) + ", " + PitchReferenceText(aRef) + ", " +
           (germanNames ? "German names" : "");
}

// Whether a nominal leaves line 2 within the reader's line, even with German names and no
// title at all. Reader and writer both hold to it, so every table read can be written and
// read again whichever note names are chosen: no bell comes near the 1e23 Hz it allows.
bool NominalFitsHeader(double nominal, double aRef) {
    return kWaveFilePrefix.size() + HeaderRest(nominal, aRef, true).size() <= kHeaderLineRoom;
}

}  // namespace

const char* CPartialData::ReadResultText(int code) {
    switch (code) {
        case kReadOk:
            return "File read OK";
        case kOpenFailed:
            return "Failed to open file!";
        case kNoFileSelected:
            return "No file selected!";
        case kNotPartialsFile:
            return "Not a partials file!";
        case kFormatError:
            return "File format error!";
        case kNoNominal:
            return "No nominal in file!";
        default:
            return "Bad file!";
    }
}

CPartialData::ReadResult CPartialData::ReadPartialsFile(CUiServices& ui) {
    const auto path = ui.GetOpenFileName(kFilter, "", "");
    if (!path)
        return kNoFileSelected;
    CWaitCursor wait(ui);
    const FilePtr file = OpenRegularFile(*path);
    if (!file)
        return kOpenFailed;
    return ParsePartials(file.get());
}

CPartialData::ReadResult CPartialData::ParsePartials(std::FILE* file) {
    Clear();
    // The lines up to the column header go through an 80-character line buffer: the rest of
    // a longer line comes back as the next line, so an over-long second line leaves its tail
    // to be taken for the column header.
    CTextLineReader reader(file);
    std::string line;
    if (!reader.ReadLine(line) || !line.starts_with("Partials"))
        return kNotPartialsFile;
    if (!reader.ReadLine(line))
        return kFormatError;

    int numbersPerLine;
    if (line.starts_with("File is")) {
        if (!reader.ReadLine(line) || !line.starts_with("Nominal"))
            return kNoNominal;
        m_nominal = NumberAfter(line, line.find(':'));
        numbersPerLine = 3;
    } else if (line.starts_with("wave file is")) {
        // The nominal follows the colon of ", nominal:"; the waveform's title before it may
        // hold colons of its own. The last such label is the one this program wrote.
        const std::size_t label = line.rfind(", nominal:");
        m_nominal =
            NumberAfter(line, label != std::string::npos ? line.find(':', label) : line.find(':'));
        numbersPerLine = 6;
    } else {
        return kNotPartialsFile;
    }
    if (!NominalFitsHeader(m_nominal, m_aRef)) {
        m_nominal = 0.0;
        return kFormatError;
    }
    if (!reader.ReadLine(line))
        return kFormatError;  // column header

    double v[6] = {};
    while (ReadDataLine(file, line)) {
        const int found = ScanNumberList(line, v, numbersPerLine);
        if (found < 0)
            continue;  // blank line
        if (found < numbersPerLine)
            break;
        if (numbersPerLine == 3)
            AddPartial(v[0], 0.0, v[1], 0.0, 0.0, kUnnamed);  // cents in v[2] are derived
        else
            AddPartial(v[0], v[1], v[2], v[3], v[4], kUnnamed);
    }
    if (!m_hasData)
        return kFormatError;

    // Names from the partials, cents against the nominal the file gave.
    Classify(false, 0.0, 0.0);
    UpdateCentsAndNotes();
    return kReadOk;
}

bool CPartialData::WritePartialsFile(CUiServices& ui, const std::string& title) const {
    if (!NominalFitsHeader(m_nominal, m_aRef))
        return false;
    const auto path = ui.GetSaveFileName(kFilter, "par", title);
    if (!path)
        return true;
    return WriteFile(*path, [&](std::FILE* file) { return FormatPartials(file, title); });
}

bool CPartialData::FormatPartials(std::FILE* file, const std::string& title) const {
    if (!NominalFitsHeader(m_nominal, m_aRef))
        return false;
    std::string text = "Partials\r\n";
    const std::string rest = HeaderRest(m_nominal, m_aRef, m_germanNames);
    const std::size_t used = kWaveFilePrefix.size() + rest.size();
    text.append(kWaveFilePrefix);
    text += FitOnOneLine(title, kHeaderLineRoom - used) + rest + "\r\n";
    text += "Freq., Splash Amp., Tail Amp., Attack, Decay, Cents, Partial, Note\r\n";
    for (int i = 0; i < m_count; ++i) {
        text += FormatFixed6(m_freq[i]) + ',' + FormatFixed6(m_splashAmp[i]) + ',' +
                FormatFixed6(m_tailAmp[i]) + ',' + FormatFixed6(m_attack[i]) + ',' +
                FormatFixed6(m_decay[i]) + ',' + FormatFixed6(m_cents[i]) + ',' + PartialName(i) +
                ',' + m_note[i] + "\r\n";
    }
    text += "\r\n";
    return std::fwrite(text.data(), 1, text.size(), file) == text.size() && std::fflush(file) == 0;
}
