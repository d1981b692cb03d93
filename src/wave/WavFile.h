#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "wave/WaveData.h"

class CSoundDecoder;
class CUiServices;

// Reading and writing the waveform store as ".wav" files: the RIFF chunk walk, the four PCM
// layouts folded to 16-bit mono, and the 16-bit mono writer. Compressed data goes through
// CompressedInput.

// A RIFF chunk's header as it stands in the file.
struct ChunkHeader {
    char id[4];
    std::uint32_t size;
};

// Asks for a file and reads it into the store: ".wav" and ".WAV" as RIFF files, ".flac",
// ".ogg", ".oga" and ".opus" (any case) as FLAC or Ogg sound, any other name as MP3 input;
// compressed sound goes through decoder. formatCopy receives the format
// and data size as found in the file, before any conversion. On success the store holds
// 16-bit mono samples selected from the first loud one to the end.
CWaveData::ReadResult ReadWaveFile(CWaveData& wave, CUiServices& ui, CSoundDecoder& decoder,
                                   WaveFormatCopy& formatCopy);
// The same without a decoder: compressed sound is "not possible".
CWaveData::ReadResult ReadWaveFile(CWaveData& wave, CUiServices& ui, WaveFormatCopy& formatCopy);

// Asks for a file name and writes the store as a 16-bit mono ".wav". A cancelled dialog
// counts as success.
bool WriteWaveFile(CWaveData& wave, CUiServices& ui);
// The 48-byte header and the samples. False when the file could not take every byte.
bool WriteWav(const CWaveData& wave, std::FILE* file);

// Reads chunk headers from the current position, skipping chunks (and their pad byte)
// until one with the given id; the file is then at that chunk's body.
bool FindChunk(std::FILE* file, const char* id, ChunkHeader& header);
// Walks the RIFF header, loads the format record and leaves the file at the sound data,
// with m_dataBytes and the sample count the format announces.
CWaveData::ReadResult ParseWav(CWaveData& wave, std::FILE* file);
// Reads m_dataBytes of sound data from the file and stores it as 16-bit mono: PCM block by
// block, folded on the way; anything else whole, through the decoder.
CWaveData::ReadResult DecodeSamples(CWaveData& wave, CSoundDecoder& decoder, std::FILE* file);

// The most sound data the store takes in one read: what its byte count holds.
inline constexpr std::uint32_t kMaxSoundDataBytes = 0xFFFFFFFFu;
// PCM sound data is read and folded in blocks of this many bytes: a whole number of frames of
// every layout the store takes, and few reads for a long file. A stream of unknown length
// gets room for one block to begin with.
inline constexpr std::uint32_t kReadBlockBytes = 1u << 20;

// Bytes from the current position to the end of the file; -1 when it cannot be told.
long long BytesLeft(std::FILE* file);
// Reads count bytes from the current position into a new buffer; empty when the file holds
// fewer or memory is lacking. The file's own length is checked before anything is allocated;
// a stream that cannot tell its length gets room as its bytes arrive.
std::unique_ptr<unsigned char[]> ReadSoundData(std::FILE* file, std::uint32_t count);

// Stores interleaved PCM frames of one or two channels of 8 or 16 bits as 16-bit mono:
// 8-bit values are centred on 128, two channels are averaged toward zero. Takes frames
// frames, or fewer when byteCount holds fewer, and sets the format to 16-bit mono at the
// format's rate. kFormatNotSupported for any other layout.
CWaveData::ReadResult FoldToMono(CWaveData& wave, const unsigned char* bytes,
                                 std::uint64_t byteCount, unsigned channels, unsigned bits,
                                 std::int64_t frames);

// Appends a RIFF/WAVE header: a "fmt " chunk with the given body, then the header of a
// "data" chunk of dataBytes bytes, which the caller appends.
void PutWavHeader(std::vector<unsigned char>& out, const unsigned char* format,
                  std::uint32_t formatBytes, std::uint32_t dataBytes);
