#include "app/AnalysisDoc.h"

#include "platform/NumberText.h"

void CAnalysisDoc::Sync() {
    m_wave.m_selStart = m_params.m_startSample;
    m_wave.m_selEnd = m_params.m_endSample;
    m_partials.m_germanNames = m_params.m_germanNames;
}

void CAnalysisDoc::CopyStoreValues() {
    CopyStretchedValues();
    m_params.m_sampleRate = static_cast<std::int32_t>(m_wave.m_format.m_samplesPerSec);
    m_params.m_fileTitle = m_wave.GetFileTitle();
    m_fileNameText = m_wave.GetFileName();
}

void CAnalysisDoc::CopyStretchedValues() {
    m_params.m_numSamples = m_wave.m_sampleCount;
    m_params.m_startSample = m_wave.m_selStart;
    m_params.m_endSample = m_wave.m_selEnd;
    m_freqIncrease = static_cast<std::int16_t>(TruncToInt32(m_wave.m_freqPercent));
}

PanelButtons CAnalysisDoc::Buttons() const {
    const bool wave = m_wave.m_state != CWaveData::kNoWaveform;
    const bool transforms = m_transforms.m_valid;
    const bool partials = m_partials.m_hasData;
    PanelButtons b;
    b.m_writeWaveform = b.m_viewWaveform = b.m_playWaveform = b.m_increaseFreq = b.m_doTransform =
        wave;
    b.m_writeTransform = b.m_viewTransform = transforms;
    b.m_writePartials = b.m_createWaveform = partials;
    b.m_findDecays = partials && transforms && wave;
    return b;
}

std::string CAnalysisDoc::NominalNote() const {
    return m_partials.NoteName(m_params.m_nominal, m_params.m_germanNames);
}

TransformSource CAnalysisDoc::TransformOrigin() const {
    TransformSource source;
    source.m_fileTitle = m_params.m_fileTitle;
    source.m_sampleRate = m_params.m_sampleRate;
    source.m_startSample = m_params.m_startSample;
    source.m_endSample = m_params.m_endSample;
    return source;
}

bool CAnalysisDoc::FindAndNamePartials() {
    if (!m_partials.FindPartials(m_transforms, CPartialData::kPeakSensitivity,
                                 CPartialData::kPeakHalfWidth))
        return false;
    m_partials.m_nominal = m_partials.Classify(false, m_params.m_startFreq, m_params.m_endFreq);
    m_partials.UpdateCentsAndNotes();
    return true;
}
