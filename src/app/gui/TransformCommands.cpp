#include "app/gui/TransformCommands.h"

#include <QDialog>
#include <cmath>

#include "platform/UiServices.h"
#include "transform/TransformFile.h"
#include "transform/gui/TransformProgressDlg.h"
#include "view/gui/TransformViewDlg.h"

PanelUpdate CTransformCommands::DoTransform() {
    CAnalysisDoc& doc = m_context.m_doc;
    AnalysisParams& params = doc.m_params;
    const auto rate = static_cast<std::int32_t>(doc.m_wave.m_format.m_samplesPerSec);
    const auto steps = CheckTransformParams(params, doc.m_wave.m_sampleCount, rate);
    if (!steps) {
        m_context.m_ui.MessageBox("Bad transform parameters!");
        // Analyse File may have made room for a new transform already: the buttons must
        // not go on offering the one that was there before.
        return {.m_refreshButtons = true};
    }
    params.m_steps = *steps;
    // The samples are the waveform's: after a transform file was read the panel may show
    // that file's rate, which would put every value at the wrong frequency.
    params.m_sampleRate = rate;
    m_context.m_showPanel();

    bool completed = false;
    bool failed = !doc.m_transforms.Allocate(params.m_steps, params.m_startFreq, params.m_endFreq,
                                             params.m_interval);
    if (!failed) {
        CTransformProgressDlg progress(doc.m_transforms, params, doc.m_wave.m_samples.get(),
                                       doc.m_wave.m_sampleCount, m_context.m_window);
        completed = progress.exec() == QDialog::Accepted;
        failed = progress.JobFailed();
    }
    if (completed) {
        return {.m_refreshButtons = true,
                .m_then = doc.m_analysing ? PanelFollowUp::kNone : PanelFollowUp::kViewTransform};
    }
    // A job that could not have its memory is as unworkable as bad settings.
    m_context.m_ui.MessageBox(failed ? "Bad transform parameters!" : "Transforms cancelled");
    doc.m_transforms.m_valid = false;
    return {.m_refreshButtons = true};
}

PanelUpdate CTransformCommands::ViewTransform() {
    CAnalysisDoc& doc = m_context.m_doc;
    CTransformViewDlg view(doc.m_transforms, doc.m_partials, doc.m_params, doc.m_params.m_fileTitle,
                           m_context.m_ui, m_context.m_window);
    view.exec();
    doc.m_params.m_nominal = doc.m_partials.m_nominal;
    doc.m_partials.UpdateCentsAndNotes();
    return {.m_show = true, .m_refreshButtons = true};
}

PanelUpdate CTransformCommands::ReadTransform() {
    CAnalysisDoc& doc = m_context.m_doc;
    TransformSource source;
    const auto result = ReadTransformFile(m_context.m_ui, doc.m_transforms, source);
    if (result != kTransformReadOk) {
        // The transform held before is still there, and so are its buttons.
        m_context.m_ui.MessageBox(TransformResultText(result));
        return {};
    }
    AnalysisParams& params = doc.m_params;
    params.m_startFreq = doc.m_transforms.m_startFreq;
    params.m_endFreq = doc.m_transforms.m_endFreq;
    params.m_interval = doc.m_transforms.m_interval;
    params.m_steps = doc.m_transforms.m_steps;
    params.m_sampleRate = source.m_sampleRate;
    params.m_startSample = source.m_startSample;
    params.m_endSample = source.m_endSample;
    params.m_numSamples = source.m_endSample - source.m_startSample;
    return {.m_show = true, .m_refreshButtons = true};
}

PanelUpdate CTransformCommands::WriteTransform() {
    CAnalysisDoc& doc = m_context.m_doc;
    if (!doc.m_transforms.m_valid) {
        m_context.m_ui.MessageBox("no transforms yet loaded");
        return {};
    }
    const double nominal = doc.m_partials.m_nominal;
    // Cents need a nominal to count from: none, or one that no frequency can be measured
    // against, is not set.
    if (doc.m_params.m_writeInCents && !(nominal > 0.0 && std::isfinite(nominal))) {
        m_context.m_ui.MessageBox("Write in cents requested - nominal not set");
        return {};
    }
    if (!WriteTransformFile(m_context.m_ui, doc.m_transforms, doc.TransformOrigin(),
                            doc.m_params.m_writeInCents, nominal))
        m_context.m_ui.MessageBox("Error writing transforms!");
    return {};
}
