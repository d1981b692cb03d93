#pragma once

#include <string>
#include <vector>

// One entry of a file-dialog filter: "Waveform files (.wav, .mp3)" with {"*.wav", "*.mp3"}.
struct FileFilterEntry {
    std::string description;
    std::vector<std::string> patterns;
};

// Splits a filter of the form "Description|*.a;*.b|Other|*.c|" into its entries. A trailing
// description without a pattern list is ignored.
std::vector<FileFilterEntry> ParseFileFilter(const std::string& filter);
