// Opens, reads and creates the run's two files and tells when two names are one file.
#include "run/files.hpp"

#include "platform/paths.hpp"
#include "run/errors.hpp"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace interseccao {

namespace fs = std::filesystem;

std::string DiskFiles::readObservationFile(const std::string& name) {
    const std::string prefix = "Erro no ficheiro " + name + ": ";
    const fs::path path = platform::filePath(name);
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) throw FileError(prefix + "o ficheiro de input nao existe");
    if (fs::is_directory(status))
        throw FileError(prefix + "e um directorio, nao um ficheiro de input");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FileError(prefix + "nao foi possivel abrir o ficheiro de input");
    // Read in pieces, so that a device without end (/dev/zero) cannot exhaust the memory.
    std::string contents;
    char piece[1 << 16];
    while (in.read(piece, sizeof piece) || in.gcount() > 0) {
        contents.append(piece, static_cast<std::size_t>(in.gcount()));
        if (contents.size() > observationFileLimit)
            throw FileError(prefix + "o ficheiro de input tem mais de 256 MiB");
    }
    if (in.bad()) throw FileError(prefix + "nao foi possivel ler o ficheiro de input");
    return contents;
}

bool DiskFiles::sameFile(const std::string& first, const std::string& second) {
    return platform::sameFile(first, second);
}

std::ostream& DiskFiles::createReport(const std::string& name) {
    const std::string prefix = "Erro no ficheiro " + name + ": ";
    const fs::path path = platform::filePath(name);
    std::error_code error;
    if (fs::is_directory(path, error))
        throw FileError(prefix + "e um directorio, nao pode ser o ficheiro de output");
    auto report = std::make_unique<std::ofstream>(path, std::ios::binary | std::ios::trunc);
    if (!report->is_open()) throw FileError(prefix + "nao foi possivel criar o ficheiro de output");
    report_ = std::move(report);
    return *report_;
}

std::string MemoryFiles::readObservationFile(const std::string& name) {
    const auto file = files.find(name);
    if (file == files.end())
        throw FileError("Erro no ficheiro " + name + ": o ficheiro de input nao existe");
    return file->second;
}

bool MemoryFiles::sameFile(const std::string& first, const std::string& second) {
    return first == second && files.contains(first);
}

std::ostream& MemoryFiles::createReport(const std::string& /*name*/) {
    report_ = std::make_unique<std::ostringstream>();
    return *report_;
}

} // namespace interseccao
