#pragma once

#include <QDialog>
#include <cstdint>

#include "wave/WaveFormat.h"

// "Waveform details": the sound format as the read found it in the file, before the
// samples were folded to 16-bit mono. It only displays.
class CWaveDetailsDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CWaveDetailsDlg(const WaveFormatCopy& format, QWidget* parent = nullptr);

    std::int32_t m_samplesPerSec;
    std::int32_t m_bytesPerSec;
    std::int16_t m_blockAlign;
    std::int16_t m_bitsPerSample;
    QString m_formatName;
    QString m_channelsText;
    std::int32_t m_numBytes;

    static QString FormatName(unsigned tag);
    static QString ChannelsText(unsigned channels);
};
