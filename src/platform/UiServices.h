#pragma once

#include <optional>
#include <string>

// What model code needs from the user's desktop: choosing files, being told of a failure,
// and seeing that the program is busy. Production uses the Qt implementation; tests use a
// scripted one, so model operations that talk to the user stay testable without a window.
class CUiServices {
  public:
    virtual ~CUiServices() = default;

    // File dialogs take filters in the form "Description|*.a;*.b|Other|*.c|". An empty
    // optional means the user cancelled. The open dialog needs an existing file.
    virtual std::optional<std::string> GetOpenFileName(const std::string& filter,
                                                       const std::string& defaultExt,
                                                       const std::string& proposedName) = 0;
    // The save dialog adds defaultExt when the typed name has none, asks before
    // overwriting an existing file and requires the folder to exist.
    virtual std::optional<std::string> GetSaveFileName(const std::string& filter,
                                                       const std::string& defaultExt,
                                                       const std::string& proposedName) = 0;

    // A modal message with the program's name as caption and a single OK button.
    virtual void MessageBox(const std::string& text) = 0;

    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
};

// Shows the wait cursor for the lifetime of the object.
class CWaitCursor {
  public:
    explicit CWaitCursor(CUiServices& ui) : m_ui(ui) { m_ui.BeginWaitCursor(); }
    ~CWaitCursor() { m_ui.EndWaitCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

  private:
    CUiServices& m_ui;
};
