#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "platform/UiServices.h"

// The desktop's own file dialogs, message boxes and wait cursor.
class CQtUiServices : public CUiServices {
  public:
    explicit CQtUiServices(QWidget* parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }

    std::optional<std::string> GetOpenFileName(const std::string& filter,
                                               const std::string& defaultExt,
                                               const std::string& proposedName) override;
    std::optional<std::string> GetSaveFileName(const std::string& filter,
                                               const std::string& defaultExt,
                                               const std::string& proposedName) override;
    void MessageBox(const std::string& text) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;

    // "Waveform files (.wav)|*.wav|" as Qt's name filters: "Waveform files (.wav) (*.wav)".
    static QStringList NameFilters(const std::string& filter);

  private:
    QPointer<QWidget> m_parent;
};

// The caption of every message the program shows.
inline const QString kAppCaption = QStringLiteral("Tonvane");
