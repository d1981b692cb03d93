#pragma once

#include <cstdint>

#include "platform/gui/JobProgressDlg.h"
#include "transform/TransformRequest.h"

class CTransformData;

// "Transforms": computes one transform of the waveform's samples into transforms, which
// must have been allocated for the request's grid. Ends with OK when the transform is
// complete (and then valid, with its maximum and smoothed copy).
class CTransformProgressDlg : public CJobProgressDlg {
    Q_OBJECT
  public:
    CTransformProgressDlg(CTransformData& transforms, const TransformRequest& request,
                          const std::int16_t* samples, std::int32_t sampleCount,
                          QWidget* parent = nullptr);
};
