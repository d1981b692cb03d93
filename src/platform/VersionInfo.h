#pragma once

#include <optional>
#include <string>
#include <string_view>

// The program's version record: one string block, language and code page "040904B0", of
// key/value pairs. The build compiles it into the program; a build without it has none.
struct VersionEntry {
    std::string_view key;
    std::string_view value;
};

struct VersionRecord {
    std::string_view block;  // "040904B0"
    const VersionEntry* entries;
    int count;
};

// The record compiled into this program, or nullptr when the build carries none.
const VersionRecord* ProgramVersionRecord();

// Looks up a path such as "\StringFileInfo\040904B0\CompanyName".
std::optional<std::string> QueryVersionValue(const VersionRecord& record, std::string_view path);

// The four strings start-up reads; each stays empty when the record or its key is missing.
struct VersionStrings {
    std::string description;
    std::string company;
    std::string productVersion;
    std::string legalNotice;
};

VersionStrings ReadVersionStrings(const VersionRecord* record);
