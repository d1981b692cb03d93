// The MP3 frame scan and the decoder path behind it: a file that scans is described as
// MPEG Layer-3 sound of the scanned rate and channels, its decoded sound is checked against
// that description, and every file that reads is written and read back.

#include "FuzzCheck.h"
#include "support/EchoDecoder.h"
#include "support/ReadBack.h"
#include "wave/CompressedInput.h"

namespace {

std::string ScanFaults(const WaveFormatCopy& copy, std::size_t size) {
    const WaveFormat& f = copy.m_format;
    std::string faults;
    if (f.m_formatTag != kWaveFormatMpegLayer3 || f.m_blockAlign != 1 || f.m_extraSize != 12)
        faults += "not described as MPEG Layer-3\n";
    if (f.m_channels != 1 && f.m_channels != 2)
        faults += "channels " + std::to_string(f.m_channels) + "\n";
    bool knownRate = false;
    for (const std::uint32_t rate : {44100, 48000, 32000, 22050, 24000, 16000, 11025, 12000, 8000})
        knownRate = knownRate || f.m_samplesPerSec == rate;
    if (!knownRate)
        faults += "rate " + std::to_string(f.m_samplesPerSec) + "\n";
    if (copy.m_dataBytes != size)
        faults += "the whole file is not the data\n";
    return faults;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const CTempDir folder;
    CReadBack check(folder.Path());
    CEchoDecoder decoder(check.m_wave, true);
    Require(check.Wave(Bytes(data, size), "input.mp3", decoder), "mp3 read back");
    // A scan that passed the file on described it; a decoder's refusal comes after that.
    const int code = check.m_code;
    if (code == CWaveData::kReadOk || code == CWaveData::kConversionError ||
        code == CWaveData::kConversionImpossible)
        Require(ScanFaults(check.m_copy, size), "mp3 scan");
    return 0;
}
