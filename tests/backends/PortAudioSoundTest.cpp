#include "backends/PortAudioSound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "support/SoundFiles.h"

namespace {

using namespace std::chrono_literals;

const SoundFormat kFormat{8000, 1, 16};

// Samples no other buffer of a test holds, so each can be told apart in the sound file.
std::vector<std::int16_t> Pattern(std::size_t count, int first) {
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = static_cast<std::int16_t>(first + static_cast<int>(i % 1000) * 3);
    return samples;
}

// The completions as they arrive on the device's thread.
template <typename Pointer>
class CCompletions {
  public:
    struct Entry {
        Pointer samples;
        std::int32_t count;
        std::thread::id thread;
    };

    void Add(Pointer samples, std::int32_t count) {
        std::lock_guard lock(m_mutex);
        m_entries.push_back({samples, count, std::this_thread::get_id()});
        m_changed.notify_all();
    }
    bool WaitFor(std::size_t count) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, 20s, [&] { return m_entries.size() >= count; });
    }
    std::vector<Entry> Entries() {
        std::lock_guard lock(m_mutex);
        return m_entries;
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Entry> m_entries;
};

// Asks for a reset from another thread while the device thread is held inside a completion
// at held, so buffers are certainly still queued when the reset begins. Meanwhile the test
// keeps offering probe buffers through offer, which must be refused once the reset is under
// way; returns how many were taken before that, and with them the completions counted when
// Reset returned.
template <typename Device, typename Offer>
std::pair<int, std::size_t> ResetWhileHeld(Device& device, CGate& entered, CGate& held, Offer offer,
                                           std::function<std::size_t()> count) {
    EXPECT_TRUE(entered.Wait());
    std::size_t countAtReturn = 0;
    std::thread resetter([&] {
        device.Reset();
        countAtReturn = count();
    });
    int taken = 0;
    while (offer()) {
        ++taken;
        std::this_thread::sleep_for(1ms);
    }
    held.Open();
    resetter.join();
    return {taken, countAtReturn};
}

using OutputLog = CCompletions<const std::int16_t*>;
using InputLog = CCompletions<std::int16_t*>;

TEST_F(SoundFileTest, CompletionsThatQueueTheNextBlockPlayTheWholeSound) {
    // Two buffers taking turns over one long sound, refilled from the completions, the way
    // a playback engine streams out of the waveform store.
    const auto sound = Pattern(30000, -12000);
    CPortAudioOutput output;
    EXPECT_TRUE(output.IsFormatSupported(kFormat));
    EXPECT_FALSE(output.IsFormatSupported({8000, 1, 8}));
    EXPECT_FALSE(output.IsFormatSupported({8000, 0, 16}));
    EXPECT_FALSE(output.Write(sound.data(), 100));  // not open
    OutputLog done;
    std::mutex positionMutex;
    std::size_t position = 0;
    const auto queueNext = [&] {
        std::lock_guard lock(positionMutex);
        const std::size_t count = std::min<std::size_t>(4096, sound.size() - position);
        if (count > 0 && output.Write(sound.data() + position, static_cast<std::int32_t>(count)))
            position += count;
    };
    ASSERT_TRUE(output.Open(kFormat, [&](auto samples, auto count) {
        done.Add(samples, count);
        queueNext();
    }));
    EXPECT_FALSE(output.Open(kFormat, [](auto, auto) {}));
    queueNext();
    queueNext();
    ASSERT_TRUE(done.WaitFor(8));  // 7 blocks of 4096 and one of 1328
    output.Close();

    const auto entries = done.Entries();
    ASSERT_EQ(entries.size(), 8u);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].samples, sound.data() + 4096 * i);
        EXPECT_NE(entries[i].thread, std::this_thread::get_id());
    }
    EXPECT_EQ(entries.back().count, 1328);
    EXPECT_TRUE(ContainsRun(Played(), sound));
}

TEST_F(SoundFileTest, ResetHandsBackQueuedBuffersAndOutputGoesOnAfterIt) {
    const auto a = Pattern(160, 1);  // one chunk of the device thread
    const auto b = Pattern(1000, 3001);
    const auto c = Pattern(1000, 6001);
    const auto probe = Pattern(100, -3001);
    const auto after = Pattern(500, -6001);
    CPortAudioOutput output;
    OutputLog done;
    CGate entered, held;
    ASSERT_TRUE(output.Open(kFormat, [&](auto samples, auto count) {
        done.Add(samples, count);
        if (samples == a.data()) {
            entered.Open();
            held.Wait();
        }
    }));
    ASSERT_TRUE(output.Write(a.data(), 160));
    ASSERT_TRUE(output.Write(b.data(), 1000));
    ASSERT_TRUE(output.Write(c.data(), 1000));
    const auto [probes, countAtReturn] = ResetWhileHeld(
        output, entered, held, [&] { return output.Write(probe.data(), 100); },
        [&] { return done.Entries().size(); });

    // Each buffer came back once, in queue order, before Reset returned.
    const auto entries = done.Entries();
    ASSERT_EQ(entries.size(), 3u + probes);
    EXPECT_EQ(countAtReturn, entries.size());
    EXPECT_EQ(entries[0].samples, a.data());
    EXPECT_EQ(entries[1].samples, b.data());
    EXPECT_EQ(entries[2].samples, c.data());
    for (std::size_t i = 3; i < entries.size(); ++i)
        EXPECT_EQ(entries[i].samples, probe.data());

    ASSERT_TRUE(output.Write(after.data(), 500));
    ASSERT_TRUE(done.WaitFor(entries.size() + 1));
    output.Close();
    const auto played = Played();
    EXPECT_TRUE(ContainsRun(played, a));
    EXPECT_FALSE(ContainsRun(played, c));  // stopped before it began
    EXPECT_TRUE(ContainsRun(played, after));
}

TEST_F(SoundFileTest, RecordingDeliversTheInputInOrder) {
    CPortAudioInput input;
    EXPECT_TRUE(input.IsFormatSupported(kFormat));
    EXPECT_FALSE(input.IsFormatSupported({8000, 1, 24}));
    std::vector<std::int16_t> first(3000), second(3000);
    std::mutex capturedMutex;
    std::vector<std::int16_t> captured;
    InputLog done;
    ASSERT_TRUE(input.Open(kFormat, [&](std::int16_t* buffer, std::int32_t filled) {
        bool more = false;
        {
            std::lock_guard lock(capturedMutex);
            captured.insert(captured.end(), buffer, buffer + filled);
            more = captured.size() < 12000;
        }
        done.Add(buffer, filled);
        if (more)
            input.AddBuffer(buffer, 3000);
    }));
    ASSERT_TRUE(input.AddBuffer(first.data(), 3000));
    ASSERT_TRUE(input.AddBuffer(second.data(), 3000));
    ASSERT_TRUE(input.Start());
    ASSERT_TRUE(done.WaitFor(4));
    input.Reset();
    input.Close();

    const auto entries = done.Entries();
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(entries[i].samples, i % 2 ? second.data() : first.data());
        EXPECT_EQ(entries[i].count, 3000);
        EXPECT_NE(entries[i].thread, std::this_thread::get_id());
    }
    ASSERT_GE(captured.size(), 12000u);
    ASSERT_LE(captured.size(), m_input.size());
    EXPECT_TRUE(std::equal(captured.begin(), captured.end(), m_input.begin()));
}

TEST_F(SoundFileTest, ResetHandsBackBuffersWithWhatTheyHoldAndCaptureCanStartAgain) {
    std::vector<std::int16_t> first(3000), second(3000), probe(100), again(2000);
    CPortAudioInput input;
    InputLog done;
    CGate entered, held;
    ASSERT_TRUE(input.Open(kFormat, [&](std::int16_t* buffer, std::int32_t filled) {
        done.Add(buffer, filled);
        if (buffer == first.data()) {
            entered.Open();
            held.Wait();
        }
    }));
    ASSERT_TRUE(input.AddBuffer(first.data(), 3000));
    ASSERT_TRUE(input.AddBuffer(second.data(), 3000));
    ASSERT_TRUE(input.Start());
    const auto [probes, countAtReturn] = ResetWhileHeld(
        input, entered, held, [&] { return input.AddBuffer(probe.data(), 100); },
        [&] { return done.Entries().size(); });

    const auto entries = done.Entries();
    ASSERT_EQ(entries.size(), 2u + probes);
    EXPECT_EQ(countAtReturn, entries.size());
    EXPECT_EQ(entries[0].samples, first.data());
    EXPECT_EQ(entries[0].count, 3000);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), m_input.begin()));
    // The device thread was held before it began the second buffer.
    EXPECT_EQ(entries[1].samples, second.data());
    EXPECT_EQ(entries[1].count, 0);
    for (std::size_t i = 2; i < entries.size(); ++i)
        EXPECT_EQ(entries[i].count, 0);

    ASSERT_TRUE(input.AddBuffer(again.data(), 2000));
    EXPECT_EQ(done.Entries().size(), entries.size());  // nothing captured before Start
    ASSERT_TRUE(input.Start());
    ASSERT_TRUE(done.WaitFor(entries.size() + 1));
    input.Close();
    EXPECT_EQ(done.Entries().back().count, 2000);
    EXPECT_TRUE(ContainsRun(m_input, again));
}

// Run with an ALSA configuration that has no device at all.
TEST(NoSoundDeviceTest, DevicesRefuseCleanly) {
    std::vector<std::int16_t> buffer(100);
    int completions = 0;
    CPortAudioOutput output;
    EXPECT_FALSE(output.IsFormatSupported(kFormat));
    EXPECT_FALSE(output.Open(kFormat, [&](auto, auto) { ++completions; }));
    EXPECT_FALSE(output.Write(buffer.data(), 100));
    output.Reset();
    output.Close();

    CPortAudioInput input;
    EXPECT_FALSE(input.IsFormatSupported(kFormat));
    EXPECT_FALSE(input.Open(kFormat, [&](auto, auto) { ++completions; }));
    EXPECT_FALSE(input.AddBuffer(buffer.data(), 100));
    EXPECT_FALSE(input.Start());
    input.Reset();
    input.Close();
    EXPECT_EQ(completions, 0);
}

}  // namespace
