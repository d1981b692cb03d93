#include "platform/TextFile.h"

std::string FitOnOneLine(const std::string& text, std::size_t room) {
    std::string line;
    for (char c : text)
        line.push_back(c == '\r' || c == '\n' ? ' ' : c);
    if (line.size() > room) {
        std::size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        line.resize(cut);
    }
    return line;
}

bool WriteFile(const std::string& path, const std::function<bool(std::FILE*)>& write) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = write(file);
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}
