#include "support/WavBuilder.h"

CWavBuilder& CWavBuilder::Raw(const std::string& bytes) {
    m_bytes += bytes;
    return *this;
}

CWavBuilder& CWavBuilder::Id(const char* id) {
    m_bytes.append(id, 4);
    return *this;
}

CWavBuilder& CWavBuilder::U16(std::uint32_t value) {
    m_bytes += static_cast<char>(value & 0xff);
    m_bytes += static_cast<char>((value >> 8) & 0xff);
    return *this;
}

CWavBuilder& CWavBuilder::U32(std::uint32_t value) {
    U16(value & 0xffff);
    return U16(value >> 16);
}

CWavBuilder& CWavBuilder::Chunk(const char* id, const std::string& body) {
    Id(id).U32(static_cast<std::uint32_t>(body.size())).Raw(body);
    if (body.size() % 2)
        m_bytes += '\0';
    return *this;
}

std::string CWavBuilder::PcmFormat(int channels, int rate, int bits) {
    const int block = channels * bits / 8;
    return CWavBuilder()
        .U16(1)
        .U16(channels)
        .U32(rate)
        .U32(rate * block)
        .U16(block)
        .U16(bits)
        .Bytes();
}

std::string CWavBuilder::Riff(const std::string& chunks) {
    return CWavBuilder()
        .Id("RIFF")
        .U32(static_cast<std::uint32_t>(chunks.size() + 4))
        .Id("WAVE")
        .Raw(chunks)
        .Bytes();
}

std::string CWavBuilder::Pcm(int channels, int rate, int bits, const std::string& data) {
    return Riff(
        CWavBuilder().Chunk("fmt ", PcmFormat(channels, rate, bits)).Chunk("data", data).Bytes());
}

std::string CWavBuilder::Samples16(const std::vector<std::int16_t>& samples) {
    CWavBuilder b;
    for (auto s : samples)
        b.U16(static_cast<std::uint16_t>(s));
    return b.Bytes();
}
