#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/UiServices.h"

// Answers file dialogs from prepared paths (an empty optional stands for Cancel) and
// records every dialog and message, so tests can check both what was asked and what was said.
class CScriptedUiServices : public CUiServices {
  public:
    struct FileDialogCall {
        bool save;
        std::string filter;
        std::string defaultExt;
        std::string proposedName;
    };

    std::deque<std::optional<std::string>> m_openAnswers;
    std::deque<std::optional<std::string>> m_saveAnswers;
    std::vector<FileDialogCall> m_fileDialogs;
    std::vector<std::string> m_messages;
    int m_waitDepth = 0;
    int m_waitCount = 0;

    void AnswerOpen(std::optional<std::string> path) { m_openAnswers.push_back(std::move(path)); }
    void AnswerSave(std::optional<std::string> path) { m_saveAnswers.push_back(std::move(path)); }

    std::optional<std::string> GetOpenFileName(const std::string& filter,
                                               const std::string& defaultExt,
                                               const std::string& proposedName) override {
        m_fileDialogs.push_back({false, filter, defaultExt, proposedName});
        return Next(m_openAnswers);
    }
    std::optional<std::string> GetSaveFileName(const std::string& filter,
                                               const std::string& defaultExt,
                                               const std::string& proposedName) override {
        m_fileDialogs.push_back({true, filter, defaultExt, proposedName});
        return Next(m_saveAnswers);
    }
    void MessageBox(const std::string& text) override { m_messages.push_back(text); }
    void BeginWaitCursor() override {
        ++m_waitDepth;
        ++m_waitCount;
    }
    void EndWaitCursor() override { --m_waitDepth; }

    std::string LastMessage() const {
        return m_messages.empty() ? std::string() : m_messages.back();
    }

  private:
    static std::optional<std::string> Next(std::deque<std::optional<std::string>>& answers) {
        if (answers.empty())
            return std::nullopt;  // an unscripted dialog counts as cancelled
        auto answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    }
};
