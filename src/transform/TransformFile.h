#pragma once

#include <cstdint>

struct AnalysisParams;
class CTransformData;
class CUiServices;

// Result codes of ReadTransformFile; TransformResultText gives their texts.
enum TransformReadResult : std::int16_t {
    kTransformReadOk = 0,
    kTransformOpenFailed = 1,
    kTransformNoFileSelected = 2,
    kNotTransformFile = 3,
    kTransformFormatError = 4,
    kTransformNotEnoughData = 5,
    kTransformBadGrid = 6,
    kTransformBadSampleRange = 7,
    kTransformBadSampleRate = 8,
    kTransformBadFrequency = 9,
    kTransformNoMemory = 10,  // the grid's arrays could not be had
};

inline constexpr const char* kTransformFileFilter = "Transform files (.csv)|*.csv|";
inline constexpr const char* kTransformFileExt = "csv";

// The text that goes with a result code of ReadTransformFile.
const char* TransformResultText(int code);

// Asks for a file name (proposing the waveform's file title) and writes the transform with
// the sample rate and selection of settings: in Hz, or, when settings.m_writeInCents is
// set, as "Relative Transforms" in cents from nominal with values relative to the largest.
// A cancelled dialog counts as success. False when the file cannot be written completely,
// and, without asking, when the transform is not valid or cents are asked for without a
// positive nominal.
bool WriteTransformFile(CUiServices& ui, const CTransformData& transform,
                        const AnalysisParams& settings, double nominal);

// Asks for a transform file and reads it into transform, which then holds the file's grid
// and values, is valid, and has its maximum and (where the grid allows) its smoothed copy.
// sampleRate, startSample and endSample receive the file's values on success only. A
// failure before the data lines leaves the transform held before untouched; a failure in
// them leaves the transform allocated but not valid.
std::int16_t ReadTransformFile(CUiServices& ui, CTransformData& transform, std::int32_t& sampleRate,
                               std::int32_t& startSample, std::int32_t& endSample);
