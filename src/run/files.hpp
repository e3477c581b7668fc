// Access to the observation file and the report file, on disk or in memory for in-process runs.
#pragma once

#include <map>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>

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

    // Creates the report file, or empties an existing one; a FileError when it cannot.
    virtual std::ostream& createReport(const std::string& name) = 0;
};

class DiskFiles : public FileAccess {
public:
    std::string readObservationFile(const std::string& name) override;
    bool sameFile(const std::string& first, const std::string& second) override;
    std::ostream& createReport(const std::string& name) override;

private:
    std::unique_ptr<std::ostream> report_;
};

// Files held as strings, for tests and the fuzzer.
class MemoryFiles : public FileAccess {
public:
    std::map<std::string, std::string> files;

    std::string readObservationFile(const std::string& name) override;
    bool sameFile(const std::string& first, const std::string& second) override;
    std::ostream& createReport(const std::string& name) override;

    // The report's bytes so far, or nothing when no report was created.
    bool reportCreated() const { return report_ != nullptr; }
    std::string report() const { return report_ ? report_->str() : std::string(); }

private:
    std::unique_ptr<std::ostringstream> report_;
};

} // namespace interseccao
