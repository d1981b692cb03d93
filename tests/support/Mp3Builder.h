#pragma once

#include <cstdint>
#include <string>

// MPEG audio files built byte by byte from frame headers, for the frame scan: each frame is
// its 4-byte header and a body of zeros.
namespace mp3 {

// The four header bytes: the sync byte 255, then b1 (sync, version, layer), b2 (bit rate,
// sample rate, padding) and b3 (channel mode in the top two bits).
inline std::string Header(int b1, int b2, int b3) {
    return {static_cast<char>(255), static_cast<char>(b1), static_cast<char>(b2),
            static_cast<char>(b3)};
}

// A header the scan would take for a 32000 Hz mono Layer I frame: put where only a scan that
// has lost its place among the frames would find it.
inline std::string Decoy() {
    return Header(0xFF, 0xE8, 0xC0);
}

// count frames of length bytes; with a decoy in the last four bytes of every body.
inline std::string Frames(const std::string& header, int length, int count, bool decoys = false) {
    std::string frame = header + std::string(static_cast<std::size_t>(length) - 4, '\0');
    if (decoys)
        frame.replace(frame.size() - 4, 4, Decoy());
    std::string frames;
    for (int i = 0; i < count; ++i)
        frames += frame;
    return frames;
}

// An ID3v2 tag header announcing size bytes after it, in the tag's 7-bit size bytes.
inline std::string Id3Header(std::uint32_t size) {
    return std::string("ID3\x03\x00\x00", 6) + static_cast<char>((size >> 21) & 0x7F) +
           static_cast<char>((size >> 14) & 0x7F) + static_cast<char>((size >> 7) & 0x7F) +
           static_cast<char>(size & 0x7F);
}

}  // namespace mp3
