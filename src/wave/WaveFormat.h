#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

// The wave format record as it stands in a file's "fmt " chunk: 18 bytes of common fields,
// then up to 38 bytes that belong to the format. Loaded by copying the chunk's bytes, so
// the layout must match the file's little-endian byte order exactly.
struct WaveFormat {
    std::uint16_t m_formatTag = 0;
    std::uint16_t m_channels = 0;
    std::uint32_t m_samplesPerSec = 0;
    std::uint32_t m_avgBytesPerSec = 0;
    std::uint16_t m_blockAlign = 0;
    std::uint16_t m_bitsPerSample = 0;
    std::uint16_t m_extraSize = 0;
    std::uint8_t m_extra[38] = {};
};

static_assert(std::endian::native == std::endian::little, "wave files are little-endian");
static_assert(sizeof(WaveFormat) == 56);
static_assert(offsetof(WaveFormat, m_samplesPerSec) == 4);
static_assert(offsetof(WaveFormat, m_blockAlign) == 12);
static_assert(offsetof(WaveFormat, m_extraSize) == 16);
static_assert(offsetof(WaveFormat, m_extra) == 18);

constexpr std::uint16_t kWaveFormatPcm = 1;

// The format as the read found it in the file, with the file's data byte count: what the
// waveform details show.
struct WaveFormatCopy {
    WaveFormat m_format;
    std::uint32_t m_dataBytes = 0;
};
