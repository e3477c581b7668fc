// Files as this system designates them, and outputs that appear under their name only whole.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

namespace interseccao::platform {

// What a path designates. Two paths of one existing file have one device and inode however
// they are spelt, links followed; a path that designates nothing (a dangling link's target
// among them) is the folder it would be created in and its name there.
struct FileIdentity {
    enum class Kind { Missing, Regular, Other } kind = Kind::Missing;
    std::uint64_t device = 0, inode = 0; // for a missing file, its folder's
    std::string leaf;                    // for a missing file, its name in the folder
    std::uintmax_t size = 0;

    bool exists() const { return kind != Kind::Missing; }
    bool sameAs(const FileIdentity& other) const {
        return kind == other.kind && device == other.device && inode == other.inode &&
               leaf == other.leaf;
    }
};

// One lstat of the path, and a stat more for a link (for a missing file, its folder's too, once
// a folder; a dangling link is followed to where its target would be).
FileIdentity identify(const std::filesystem::path& path);

// An output written to a temporary file of its folder and renamed to its name when it is
// complete: until then the earlier file by that name stays whole, and a run that ends any way
// the program controls, a signal among them, leaves no temporary file.
class WholeFile {
public:
    // Creates the temporary file; a reason in words (see systemReason) when it cannot.
    static std::unique_ptr<WholeFile> create(const std::filesystem::path& path,
                                             std::string& reason);
    virtual ~WholeFile() = default;

    virtual std::ostream& stream() = 0;
    // Writes what is buffered, closes and renames into place; the reason when any step failed
    // (the temporary file is then removed and the earlier file left as it was).
    virtual std::string commit() = 0;
    // Removes the temporary file: the earlier file stays as it was.
    virtual void discard() = 0;
};

// Makes SIGINT, SIGTERM, SIGHUP, SIGPIPE and SIGXFSZ remove the temporary files of the outputs
// being written before the signal ends the process as it would have (SIGPIPE included, even
// when it was ignored when the program started).
void removeTemporaryFilesOnSignals();

// Called by a thread that works beside the main one, first: those signals then end the program
// on the main thread, whose handler waits for any file this thread is creating and removes it.
void takeNoEndingSignals();

// Gives a standard stream the program was started without (closed) a descriptor that cannot
// be written, so that no file the program opens takes its place and its writes fail.
void protectStandardStreams();

} // namespace interseccao::platform
