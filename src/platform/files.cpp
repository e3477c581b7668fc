// Opens, reads and creates the run's two files and tells when two names are one file.
#include "platform/files.hpp"

#include "model/errors.hpp"
#include "platform/paths.hpp"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace interseccao {

namespace fs = std::filesystem;

fs::path DiskFiles::resolve(const std::string& name) const {
    return base_.empty() ? platform::filePath(name) : base_ / platform::filePath(name);
}

std::string DiskFiles::readObservationFile(const std::string& name) {
    const fs::path path = resolve(name);
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) throw RunError::inFile(name, "o ficheiro de input nao existe");
    if (fs::is_directory(status))
        throw RunError::inFile(name, "e um directorio, nao um ficheiro de input");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw RunError::inFile(name, "nao foi possivel abrir o ficheiro de input");
    // Read in pieces, so that a device without end (/dev/zero) cannot exhaust the memory.
    std::string contents;
    char piece[1 << 16];
    while (in.read(piece, sizeof piece) || in.gcount() > 0) {
        contents.append(piece, static_cast<std::size_t>(in.gcount()));
        if (contents.size() > observationFileLimit)
            throw RunError::inFile(name, "o ficheiro de input tem mais de " +
                                             std::to_string(observationFileLimit >> 20) + " MiB");
    }
    if (in.bad()) throw RunError::inFile(name, "nao foi possivel ler o ficheiro de input");
    return contents;
}

bool DiskFiles::sameFile(const std::string& first, const std::string& second) {
    return platform::sameFile(resolve(first), resolve(second));
}

std::optional<std::uintmax_t> DiskFiles::fileSize(const std::string& name) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(resolve(name), error);
    if (error) return std::nullopt;
    return size;
}

std::string DiskFiles::canonicalName(const std::string& name) {
    std::error_code error;
    const fs::path absolute = fs::absolute(resolve(name), error);
    const fs::path canonical = fs::weakly_canonical(absolute, error);
    const std::u8string text = (error ? absolute.lexically_normal() : canonical).u8string();
    return std::string(text.begin(), text.end());
}

std::ostream& DiskFiles::createOutput(const std::string& name) {
    const fs::path path = resolve(name);
    std::error_code error;
    if (fs::is_directory(path, error))
        throw RunError::inFile(name, "e um directorio, nao pode ser o ficheiro de output");
    auto stream = std::make_unique<std::ofstream>(path, std::ios::binary | std::ios::trunc);
    if (!stream->is_open())
        throw RunError::inFile(name, "nao foi possivel criar o ficheiro de output");
    std::ostream& created = *stream;
    outputs_[&created] = {name, std::move(stream)};
    return created;
}

void DiskFiles::closeOutput(std::ostream& stream) {
    const auto found = outputs_.find(&stream);
    if (found == outputs_.end()) return;
    const std::string name = found->second.first;
    auto& file = static_cast<std::ofstream&>(*found->second.second);
    file.close();
    const bool written = !file.fail();
    outputs_.erase(found);
    if (!written) throw RunError::inFile(name, "falha ao escrever no ficheiro de output");
}

void DiskFiles::createFolder(const std::string& name) {
    std::error_code error;
    fs::create_directories(resolve(name), error);
    if (error || !fs::is_directory(resolve(name), error))
        throw RunError::inFile(name, "nao foi possivel criar a pasta");
}

std::string MemoryFiles::readObservationFile(const std::string& name) {
    const auto file = files.find(name);
    if (file == files.end()) throw RunError::inFile(name, "o ficheiro de input nao existe");
    return file->second;
}

bool MemoryFiles::sameFile(const std::string& first, const std::string& second) {
    return canonicalName(first) == canonicalName(second) && files.contains(canonicalName(first));
}

std::optional<std::uintmax_t> MemoryFiles::fileSize(const std::string& name) {
    const auto file = files.find(canonicalName(name));
    if (file == files.end()) return std::nullopt;
    return file->second.size();
}

std::string MemoryFiles::canonicalName(const std::string& name) {
    return fs::path(name).lexically_normal().generic_string();
}

std::ostream& MemoryFiles::createOutput(const std::string& name) {
    for (auto& [existing, stream] : created_)
        if (existing == name) {
            stream->str({});
            return *stream;
        }
    created_.emplace_back(name, std::make_unique<std::ostringstream>());
    return *created_.back().second;
}

void MemoryFiles::closeOutput(std::ostream& stream) { stream.flush(); }

std::string MemoryFiles::report() const {
    return created_.empty() ? std::string() : created_.front().second->str();
}

bool MemoryFiles::outputCreated(const std::string& name) const {
    for (const auto& [existing, stream] : created_)
        if (existing == name) return true;
    return false;
}

std::string MemoryFiles::output(const std::string& name) const {
    for (const auto& [existing, stream] : created_)
        if (existing == name) return stream->str();
    return {};
}

} // namespace interseccao
