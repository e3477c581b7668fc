// The process's console and command line, where Windows differs from the other systems.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace interseccao::platform {

// Makes the standard streams pass bytes unchanged, as elsewhere: on Windows standard output and
// standard error would turn every "\n" into "\r\n" (and so the program's "\r\n" into
// "\r\r\n"), and standard input from a file or pipe would end at a Ctrl+Z byte. Typed input
// keeps Windows' rules, where Ctrl+Z ends it.
void useBinaryStreams();

// The command-line arguments, the program's name first. On Windows they are taken from the
// UTF-16 command line and given in UTF-8, so that no letter of a file name is lost to the code
// page.
std::vector<std::string> commandLine(int argc, char** argv);

// Whether the program has a console window of its own, as when started by a double click: no
// other process shares the console and both standard input and output are that console.
bool ownsConsoleWindow();

// In a console window of the program's own, asks for Enter before the window closes with the
// program; anywhere else does nothing.
void waitBeforeClosing(std::istream& in, std::ostream& out);

} // namespace interseccao::platform
