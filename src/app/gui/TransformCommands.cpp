#include "app/gui/TransformCommands.h"

#include <QDialog>

#include "platform/UiServices.h"
#include "transform/TransformFile.h"
#include "transform/gui/TransformProgressDlg.h"
#include "view/gui/TransformViewDlg.h"

PanelUpdate CTransformCommands::DoTransform() {
    CAnalysisDoc& doc = m_context.m_doc;
    if (!doc.CheckTransform()) {
        m_context.m_ui.MessageBox(kBadTransformParamsText);
        // Analyse File may have made room for a new transform already: the buttons must
        // not go on offering the one that was there before.
        return {.m_refreshButtons = true};
    }
    m_context.m_showPanel();

    bool completed = false;
    bool failed = !doc.AllocateTransform();
    if (!failed) {
        CTransformProgressDlg progress(doc.m_transforms, doc.m_params, doc.m_wave.m_samples.get(),
                                       doc.m_wave.m_sampleCount, m_context.m_window);
        completed = progress.exec() == QDialog::Accepted;
        failed = progress.JobFailed();
    }
    if (completed) {
        return {.m_refreshButtons = true,
                .m_then = doc.m_analysing ? PanelFollowUp::kNone : PanelFollowUp::kViewTransform};
    }
    // A job that could not have its memory is as unworkable as bad settings.
    m_context.m_ui.MessageBox(failed ? kBadTransformParamsText : "Transforms cancelled");
    doc.m_transforms.m_valid = false;
    return {.m_refreshButtons = true};
}

PanelUpdate CTransformCommands::ViewTransform() {
    CAnalysisDoc& doc = m_context.m_doc;
    CTransformViewDlg view(doc.m_transforms, doc.m_partials, doc.m_params, doc.m_params.m_fileTitle,
                           m_context.m_ui, m_context.m_window);
    view.exec();
    doc.TakeTableNominal();
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
    m_context.m_doc.WriteTransform(m_context.m_ui);
    return {};
}
