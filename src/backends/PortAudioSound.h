#pragma once

#include <memory>

#include "platform/SoundInput.h"
#include "platform/SoundOutput.h"

class CPortAudioStream;

// Sound output on PortAudio's default output device, 16-bit samples. A thread of the stream's
// own writes the queued buffers in order with blocking writes and calls the completions.
class CPortAudioOutput : public CSoundOutput {
  public:
    CPortAudioOutput();
    ~CPortAudioOutput() override;
    CPortAudioOutput(const CPortAudioOutput&) = delete;
    CPortAudioOutput& operator=(const CPortAudioOutput&) = delete;

    bool IsFormatSupported(const SoundFormat& format) override;
    bool Open(const SoundFormat& format, Completion completion) override;
    bool Write(const std::int16_t* samples, std::int32_t count) override;
    void Reset() override;
    void Close() override;

  private:
    std::unique_ptr<CPortAudioStream> m_stream;
};

// Sound input on PortAudio's default input device, 16-bit samples. A thread of the stream's
// own reads into the queued buffers in order with blocking reads and calls the completions.
class CPortAudioInput : public CSoundInput {
  public:
    CPortAudioInput();
    ~CPortAudioInput() override;
    CPortAudioInput(const CPortAudioInput&) = delete;
    CPortAudioInput& operator=(const CPortAudioInput&) = delete;

    bool IsFormatSupported(const SoundFormat& format) override;
    bool Open(const SoundFormat& format, Completion completion) override;
    bool AddBuffer(std::int16_t* buffer, std::int32_t count) override;
    bool Start() override;
    void Reset() override;
    void Close() override;

  private:
    std::unique_ptr<CPortAudioStream> m_stream;
};
