#pragma once

#include <sndfile.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/TempDir.h"

// Encodes interleaved samples with libsndfile's own encoders, the way another program would
// have written the file; empty when the library cannot write the format. For the backend
// tests and the decoder's fuzz seeds only: the model's tests never link libsndfile.
inline std::string EncodeSound(int format, int channels, int rate,
                               const std::vector<std::int16_t>& samples) {
    CTempDir dir;
    const std::string path = dir.File("sound");
    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = rate;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
        return {};
    const auto frames = static_cast<sf_count_t>(samples.size()) / channels;
    if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG) {
        // The MP3 encoder of libsndfile 1.2.0 scrambles 16-bit stereo; floats arrive whole.
        std::vector<float> values(samples.begin(), samples.end());
        for (float& value : values)
            value /= 32768.0f;
        sf_writef_float(file, values.data(), frames);
    } else {
        sf_writef_short(file, samples.data(), frames);
    }
    sf_close(file);
    return ReadFileBytes(path);
}
