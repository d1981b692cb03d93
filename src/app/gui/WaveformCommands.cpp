#include "app/gui/WaveformCommands.h"

#include "audio/gui/PlayDlg.h"
#include "audio/gui/RecordDlg.h"
#include "platform/UiServices.h"
#include "synth/gui/StretchDlg.h"
#include "view/gui/WaveViewDlg.h"
#include "wave/WavFile.h"
#include "wave/gui/WaveDetailsDlg.h"

PanelUpdate CWaveformCommands::ReadWaveform(bool* loaded) {
    CAnalysisDoc& doc = m_context.m_doc;
    WaveFormatCopy formatCopy;
    const bool read = doc.ReadWaveform(m_context.m_ui, m_context.m_devices.m_decoder, formatCopy);
    if (loaded != nullptr)
        *loaded = read;
    if (read && !doc.m_analysing) {
        CWaveDetailsDlg details(formatCopy, m_context.m_window);
        details.exec();
    }
    return {.m_show = true, .m_refreshButtons = true};
}

PanelUpdate CWaveformCommands::WriteWaveform() {
    if (!WriteWaveFile(m_context.m_doc.m_wave, m_context.m_ui)) {
        m_context.m_ui.MessageBox("Error writing file!");
        return {};
    }
    return {.m_show = true};
}

PanelUpdate CWaveformCommands::ViewWaveform() {
    CAnalysisDoc& doc = m_context.m_doc;
    CWaveViewDlg view(doc.m_wave, doc.m_params, m_context.m_ui, m_context.m_window);
    view.exec();  // however it closes, the selection made in it counts
    doc.m_wave.m_selStart = doc.m_params.m_startSample;
    doc.m_wave.m_selEnd = doc.m_params.m_endSample;
    return {.m_show = true, .m_refreshButtons = true};
}

PanelUpdate CWaveformCommands::PlayWaveform() {
    const AnalysisParams& params = m_context.m_doc.m_params;
    const PlayRequest request{
        {params.m_startSample, params.m_endSample}, params.m_playSelectedOnly, params.m_numSamples};
    CPlayDlg play(m_context.m_doc.m_wave, request, m_context.m_devices.m_soundOut, m_context.m_ui,
                  m_context.m_window);
    play.exec();
    return {};
}

PanelUpdate CWaveformCommands::RecordWaveform() {
    CRecordDlg record(m_context.m_doc.m_wave, m_context.m_devices.m_soundIn, m_context.m_ui,
                      m_context.m_window);
    record.exec();
    return {.m_copyStoreValues = true, .m_show = true, .m_refreshButtons = true};
}

PanelUpdate CWaveformCommands::IncreaseFreq() {
    CAnalysisDoc& doc = m_context.m_doc;
    CStretchDlg stretch(doc.m_wave, doc.m_params.m_nominal, doc.m_params.m_fileTitle,
                        m_context.m_ui, m_context.m_window);
    if (stretch.exec() == QDialog::Accepted)
        doc.m_fileNameText = doc.m_wave.GetFileName();
    doc.CopyStretchedValues();
    doc.m_wave.m_state = CWaveData::kMadeHere;
    return {.m_show = true};
}
