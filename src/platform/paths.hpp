// File names as the program receives them, and the files they designate on this system.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace interseccao::platform {

// The path of a file named as typed at the console or given on the command line. On Windows a
// name is taken as UTF-8 when it is valid UTF-8 (command-line arguments are passed on in
// UTF-8), and otherwise in the console's code page, or the system's ANSI code page when there
// is no console. Elsewhere the bytes are the path.
std::filesystem::path filePath(const std::string& name);

// Whether two names designate one existing file. On Windows the two are compared by volume and
// file index, so that case, `\` or `/`, 8.3 short names, `.` and `..` make no difference.
bool sameFile(const std::filesystem::path& first, const std::filesystem::path& second);

#ifdef _WIN32
// `bytes` in UTF-16: as UTF-8 when they are valid UTF-8, else in the code page given.
std::wstring widen(std::string_view bytes, unsigned codePage);

// `text` in UTF-8.
std::string wideToUtf8(std::wstring_view text);
#endif

} // namespace interseccao::platform
