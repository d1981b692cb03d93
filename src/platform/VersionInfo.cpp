#include "platform/VersionInfo.h"

namespace {
constexpr std::string_view kStringFileInfo = "\\StringFileInfo\\";
}

std::optional<std::string> QueryVersionValue(const VersionRecord& record, std::string_view path) {
    if (!path.starts_with(kStringFileInfo))
        return std::nullopt;
    path.remove_prefix(kStringFileInfo.size());
    if (!path.starts_with(record.block))
        return std::nullopt;
    path.remove_prefix(record.block.size());
    if (!path.starts_with('\\'))
        return std::nullopt;
    path.remove_prefix(1);
    for (int i = 0; i < record.count; ++i)
        if (record.entries[i].key == path)
            return std::string(record.entries[i].value);
    return std::nullopt;
}

VersionStrings ReadVersionStrings(const VersionRecord* record) {
    VersionStrings strings;
    if (record == nullptr)
        return strings;
    const auto take = [&](std::string_view key, std::string& member) {
        std::string path = "\\StringFileInfo\\040904B0\\";
        path += key;
        if (auto value = QueryVersionValue(*record, path))
            member = *value;
    };
    take("CompanyName", strings.company);
    take("FileDescription", strings.description);
    take("ProductVersion", strings.productVersion);
    take("LegalCopyright", strings.legalNotice);
    return strings;
}
