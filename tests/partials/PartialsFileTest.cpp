#include <clocale>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "partials/PartialData.h"
#include "support/ReadBack.h"
#include "support/ScriptedUiServices.h"
#include "support/SeedFiles.h"
#include "support/TempDir.h"

namespace {

std::string CrLf(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

const std::string kHeader = "Freq., Splash Amp., Tail Amp., Attack, Decay, Cents, Partial, Note";

// Writes text to a file, reads it through the scripted open dialog into table.
struct Fixture {
    CTempDir dir;
    CScriptedUiServices ui;
    CPartialData table;

    int Read(const std::string& text) {
        WriteFileBytes(dir.File("in.par"), text);
        ui.AnswerOpen(dir.File("in.par"));
        return table.ReadPartialsFile(ui);
    }
    int ReadLong(std::vector<std::string> data,
                 const std::string& second = "wave file is bell, nominal: 500.000000, A=440.0, ") {
        data.insert(data.begin(), {"Partials", second, kHeader});
        return Read(CrLf(data));
    }
    std::vector<double> Rows() const {
        return std::vector<double>(table.m_freq.begin(), table.m_freq.begin() + table.m_count);
    }
    // Writes table under title and returns the file's lines.
    std::vector<std::string> Write(const std::string& title) {
        ui.AnswerSave(dir.File("out.par"));
        EXPECT_TRUE(table.WritePartialsFile(ui, title));
        return SplitCrLf(ReadFileBytes(dir.File("out.par")));
    }
    void FillThree() {
        table.AddPartial(250, 0.25, 2.5, 0.01, 1.5, CPartialData::kPrime);
        table.AddPartial(500, 0, 12.5, 0, 0, CPartialData::kNominal);
        table.AddPartial(1000.123456, 1.5, 3.25, 0.125, 2.75, CPartialData::kUnnamed);
        table.m_nominal = 500;
        table.UpdateCentsAndNotes();
    }
};

}  // namespace

TEST(PartialsFile, WrittenBytesAndWhatReadingTakesFromThem) {
    Fixture f;
    f.FillThree();
    f.table.m_noiseTailAmp = 4;  // the noise row is not part of the file
    const std::string bytes =
        CrLf({"Partials", "wave file is bell, nominal: 500.000000, A=440.0, ", kHeader,
              "250.000000,0.250000,2.500000,0.010000,1.500000,-1200.000000,prime,B(0) +21",
              "500.000000,0.000000,12.500000,0.000000,0.000000,0.000000,nominal,B(1) +21",
              "1000.123456,1.500000,3.250000,0.125000,2.750000,1200.200000,,B(2) +22", ""});
    EXPECT_EQ(CrLf(f.Write("bell")), bytes);
    ASSERT_EQ(f.ui.m_fileDialogs.size(), 1u);
    EXPECT_EQ(f.ui.m_fileDialogs[0].filter, "Partials files (.par)|*.par|");
    EXPECT_EQ(f.ui.m_fileDialogs[0].defaultExt, "par");
    EXPECT_EQ(f.ui.m_fileDialogs[0].proposedName, "bell");

    f.table.m_germanNames = true;  // the reader's choice, not the file's, names the notes
    ASSERT_EQ(f.Read(bytes), 0);
    EXPECT_EQ(f.ui.m_waitDepth, 0);
    EXPECT_EQ(f.table.PartialName(1), "");  // names come from classification only
    EXPECT_EQ(f.table.m_note[1], "H(1) +21");
    EXPECT_EQ(f.table.m_noiseTailAmp, 0);

    f.table.m_aRef = 432;
    EXPECT_EQ(f.Write("bell")[1], "wave file is bell, nominal: 500.000000, A=432.0, German names");
}

TEST(PartialsFile, ReadingClassifiesButKeepsTheFilesNominal) {
    Fixture f;
    ASSERT_EQ(f.ReadLong({"125,0,1,0,0,0,,", "250,0,2,0,0,0,,", "", "  \t", "300,0,3,0,0,0,,",
                          "500,0,4,0,0,0,,", "1000,0,2,0,0,0,,", "440.0,1.0", "600,0,9,0,0,0"},
                         "wave file is a: b, nominal: 505.5, A=432.0, German names"),
              0);
    EXPECT_EQ(f.Rows(), (std::vector<double>{125, 250, 300, 500, 1000}));
    EXPECT_EQ(f.table.m_nominal, 505.5);
    EXPECT_EQ(f.table.m_aRef, 440.0);
    EXPECT_EQ(f.table.PartialName(0), "hum");
    EXPECT_EQ(f.table.PartialName(4), "oct. nom.");
    EXPECT_DOUBLE_EQ(f.table.m_cents[3], -18.9);
    EXPECT_EQ(f.table.m_note[3], "B(1) +21");
}

TEST(PartialsFile, CancelFailuresAndTheirTexts) {
    Fixture f;
    f.table.AddPartial(440, 0, 1, 0, 0, 7);
    f.table.m_nominal = 440;
    for (const auto& [path, code] : {std::pair<std::optional<std::string>, int>{std::nullopt, 2},
                                     {f.dir.File("missing.par"), 1},
                                     {f.dir.Path(), 1},
                                     {f.dir.Fifo("pipe.par"), 1}}) {
        f.ui.AnswerOpen(path);
        EXPECT_EQ(f.table.ReadPartialsFile(f.ui), code);
    }
    EXPECT_EQ(f.table.m_count, 1);  // untouched
    EXPECT_EQ(f.table.m_nominal, 440);

    // Cancel succeeds; /dev/full opens but takes no bytes.
    for (const auto& [path, ok] : {std::pair<std::optional<std::string>, bool>{std::nullopt, true},
                                   {f.dir.File("no-such-folder/bell.par"), false},
                                   {"/dev/full", false}}) {
        f.ui.AnswerSave(path);
        EXPECT_EQ(f.table.WritePartialsFile(f.ui, "bell"), ok) << path.value_or("cancel");
    }

    const char* texts[] = {
        "File read OK",       "Failed to open file!", "No file selected!", "Not a partials file!",
        "File format error!", "No nominal in file!",  "Bad file!"};
    for (int code = 0; code <= 6; ++code)
        EXPECT_STREQ(CPartialData::ReadResultText(code), texts[code]);
    EXPECT_STREQ(CPartialData::ReadResultText(-1), "Bad file!");
}

TEST(PartialsFile, HeaderErrorsAndALongSecondLine) {
    Fixture f;
    const std::pair<std::string, int> cases[] = {
        {"", 3},
        {" Partials\r\n", 3},
        {"Partials", 4},
        {CrLf({"Partials", "wave file of bell"}), 3},
        {CrLf({"Partials", "wave file is bell, nominal: 500"}), 4},
        {CrLf({"Partials", "File is: x"}), 5},
        {CrLf({"Partials", "File is: x", "nominal: 500"}), 5},
        {CrLf({"Partials", "File is: x", "Nominal: 500"}), 4},
        {CrLf({"Partials", "File is: x", "Nominal: 500", "h", "abc", "500,1,0"}), 4},
        {"Partialsxyz\nFile is: x\nNominal: 500\nh\n500,1,0\n", 0},  // line feeds alone
    };
    for (const auto& [text, code] : cases)
        EXPECT_EQ(f.Read(text), code) << text;
    EXPECT_EQ(f.ReadLong({}), 4);
    EXPECT_EQ(f.table.m_nominal, 500);  // read as far as it went
    EXPECT_FALSE(f.table.m_hasData);

    // 77 characters fit one read of the header buffer (the carriage return does not count);
    // with 78 the rest of line 2 is taken for the column header and the real one stops the data.
    for (const int titleLength : {32, 33}) {
        const std::string line2 =
            "wave file is " + std::string(titleLength, 't') + ", nominal: 500.000000, A=440.0, ";
        ASSERT_EQ(line2.size(), 45u + titleLength);
        const std::string file =
            CrLf({"Partials", line2, "Freq., Splash Amp., Tail Amp.", "500,0,1,0,0,0", ""});
        EXPECT_EQ(f.Read(file), titleLength == 32 ? 0 : 4) << titleLength;
        EXPECT_EQ(f.table.m_count, titleLength == 32 ? 1 : 0);
    }
}

TEST(PartialsFile, TheProgramReadsBackWhatItWritesWhateverTheTitle) {
    // A long recording name must not make the file unreadable: the title gives way.
    Fixture f;
    f.FillThree();
    for (const bool german : {false, true}) {
        f.table.m_germanNames = german;
        for (const std::string& title :
             {std::string(32, 't'), std::string(33, 't'), std::string(200, 't'),
              "Kirchengeläut " + std::string(40, 'x'), std::string("tenor: 3"),
              std::string("a, nominal: 7"), std::string("two\r\nlines")}) {
            const std::vector<std::string> lines = f.Write(title);
            EXPECT_LE(lines[1].size(), 77u);
            EXPECT_TRUE(lines[1].starts_with("wave file is " + title.substr(0, 3))) << title;
            EXPECT_TRUE(lines[1].ends_with(german ? ", A=440.0, German names" : ", A=440.0, "));
            CPartialData before = f.table;
            ASSERT_EQ(f.Read(CrLf(lines)), 0) << title;
            EXPECT_EQ(f.table.m_count, 3);
            EXPECT_EQ(f.table.m_nominal, 500);
            f.table = before;
        }
    }
}

TEST(PartialsFile, DataLineScanningAndNonFiniteNumbers) {
    Fixture f;
    // A space before a comma ends the numbers; blanks after one are skipped.
    EXPECT_EQ(f.ReadLong({"400, 0, 1,\t0, 0, 0", "5e2,0,2e0,0,0,0", "600 ,0,3,0,0,0", "700,0,1"}),
              0);
    EXPECT_EQ(f.Rows(), (std::vector<double>{400, 500}));
    // Lines are read whole, however long.
    EXPECT_EQ(f.ReadLong({"400." + std::string(200, '0') + ",0,1,0,0,0" + std::string(5000, ' '),
                          "500,0,1,0,0,0"}),
              0);
    EXPECT_EQ(f.Rows(), (std::vector<double>{400, 500}));
    // A lone carriage return does not end a line.
    EXPECT_EQ(f.Read(CrLf({"Partials", "wave file is x, nominal: 1", "h"}) +
                     "500,0,1,0,0,0\r600,0,1,0,0,0\r\n"),
              0);
    EXPECT_EQ(f.Rows(), std::vector<double>{500});

    // Non-finite numbers are no numbers.
    for (const std::string bad : {"inf", "-inf", "nan", "1e999", "infinity", "NAN(1)"}) {
        for (const auto& line : {bad + ",0,2,0,0,0", "500,0," + bad + ",0,0,0"}) {
            EXPECT_EQ(f.ReadLong({"400,0,1,0,0,0", line, "600,0,3,0,0,0"}), 0);
            EXPECT_EQ(f.Rows(), std::vector<double>{400}) << line;
        }
        EXPECT_EQ(f.ReadLong({"400,0,1,0,0,0"}, "wave file is x, nominal: " + bad + ", A=440.0, "),
                  0);
        EXPECT_EQ(f.table.m_nominal, 0) << bad;
        EXPECT_EQ(f.Read(CrLf({"Partials", "File is x", "Nominal: " + bad, "h", "500,1,0"})), 0);
        EXPECT_EQ(f.table.m_nominal, 0) << bad;
    }
    EXPECT_EQ(f.ReadLong({"400,1e-999,1,0,0,0"}), 0);  // too small to hold is zero
    EXPECT_EQ(f.table.m_splashAmp[0], 0);
}

TEST(PartialsFile, ShortForm) {
    Fixture f;
    EXPECT_EQ(f.Read(CrLf({"Partials", "File is: bell.wav", "Nominal: 500, A=440.0, ",
                           "Freq., Ampl., Cents, Partial, Note", "125,1,-2400,hum,B(-1) +21", "",
                           "250,2,-1200", "300,3,-884.3 tail", "500,4,0", "1000,-2,1200", "750,1",
                           "1500,1,1"})),
              0);
    EXPECT_EQ(f.table.m_nominal, 500);
    EXPECT_EQ(f.Rows(), (std::vector<double>{125, 250, 300, 500, 1000}));
    EXPECT_EQ(f.table.m_tailAmp[4], 2);
    EXPECT_EQ(f.table.m_splashAmp[4], 0);
    EXPECT_EQ(f.table.PartialName(3), "nominal");
    EXPECT_DOUBLE_EQ(f.table.m_cents[2], -884.3);

    for (const auto& [line, nominal] : std::vector<std::pair<std::string, double>>{
             {"Nominal 500", 0}, {"Nominal:   -7.5e1x", -75}, {"Nominal: none", 0}}) {
        EXPECT_EQ(f.Read(CrLf({"Partials", "File is x", line, "h", "500,1,0"})), 0);
        EXPECT_EQ(f.table.m_nominal, nominal) << line;
    }
}

// A nominal whose line 2 would not fit the reader's line even without a title: the reader
// refuses it, and the writer will not write a file it could not read back.
TEST(PartialsFile, ANominalTooLargeForLineTwoIsRefusedOnBothSides) {
    Fixture f;
    EXPECT_EQ(f.ReadLong({"500,0,1,0,0,0"}, "wave file is b, nominal: 1e36, A=440.0, "), 4);
    EXPECT_EQ(f.table.m_nominal, 0);
    EXPECT_FALSE(f.table.m_hasData);

    // The largest six-decimal text that leaves room for German names reads and writes back.
    const std::string largest = "99999999999999991611392.000000";
    ASSERT_EQ(f.ReadLong({"500,0,1,0,0,0"}, "wave file is b, nominal: " + largest + ", A=440.0, "),
              0);
    f.table.m_germanNames = true;
    const std::vector<std::string> lines = f.Write("bell");
    EXPECT_EQ(lines[1], "wave file is , nominal: " + largest + ", A=440.0, German names");
    EXPECT_EQ(f.Read(CrLf(lines)), 0);
    EXPECT_EQ(f.table.m_nominal, 1e23);

    // A nominal typed into Edit Partials: no dialog, no file, and the caller hears of it.
    f.table.m_nominal = 1e30;
    const std::size_t dialogs = f.ui.m_fileDialogs.size();
    EXPECT_FALSE(f.table.WritePartialsFile(f.ui, "bell"));
    EXPECT_EQ(f.ui.m_fileDialogs.size(), dialogs);  // not even asked for a name
    char written[4] = "";
    std::FILE* memory = fmemopen(written, sizeof written, "w");
    EXPECT_FALSE(f.table.FormatPartials(memory, "bell"));
    EXPECT_EQ(std::ftell(memory), 0);
    std::fclose(memory);
}

// What a file holds beyond six decimals is not what the program would write, so it is taken
// as the program writes it: rows that only differ there are one row, a frequency that only
// shows there is none, and reading, writing and reading again changes nothing.
TEST(PartialsFile, NumbersAreTakenToTheirSixDecimals) {
    Fixture f;
    EXPECT_EQ(f.ReadLong({"0.0000004,0,1,0,0,0"}), 4);
    ASSERT_EQ(f.ReadLong({"100.0000001,0.0000006,1,0,0,0", "100.0000002,0,2,0,0,0",
                          "200.1234566,0,1e-7,0,0,0"},
                         "wave file is b, nominal: 150.00000049, A=440.0, "),
              0);
    EXPECT_EQ(f.Rows(), (std::vector<double>{100.0, 200.123457}));
    EXPECT_EQ(f.table.m_splashAmp[0], 0.000001);
    EXPECT_EQ(f.table.m_tailAmp[1], 0.0);
    EXPECT_EQ(f.table.m_nominal, 150.0);
}

// Every seed file reads, and what it read is written and read back to the same table and
// the same bytes, with either note names.
TEST(PartialsFile, SeedFilesReadBackUnchanged) {
    CTempDir dir;
    CReadBack check(dir.Path());
    for (const SeedFile& seed : PartialsSeeds()) {
        for (const bool german : {false, true}) {
            EXPECT_EQ(check.Partials(seed.m_bytes, german), "") << seed.m_name;
            EXPECT_EQ(check.m_code, 0) << seed.m_name;
        }
    }
}

TEST(PartialsFile, PointDecimalsInAGermanLocale) {
    const std::string old = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "no German locale";
    Fixture f;
    f.table.m_aRef = 435;
    f.table.AddPartial(440.25, 0.5, 1.5, 0, 0, 7);
    f.table.m_nominal = 500.5;
    const std::vector<std::string> lines = f.Write("bell");
    EXPECT_EQ(lines[1], "wave file is bell, nominal: 500.500000, A=435.0, ");
    EXPECT_EQ(lines[3].substr(0, 29), "440.250000,0.500000,1.500000,");
    EXPECT_EQ(f.Read(CrLf(lines)), 0);
    std::setlocale(LC_ALL, old.c_str());
    EXPECT_EQ(std::pair(f.table.m_freq[0], f.table.m_nominal), std::pair(440.25, 500.5));
}
