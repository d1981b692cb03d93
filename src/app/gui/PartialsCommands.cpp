#include "app/gui/PartialsCommands.h"

#include <utility>

#include "decay/gui/DecayDlg.h"
#include "partials/gui/EditPartialsDlg.h"
#include "platform/UiServices.h"
#include "synth/gui/CreateWaveDlg.h"

PanelUpdate CPartialsCommands::EditPartials() {
    CAnalysisDoc& doc = m_context.m_doc;
    CEditPartialsDlg editor(doc.m_partials, m_context.m_ui, m_context.m_window);
    editor.exec();  // OK or closed: the table holds what the editor left in it either way
    doc.m_params.m_nominal = doc.m_partials.m_nominal;
    return {.m_show = true, .m_refreshButtons = true};
}

PanelUpdate CPartialsCommands::CreateWaveform() {
    CAnalysisDoc& doc = m_context.m_doc;
    CCreateWaveDlg create(doc.m_wave, doc.m_partials, doc.m_params, m_context.m_ui,
                          m_context.m_window);
    create.exec();
    return {.m_copyStoreValues = true, .m_show = true, .m_refreshButtons = true};
}

PanelUpdate CPartialsCommands::ReadPartials() {
    CAnalysisDoc& doc = m_context.m_doc;
    const auto result = doc.m_partials.ReadPartialsFile(m_context.m_ui);
    if (result != CPartialData::kReadOk)
        m_context.m_ui.MessageBox(CPartialData::ReadResultText(result));
    // A file that was opened has replaced the table, even when it then failed: the panel
    // must not go on offering what is no longer there.
    if (result == CPartialData::kNoFileSelected || result == CPartialData::kOpenFailed)
        return {};
    doc.m_params.m_nominal = doc.m_partials.m_nominal;
    return {.m_show = true, .m_refreshButtons = true};
}

PanelUpdate CPartialsCommands::WritePartials() {
    m_context.m_doc.WritePartials(m_context.m_ui);
    return {};
}

PanelUpdate CPartialsCommands::FindDecays() {
    CAnalysisDoc& doc = m_context.m_doc;
    const AnalysisParams& params = doc.m_params;
    DecaySource source;
    // The waveform's own rate: after a transform file was read the panel may show that
    // file's rate, which would put every run's values at the wrong frequencies.
    source.m_wave = {doc.m_wave.m_samples.get(), doc.m_wave.m_sampleCount,
                     static_cast<std::int32_t>(doc.m_wave.m_format.m_samplesPerSec)};
    source.m_selection = {params.m_startSample, params.m_endSample};
    source.m_panelSampleCount = params.m_numSamples;
    source.m_fileTitle = params.m_fileTitle;
    CDecayDlg dialog(doc.m_partials, std::move(source), m_context.m_ui, m_context.m_window);
    dialog.exec();
    return {.m_refreshButtons = true};
}

PanelUpdate CPartialsCommands::SetPitchReference(double aRef) {
    CAnalysisDoc& doc = m_context.m_doc;
    doc.m_params.m_aRef = aRef;
    doc.m_partials.m_aRef = aRef;
    doc.m_partials.UpdateNotes();
    return {.m_show = true};
}

PanelUpdate CPartialsCommands::ApplyGermanNames() {
    CAnalysisDoc& doc = m_context.m_doc;
    doc.m_partials.m_germanNames = doc.m_params.m_germanNames;
    doc.m_partials.UpdateNotes();
    return {.m_show = true};
}
