// The ".wav" reader: the chunk walk, the PCM layouts and the hand-over of other data to a
// decoder; every file that reads is written and read back.

#include "FuzzCheck.h"
#include "support/EchoDecoder.h"
#include "support/ReadBack.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const CTempDir folder;
    CReadBack check(folder.Path());
    CEchoDecoder decoder(check.m_wave, true);
    Require(check.Wave(Bytes(data, size), "input.wav", decoder), "wav read back");
    return 0;
}
