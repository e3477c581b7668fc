// Where the Windows console differs: binary standard streams, the UTF-16 command line and the pause
// before a console window of the program's own closes. Elsewhere these do nothing.
#include "platform/console.hpp"

#ifdef _WIN32
#include "platform/paths.hpp"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#endif

namespace interseccao::platform {

#ifdef _WIN32

namespace {

bool isConsole(DWORD which) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

} // namespace

void useBinaryStreams() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    if (!isConsole(STD_INPUT_HANDLE)) _setmode(_fileno(stdin), _O_BINARY);
}

std::vector<std::string> commandLine(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return {argv, argv + argc};
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(wideToUtf8(wide[i]));
    LocalFree(wide);
    return arguments;
}

bool ownsConsoleWindow() {
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1 && isConsole(STD_INPUT_HANDLE) &&
           isConsole(STD_OUTPUT_HANDLE);
}

void waitBeforeClosing(std::istream& in, std::ostream& out) {
    if (!ownsConsoleWindow()) return;
    out << "\r\n Prima Enter para fechar a janela.";
    out.flush();
    in.clear();
    std::string line;
    std::getline(in, line);
}

#else

void useBinaryStreams() {}

std::vector<std::string> commandLine(int argc, char** argv) { return {argv, argv + argc}; }

bool ownsConsoleWindow() { return false; }

void waitBeforeClosing(std::istream& /*in*/, std::ostream& /*out*/) {}

#endif

} // namespace interseccao::platform
