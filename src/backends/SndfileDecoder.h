#pragma once

#include "platform/SoundDecoder.h"

// Decodes compressed sound with libsndfile, reading the file image straight from memory:
// the codecs inside ".wav" files (IMA and MS ADPCM, A-law, mu-law, GSM 6.10, float and the
// like), FLAC, Ogg Vorbis and Opus and, where the installed library was built with it, MP3.
class CSndfileDecoder : public CSoundDecoder {
  public:
    DecodeResult Decode(const unsigned char* image, std::size_t size, std::int64_t maxFrames,
                        DecodedSound& sound) override;
    DecodeResult Inspect(const unsigned char* image, std::size_t size, SoundInfo& info) override;
    bool CanDecodeMp3() const override;
};
