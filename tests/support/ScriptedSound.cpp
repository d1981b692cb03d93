#include "support/ScriptedSound.h"

#include <algorithm>

bool CScriptedSoundOutput::Write(const std::int16_t* samples, std::int32_t count) {
    std::lock_guard lock(m_mutex);
    if (!m_writeSucceeds || !m_openFormat || m_resetting || samples == nullptr || count <= 0)
        return false;
    m_queue.push_back({samples, std::vector<std::int16_t>(samples, samples + count)});
    m_writeCounts.push_back(count);
    return true;
}

bool CScriptedSoundOutput::TakeNext(Buffer& buffer) {
    std::lock_guard lock(m_mutex);
    if (m_queue.empty())
        return false;
    buffer = std::move(m_queue.front());
    m_queue.pop_front();
    if (!std::equal(buffer.asWritten.begin(), buffer.asWritten.end(), buffer.samples))
        ++m_changedWhileQueued;
    return true;
}

bool CScriptedSoundOutput::CompleteNext() {
    Buffer buffer;
    if (!TakeNext(buffer))
        return false;
    {
        std::lock_guard lock(m_mutex);
        m_played.insert(m_played.end(), buffer.asWritten.begin(), buffer.asWritten.end());
    }
    m_completion(buffer.samples, static_cast<std::int32_t>(buffer.asWritten.size()));
    return true;
}

int CScriptedSoundOutput::CompleteAll(int limit) {
    int done = 0;
    while (done < limit && CompleteNext())
        ++done;
    return done;
}

void CScriptedSoundOutput::Reset() {
    {
        std::lock_guard lock(m_mutex);
        ++m_resetCount;
        m_resetting = true;
    }
    Buffer buffer;
    while (TakeNext(buffer))
        m_completion(buffer.samples, static_cast<std::int32_t>(buffer.asWritten.size()));
    std::lock_guard lock(m_mutex);
    m_resetting = false;
}

void CScriptedSoundOutput::Close() {
    std::lock_guard lock(m_mutex);
    m_queue.clear();
    Release();
}

std::size_t CScriptedSoundOutput::Queued() const {
    std::lock_guard lock(m_mutex);
    return m_queue.size();
}

bool CScriptedSoundInput::AddBuffer(std::int16_t* buffer, std::int32_t count) {
    std::lock_guard lock(m_mutex);
    if (!m_openFormat || m_resetting || buffer == nullptr || count <= 0)
        return false;
    m_queue.push_back({buffer, count, 0});
    return true;
}

bool CScriptedSoundInput::Start() {
    std::lock_guard lock(m_mutex);
    if (!m_openFormat || !m_startSucceeds)
        return false;
    m_capturing = true;
    return true;
}

std::size_t CScriptedSoundInput::Capture(const std::vector<std::int16_t>& samples) {
    std::size_t taken = 0;
    for (;;) {
        std::unique_lock lock(m_mutex);
        if (!m_capturing || m_queue.empty() || taken == samples.size())
            return taken;
        Buffer& front = m_queue.front();
        const auto n = static_cast<std::int32_t>(
            std::min<std::size_t>(samples.size() - taken, front.count - front.filled));
        std::copy_n(samples.begin() + static_cast<std::ptrdiff_t>(taken), n,
                    front.samples + front.filled);
        front.filled += n;
        taken += static_cast<std::size_t>(n);
        if (front.filled == front.count) {
            const Buffer full = front;
            m_queue.pop_front();
            lock.unlock();
            m_completion(full.samples, full.filled);
        }
    }
}

void CScriptedSoundInput::Reset() {
    std::unique_lock lock(m_mutex);
    ++m_resetCount;
    m_capturing = false;
    m_resetting = true;
    while (!m_queue.empty()) {
        const Buffer buffer = m_queue.front();
        m_queue.pop_front();
        lock.unlock();
        m_completion(buffer.samples, buffer.filled);
        lock.lock();
    }
    m_resetting = false;
}

void CScriptedSoundInput::Close() {
    std::lock_guard lock(m_mutex);
    m_queue.clear();
    m_capturing = false;
    Release();
}

std::size_t CScriptedSoundInput::Queued() const {
    std::lock_guard lock(m_mutex);
    return m_queue.size();
}
