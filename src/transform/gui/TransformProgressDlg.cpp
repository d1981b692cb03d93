#include "transform/gui/TransformProgressDlg.h"

#include "transform/TransformData.h"

namespace {

CPolledJob& WithInput(CTransformData& transforms, const TransformRequest& request,
                      const std::int16_t* samples, std::int32_t sampleCount) {
    transforms.m_job.SetInput(request, samples, sampleCount);
    return transforms.m_job;
}

}  // namespace

CTransformProgressDlg::CTransformProgressDlg(CTransformData& transforms,
                                             const TransformRequest& request,
                                             const std::int16_t* samples, std::int32_t sampleCount,
                                             QWidget* parent)
    : CJobProgressDlg(WithInput(transforms, request, samples, sampleCount),
                      QStringLiteral("Transforms"), QStringLiteral("Doing transforms ..."),
                      parent) {}
