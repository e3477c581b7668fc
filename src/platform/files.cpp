// Opens, reads and creates the run's two files and tells when two names are one file.
#include "platform/files.hpp"

#include "model/errors.hpp"
#include "platform/paths.hpp"

#include "platform/system_reason.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#ifndef _WIN32
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace interseccao {

namespace fs = std::filesystem;

fs::path DiskFiles::resolve(const std::string& name) const {
    return base_.empty() ? platform::filePath(name) : base_ / platform::filePath(name);
}

namespace {

RunError tooLarge(const std::string& name) {
    return RunError::inFile(name, "o ficheiro de input tem mais de " +
                                      std::to_string(observationFileLimit >> 20) + " MiB");
}

RunError notRegular(const std::string& name, bool directory) {
    return RunError::inFile(name, directory
                                      ? "e um directorio, nao um ficheiro de input"
                                      : "nao e um ficheiro regular (um pipe, um dispositivo), "
                                        "nao pode ser o ficheiro de input");
}

#ifndef _WIN32
// Opened without waiting (a FIFO would block the open), then refused unless it is a regular
// file; `size` is then its size.
int openRegular(const fs::path& path, const std::string& name, std::size_t& size) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            throw RunError::inFile(name, "o ficheiro de input nao existe");
        throw RunError::inFile(name, "nao foi possivel abrir o ficheiro de input (" +
                                         platform::lastSystemReason() + ")");
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        throw notRegular(name, S_ISDIR(status.st_mode));
    }
    size = static_cast<std::size_t>(status.st_size);
    return descriptor;
}

// Up to `limit` bytes and one more (to tell a file beyond the limit), or to the end. A file of
// known size is read to that size, in one call when the system gives it all.
std::string readDescriptor(int descriptor, const std::string& name, std::size_t size,
                           std::size_t limit) {
    std::string contents(size > 0 ? std::min(size, limit + 1) : std::size_t{1} << 16, '\0');
    const std::size_t wanted = std::min(size, limit + 1);
    std::size_t used = 0;
    for (;;) {
        if (used == contents.size()) contents.resize(contents.size() * 2);
        const ssize_t count = ::read(descriptor, contents.data() + used, contents.size() - used);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            ::close(descriptor);
            throw RunError::inFile(name, "nao foi possivel ler o ficheiro de input (" +
                                             platform::lastSystemReason() + ")");
        }
        used += static_cast<std::size_t>(count);
        if (count == 0 || used > limit || (size > 0 && used >= wanted)) break;
    }
    ::close(descriptor);
    contents.resize(std::min(used, limit + 1));
    return contents;
}
#endif

} // namespace

#ifndef _WIN32
namespace {

// /dev/stdin, /dev/fd/0 or /proc/self/fd/0 stand for a file of another name.
bool inSystemFolder(const fs::path& path) {
    std::error_code error;
    const fs::path folder = fs::absolute(path, error).lexically_normal().parent_path();
    const std::string text = folder.string();
    return text == "/dev" || text.starts_with("/dev/fd") || text.starts_with("/proc/");
}

} // namespace

// The names of one folder that end in a plain name (not "." or "..") are all in the same
// folder once made absolute and normal: the folder's answer, with any such name in it, is theirs.
bool DiskFiles::namesASystemFile(const fs::path& path) {
    const std::string& text = path.native();
    const std::size_t slash = text.rfind('/');
    const std::string_view leaf =
        std::string_view(text).substr(slash == std::string::npos ? 0 : slash + 1);
    if (leaf.empty() || leaf == "." || leaf == "..") return inSystemFolder(path);
    const std::string_view folder =
        std::string_view(text).substr(0, slash == std::string::npos ? 0 : slash + 1);
    const std::lock_guard lock(mutex_);
    auto known = systemFolders_.find(folder);
    if (known == systemFolders_.end())
        known =
            systemFolders_.emplace(std::string(folder), inSystemFolder(std::string(folder) + "x"))
                .first;
    return known->second;
}
#endif

#ifndef _WIN32
std::optional<std::string> DiskFiles::takeKept(const std::string& name) {
    const std::lock_guard lock(mutex_);
    const auto kept = kept_.find(name);
    if (kept == kept_.end()) return std::nullopt;
    std::string contents = std::move(kept->second);
    kept_.erase(kept);
    return contents;
}

bool DiskFiles::keeps(const std::string& name, std::size_t size) {
    const std::lock_guard lock(mutex_);
    return keptBytes_ + size <= keptTotalLimit && !kept_.contains(name);
}

void DiskFiles::keep(const std::string& name, std::string contents) {
    const std::lock_guard lock(mutex_);
    const std::size_t size = contents.size();
    if (kept_.emplace(name, std::move(contents)).second) keptBytes_ += size;
}
#endif

std::string DiskFiles::readObservationFile(const std::string& name) {
    const fs::path path = resolve(name);
#ifndef _WIN32
    if (std::optional<std::string> contents = takeKept(name)) {
        if (namesASystemFile(path))
            throw RunError::inFile(name, "e um nome do sistema para outro ficheiro; de o nome do "
                                         "proprio ficheiro de observacoes");
        return std::move(*contents);
    }
    std::size_t size = 0;
    const int descriptor = openRegular(path, name, size);
    if (namesASystemFile(path)) {
        ::close(descriptor);
        throw RunError::inFile(name, "e um nome do sistema para outro ficheiro; de o nome do "
                                     "proprio ficheiro de observacoes");
    }
    std::string contents = readDescriptor(descriptor, name, size, observationFileLimit);
    if (contents.size() > observationFileLimit) throw tooLarge(name);
    return contents;
#else
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) throw RunError::inFile(name, "o ficheiro de input nao existe");
    if (!fs::is_regular_file(status)) throw notRegular(name, fs::is_directory(status));
    std::ifstream in(path, std::ios::binary);
    if (!in) throw RunError::inFile(name, "nao foi possivel abrir o ficheiro de input");
    std::string contents;
    char piece[1 << 16];
    while (in.read(piece, sizeof piece) || in.gcount() > 0) {
        contents.append(piece, static_cast<std::size_t>(in.gcount()));
        if (contents.size() > observationFileLimit) throw tooLarge(name);
    }
    if (in.bad()) throw RunError::inFile(name, "nao foi possivel ler o ficheiro de input");
    return contents;
#endif
}

bool DiskFiles::sameFile(const std::string& first, const std::string& second) {
    return platform::sameFile(resolve(first), resolve(second));
}

platform::FileIdentity DiskFiles::identify(const std::string& name) {
    return platform::identify(resolve(name));
}

std::string DiskFiles::readHead(const std::string& name, std::size_t size) {
#ifndef _WIN32
    try {
        std::size_t fileSize = 0;
        const int descriptor = openRegular(resolve(name), name, fileSize);
        return readDescriptor(descriptor, name, std::min(fileSize, size), size).substr(0, size);
    } catch (const RunError&) {
        return {};
    }
#else
    std::ifstream in(resolve(name), std::ios::binary);
    std::string head(size, '\0');
    in.read(head.data(), static_cast<std::streamsize>(size));
    head.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return head;
#endif
}

std::string DiskFiles::readObservationHead(const std::string& name, std::size_t size) {
#ifndef _WIN32
    try {
        std::size_t fileSize = 0;
        const int descriptor = openRegular(resolve(name), name, fileSize);
        if (fileSize == 0 || fileSize > std::min(size, keptFileLimit) || !keeps(name, fileSize))
            return readDescriptor(descriptor, name, std::min(fileSize, size), size).substr(0, size);
        std::string contents = readDescriptor(descriptor, name, fileSize, observationFileLimit);
        std::string head = contents.substr(0, size);
        keep(name, std::move(contents));
        return head;
    } catch (const RunError&) {
        // What cannot be read whole is read as far as the head goes.
        return readHead(name, size);
    }
#else
    return readHead(name, size);
#endif
}

std::ostream& DiskFiles::createOutput(const std::string& name, Writing writing) {
    const fs::path path = resolve(name);
    OpenOutput output{name, nullptr, nullptr};
    std::ostream* created = nullptr;
    if (writing == Writing::InPlace) {
        std::error_code error;
        if (fs::is_directory(path, error))
            throw RunError::inFile(name, "e um directorio, nao pode ser o ficheiro de output");
        output.inPlace = std::make_unique<std::ofstream>(path, std::ios::binary | std::ios::trunc);
        if (!output.inPlace->is_open())
            throw RunError::inFile(name, "nao foi possivel criar o ficheiro de output");
        created = output.inPlace.get();
    } else {
        std::string reason;
        output.whole = platform::WholeFile::create(path, reason);
        if (!output.whole)
            throw RunError::inFile(name,
                                   "nao foi possivel criar o ficheiro de output (" + reason + ")");
        created = &output.whole->stream();
    }
    const std::lock_guard lock(mutex_);
    outputs_[created] = std::move(output);
    return *created;
}

std::optional<DiskFiles::OpenOutput> DiskFiles::takeOutput(std::ostream& stream) {
    const std::lock_guard lock(mutex_);
    const auto found = outputs_.find(&stream);
    if (found == outputs_.end()) return std::nullopt;
    OpenOutput output = std::move(found->second);
    outputs_.erase(found);
    return output;
}

void DiskFiles::closeOutput(std::ostream& stream) {
    std::optional<OpenOutput> taken = takeOutput(stream);
    if (!taken) return;
    OpenOutput& output = *taken;
    std::string reason;
    if (output.whole) {
        reason = output.whole->commit();
        if (reason.empty()) return;
    } else {
        output.inPlace->close();
        if (!output.inPlace->fail()) return;
    }
    throw RunError::inFile(output.name, "falha ao escrever no ficheiro de output" +
                                            (reason.empty() ? "" : " (" + reason + ")"));
}

void DiskFiles::discardOutput(std::ostream& stream) {
    if (std::optional<OpenOutput> output = takeOutput(stream); output && output->whole)
        output->whole->discard();
}

void DiskFiles::removeOutput(const std::string& name) {
    std::error_code ignored;
    fs::remove(resolve(name), ignored);
}

void DiskFiles::createFolder(const std::string& name) {
    std::error_code error;
    fs::create_directories(resolve(name), error);
    if (error || !fs::is_directory(resolve(name), error))
        throw RunError::inFile(name, "nao foi possivel criar a pasta");
}

// Each call holds the lock for its whole length: the files' own bookkeeping (and the
// system's temporary names) are then never changed by two threads at once.
std::string SerialFiles::readObservationFile(const std::string& name) {
    const std::lock_guard lock(mutex_);
    return files_.readObservationFile(name);
}

bool SerialFiles::sameFile(const std::string& first, const std::string& second) {
    const std::lock_guard lock(mutex_);
    return files_.sameFile(first, second);
}

platform::FileIdentity SerialFiles::identify(const std::string& name) {
    const std::lock_guard lock(mutex_);
    return files_.identify(name);
}

std::string SerialFiles::readHead(const std::string& name, std::size_t size) {
    const std::lock_guard lock(mutex_);
    return files_.readHead(name, size);
}

std::string SerialFiles::readObservationHead(const std::string& name, std::size_t size) {
    const std::lock_guard lock(mutex_);
    return files_.readObservationHead(name, size);
}

std::ostream& SerialFiles::createOutput(const std::string& name, Writing writing) {
    const std::lock_guard lock(mutex_);
    return files_.createOutput(name, writing);
}

void SerialFiles::closeOutput(std::ostream& stream) {
    const std::lock_guard lock(mutex_);
    files_.closeOutput(stream);
}

void SerialFiles::discardOutput(std::ostream& stream) {
    const std::lock_guard lock(mutex_);
    files_.discardOutput(stream);
}

void SerialFiles::removeOutput(const std::string& name) {
    const std::lock_guard lock(mutex_);
    files_.removeOutput(name);
}

void SerialFiles::createFolder(const std::string& name) {
    const std::lock_guard lock(mutex_);
    files_.createFolder(name);
}

std::string MemoryFiles::readObservationFile(const std::string& name) {
    const auto file = files.find(name);
    if (file == files.end()) throw RunError::inFile(name, "o ficheiro de input nao existe");
    return file->second;
}

bool MemoryFiles::sameFile(const std::string& first, const std::string& second) {
    const platform::FileIdentity a = identify(first);
    return a.exists() && a.sameAs(identify(second));
}

platform::FileIdentity MemoryFiles::identify(const std::string& name) {
    platform::FileIdentity identity;
    const std::string canonical = fs::path(name).lexically_normal().generic_string();
    if (files.contains(canonical) || outputCreated(canonical)) {
        identity.kind = platform::FileIdentity::Kind::Regular;
        identity.inode = std::hash<std::string>()(canonical);
    }
    identity.leaf = canonical;
    return identity;
}

std::string MemoryFiles::readHead(const std::string& name, std::size_t size) {
    const auto file = files.find(name);
    return (file != files.end() ? file->second : output(name)).substr(0, size);
}

std::ostream& MemoryFiles::createOutput(const std::string& name, Writing /*writing*/) {
    for (auto& [existing, stream] : created_)
        if (existing == name) {
            stream->str({});
            return *stream;
        }
    created_.emplace_back(name, std::make_unique<std::ostringstream>());
    return *created_.back().second;
}

void MemoryFiles::closeOutput(std::ostream& stream) { stream.flush(); }

void MemoryFiles::discardOutput(std::ostream& stream) {
    std::erase_if(created_, [&](const auto& output) { return output.second.get() == &stream; });
}

void MemoryFiles::removeOutput(const std::string& name) {
    files.erase(name);
    std::erase_if(created_, [&](const auto& output) { return output.first == name; });
}

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
