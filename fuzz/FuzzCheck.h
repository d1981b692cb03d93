#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// What the harnesses share: the input as bytes, and the stop on a broken promise, which
// libFuzzer reports like a crash, keeping the input that caused it.

inline std::string Bytes(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// Stops the run when faults is not empty.
inline void Require(const std::string& faults, const char* what) {
    if (faults.empty())
        return;
    std::fprintf(stderr, "%s:\n%s", what, faults.c_str());
    std::abort();
}
