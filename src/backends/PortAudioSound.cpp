#include "backends/PortAudioSound.h"

#include <portaudio.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace {

// PortAudio's process-wide calls (initialising, the device list, opening and closing streams)
// are never made from two threads at once.
std::mutex& LibraryMutex() {
    static std::mutex mutex;
    return mutex;
}

// Keeps PortAudio initialised while it lives. PortAudio counts its initialisations, so each
// stream holds one of its own and the last to go terminates the library.
class CPortAudioUse {
  public:
    CPortAudioUse() {
        std::lock_guard lock(LibraryMutex());
        m_ok = Pa_Initialize() == paNoError;
    }
    ~CPortAudioUse() {
        if (m_ok) {
            std::lock_guard lock(LibraryMutex());
            Pa_Terminate();
        }
    }
    CPortAudioUse(const CPortAudioUse&) = delete;
    CPortAudioUse& operator=(const CPortAudioUse&) = delete;

    bool Ok() const { return m_ok; }

  private:
    bool m_ok = false;
};

}  // namespace

// One blocking PortAudio stream and the thread that moves the caller's buffers through it.
// Every call on the open stream is made by that thread, except starting capture and the
// final close, which happen while the thread is idle or gone; so no two PortAudio calls on a
// stream ever overlap. The thread moves sound in chunks of 20 ms and looks for a reset or a
// close between chunks, which bounds how long either waits.
class CPortAudioStream {
  public:
    enum class Direction { kOutput, kInput };
    // The buffer and the samples played or captured; the output side never writes to it.
    using Completion = std::function<void(std::int16_t* samples, std::int32_t count)>;

    explicit CPortAudioStream(Direction direction) : m_direction(direction) {}
    ~CPortAudioStream() { Close(); }
    CPortAudioStream(const CPortAudioStream&) = delete;
    CPortAudioStream& operator=(const CPortAudioStream&) = delete;

    bool IsFormatSupported(const SoundFormat& format);
    bool Open(const SoundFormat& format, Completion completion);
    bool Queue(std::int16_t* samples, std::int32_t count);
    bool Start();
    void Reset();
    void Close();

  private:
    struct Buffer {
        std::int16_t* samples;
        std::int32_t count;
        std::int32_t done;
    };

    bool Output() const { return m_direction == Direction::kOutput; }
    bool EnsureLibrary();
    bool Parameters(const SoundFormat& format, PaStreamParameters& parameters) const;
    void Run();
    void WriteChunk(std::unique_lock<std::mutex>& lock);
    void ReadChunk(std::unique_lock<std::mutex>& lock);
    void AwaitMoreOrFinish(std::unique_lock<std::mutex>& lock);
    void HandBack(std::unique_lock<std::mutex>& lock);
    void CompleteWritten(std::unique_lock<std::mutex>& lock);
    void Complete(std::unique_lock<std::mutex>& lock, const Buffer& buffer, std::int32_t count);
    void SleepFor(std::int32_t frames) const;

    const Direction m_direction;
    std::optional<CPortAudioUse> m_library;  // from the first question on
    PaStream* m_stream = nullptr;
    std::int32_t m_channels = 1;
    double m_rate = 1;
    std::int32_t m_chunkFrames = 1;
    std::chrono::milliseconds m_finishWait{0};
    Completion m_completion;
    std::thread m_thread;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_handedBack;
    std::deque<Buffer> m_queue;    // not yet wholly played or filled; the front may be begun
    std::deque<Buffer> m_written;  // output gone to the device, completion still due
    bool m_open = false;
    bool m_running = false;    // the PortAudio stream is started
    bool m_capturing = false;  // Start was called and no reset followed
    bool m_resetting = false;
    bool m_closing = false;
};

bool CPortAudioStream::EnsureLibrary() {
    if (!m_library || !m_library->Ok())
        m_library.emplace();
    return m_library->Ok();
}

bool CPortAudioStream::Parameters(const SoundFormat& format, PaStreamParameters& parameters) const {
    if (format.m_bitsPerSample != 16 || format.m_channels < 1 || format.m_samplesPerSec <= 0)
        return false;
    const PaDeviceIndex device =
        Output() ? Pa_GetDefaultOutputDevice() : Pa_GetDefaultInputDevice();
    if (device == paNoDevice)
        return false;
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    if (info == nullptr)
        return false;
    if (format.m_channels > (Output() ? info->maxOutputChannels : info->maxInputChannels))
        return false;
    parameters = PaStreamParameters{};
    parameters.device = device;
    parameters.channelCount = format.m_channels;
    parameters.sampleFormat = paInt16;
    parameters.suggestedLatency =
        Output() ? info->defaultHighOutputLatency : info->defaultHighInputLatency;
    return true;
}

bool CPortAudioStream::IsFormatSupported(const SoundFormat& format) {
    if (!EnsureLibrary())
        return false;
    std::lock_guard lock(LibraryMutex());
    PaStreamParameters parameters;
    if (!Parameters(format, parameters))
        return false;
    return Pa_IsFormatSupported(Output() ? nullptr : &parameters, Output() ? &parameters : nullptr,
                                format.m_samplesPerSec) == paFormatIsSupported;
}

bool CPortAudioStream::Open(const SoundFormat& format, Completion completion) {
    {
        std::lock_guard lock(m_mutex);
        if (m_open)
            return false;
    }
    if (!EnsureLibrary())
        return false;
    double latency = 0;
    {
        std::lock_guard lock(LibraryMutex());
        PaStreamParameters parameters;
        if (!Parameters(format, parameters))
            return false;
        PaStream* stream = nullptr;
        if (Pa_OpenStream(&stream, Output() ? nullptr : &parameters,
                          Output() ? &parameters : nullptr, format.m_samplesPerSec,
                          paFramesPerBufferUnspecified, paClipOff, nullptr, nullptr) != paNoError)
            return false;
        m_stream = stream;
        if (const PaStreamInfo* info = Pa_GetStreamInfo(stream))
            latency = Output() ? info->outputLatency : info->inputLatency;
    }
    m_channels = format.m_channels;
    m_rate = format.m_samplesPerSec;
    m_chunkFrames = std::max(1, format.m_samplesPerSec / 50);
    m_finishWait = std::clamp(std::chrono::milliseconds(static_cast<long>(latency * 1000)),
                              std::chrono::milliseconds(10), std::chrono::milliseconds(500));
    m_completion = std::move(completion);
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_running = m_capturing = m_resetting = m_closing = false;
    }
    try {
        m_thread = std::thread(&CPortAudioStream::Run, this);
    } catch (const std::system_error&) {
        std::lock_guard library(LibraryMutex());
        Pa_CloseStream(m_stream);
        m_stream = nullptr;
        std::lock_guard lock(m_mutex);
        m_open = false;
        m_completion = nullptr;
        return false;
    }
    return true;
}

bool CPortAudioStream::Queue(std::int16_t* samples, std::int32_t count) {
    std::lock_guard lock(m_mutex);
    if (!m_open || m_resetting || m_closing || samples == nullptr || count <= 0 ||
        count % m_channels != 0)
        return false;
    m_queue.push_back({samples, count, 0});
    m_wake.notify_all();
    return true;
}

bool CPortAudioStream::Start() {
    std::lock_guard lock(m_mutex);
    if (!m_open || m_resetting || m_closing)
        return false;
    // The thread touches the stream only while capturing, so starting it here cannot meet
    // a read.
    if (!m_running) {
        if (Pa_StartStream(m_stream) != paNoError)
            return false;
        m_running = true;
    }
    m_capturing = true;
    m_wake.notify_all();
    return true;
}

void CPortAudioStream::Reset() {
    std::unique_lock lock(m_mutex);
    if (!m_open || m_closing)
        return;
    m_resetting = true;
    m_wake.notify_all();
    m_handedBack.wait(lock, [this] { return !m_resetting; });
}

void CPortAudioStream::Close() {
    {
        std::lock_guard lock(m_mutex);
        if (!m_open)
            return;
        m_closing = true;
        m_wake.notify_all();
    }
    m_thread.join();
    {
        std::lock_guard library(LibraryMutex());
        if (m_running)
            Pa_AbortStream(m_stream);
        Pa_CloseStream(m_stream);
    }
    std::lock_guard lock(m_mutex);
    m_stream = nullptr;
    m_queue.clear();
    m_written.clear();
    m_completion = nullptr;
    m_open = m_running = m_capturing = m_resetting = m_closing = false;
}

void CPortAudioStream::Run() {
    std::unique_lock lock(m_mutex);
    while (!m_closing) {
        if (m_resetting)
            HandBack(lock);
        else if (Output() && !m_queue.empty())
            WriteChunk(lock);
        else if (Output() && !m_written.empty())
            AwaitMoreOrFinish(lock);
        else if (!Output() && m_capturing && !m_queue.empty())
            ReadChunk(lock);
        else
            m_wake.wait(lock);
    }
}

void CPortAudioStream::WriteChunk(std::unique_lock<std::mutex>& lock) {
    // Only this thread removes buffers, so the front stays put while the lock is released.
    Buffer& front = m_queue.front();
    const std::int32_t count = std::min(front.count - front.done, m_chunkFrames * m_channels);
    const std::int16_t* from = front.samples + front.done;
    const bool start = !m_running;
    lock.unlock();
    PaError error = start ? Pa_StartStream(m_stream) : paNoError;
    const bool started = start && error == paNoError;
    if (error == paNoError)
        error = Pa_WriteStream(m_stream, from, static_cast<unsigned long>(count / m_channels));
    // A device that fails is treated as one that plays silence: the sound goes on at its
    // pace and every buffer still comes back.
    if (error != paNoError && error != paOutputUnderflowed)
        SleepFor(count / m_channels);
    lock.lock();
    m_running = m_running || started;
    front.done += count;
    if (front.done == front.count) {
        m_written.push_back(front);
        m_queue.pop_front();
    }
    // With another buffer queued behind them, those written may be refilled.
    if (!m_queue.empty())
        CompleteWritten(lock);
}

void CPortAudioStream::AwaitMoreOrFinish(std::unique_lock<std::mutex>& lock) {
    // Nothing more to write. The device still holds up to its latency of sound: if another
    // buffer comes in that time the sound goes on without a gap; otherwise the stream plays
    // out and stops, and the last buffers come back once they have been heard.
    if (m_wake.wait_for(lock, m_finishWait,
                        [this] { return m_closing || m_resetting || !m_queue.empty(); }))
        return;
    if (m_running) {
        lock.unlock();
        Pa_StopStream(m_stream);
        lock.lock();
        m_running = false;
    }
    CompleteWritten(lock);
}

void CPortAudioStream::ReadChunk(std::unique_lock<std::mutex>& lock) {
    Buffer& front = m_queue.front();
    const std::int32_t count = std::min(front.count - front.done, m_chunkFrames * m_channels);
    std::int16_t* to = front.samples + front.done;
    lock.unlock();
    const PaError error =
        Pa_ReadStream(m_stream, to, static_cast<unsigned long>(count / m_channels));
    // Lost input is no failure; a device that fails is heard as silence at its pace.
    if (error != paNoError && error != paInputOverflowed) {
        std::fill_n(to, count, std::int16_t{0});
        SleepFor(count / m_channels);
    }
    lock.lock();
    front.done += count;
    if (front.done == front.count) {
        const Buffer full = front;
        m_queue.pop_front();
        Complete(lock, full, full.count);
    }
}

void CPortAudioStream::HandBack(std::unique_lock<std::mutex>& lock) {
    if (m_running) {
        lock.unlock();
        Pa_AbortStream(m_stream);
        lock.lock();
        m_running = false;
    }
    m_capturing = false;
    CompleteWritten(lock);
    while (!m_queue.empty()) {
        const Buffer buffer = m_queue.front();
        m_queue.pop_front();
        Complete(lock, buffer, Output() ? buffer.count : buffer.done);
    }
    m_resetting = false;
    m_handedBack.notify_all();
}

void CPortAudioStream::CompleteWritten(std::unique_lock<std::mutex>& lock) {
    while (!m_written.empty()) {
        const Buffer buffer = m_written.front();
        m_written.pop_front();
        Complete(lock, buffer, buffer.count);
    }
}

void CPortAudioStream::Complete(std::unique_lock<std::mutex>& lock, const Buffer& buffer,
                                std::int32_t count) {
    // Outside the lock, so that the completion can queue the next buffer.
    lock.unlock();
    m_completion(buffer.samples, count);
    lock.lock();
}

void CPortAudioStream::SleepFor(std::int32_t frames) const {
    std::this_thread::sleep_for(std::chrono::duration<double>(frames / m_rate));
}

CPortAudioOutput::CPortAudioOutput()
    : m_stream(std::make_unique<CPortAudioStream>(CPortAudioStream::Direction::kOutput)) {}
CPortAudioOutput::~CPortAudioOutput() = default;

bool CPortAudioOutput::IsFormatSupported(const SoundFormat& format) {
    return m_stream->IsFormatSupported(format);
}

bool CPortAudioOutput::Open(const SoundFormat& format, Completion completion) {
    return m_stream->Open(
        format, [completion = std::move(completion)](std::int16_t* samples, std::int32_t count) {
            completion(samples, count);
        });
}

bool CPortAudioOutput::Write(const std::int16_t* samples, std::int32_t count) {
    // The stream only reads output buffers.
    return m_stream->Queue(const_cast<std::int16_t*>(samples), count);
}

void CPortAudioOutput::Reset() {
    m_stream->Reset();
}
void CPortAudioOutput::Close() {
    m_stream->Close();
}

CPortAudioInput::CPortAudioInput()
    : m_stream(std::make_unique<CPortAudioStream>(CPortAudioStream::Direction::kInput)) {}
CPortAudioInput::~CPortAudioInput() = default;

bool CPortAudioInput::IsFormatSupported(const SoundFormat& format) {
    return m_stream->IsFormatSupported(format);
}

bool CPortAudioInput::Open(const SoundFormat& format, Completion completion) {
    return m_stream->Open(format, std::move(completion));
}

bool CPortAudioInput::AddBuffer(std::int16_t* buffer, std::int32_t count) {
    return m_stream->Queue(buffer, count);
}

bool CPortAudioInput::Start() {
    return m_stream->Start();
}
void CPortAudioInput::Reset() {
    m_stream->Reset();
}
void CPortAudioInput::Close() {
    m_stream->Close();
}
