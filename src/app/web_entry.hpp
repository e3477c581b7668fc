// The program's entry for the web page: one whole run, a command line or the dialogue, in a
// folder of the page's own file system, its console and error lines kept for the page to read.
#pragma once

#include <cstddef>

extern "C" {

// Runs in `folder` (made the working folder, so that names are taken from it as the command
// line takes them from where it starts) the command line whose arguments, without the program's
// name, are the `argumentsLength` bytes at `arguments`, each ended by a NUL byte; with none,
// the dialogue, its answers the `answersLength` bytes at `answers`. Returns the exit status.
int interseccao_run(const char* folder, const char* arguments, std::size_t argumentsLength,
                    const char* answers, std::size_t answersLength);

// The bytes the last run wrote on the console (`stream` 1) or on standard error (2), and
// their count.
const char* interseccao_output(int stream);
std::size_t interseccao_output_length(int stream);
}
