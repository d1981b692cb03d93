#pragma once

#include <optional>
#include <string>

#include "platform/UiServices.h"

// A user who always opens the same file and is told nothing, for timing reads from the file
// dialog on.
class CFixedFileUi : public CUiServices {
  public:
    explicit CFixedFileUi(std::string path) : m_path(std::move(path)) {}
    std::optional<std::string> GetOpenFileName(const std::string&, const std::string&,
                                               const std::string&) override {
        return m_path;
    }
    std::optional<std::string> GetSaveFileName(const std::string&, const std::string&,
                                               const std::string&) override {
        return std::nullopt;
    }
    void MessageBox(const std::string&) override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}

  private:
    std::string m_path;
};
