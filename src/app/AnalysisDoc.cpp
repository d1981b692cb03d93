#include "app/AnalysisDoc.h"

#include <cmath>

#include "platform/NumberText.h"
#include "platform/UiServices.h"
#include "wave/WavFile.h"

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

bool CAnalysisDoc::ReadWaveform(CUiServices& ui, CSoundDecoder& decoder,
                                WaveFormatCopy& formatCopy) {
    const auto result = ReadWaveFile(m_wave, ui, decoder, formatCopy);
    if (result != CWaveData::kReadOk) {
        ui.MessageBox(CWaveData::WaveResultText(result));
        return false;
    }
    CopyStoreValues();
    return true;
}

bool CAnalysisDoc::CheckTransform() {
    const auto rate = static_cast<std::int32_t>(m_wave.m_format.m_samplesPerSec);
    const auto steps = CheckTransformParams(m_params, m_wave.m_sampleCount, rate);
    if (!steps)
        return false;
    m_params.m_steps = *steps;
    m_params.m_sampleRate = rate;
    return true;
}

bool CAnalysisDoc::AllocateTransform() {
    return m_transforms.Allocate(m_params.m_steps, m_params.m_startFreq, m_params.m_endFreq,
                                 m_params.m_interval);
}

bool CAnalysisDoc::ComputeTransform() {
    CTransformJob& job = m_transforms.m_job;
    if (job.Prepare(m_params, m_wave.m_samples.get(), m_wave.m_sampleCount)) {
        WorkerFlags flags;
        CTransformJob::TransformWorker(job, flags);
    }
    job.Finish();
    return m_transforms.m_valid;
}

void CAnalysisDoc::TakeTableNominal() {
    m_params.m_nominal = m_partials.m_nominal;
    m_partials.UpdateCentsAndNotes();
}

void CAnalysisDoc::AnalyseFile(const AnalyseFileSteps& steps) {
    m_analysing = true;
    if (steps.m_readWaveform() && m_wave.m_state == CWaveData::kFromFile) {
        AllocateTransform();
        steps.m_doTransform();
        if (m_transforms.m_valid && FindAndNamePartials())
            steps.m_viewTransform();
    }
    m_analysing = false;
}

void CAnalysisDoc::WriteTransform(CUiServices& ui) {
    if (!m_transforms.m_valid) {
        ui.MessageBox("no transforms yet loaded");
        return;
    }
    const double nominal = m_partials.m_nominal;
    // Cents need a nominal to count from: none, or one that no frequency can be measured
    // against, is not set.
    if (m_params.m_writeInCents && !(nominal > 0.0 && std::isfinite(nominal))) {
        ui.MessageBox("Write in cents requested - nominal not set");
        return;
    }
    if (!WriteTransformFile(ui, m_transforms, TransformOrigin(), m_params.m_writeInCents, nominal))
        ui.MessageBox("Error writing transforms!");
}

void CAnalysisDoc::WritePartials(CUiServices& ui) {
    if (!m_partials.WritePartialsFile(ui, m_params.m_fileTitle))
        ui.MessageBox("Error writing file!");
}
