#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

// A file that closes itself on every way out.
struct FileCloser {
    void operator()(std::FILE* file) const {
        if (file)
            std::fclose(file);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens an existing file for reading raw bytes; null when it cannot be opened or is not a
// regular file. A pipe or a device has no length to check a file's sizes against and may
// never end, and opening a pipe would wait for a writer; a folder has no bytes to give.
FilePtr OpenRegularFile(const std::string& path);

// A name as one header line carries it when the line is read back through a fixed buffer:
// line breaks become spaces, and a name longer than `room` bytes is cut between characters
// of its UTF-8 text, so the program can always read its own files.
std::string FitOnOneLine(const std::string& text, std::size_t room);

// Creates or truncates the file at path, lets write fill it, and closes it. False when the
// file cannot be created, write reports a failure, or the close fails: a full disk often
// shows only when the last buffer is flushed.
bool WriteFile(const std::string& path, const std::function<bool(std::FILE*)>& write);
