// Times the two costs of the sound dialogs that a user notices: how long the sound goes on
// after Cancel in "Play Waveform" (from the press to the moment the engine silences the
// device), and how much processor time "Recording . . ." takes while it only shows the level
// (the meter runs as long as the dialog is open). Both run the real dialogs and engines on
// devices that keep real time as a sound card does: one that plays each buffer for as long as
// it lasts, one that fills a buffer every 8192 / 44100 s. A device of its own adds its reset
// time to the first figure (for the PortAudio backend, at most one 20 ms chunk).
//
// Run with QT_QPA_PLATFORM=offscreen where there is no display.

#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <numbers>
#include <optional>
#include <random>
#include <thread>
#include <vector>

#include "audio/gui/PlayDlg.h"
#include "audio/gui/RecordDlg.h"
#include "platform/UiServices.h"
#include "wave/WaveData.h"

namespace {

using Clock = std::chrono::steady_clock;

// A device thread that hands each queued buffer back when its time has come; Reset hands back
// the rest at once and notes when the sound stopped.
template <typename Pointer>
class CClockedDevice {
  public:
    using DeviceCompletion = std::function<void(Pointer, std::int32_t)>;

    bool OpenDevice(const SoundFormat& format, DeviceCompletion completion) {
        std::lock_guard lock(m_mutex);
        if (m_thread.joinable())
            return false;
        m_rate = format.m_samplesPerSec;
        m_completion = std::move(completion);
        m_closing = false;
        m_thread = std::thread([this] { Run(); });
        return true;
    }
    bool Queue(Pointer samples, std::int32_t count) {
        std::lock_guard lock(m_mutex);
        if (!m_thread.joinable() || m_resetting)
            return false;
        m_queue.push_back({samples, count});
        m_changed.notify_all();
        return true;
    }
    void ResetDevice() {
        std::unique_lock lock(m_mutex);
        m_stoppedAt = Clock::now();
        m_resetting = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_queue.empty() && !m_inCompletion; });
        m_resetting = false;
    }
    void CloseDevice() {
        {
            std::lock_guard lock(m_mutex);
            m_closing = true;
            m_changed.notify_all();
        }
        if (m_thread.joinable())
            m_thread.join();
        m_queue.clear();
    }
    std::optional<Clock::time_point> StoppedAt() {
        std::lock_guard lock(m_mutex);
        return m_stoppedAt;
    }

  protected:
    ~CClockedDevice() { CloseDevice(); }
    // What the device does to a buffer whose time has come (an input device fills it).
    virtual void Fill(Pointer, std::int32_t) {}

  private:
    struct Buffer {
        Pointer samples;
        std::int32_t count;
    };

    void Run() {
        std::unique_lock lock(m_mutex);
        auto due = Clock::now();
        while (!m_closing) {
            if (m_queue.empty()) {
                m_changed.wait(lock);
                due = std::max(due, Clock::now());
                continue;
            }
            const Buffer front = m_queue.front();
            if (!m_resetting) {
                due += std::chrono::duration_cast<Clock::duration>(
                    std::chrono::duration<double>(static_cast<double>(front.count) / m_rate));
                if (m_changed.wait_until(lock, due, [this] { return m_closing || m_resetting; }))
                    continue;
                Fill(front.samples, front.count);
            }
            m_queue.pop_front();
            m_inCompletion = true;
            lock.unlock();
            m_completion(front.samples, m_resetting ? 0 : front.count);
            lock.lock();
            m_inCompletion = false;
            m_changed.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Buffer> m_queue;
    DeviceCompletion m_completion;
    std::thread m_thread;
    double m_rate = 44100;
    bool m_resetting = false;
    bool m_closing = false;
    bool m_inCompletion = false;
    std::optional<Clock::time_point> m_stoppedAt;
};

class CClockedOutput : public CSoundOutput, public CClockedDevice<const std::int16_t*> {
  public:
    ~CClockedOutput() override { CloseDevice(); }
    bool IsFormatSupported(const SoundFormat&) override { return true; }
    bool Open(const SoundFormat& format, Completion completion) override {
        return OpenDevice(format, std::move(completion));
    }
    bool Write(const std::int16_t* samples, std::int32_t count) override {
        return Queue(samples, count);
    }
    void Reset() override { ResetDevice(); }
    void Close() override { CloseDevice(); }
};

// Room noise whose level changes from buffer to buffer.
class CClockedInput : public CSoundInput, public CClockedDevice<std::int16_t*> {
  public:
    ~CClockedInput() override { CloseDevice(); }
    bool IsFormatSupported(const SoundFormat&) override { return true; }
    bool Open(const SoundFormat& format, Completion completion) override {
        return OpenDevice(format, std::move(completion));
    }
    bool AddBuffer(std::int16_t* buffer, std::int32_t count) override {
        return Queue(buffer, count);
    }
    bool Start() override { return true; }
    void Reset() override { ResetDevice(); }
    void Close() override { CloseDevice(); }

  protected:
    void Fill(std::int16_t* buffer, std::int32_t count) override {
        // A level that changes with every buffer, so the meter is redrawn at every update.
        const int level = 300 + m_noise(m_random) % 20000;
        for (std::int32_t i = 0; i < count; ++i)
            buffer[i] = static_cast<std::int16_t>(m_noise(m_random) % (2 * level) - level);
    }

  private:
    std::minstd_rand m_random;
    std::uniform_int_distribution<int> m_noise{0, 1 << 20};
};

class CSilentUi : public CUiServices {
  public:
    std::optional<std::string> GetOpenFileName(const std::string&, const std::string&,
                                               const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> GetSaveFileName(const std::string&, const std::string&,
                                               const std::string&) override {
        return std::nullopt;
    }
    void MessageBox(const std::string& text) override {
        std::printf("message: %s\n", text.c_str());
    }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
};

void RunEventsFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void TimeCancel(CSilentUi& ui) {
    CWaveData wave;
    const std::int32_t count = 60 * 44100;
    wave.CreateEmpty(44100, count, 16);
    for (std::int32_t i = 0; i < count; ++i)
        wave.m_samples[i] = static_cast<std::int16_t>(8000 * std::sin(i * 0.0627));
    std::minstd_rand random(7);
    std::uniform_int_distribution<int> wait(600, 1600);
    std::vector<double> ms;
    for (int trial = 0; trial < 20; ++trial) {
        CClockedOutput device;
        CPlayDlg play(wave, {{0, 0}, false, count}, device, ui);
        play.show();
        RunEventsFor(wait(random));
        const auto pressed = Clock::now();
        play.reject();  // what Cancel, Escape and the close box do
        while (play.isVisible())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const auto stopped = device.StoppedAt();
        if (stopped)
            ms.push_back(std::chrono::duration<double, std::milli>(*stopped - pressed).count());
    }
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double m : ms)
        sum += m;
    std::printf(
        "Cancel to silence (%zu presses at random moments): min %.1f ms, mean %.1f ms, "
        "median %.1f ms, max %.1f ms\n",
        ms.size(), ms.front(), sum / ms.size(), ms[ms.size() / 2], ms.back());
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void TimeIdleMeter(CSilentUi& ui) {
    CWaveData wave;
    CClockedInput device;
    CRecordDlg record(wave, device, ui);
    record.show();
    RunEventsFor(1000);  // opened and settled
    const int seconds = 20;
    const double cpu0 = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    RunEventsFor(seconds * 1000);
    const double cpu = CpuSeconds() - cpu0;
    const double elapsed = wall.elapsed() / 1000.0;
    const double updates = elapsed * 44100.0 / CSoundIn::kBufferSamples;
    std::printf(
        "Record dialog idle, meter running for %.1f s: %.3f s of CPU, %.2f %% of one "
        "core, %.0f us per level update (%.0f updates)\n",
        elapsed, cpu, 100.0 * cpu / elapsed, 1e6 * cpu / updates, updates);
    record.reject();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    CSilentUi ui;
    TimeCancel(ui);
    TimeIdleMeter(ui);
    return 0;
}
