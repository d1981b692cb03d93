#include <QAccessible>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>
#include <cmath>

#include "support/ScriptedUiServices.h"
#include "support/gui/DialogTestTools.h"
#include "support/gui/ModalAnswer.h"
#include "view/gui/WaveViewDlg.h"
#include "wave/SampleRange.h"
#include "wave/WaveData.h"

class WaveViewDlgTest : public QObject {
    Q_OBJECT

  private:
    CScriptedUiServices m_ui;
    CWaveData m_wave;
    SampleRange m_params;

    // A decaying tone loud enough to reach every column's rows above and below the centre.
    void Load(std::int32_t count) {
        std::int16_t* samples = m_wave.AllocSamples(count);
        for (std::int32_t i = 0; i < count; ++i)
            samples[i] =
                static_cast<std::int16_t>(20000 * std::sin(i * 0.3) * std::exp(-4.0 * i / count));
        m_wave.m_sampleCount = count;
        m_wave.m_state = CWaveData::kFromFile;
    }
    QString Selection() const {
        return QStringLiteral("%1-%2").arg(m_params.m_startSample).arg(m_params.m_endSample);
    }
    static bool ColumnHas(const QImage& image, int x, const QColor& colour) {
        for (int y = 0; y < image.height(); ++y)
            if (image.pixelColor(x, y) == colour)
                return true;
        return false;
    }
    // The dialog point over drawing column c, for a press (which counts from the border).
    static QPoint At(const CWaveViewDlg& dlg, int column) {
        const QRect frame = dlg.m_frame->geometry();
        return {frame.left() + 1 + column, frame.center().y()};
    }
    static void Drag(CWaveViewDlg& dlg, QPoint from, QPoint to) {
        QTest::mousePress(&dlg, Qt::LeftButton, {}, from);
        QTest::mouseMove(&dlg, to);
    }

  private slots:
    void init() {
        m_wave = CWaveData();
        m_params = SampleRange();
        Load(100000);
    }

    void dragSelectsPaintsRedAndPastTheLeftSideScrolls() {
        CWaveViewDlg dlg(m_wave, m_params, m_ui);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.m_scaleEdit->text(), QStringLiteral("100"));
        Drag(dlg, At(dlg, 100), At(dlg, 149));  // the move's end includes its column
        QTest::mouseRelease(&dlg, Qt::LeftButton, {}, At(dlg, 149));
        QVERIFY(!dlg.Model().Dragging());
        QCOMPARE(Selection(), QStringLiteral("10000-15000"));
        QCOMPARE(dlg.m_selStartEdit->text() + '-' + dlg.m_selEndEdit->text(), Selection());

        const QImage& image = dlg.Image();
        QCOMPARE(image.size(), QSize(600, 300));
        QVERIFY(ColumnHas(image, 120, CWaveViewDlg::SelectedColour()));
        QVERIFY(!ColumnHas(image, 120, dlg.UnselectedColour()));
        QVERIFY(ColumnHas(image, 50, dlg.UnselectedColour()));
        QVERIFY(!ColumnHas(image, 50, CWaveViewDlg::SelectedColour()));
        QVERIFY(dlg.UnselectedColour() != QColor(Qt::black));
        QCOMPARE(image.pixelColor(300, 150), QColor(Qt::black));  // the zero line
        QCOMPARE(image.pixelColor(300, 5), QColor(Qt::white));

        // A drag begun off the drawing leaves the selection alone.
        Drag(dlg, QPoint(2, 2), At(dlg, 400));
        QTest::mouseRelease(&dlg, Qt::LeftButton, {}, At(dlg, 400));
        QCOMPARE(Selection(), QStringLiteral("10000-15000"));

        // Past the left side it scrolls until the pointer is back over the drawing's span.
        dlg.m_scrollBar->setSliderPosition(10000);
        const QRect frame = dlg.m_frame->geometry();
        Drag(dlg, At(dlg, 100), QPoint(frame.left() - 3, frame.center().y()));
        QVERIFY(dlg.AutoScrollRunning());
        QTRY_VERIFY(dlg.Model().m_firstSample <= 9600);
        QCOMPARE(Selection(), QStringLiteral("%1-20000").arg(dlg.Model().m_firstSample));
        QCOMPARE(dlg.m_scrollBar->value(), dlg.Model().m_firstSample);
        QTest::mouseMove(&dlg, QPoint(frame.center().x(), frame.top() - 4));
        QVERIFY(!dlg.AutoScrollRunning());
        QTest::mouseRelease(&dlg, Qt::LeftButton, {}, QPoint(frame.center().x(), 2));
    }

    void closingByTheCloseBoxKeepsTheSelection() {
        CWaveViewDlg dlg(m_wave, m_params, m_ui);
        CModalAnswers answers;
        answers.Then([](QDialog& d) {
            auto& view = static_cast<CWaveViewDlg&>(d);
            Drag(view, At(view, 10), At(view, 30));
            d.close();  // as the window's close box does, the button still down
        });
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
        QTest::mouseRelease(&dlg, Qt::LeftButton);
        QCOMPARE(answers.Titles(),
                 std::vector<QString>{QStringLiteral("Waveform - use mouse to select region")});
        QCOMPARE(Selection(), QStringLiteral("1000-3100"));
        QVERIFY(!dlg.Model().Dragging());
    }

    void scaleAndTheScrollBarMoveTheView() {
        Load(50000);
        CWaveViewDlg dlg(m_wave, m_params, m_ui);
        dlg.show();
        QScrollBar* bar = dlg.m_scrollBar;
        QTest::mouseClick(dlg.m_scaleButton, Qt::LeftButton);  // 600 x 100 > 50000
        QCOMPARE(dlg.m_scaleEdit->text(), QStringLiteral("1"));
        QCOMPARE(bar->pageStep(), 600);
        QCOMPARE(bar->maximum(), 49400);

        bar->setFocus();
        const std::pair<Qt::Key, const char*> keys[] = {
            {Qt::Key_Right, "20"},  {Qt::Key_PageDown, "220"}, {Qt::Key_Left, "200"},
            {Qt::Key_End, "49400"}, {Qt::Key_PageUp, "49200"}, {Qt::Key_Home, "0"},
        };
        for (const auto& [key, position] : keys) {
            QTest::keyClick(bar, key);
            QCOMPARE(dlg.m_positionEdit->text(), QString(position));
            QCOMPARE(bar->value(), dlg.Model().m_firstSample);
        }
        bar->setSliderPosition(49000);  // dragging the thumb
        QCOMPARE(dlg.m_positionEdit->text(), QStringLiteral("49000"));
        // A screen reader sets the value itself: the view goes there as for a drag.
        QAccessible::queryAccessibleInterface(bar)->valueInterface()->setCurrentValue(30000);
        QCOMPARE(dlg.m_positionEdit->text(), QStringLiteral("30000"));
        QAccessible::queryAccessibleInterface(bar)->valueInterface()->setCurrentValue(49000);
        QCOMPARE(dlg.m_positionEdit->text(), QStringLiteral("49000"));
        QTest::mouseClick(dlg.m_scaleButton, Qt::LeftButton);  // 10 a column
        QCOMPARE(dlg.m_positionEdit->text(), QStringLiteral("44000"));
        QCOMPARE(bar->value(), 44000);
        QTest::mouseClick(dlg.m_scaleButton, Qt::LeftButton);  // 100: all of it fits
        QCOMPARE(dlg.m_positionEdit->text(), QStringLiteral("0"));
        QCOMPARE(bar->maximum(), 0);

        QStringList names = CheckControlsAreNamedAndReachable(dlg);
        names.sort();
        QCOMPARE(names, QStringList({"OK", "Position:", "Samples per column", "Scale",
                                     "Scroll waveform", "Seln. End", "Seln. Start"}));
        QVERIFY(!AccessibleName(dlg.m_frame).isEmpty());
    }
};

QTEST_MAIN(WaveViewDlgTest)
#include "WaveViewDlgTest.moc"
