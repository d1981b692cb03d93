#include "platform/FileFilter.h"

namespace {

std::vector<std::string> Split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    std::string::size_type begin = 0;
    while (begin <= text.size()) {
        auto end = text.find(sep, begin);
        if (end == std::string::npos)
            end = text.size();
        parts.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return parts;
}

}  // namespace

std::vector<FileFilterEntry> ParseFileFilter(const std::string& filter) {
    std::vector<FileFilterEntry> entries;
    const auto fields = Split(filter, '|');
    for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
        if (fields[i].empty() && fields[i + 1].empty())
            break;
        FileFilterEntry entry{fields[i], {}};
        for (auto& pattern : Split(fields[i + 1], ';'))
            if (!pattern.empty())
                entry.patterns.push_back(pattern);
        entries.push_back(std::move(entry));
    }
    return entries;
}
