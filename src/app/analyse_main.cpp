#include <unistd.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/BatchAnalysis.h"
#include "backends/SndfileDecoder.h"

int main(int argc, char* argv[]) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    BatchConsole console{std::cout, std::cerr, isatty(STDERR_FILENO) == 1};
    return RunAnalyser(
        args, [] { return std::make_unique<CSndfileDecoder>(); }, console);
}
