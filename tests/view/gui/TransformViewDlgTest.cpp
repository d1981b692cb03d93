#include <QAccessible>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest>
#include <cmath>
#include <memory>

#include "partials/PartialData.h"
#include "support/ScriptedUiServices.h"
#include "support/gui/DialogTestTools.h"
#include "transform/TransformData.h"
#include "view/gui/TransformViewDlg.h"

namespace {

// A bell-like spectrum by 0.5 Hz from 0 Hz (at 2000 steps 3 values a column when it fits):
// hum 125, prime 250, tierce 300, nominal 500 and superquint 750 Hz on a floor of 0.01.
void Bell(CTransformData& t, int steps = 2000) {
    t.Allocate(steps, 0.0, steps * 0.5, 0.5);
    const std::pair<int, double> peaks[] = {
        {250, 40}, {500, 60}, {600, 50}, {1000, 100}, {1500, 30}};
    for (int j = 0; j <= steps; ++j) {
        double v = 0.01;
        for (const auto& [at, height] : peaks)
            v = std::max(v, height * std::exp(-0.5 * (j - at) * (j - at) / 9.0));
        t.m_values[j] = t.m_smoothed[j] = v;
    }
    t.FindMaximum();
    t.m_valid = true;
    t.m_smoothedValid = steps >= 200;
}

constexpr QRgb kWhite = 0xffffff;
constexpr QRgb kBlack = 0x000000;
constexpr QRgb kBlue = 0x0000ff;
constexpr QRgb kRed = 0xff0000;
constexpr QRgb kGreen = 0x00a000;
constexpr int kH = CTransformViewDlg::kPlotHeight;

}  // namespace

class TransformViewDlgTest : public QObject {
    Q_OBJECT

  private:
    CTransformData m_transforms;
    CPartialData m_partials;
    NoteNaming m_naming;
    std::string m_fileTitle;
    std::unique_ptr<CScriptedUiServices> m_ui;
    std::unique_ptr<CTransformViewDlg> m_dlg;

    void Open() {
        m_dlg = std::make_unique<CTransformViewDlg>(m_transforms, m_partials, m_naming, m_fileTitle,
                                                    *m_ui);
        m_dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
    }
    QString Cell(int row, int column) const { return m_dlg->m_list->item(row, column)->text(); }
    void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    void ClickPlot(int x, bool twice = false) {
        if (twice)
            QTest::mouseDClick(m_dlg->PlotArea(), Qt::LeftButton, {}, QPoint(x, kH / 2));
        else
            QTest::mouseClick(m_dlg->PlotArea(), Qt::LeftButton, {}, QPoint(x, kH / 2));
    }
    QRgb At(int x, int y) const { return m_dlg->PlotImage().pixel(x, y) & 0xffffff; }
    QStringList Texts(std::initializer_list<QLineEdit*> edits) const {
        QStringList texts;
        for (QLineEdit* edit : edits)
            texts << edit->text();
        return texts;
    }

  private slots:
    void init() {
        m_ui = std::make_unique<CScriptedUiServices>();
        m_partials.Clear();
        m_naming = NoteNaming();
        m_fileTitle = "bell.wav";
        Bell(m_transforms);
    }

    void cleanup() {
        m_dlg.reset();
        m_ui.reset();
    }

    void opensWithItsTextsAndEveryControlNamed() {
        m_naming.m_germanNames = true;
        m_naming.m_aRef = 435.0;
        m_partials.AddPartial(500.0, 0, 100, 0, 0, 7);
        m_partials.m_nominal = 500.0;
        m_partials.UpdateCentsAndNotes();
        Open();
        QCOMPARE(m_dlg->windowTitle(), QStringLiteral("Transforms and partials selection"));
        const QStringList texts =
            Texts({m_dlg->m_fileEdit, m_dlg->m_scaleEdit, m_dlg->m_cursorFreqEdit,
                   m_dlg->m_amplitudeEdit, m_dlg->m_pitchEdit, m_dlg->m_germanEdit,
                   m_dlg->m_highNominalEdit, m_dlg->m_leftFreqEdit, m_dlg->m_centreFreqEdit,
                   m_dlg->m_rightFreqEdit})
            << Cell(0, 0) << Cell(0, 1) << Cell(1, 0);
        QCOMPARE(texts, (QStringList{"bell.wav", "3", "0", "0.01", "A=435.0Hz", "German names",
                                     "1000", "0Hz", "480Hz", "960Hz", "500", "0", ""}));
        QVERIFY(m_dlg->m_backButton->isDefault());

        QStringList names = CheckControlsAreNamedAndReachable(*m_dlg);
        for (QWidget* w : std::initializer_list<QWidget*>{m_dlg->m_cursorSpin, m_dlg->m_list}) {
            names << AccessibleName(w);
            QVERIFY2(!names.back().isEmpty() && (w->focusPolicy() & Qt::TabFocus),
                     w->metaObject()->className());
        }
        for (const char* label : {"File:", "Cursor Freq. (Hz)", "Amplitude", "Low Nominal",
                                  "High Nominal", "Partial search sensitivity:"})
            QVERIFY2(names.contains(QString::fromLatin1(label)), label);
    }

    void drawsSpectrumPartialsAndCursor() {
        m_partials.AddPartial(250.0, 0, 60, 0, 0, 7);  // value 500: column 166
        Open();
        QCOMPARE(m_dlg->PlotImage().size(), QSize(CTransformViewDlg::kPlotWidth, kH));
        // The nominal's column, 333, reaches the full height less the margin, in blue.
        QCOMPARE(m_dlg->Model().Column(333).m_y, 9);
        const auto pixels = [&](std::initializer_list<QPoint> at) {
            QList<QRgb> colours;
            for (QPoint p : at)
                colours << At(p.x(), p.y());
            return colours;
        };
        QCOMPARE(pixels({{333, 10}, {333, kH - 2}, {333, 9}, {166, kH - 2}, {165, kH - 2}}),
                 (QList<QRgb>{kBlue, kBlue, kWhite, kRed, kBlue}));
        // The cursor opens on column 0, of no height: green from the bottom up to the frame.
        QCOMPARE(pixels({{0, kH - 1},
                         {0, 1},
                         {0, 0},
                         {300, kH - 1},
                         {CTransformViewDlg::kPlotWidth - 1, kH / 2}}),
                 (QList<QRgb>{kGreen, kGreen, kBlack, kBlack, kBlack}));
        // On the hum's column the cursor is black up to the spectrum's top, then green.
        ClickPlot(83);
        const int y = m_dlg->Model().Column(83).m_y;
        QVERIFY(y > 1 && y < kH - 2);
        QCOMPARE(pixels({{83, y + 1}, {83, y}, {83, 1}, {0, 1}}),  // column 0: the frame's again
                 (QList<QRgb>{kBlack, kGreen, kGreen, kBlack}));
    }

    void clickMovesTheCursorAndDoubleClickTogglesAPartial() {
        m_partials.AddPartial(500.5, 0, 99, 0, 0, 7);
        Open();
        ClickPlot(333);  // the column's peak
        QCOMPARE(Texts({m_dlg->m_cursorFreqEdit, m_dlg->m_amplitudeEdit, m_dlg->m_cursorNoteEdit}),
                 (QStringList{"500", "100", "B(1) +21"}));
        QCOMPARE(m_dlg->m_cursorSpin->value(), 333);
        QCOMPARE(m_partials.m_count, 1);
        // Within 1 Hz of the partial at 500.5 Hz: removed; again: added back at the cursor.
        ClickPlot(333, true);
        QCOMPARE(m_partials.m_count, 0);
        QCOMPARE(Cell(0, 0), QString());
        ClickPlot(333, true);
        QCOMPARE(m_partials.m_count, 1);
        QCOMPARE(m_partials.m_tailAmp[0], 100.0);
        QCOMPARE(Cell(0, 0) + " " + Cell(0, 3), QStringLiteral("500 B(1) +21"));
        QCOMPARE(At(333, kH - 2), kRed);
    }

    void findPartialsAndClearAll() {
        Open();
        Click(m_dlg->m_findButton);
        QVERIFY(m_ui->m_messages.empty());
        QStringList names;
        for (int row = 0; row < 6; ++row)
            names << Cell(row, 2);
        QCOMPARE(names, (QStringList{"hum", "prime", "tierce", "nominal", "superquint", ""}));
        QCOMPARE(Cell(2, 1), QStringLiteral("-884.3"));
        // The slider at High, by keyboard.
        QTest::keyClick(m_dlg->m_sensitivitySlider, Qt::Key_End);
        Click(m_dlg->m_findButton);
        QCOMPARE(m_dlg->Model().m_sensitivity, 3.0);

        Click(m_dlg->m_clearButton);
        QCOMPARE(m_partials.m_count, 0);
        QCOMPARE(m_partials.m_nominal, 0.0);
        QCOMPARE(Cell(0, 0) + Cell(0, 2), QString());

        // A transform too short to search says so and keeps the table.
        m_dlg.reset();
        Bell(m_transforms, 199);
        m_partials.AddPartial(42.0, 0, 1, 0, 0, 7);
        Open();
        Click(m_dlg->m_findButton);
        QCOMPARE(m_ui->m_messages, std::vector<std::string>{"Transform too short"});
        QCOMPARE(Cell(0, 0), QStringLiteral("42"));
    }

    void scaleScrollAndZoomControls() {
        Bell(m_transforms, 100001);
        Open();
        QCOMPARE(m_dlg->m_scaleEdit->text(), QStringLiteral("156"));
        ClickPlot(300);  // value 46800
        Click(m_dlg->m_scaleButton);
        Click(m_dlg->m_scaleButton);
        QCOMPARE(m_dlg->m_scaleEdit->text(), QStringLiteral("2"));
        // Centred on the cursor; the bar's thumb is one page of 640 x 2 values.
        QScrollBar* bar = m_dlg->m_scrollBar;
        QCOMPARE((QList<int>{m_dlg->m_cursorSpin->value(), bar->pageStep(), bar->maximum(),
                             bar->value()}),
                 (QList<int>{320, 1280, 100001 - 1280, 46800 - 640}));
        QCOMPARE(m_dlg->m_leftFreqEdit->text(), QStringLiteral("23080Hz"));

        // Keys and the bar's arrow move the view; the steps and limits are the model's.
        QTest::keyClick(bar, Qt::Key_Home);
        QTest::keyClick(bar, Qt::Key_PageDown);
        QCOMPARE(m_dlg->m_leftFreqEdit->text(), QStringLiteral("100Hz"));
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - 4, bar->height() / 2));
        QCOMPARE(m_dlg->Model().m_scrollPos, 220);
        QCOMPARE(bar->value(), 220);

        // Zoom 20: the nominal, column 500 from the start, runs past the top edge.
        QTest::keyClick(bar, Qt::Key_Home);
        QCOMPARE(At(500, 1), kWhite);
        QTest::keyClick(m_dlg->m_zoomBar, Qt::Key_End);
        QCOMPARE(m_dlg->m_zoomBar->value(), 20);
        QCOMPARE(At(500, 1), kBlue);
        QTest::keyClick(m_dlg->m_zoomBar, Qt::Key_PageUp);
        QCOMPARE(m_dlg->Model().m_zoom, 18);

        // Values set through the accessibility interface move the view like the thumb.
        QAccessible::queryAccessibleInterface(bar)->valueInterface()->setCurrentValue(5000);
        QCOMPARE(m_dlg->Model().m_scrollPos, 5000);
        QCOMPARE(m_dlg->m_leftFreqEdit->text(), QStringLiteral("2500Hz"));
        QAccessible::queryAccessibleInterface(m_dlg->m_zoomBar)
            ->valueInterface()
            ->setCurrentValue(3);
        QCOMPARE(m_dlg->Model().m_zoom, 3);
    }

    void spinMovesTheCursorColumnByColumn() {
        Open();
        QSpinBox* spin = m_dlg->m_cursorSpin;
        QTest::keyClick(spin, Qt::Key_Up);
        QTest::keyClick(spin, Qt::Key_Up);
        QCOMPARE(m_dlg->Model().m_cursorIndex, 6);
        QCOMPARE(m_dlg->m_cursorFreqEdit->text(), QStringLiteral("3"));
        QCOMPARE(At(2, 1), kGreen);
        // A typed column is taken on Enter, and the dialog stays open.
        spin->selectAll();
        QTest::keyClicks(spin, "10");
        QTest::keyClick(spin, Qt::Key_Return);
        QVERIFY(m_dlg->isVisible());
        QCOMPARE(m_dlg->Model().m_cursorIndex, 30);
        // Add and delete at the cursor from the keyboard alone.
        QTest::keyClick(m_dlg->m_addButton, Qt::Key_Space);
        QCOMPARE(m_partials.m_count, 1);
        QCOMPARE(m_partials.m_freq[0], 15.0);
        QTest::keyClick(m_dlg->m_deleteButton, Qt::Key_Space);
        QCOMPARE(m_partials.m_count, 0);
    }

    void badLowNominalIsPromptedAndTheCommandStillRuns() {
        Open();
        ClickBox(m_dlg->m_restrictBox);
        m_dlg->m_lowNominalEdit->setText("abc");
        m_dlg->m_highNominalEdit->setText("400");
        Click(m_dlg->m_findButton);
        QCOMPARE(m_ui->m_messages, std::vector<std::string>{"Please enter a number."});
        // The search ran restricted, to the range as it was (0 .. 1000): the nominal is 500
        // although the typed high bound, never read, was 400.
        QCOMPARE(m_partials.m_nominal, 500.0);
        QCOMPARE(m_dlg->m_lowNominalEdit->text(), QStringLiteral("0"));

        // Good values restrict the nominal; what was typed outlasts a look around first.
        m_dlg->m_lowNominalEdit->setText("600");
        m_dlg->m_highNominalEdit->setText("800");
        QTest::keyClick(m_dlg->m_zoomBar, Qt::Key_Down);
        Click(m_dlg->m_scaleButton);
        QCOMPARE(m_dlg->m_lowNominalEdit->text(), QStringLiteral("600"));
        ClickPlot(1);
        Click(m_dlg->m_addButton);
        QCOMPARE(m_ui->m_messages.size(), std::size_t(1));
        QCOMPARE(m_partials.m_nominal, 750.0);
    }
};

QTEST_MAIN(TransformViewDlgTest)
#include "TransformViewDlgTest.moc"
