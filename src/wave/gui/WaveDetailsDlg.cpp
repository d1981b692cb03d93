#include "wave/gui/WaveDetailsDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "wave/CompressedInput.h"

QString CWaveDetailsDlg::FormatName(unsigned tag) {
    switch (tag) {
        case 0:
            return QStringLiteral("Unknown");
        case 1:
            return QStringLiteral("Raw PCM");
        case 2:
            return QStringLiteral("M/S ADPCM");
        case 6:
            return QStringLiteral("G.711 a-law");
        case 7:
            return QStringLiteral("G.711 u-law");
        case 17:
            return QStringLiteral("DVI ADPCM");
        case 49:
            return QStringLiteral("GSM 6.10");
        case 85:
            return QStringLiteral("MPEG layer 3");
        case kWaveFormatFlac:
            return QStringLiteral("FLAC");
        case kWaveFormatVorbis:
            return QStringLiteral("Ogg Vorbis");
        case kWaveFormatOpus:
            return QStringLiteral("Opus");
        default:
            return QString::number(tag);
    }
}

QString CWaveDetailsDlg::ChannelsText(unsigned channels) {
    switch (channels) {
        case 0:
            return QStringLiteral("unknown");
        case 1:
            return QStringLiteral("mono");
        case 2:
            return QStringLiteral("stereo");
        default:
            return QString::number(channels);
    }
}

CWaveDetailsDlg::CWaveDetailsDlg(const WaveFormatCopy& copy, QWidget* parent)
    : QDialog(parent),
      // The display fields are signed, as the values were always shown.
      m_samplesPerSec(static_cast<std::int32_t>(copy.m_format.m_samplesPerSec)),
      m_bytesPerSec(static_cast<std::int32_t>(copy.m_format.m_avgBytesPerSec)),
      m_blockAlign(static_cast<std::int16_t>(copy.m_format.m_blockAlign)),
      m_bitsPerSample(static_cast<std::int16_t>(copy.m_format.m_bitsPerSample)),
      m_formatName(FormatName(copy.m_format.m_formatTag)),
      m_channelsText(ChannelsText(copy.m_format.m_channels)),
      m_numBytes(static_cast<std::int32_t>(copy.m_dataBytes)) {
    setWindowTitle(QStringLiteral("Waveform details"));
    auto* form = new QFormLayout;
    const auto addRow = [&](const QString& label, const QString& value) {
        auto* edit = new QLineEdit(value, this);
        edit->setReadOnly(true);
        edit->setAlignment(Qt::AlignRight);
        edit->setAccessibleName(label);
        auto* caption = new QLabel(label, this);
        caption->setBuddy(edit);
        form->addRow(caption, edit);
    };
    addRow(QStringLiteral("Format"), m_formatName);
    addRow(QStringLiteral("Channels"), m_channelsText);
    addRow(QStringLiteral("Samples per sec"), QString::number(m_samplesPerSec));
    addRow(QStringLiteral("Bytes per sec"), QString::number(m_bytesPerSec));
    addRow(QStringLiteral("Block align"), QString::number(m_blockAlign));
    addRow(QStringLiteral("Bits per sample"), QString::number(m_bitsPerSample));
    addRow(QStringLiteral("No. of bytes"), QString::number(m_numBytes));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    ok->setFocus();
}
