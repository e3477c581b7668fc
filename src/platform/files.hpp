// Access to the observation files and the output files, on disk or in memory for in-process runs.
#pragma once

#include "platform/whole_files.hpp"

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
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

    // What the name designates, for the checks made before anything is written.
    virtual platform::FileIdentity identify(const std::string& name) = 0;

    // The first `size` bytes of an existing file (fewer when it is shorter); empty when it
    // cannot be read.
    virtual std::string readHead(const std::string& name, std::size_t size) = 0;

    // As readHead, of an observation file that readObservationFile will read next: a small one
    // may be read whole now and kept for it, which then does not read it again.
    virtual std::string readObservationHead(const std::string& name, std::size_t size) {
        return readHead(name, size);
    }

    // Creates an output. Whole: written aside and put under its name by closeOutput, so that
    // the earlier file stays whole until then (and when the output is discarded). InPlace:
    // created or emptied at once, its lines on disk as they are flushed. A FileError when it
    // cannot. The stream stays valid until it is closed or discarded, or the FileAccess ends.
    enum class Writing { Whole, InPlace };
    virtual std::ostream& createOutput(const std::string& name,
                                       Writing writing = Writing::Whole) = 0;

    // Flushes and closes an output (a whole one goes under its name); a FileError naming it
    // when not every byte was written.
    virtual void closeOutput(std::ostream& stream) = 0;

    // Abandons an output: a whole one leaves the earlier file by its name as it was.
    virtual void discardOutput(std::ostream& stream) = 0;

    // Removes the earlier version of an output this run does not write; nothing when none.
    virtual void removeOutput(const std::string& name) = 0;

    // Creates a folder for outputs, with the folders above it; a FileError when it cannot.
    virtual void createFolder(const std::string& name) = 0;

    // Whether several threads may call it at once, each on files of its own.
    virtual bool takesCallsFromThreads() const { return false; }
};

// Files on disk; relative names are taken from `base` when one is given.
class DiskFiles : public FileAccess {
public:
    explicit DiskFiles(std::filesystem::path base = {}) : base_(std::move(base)) {}

    std::string readObservationFile(const std::string& name) override;
    bool sameFile(const std::string& first, const std::string& second) override;
    platform::FileIdentity identify(const std::string& name) override;
    std::string readHead(const std::string& name, std::size_t size) override;
    std::string readObservationHead(const std::string& name, std::size_t size) override;
    std::ostream& createOutput(const std::string& name, Writing writing = Writing::Whole) override;
    void closeOutput(std::ostream& stream) override;
    void discardOutput(std::ostream& stream) override;
    void removeOutput(const std::string& name) override;
    void createFolder(const std::string& name) override;
#ifndef _WIN32
    bool takesCallsFromThreads() const override { return true; }
#endif

    // The files kept whole by readObservationHead: those no larger than the heads read of them
    // (the head is then the whole file), a few megabytes of them at most, so that a batch of
    // many files holds little more than the file it runs.
    static constexpr std::size_t keptFileLimit = std::size_t{4} << 10;
    static constexpr std::size_t keptTotalLimit = std::size_t{4} << 20;

private:
    std::filesystem::path resolve(const std::string& name) const;
    // Whether the name is one the system gives another file (/dev/stdin, /proc/self/fd/0): its
    // outputs would be named after it in the system's folders.
    bool namesASystemFile(const std::filesystem::path& path);
    // The file kept for `name`, taken out; whether one of `size` bytes may be kept; keeping it.
    std::optional<std::string> takeKept(const std::string& name);
    bool keeps(const std::string& name, std::size_t size);
    void keep(const std::string& name, std::string contents);

    std::filesystem::path base_;
    // Held while the maps below are looked at or changed; never over a system call that waits
    // on a file's contents.
    std::mutex mutex_;
    // Whether the files named in a folder (the name up to its last slash) are the system's,
    // each folder looked at once: a DiskFiles is used within one working folder.
    std::map<std::string, bool, std::less<>> systemFolders_;
    std::map<std::string, std::string> kept_; // by the name as given
    std::size_t keptBytes_ = 0;
    struct OpenOutput {
        std::string name;
        std::unique_ptr<platform::WholeFile> whole;
        std::unique_ptr<std::ofstream> inPlace;
    };
    std::map<std::ostream*, OpenOutput> outputs_;
    // The output of the stream, taken out of outputs_; nothing when it is not one.
    std::optional<OpenOutput> takeOutput(std::ostream& stream);
};

// Another FileAccess taken by one thread at a time, for runs that work on several threads.
class SerialFiles : public FileAccess {
public:
    explicit SerialFiles(FileAccess& files) : files_(files) {}

    std::string readObservationFile(const std::string& name) override;
    bool sameFile(const std::string& first, const std::string& second) override;
    platform::FileIdentity identify(const std::string& name) override;
    std::string readHead(const std::string& name, std::size_t size) override;
    std::string readObservationHead(const std::string& name, std::size_t size) override;
    std::ostream& createOutput(const std::string& name, Writing writing = Writing::Whole) override;
    void closeOutput(std::ostream& stream) override;
    void discardOutput(std::ostream& stream) override;
    void removeOutput(const std::string& name) override;
    void createFolder(const std::string& name) override;

private:
    FileAccess& files_;
    std::mutex mutex_;
};

// Files held as strings, for tests and the fuzzer.
class MemoryFiles : public FileAccess {
public:
    std::map<std::string, std::string> files;

    std::string readObservationFile(const std::string& name) override;
    bool sameFile(const std::string& first, const std::string& second) override;
    platform::FileIdentity identify(const std::string& name) override;
    std::string readHead(const std::string& name, std::size_t size) override;
    std::ostream& createOutput(const std::string& name, Writing writing = Writing::Whole) override;
    void closeOutput(std::ostream& stream) override;
    void discardOutput(std::ostream& stream) override;
    void removeOutput(const std::string& name) override;
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
