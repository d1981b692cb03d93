#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "support/TempDir.h"

// What the tests of real sound share: the sound files the ALSA configuration of the test run
// plays into and records from, and a way to hold a device's thread.

inline bool ContainsRun(const std::vector<std::int16_t>& within,
                        const std::vector<std::int16_t>& run) {
    return std::search(within.begin(), within.end(), run.begin(), run.end()) != within.end();
}

// A door the device thread waits at until the test opens it; every wait gives up after a
// while, so a fault fails the test instead of hanging it.
class CGate {
  public:
    void Open() {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    bool Wait() {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(20), [this] { return m_open; });
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
};

// Every test plays into and records from files of its own: the ALSA configuration of the
// test run reads their names from the environment when the device opens.
class SoundFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("ALSA_CONFIG_PATH"), nullptr)
            << "run through ctest, which points ALSA at the test's sound files";
        setenv("TONVANE_SOUND_OUT", m_dir.File("out.raw").c_str(), 1);
        setenv("TONVANE_SOUND_IN", m_dir.File("in.raw").c_str(), 1);
        std::vector<std::int16_t> input(40000);
        for (std::size_t i = 0; i < input.size(); ++i)
            input[i] = static_cast<std::int16_t>(static_cast<int>(i % 32000) - 16000);
        SetInput(input);
    }

    // What the input device delivers from its start; a device opened afterwards reads it.
    void SetInput(const std::vector<std::int16_t>& samples) {
        m_input = samples;
        WriteFileBytes(m_dir.File("in.raw"),
                       std::string(reinterpret_cast<const char*>(m_input.data()),
                                   m_input.size() * sizeof(std::int16_t)));
    }

    std::vector<std::int16_t> Played() const {
        const std::string bytes = ReadFileBytes(m_dir.File("out.raw"));
        std::vector<std::int16_t> samples(bytes.size() / 2);
        std::copy_n(bytes.data(), samples.size() * 2, reinterpret_cast<char*>(samples.data()));
        return samples;
    }

    CTempDir m_dir;
    std::vector<std::int16_t> m_input;
};
