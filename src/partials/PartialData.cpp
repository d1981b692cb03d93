#include "partials/PartialData.h"

#include <charconv>
#include <cmath>

#include "partials/NoteName.h"
#include "platform/Cents.h"

CPartialData::CPartialData()
    : m_partialNames{"hum", "prime", "tierce", "nominal", "superquint", "oct. nom.", "quint",
                     "",    "I7",    "I8",     "I9",      "I10",        "I11"},
      m_upperRules{{{1.3601, 4.5641, 24.5901, 8.0},
                    {1.6835, -17.5418, 46.524, 9.0},
                    {1.9422, -13.6156, 70.557, 10.0},
                    {2.1357, 29.432, 93.66, 11.0},
                    {2.2492, 138.262, 115.587, 12.0}}} {
    Clear();
}

void CPartialData::Clear() {
    for (int i = 0; i < kMaxPartials; ++i) {
        m_freq[i] = 0.0;
        m_splashAmp[i] = 0.0;
        m_tailAmp[i] = 0.0;
        m_attack[i] = 0.0;
        m_decay[i] = 0.0;
        m_cents[i] = 0.0;
        m_partialIndex[i] = kUnnamed;
        m_note[i].clear();
    }
    m_noiseSplashAmp = 0.0;
    m_noiseTailAmp = 0.0;
    m_noiseAttack = 0.0;
    m_noiseDecay = 0.0;
    m_hasData = false;
    m_count = 0;
    m_nominal = 0.0;
}

void CPartialData::ResetPartialIndices() {
    m_partialIndex.fill(kUnnamed);
}

void CPartialData::AddPartial(double freq, double splashAmp, double tailAmp, double attack,
                              double decay, std::int16_t partialIndex) {
    freq = std::fabs(freq);
    splashAmp = std::fabs(splashAmp);
    tailAmp = std::fabs(tailAmp);
    attack = std::fabs(attack);
    decay = std::fabs(decay);
    if (freq == 0.0)
        return;
    // A value that is not a number would break the frequency order and every later sum.
    if (!std::isfinite(freq) || !std::isfinite(splashAmp) || !std::isfinite(tailAmp) ||
        !std::isfinite(attack) || !std::isfinite(decay))
        return;
    if (partialIndex < 0 || partialIndex >= kNameCount)
        partialIndex = kUnnamed;

    bool duplicate = false;
    int insertAt = 0;
    int weakest = -1;
    double weakestAmp = tailAmp;
    for (int i = 0; i < kMaxPartials; ++i) {
        if (m_freq[i] == freq)
            duplicate = true;
        if (m_freq[i] > 0.0 && m_freq[i] < freq)
            insertAt = i + 1;
        if (m_tailAmp[i] < weakestAmp) {
            weakest = i;
            weakestAmp = m_tailAmp[i];
        }
    }
    if (duplicate)
        return;
    m_hasData = true;

    const auto moveRow = [this](int from, int to) {
        m_freq[to] = m_freq[from];
        m_splashAmp[to] = m_splashAmp[from];
        m_tailAmp[to] = m_tailAmp[from];
        m_attack[to] = m_attack[from];
        m_decay[to] = m_decay[from];
        m_partialIndex[to] = m_partialIndex[from];
        m_note[to] = std::move(m_note[from]);
    };

    int target;
    if (m_count < kMaxPartials) {
        // Rows edited beyond the ones in use (before the editor rebuilds the table) can put
        // the insertion point past the end of the rows in use; the new row then goes last.
        if (insertAt > m_count)
            insertAt = m_count;
        for (int i = m_count; i > insertAt; --i)
            moveRow(i - 1, i);
        target = insertAt;
        ++m_count;
    } else if (weakest >= 0) {
        if (weakest < insertAt) {
            for (int i = weakest; i < insertAt - 1; ++i)
                moveRow(i + 1, i);
            target = insertAt - 1;
        } else {
            for (int i = weakest; i > insertAt; --i)
                moveRow(i - 1, i);
            target = insertAt;
        }
    } else {
        return;  // full, and every stored partial is at least as strong
    }

    m_freq[target] = freq;
    m_splashAmp[target] = splashAmp;
    m_tailAmp[target] = tailAmp;
    m_attack[target] = attack;
    m_decay[target] = decay;
    m_partialIndex[target] = partialIndex;
    m_note[target] = NoteName(freq, m_germanNames);
}

bool CPartialData::HasPartialIn(double lo, double hi) const {
    for (int i = 0; i < m_count; ++i)
        if (lo <= m_freq[i] && m_freq[i] < hi)
            return true;
    return false;
}

void CPartialData::DeleteRange(double lo, double hi) {
    for (int i = 0; i < m_count; ++i)
        if (lo <= m_freq[i] && m_freq[i] <= hi)
            m_freq[i] = 0.0;
    Rebuild();
}

void CPartialData::Rebuild() {
    const auto freq = m_freq;
    const auto splashAmp = m_splashAmp;
    const auto tailAmp = m_tailAmp;
    const auto attack = m_attack;
    const auto decay = m_decay;
    const auto partialIndex = m_partialIndex;
    const double noiseSplashAmp = m_noiseSplashAmp;
    const double noiseTailAmp = m_noiseTailAmp;
    const double noiseAttack = m_noiseAttack;
    const double noiseDecay = m_noiseDecay;
    const double nominal = m_nominal;

    Clear();
    for (int i = 0; i < kMaxPartials; ++i)
        AddPartial(freq[i], splashAmp[i], tailAmp[i], attack[i], decay[i], partialIndex[i]);

    m_noiseSplashAmp = noiseSplashAmp;
    m_noiseTailAmp = noiseTailAmp;
    m_noiseAttack = noiseAttack;
    m_noiseDecay = noiseDecay;
    m_nominal = nominal;
    UpdateCentsAndNotes();
    // Noise alone is enough to synthesise from.
    if (m_noiseTailAmp != 0.0 || m_noiseSplashAmp != 0.0)
        m_hasData = true;
}

void CPartialData::UpdateNotes() {
    for (int i = 0; i < kMaxPartials; ++i)
        m_note[i] = NoteName(m_freq[i], m_germanNames);
}

void CPartialData::UpdateCentsAndNotes() {
    UpdateNotes();
    if (!(m_nominal > 0.0))
        return;
    for (int i = 0; i < kMaxPartials; ++i) {
        // Only a positive ratio has an interval: an edited row holding a negative frequency
        // would get NaN, and one so far below the nominal that the ratio is 0 would get -inf.
        const double ratio = m_freq[i] / m_nominal;
        if (ratio > 0.0 && std::isfinite(ratio))
            m_cents[i] = std::trunc(kTenthCentsPerLn * std::log(ratio)) / 10.0;
        else
            m_cents[i] = 0.0;
    }
}

std::string CPartialData::NoteName(double freq, bool germanNames) const {
    return ::NoteName(m_aRef, freq, germanNames);
}

const std::string& CPartialData::PartialName(int row) const {
    const std::int16_t index =
        row >= 0 && row < kMaxPartials ? m_partialIndex[row] : std::int16_t{kUnnamed};
    return m_partialNames[index >= 0 && index < kNameCount ? index : kUnnamed];
}

std::string PitchReferenceText(double aRef) {
    // One decimal in a field of at least three characters, '.' in every locale.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, aRef, std::chars_format::fixed, 1);
    std::string number(buffer, result.ptr);
    if (number.size() < 3)
        number.insert(0, 3 - number.size(), ' ');
    return "A=" + number;
}
