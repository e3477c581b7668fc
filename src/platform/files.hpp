// Access to the observation files and the output files, on disk or in memory for in-process runs.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace interseccao {

// Far beyond any survey (ten thousand stations take about a megabyte).
inline constexpr std::size_t observationFileLimit = std::size_t{256} << 20;

class FileAccess {
public:
    virtual ~FileAccess() = default;

    // The whole observation file; a FileError when it is missing, a directory or unreadable.
    virtual std::string readObservationFile(const std::string& name) = 0;

    // Whether two names designate the same existing file, however they are spelt.
    virtual bool sameFile(const std::string& first, const std::string& second) = 0;

    // The size of an existing file, or nothing when there is none by that name.
    virtual std::optional<std::uintmax_t> fileSize(const std::string& name) = 0;

    // The name as one absolute spelling, links followed as far as the path exists: two names
    // of one file have the same spelling.
    virtual std::string canonicalName(const std::string& name) = 0;

    // Creates an output file, or empties an existing one; a FileError when it cannot. The
    // stream stays valid until it is closed or the FileAccess ends.
    virtual std::ostream& createOutput(const std::string& name) = 0;

    // Flushes and closes an output; a FileError naming it when not every byte was written.
    virtual void closeOutput(std::ostream& stream) = 0;

    // Creates a folder for outputs, with the folders above it; a FileError when it cannot.
    virtual void createFolder(const std::string& name) = 0;
};

// Files on disk; relative names are taken from `base` when one is given.
class DiskFiles : public FileAccess {
public:
    explicit DiskFiles(std::filesystem::path base = {}) : base_(std::move(base)) {}

    std::string readObservationFile(const std::string& name) override;
    bool sameFile(const std::string& first, const std::string& second) override;
    std::optional<std::uintmax_t> fileSize(const std::string& name) override;
    std::string canonicalName(const std::string& name) override;
    std::ostream& createOutput(const std::string& name) override;
    void closeOutput(std::ostream& stream) override;
    void createFolder(const std::string& name) override;

private:
    std::filesystem::path resolve(const std::string& name) const;

    std::filesystem::path base_;
    std::map<std::ostream*, std::pair<std::string, std::unique_ptr<std::ostream>>> outputs_;
};

// Files held as strings, for tests and the fuzzer.
class MemoryFiles : public FileAccess {
public:
    std::map<std::string, std::string> files;

    std::string readObservationFile(const std::string& name) override;
    bool sameFile(const std::string& first, const std::string& second) override;
    std::optional<std::uintmax_t> fileSize(const std::string& name) override;
    std::string canonicalName(const std::string& name) override;
    std::ostream& createOutput(const std::string& name) override;
    void closeOutput(std::ostream& stream) override;
    void createFolder(const std::string& /*name*/) override {}

    // The first output created (a dialogue's report), or nothing when none was.
    bool reportCreated() const { return !created_.empty(); }
    std::string report() const;
    // The bytes of the output `name` so far; an empty text when it was never created.
    bool outputCreated(const std::string& name) const;
    std::string output(const std::string& name) const;

private:
    std::vector<std::pair<std::string, std::unique_ptr<std::ostringstream>>> created_;
};

} // namespace interseccao
