#pragma once

#include <QDialog>
#include <QTimer>
#include <cstdint>

struct AnalysisParams;
class CTransformData;
class QProgressBar;

// "Transforms": runs one transform job on a worker thread, polls it every 500 ms and ends
// with OK when it completed, or with Cancel when the user cancelled it or it could not run.
class CTransformProgressDlg : public QDialog {
    Q_OBJECT
  public:
    CTransformProgressDlg(CTransformData& transforms, const AnalysisParams& params,
                          const std::int16_t* samples, std::int32_t sampleCount,
                          QWidget* parent = nullptr);
    ~CTransformProgressDlg() override;

    // Cancel and Escape only ask the worker to stop; the dialog ends when it has.
    void reject() override;

    // The job could not run (no memory for its buffer, or no thread).
    bool JobFailed() const { return m_jobFailed; }

    QProgressBar* m_progressBar;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void OnTimer();

    CTransformData& m_transforms;
    const AnalysisParams& m_params;
    const std::int16_t* m_samples;
    std::int32_t m_sampleCount;
    QTimer m_timer;
    bool m_started = false;
    bool m_jobFailed = false;
};
