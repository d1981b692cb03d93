#include <QtTest>

#include "support/gui/DialogTestTools.h"
#include "wave/CompressedInput.h"
#include "wave/gui/WaveDetailsDlg.h"

class WaveDetailsDlgTest : public QObject {
    Q_OBJECT

  private:
    static QStringList Shown(const WaveFormatCopy& copy) {
        CWaveDetailsDlg dialog(copy);
        return FieldTexts(dialog, {"Format", "Channels", "Samples per sec", "Bytes per sec",
                                   "Block align", "Bits per sample", "No. of bytes"});
    }
    static WaveFormatCopy Copy(unsigned tag, unsigned channels, unsigned rate, unsigned bytesPerSec,
                               unsigned blockAlign, unsigned bits, unsigned dataBytes) {
        WaveFormatCopy copy;
        copy.m_format.m_formatTag = static_cast<std::uint16_t>(tag);
        copy.m_format.m_channels = static_cast<std::uint16_t>(channels);
        copy.m_format.m_samplesPerSec = rate;
        copy.m_format.m_avgBytesPerSec = bytesPerSec;
        copy.m_format.m_blockAlign = static_cast<std::uint16_t>(blockAlign);
        copy.m_format.m_bitsPerSample = static_cast<std::uint16_t>(bits);
        copy.m_dataBytes = dataBytes;
        return copy;
    }

  private slots:
    // The tags the program describes FLAC and Ogg files with have names; other tags still show
    // as numbers.
    void namesTheFlacAndOggCodecs() {
        QCOMPARE(Shown(Copy(kWaveFormatFlac, 2, 96000, 400000, 1, 24, 5000000)),
                 QStringList({"FLAC", "stereo", "96000", "400000", "1", "24", "5000000"}));
        QCOMPARE(Shown(Copy(kWaveFormatVorbis, 1, 44100, 16000, 1, 0, 9))[0],
                 QStringLiteral("Ogg Vorbis"));
        QCOMPARE(Shown(Copy(kWaveFormatOpus, 1, 48000, 8000, 1, 0, 9))[0], QStringLiteral("Opus"));
        QCOMPARE(Shown(Copy(0xF1AB, 1, 48000, 8000, 1, 0, 9))[0], QStringLiteral("61867"));
    }
};

QTEST_MAIN(WaveDetailsDlgTest)
#include "WaveDetailsDlgTest.moc"
