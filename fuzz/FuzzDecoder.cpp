// The real decoder behind the waveform reader: MP3, FLAC and Ogg files, and ".wav" files of
// other codecs, as libsndfile decodes them. The first bytes choose the file's name as a
// user's would: "RIFF" a ".wav", "fLaC" a ".flac", "OggS" an ".ogg", anything else an ".mp3".
// Every file that reads is written and read back.

#include <cstring>

#include "FuzzCheck.h"
#include "backends/SndfileDecoder.h"
#include "support/ReadBack.h"

namespace {

const char* NameFor(const std::uint8_t* data, std::size_t size) {
    const auto starts = [&](const char* magic) {
        return size >= 4 && std::memcmp(data, magic, 4) == 0;
    };
    if (starts("RIFF"))
        return "input.wav";
    if (starts("fLaC"))
        return "input.flac";
    if (starts("OggS"))
        return "input.ogg";
    return "input.mp3";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const CTempDir folder;
    CReadBack check(folder.Path());
    CSndfileDecoder decoder;
    Require(check.Wave(Bytes(data, size), NameFor(data, size), decoder), "decoded read back");
    return 0;
}
