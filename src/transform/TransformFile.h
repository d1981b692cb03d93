#pragma once

#include <cstdint>
#include <string>

#include "wave/SampleRange.h"

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

// Where a transform came from, as its file's header tells: the waveform's file title (on
// writing only; it is not read back), its sample rate and the samples analysed.
struct TransformSource : SampleRange {
    std::string m_fileTitle;
    std::int32_t m_sampleRate = 0;
};

// Asks for a file name (proposing the waveform's file title) and writes the transform with
// its source: in Hz, or, with inCents, as "Relative Transforms" in cents from nominal with
// values relative to the largest. A cancelled dialog counts as success. False when the file
// cannot be written completely, and, without asking, when the transform is not valid or
// cents are asked for without a positive nominal.
bool WriteTransformFile(CUiServices& ui, const CTransformData& transform,
                        const TransformSource& source, bool inCents, double nominal);

// Asks for a transform file and reads it into transform, which then holds the file's grid
// and values, is valid, and has its maximum and (where the grid allows) its smoothed copy.
// source receives the file's sample rate and sample range. Every file this program writes
// in Hz reads back, whatever its grid: the interval is the one its data lines were written
// with, and the frequencies and values are taken to the six decimals the file holds, so
// writing what was read and reading it again gives the same transform. A grid whose points
// do not rise one above the other is bad data; numbers too large for the program to write
// back within its lines are a format error. On any failure the transform held before and
// source are left as they were.
TransformReadResult ReadTransformFile(CUiServices& ui, CTransformData& transform,
                                      TransformSource& source);
