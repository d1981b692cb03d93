#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "wave/WaveData.h"

class CSoundDecoder;

// Compressed sound on its way into the waveform store: MP3 files, FLAC and Ogg files, and
// ".wav" files whose data is not PCM. The decoding itself is the platform decoder's; this
// side learns the format, bounds what the decoder may produce and folds the result to mono
// like PCM.

// The format tag of MPEG Layer-3 sound, which the MP3 scan describes its files with.
inline constexpr std::uint16_t kWaveFormatMpegLayer3 = 85;
// The format tags FLAC, Ogg Vorbis and Opus files are described with.
inline constexpr std::uint16_t kWaveFormatFlac = 0xF1AC;
inline constexpr std::uint16_t kWaveFormatVorbis = 0x674F;
inline constexpr std::uint16_t kWaveFormatOpus = 0x704F;
// The longest compressed recording the program takes in.
inline constexpr std::int64_t kMaxCompressedSeconds = 600;

// Walks the MPEG audio frames of a file opened at its start: learns the sample rate, the
// channels and the duration, refuses files over ten minutes (kTooLong) or without a frame
// (kNotMp3) and describes the file as MPEG Layer-3 sound of m_dataBytes = the file's length.
// On success the file is at its start again, ready for DecodeSamples.
CWaveData::ReadResult ScanMp3(CWaveData& wave, std::FILE* file);

// Whether a file name's extension marks FLAC or Ogg sound (any case), which is described by
// ScanFlacOrOgg rather than the MP3 scan.
bool IsFlacOrOggExt(const std::string& ext);
// Describes a FLAC, Ogg Vorbis or Opus file opened at its start from what the decoder reads
// in its headers, with the same ten-minute limit as MP3 files. On success the file is at its
// start again, ready for DecodeSamples.
CWaveData::ReadResult ScanFlacOrOgg(CWaveData& wave, CSoundDecoder& decoder, std::FILE* file);

// Decodes the store's compressed sound data (size bytes, in the store's format) through
// decoder and stores it as 16-bit mono at the decoded rate. MP3, FLAC and Ogg data is handed
// over as it stands, a file of its own; anything else as a ".wav" image of the format record
// and the data. Gives kConversionImpossible when the decoder has nothing for the format,
// kNoMp3Decoder for MP3 without an MP3 codec, kConversionError when decoding fails, yields
// nothing or yields other channels or another rate than the format's, kTooLong beyond ten
// minutes at the format's rate.
CWaveData::ReadResult DecodeCompressed(CWaveData& wave, CSoundDecoder& decoder,
                                       const unsigned char* data, std::uint32_t size);
