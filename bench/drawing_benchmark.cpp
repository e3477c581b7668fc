// Times the drawing's own work (its layout and its SVG) against the plain run of the same
// file, in one process, on files held in memory:
//
//   drawing_benchmark [--analysis] [--repeats N] FILE...
//
// For each file: the plain run (the report only), then the layout and the SVG of that run,
// each the best of N (default 3), in milliseconds, and their ratio. Without --analysis the
// drawing has no analysis to show (no ellipses, no inset, nothing suspected), so that the
// quality analysis's own cost never enters the figures; with it, the run analyses first
// (not timed) and the drawing shows everything.
#include "app/batch.hpp"
#include "drawing/drawing.hpp"
#include "platform/files.hpp"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

using namespace interseccao;

template <typename Work> double bestMilliseconds(int repeats, Work work) {
    double best = 1e300;
    for (int k = 0; k < repeats; ++k) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

void measure(const std::string& path, bool analyse, int repeats) {
    std::ifstream in(path, std::ios::binary);
    MemoryFiles files;
    files.files["obs.txt"] = std::string(std::istreambuf_iterator<char>(in), {});
    std::ostringstream console;
    const auto run = [&](bool analysis) {
        return runFile("obs.txt", "rel.txt", HeightChoice::FromFile, files, &console, Adjustments{},
                       analysis);
    };
    const double plain = bestMilliseconds(repeats, [&] { run(false); });
    const FileRun drawn = run(analyse);
    if (!hasDrawing(drawn)) {
        std::cout << path << ": no drawing\n";
        return;
    }
    std::size_t bytes = 0;
    const double layout = bestMilliseconds(repeats, [&] { layOutDrawing(drawn); });
    const double whole = bestMilliseconds(repeats, [&] {
        std::ostringstream svg;
        writeDrawing(drawn, svg);
        bytes = svg.str().size();
    });
    std::cout << path << ": plain " << plain << " ms, layout " << layout << " ms, layout and SVG "
              << whole << " ms (" << bytes << " bytes), drawing / plain " << whole / plain << '\n';
}

} // namespace

int main(int argc, char** argv) {
    bool analyse = false;
    int repeats = 3;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--analysis")
            analyse = true;
        else if (argument == "--repeats" && i + 1 < argc)
            repeats = std::max(1, std::stoi(argv[++i]));
        else
            measure(argument, analyse, repeats);
    }
    return 0;
}
