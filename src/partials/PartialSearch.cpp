// Peak search over a transform and the naming of the partials it finds.

#include <cmath>

#include "partials/PartialData.h"
#include "platform/Cents.h"
#include "transform/TransformData.h"

namespace {

// Peaks lower than this share of the transform's largest value are noise.
constexpr double kPeakFloor = 0.015;
// The combination search takes its nominal from the ten lowest partials only.
constexpr int kNominalRowLimit = 10;

}  // namespace

std::int16_t CPartialData::StrongestIn(double lo, double hi) const {
    std::int16_t best = -1;
    double bestAmp = 0.0;
    for (std::int16_t i = 0; i < m_count; ++i) {
        if (lo <= m_freq[i] && m_freq[i] <= hi && (best < 0 || m_tailAmp[i] > bestAmp)) {
            best = i;
            bestAmp = m_tailAmp[i];
        }
    }
    return best >= 0 && bestAmp > 0.0 ? best : std::int16_t{-1};
}

bool CPartialData::FindPartials(const CTransformData& transform, double sensitivity,
                                std::int32_t halfWidth) {
    const std::int32_t n = transform.m_steps;
    const std::int32_t w = halfWidth;
    if (!transform.m_smoothedValid || !transform.m_smoothed || !transform.m_values ||
        n < kMinSearchSteps)
        return false;
    // Both window sums must fit in the n + 1 values.
    if (w < 1 || w > n / 2)
        return false;

    const double* smoothed = transform.m_smoothed.get();
    const double* values = transform.m_values.get();
    const double floor = kPeakFloor * transform.m_maxValue;

    Clear();
    double left = 0.0;
    double right = 0.0;
    for (std::int32_t i = 0; i < w; ++i) {
        left += smoothed[i];
        right += smoothed[w + i];
    }
    bool rising = false;
    for (std::int32_t j = w; j <= n - w; ++j) {
        if (right > left) {
            rising = true;
        } else if (rising) {
            rising = false;
            // The mean around the turning point against the value just below it: flat
            // humps pass only with a high sensitivity.
            if ((left + right) / smoothed[j - 1] / w < sensitivity) {
                std::int32_t peak = j - w;
                double peakValue = 0.0;
                for (std::int32_t k = j - w; k <= j + w; ++k) {
                    if (values[k] > peakValue) {
                        peak = k;
                        peakValue = values[k];
                    }
                }
                if (peakValue > floor)
                    AddPartial(transform.FrequencyAt(peak), 0.0, peakValue, 0.0, 0.0, kUnnamed);
            }
        }
        // At j = n - w this reads the last value, index n.
        left += smoothed[j] - smoothed[j - w];
        right += smoothed[j + w] - smoothed[j];
    }
    return true;
}

double CPartialData::Classify(bool restrict, double lo, double hi) {
    for (int i = 0; i < m_count; ++i)
        m_partialIndex[i] = kUnnamed;
    double nominal = 0.0;
    double best = 0.0;
    // A later name given to a row replaces an earlier one.
    const auto nameStrongest = [this](double from, double to, std::int16_t name) {
        const std::int16_t row = StrongestIn(from, to);
        if (row >= 0)
            m_partialIndex[row] = name;
        return row;
    };

    // Every set of four rows a < b < c < d as hum, prime, tierce and nominal, visited with
    // the lowest position advancing first, the nominal from the lowest ten rows only. The
    // first combination with the highest score is kept.
    if (m_count >= 4) {
        int pos[5] = {0, 1, 2, 3, m_count};
        int found[4] = {-1, -1, -1, -1};
        bool tested = false;
        while (pos[3] < kNominalRowLimit) {
            if (!tested) {
                tested = true;
                const double n = m_freq[pos[3]];
                const double fa = m_freq[pos[0]];
                const double fb = m_freq[pos[1]];
                const double fc = m_freq[pos[2]];
                const bool allowed = !restrict || (lo <= n && n <= hi);
                if (allowed && 0.23 * n < fa && fa < 0.3 * n && 0.39 * n < fb && fb < 0.55 * n &&
                    0.568 * n < fc && fc < 0.63 * n) {
                    // The hum does not count; dividing by n prefers the lower of two
                    // equally strong candidates.
                    const double score =
                        (m_tailAmp[pos[1]] + m_tailAmp[pos[2]] + m_tailAmp[pos[3]]) / n;
                    if (score > best) {
                        best = score;
                        nominal = n;
                        for (int k = 0; k < 4; ++k)
                            found[k] = pos[k];
                    }
                }
            }
            int p = 0;
            while (p < 4 && pos[p + 1] - pos[p] < 2)
                ++p;
            if (p == 4)
                break;
            ++pos[p];
            for (int k = 0; k < p; ++k)
                pos[k] = k;
            tested = false;
        }
        if (found[0] >= 0) {
            m_partialIndex[found[0]] = kHum;
            m_partialIndex[found[1]] = kPrime;
            m_partialIndex[found[2]] = kTierce;
            m_partialIndex[found[3]] = kNominal;
        }
    }

    if (nominal == 0.0 && restrict) {
        const std::int16_t d = StrongestIn(lo, hi);
        if (d >= 0) {
            nominal = m_freq[d];
            m_partialIndex[d] = kNominal;
            nameStrongest(0.23 * nominal, 0.3 * nominal, kHum);
            nameStrongest(0.39 * nominal, 0.55 * nominal, kPrime);
            nameStrongest(0.568 * nominal, 0.63 * nominal, kTierce);
        }
    }

    if (nominal != 0.0) {
        nameStrongest(0.66 * nominal, 0.88 * nominal, kQuint);
        nameStrongest(1.42 * nominal, 1.53 * nominal, kSuperquint);
        const std::int16_t octave = nameStrongest(1.97 * nominal, 2.1 * nominal, kOctaveNominal);
        if (octave >= 0) {
            const double octaveCents = kCentsPerLn * std::log(m_freq[octave] / nominal);
            for (const UpperRule& rule : m_upperRules) {
                const double predicted = octaveCents * rule.slope + rule.offset;
                const double low = nominal * std::exp((predicted - rule.halfWidth) * kLnPerCent);
                const double high = nominal * std::exp((predicted + rule.halfWidth) * kLnPerCent);
                const double name = std::trunc(rule.nameIndex);
                if (name >= 0.0 && name < kNameCount)
                    nameStrongest(low, high, static_cast<std::int16_t>(name));
            }
        }
    }
    return nominal;
}
