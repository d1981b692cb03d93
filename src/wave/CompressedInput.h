#pragma once

#include <cstdint>
#include <cstdio>

#include "wave/WaveData.h"

class CSoundDecoder;

// Compressed sound on its way into the waveform store: MP3 files, and ".wav" files whose
// data is not PCM. The decoding itself is the platform decoder's; this side hands it the
// sound, bounds what it may produce and folds the result to mono like PCM.

// The format tag of MPEG Layer-3 sound, which the MP3 scan describes its files with.
inline constexpr std::uint16_t kWaveFormatMpegLayer3 = 85;
// The longest compressed recording the program takes in.
inline constexpr std::int64_t kMaxCompressedSeconds = 600;

// Learns the format and length of an MP3 file from its frames, and leaves the file at its
// start for DecodeSamples.
CWaveData::ReadResult ScanMp3(CWaveData& wave, std::FILE* file);

// Decodes the store's compressed sound data (size bytes, in the store's format) through
// decoder and stores it as 16-bit mono at the decoded rate. MP3 data is the whole file;
// anything else is handed over as a ".wav" image of the format record and the data. Gives
// kConversionImpossible when the decoder has nothing for the format, kConversionError when
// decoding fails or yields nothing, kTooLong beyond ten minutes at the format's rate.
CWaveData::ReadResult DecodeCompressed(CWaveData& wave, CSoundDecoder& decoder,
                                       const unsigned char* data, std::uint32_t size);
