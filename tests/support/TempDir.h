#pragma once

#include <string>

// A fresh folder for one test's files, removed with everything in it on destruction.
class CTempDir {
  public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    // Makes a named pipe in the folder, which nothing writes to, and returns its path.
    std::string Fifo(const std::string& name) const;

  private:
    std::string m_path;
};

// Whole-file helpers for fixtures.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
