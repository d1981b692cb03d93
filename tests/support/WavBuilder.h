#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Builds ".wav" file images byte by byte, so tests can make any layout, good or damaged.
class CWavBuilder {
  public:
    CWavBuilder& Raw(const std::string& bytes);
    CWavBuilder& Id(const char* id);
    CWavBuilder& U16(std::uint32_t value);
    CWavBuilder& U32(std::uint32_t value);
    // A chunk with the given body; odd bodies get their pad byte.
    CWavBuilder& Chunk(const char* id, const std::string& body);

    const std::string& Bytes() const { return m_bytes; }

    // The 16-byte body of a PCM "fmt " chunk.
    static std::string PcmFormat(int channels, int rate, int bits);
    // A whole RIFF/WAVE file around the given chunks.
    static std::string Riff(const std::string& chunks);
    // A whole PCM file.
    static std::string Pcm(int channels, int rate, int bits, const std::string& data);
    static std::string Samples16(const std::vector<std::int16_t>& samples);

  private:
    std::string m_bytes;
};
