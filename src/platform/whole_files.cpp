// File identity by stat, and outputs through a temporary file renamed into place: on POSIX with
// the system calls themselves (the temporary file created exclusively, its name kept where a
// signal handler can remove it), on Windows with the standard library.
#include "platform/whole_files.hpp"

#include "platform/system_reason.hpp"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <map>
#include <mutex>
#include <string_view>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#else
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace interseccao::platform {

namespace fs = std::filesystem;

namespace {

std::string temporaryLeaf(long process, unsigned count) {
    return ".interseccao-" + std::to_string(process) + "-" + std::to_string(count) + ".tmp";
}

} // namespace

#ifndef _WIN32

namespace {

fs::path folderOf(const fs::path& path) {
    const fs::path folder = path.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

std::string reasonOf(int error) {
    return systemReason(std::error_code(error, std::generic_category()));
}

// The temporary files being written, where the signal handler finds them: fixed room, set
// before a file is created and cleared once it is renamed or removed.
constexpr int temporarySlots = 64;
constexpr std::size_t temporaryRoom = 4096;
// A slot is free, being filled by one thread (which took it from free), or holds a name. Lock-free
// atomics, so that the handler may read them and several threads claim slots at once.
enum SlotState : int { freeSlot, fillingSlot, heldSlot };
char temporaryPaths[temporarySlots][temporaryRoom];
std::atomic<int> temporaryUsed[temporarySlots];
static_assert(std::atomic<int>::is_always_lock_free);
// Set by the handler before it removes the files: a thread that creates one while the handler
// runs on another finds it set, and removes its own.
std::atomic<int> ending = 0;

// The signals the handler takes.
constexpr int endingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGXFSZ, SIGPIPE};

// Threads beside the main one take none of them, and count the files they are creating: the
// handler, always on the main thread, waits for those to be created (and so held) before it
// removes what is held. A thread that finds the handler begun creates nothing more and waits
// for the end.
thread_local bool besideMain = false;
std::atomic<int> creatingBeside = 0;
static_assert(std::atomic<int>::is_always_lock_free);

class CreationBeside {
public:
    CreationBeside() : counted_(besideMain) {
        if (!counted_) return;
        creatingBeside.fetch_add(1);
        if (ending.load() == 0) return;
        creatingBeside.fetch_sub(1);
        for (;;) ::pause();
    }
    ~CreationBeside() {
        if (counted_) creatingBeside.fetch_sub(1);
    }
    CreationBeside(const CreationBeside&) = delete;
    CreationBeside& operator=(const CreationBeside&) = delete;

private:
    bool counted_;
};

void removeHeldTemporaries() {
    for (int slot = 0; slot < temporarySlots; ++slot)
        if (temporaryUsed[slot].load() == heldSlot) ::unlink(temporaryPaths[slot]);
}

int holdTemporary(const std::string& path) {
    if (path.size() >= temporaryRoom) return -1;
    for (int slot = 0; slot < temporarySlots; ++slot)
        if (int state = freeSlot; temporaryUsed[slot].compare_exchange_strong(state, fillingSlot)) {
            std::memcpy(temporaryPaths[slot], path.c_str(), path.size() + 1);
            temporaryUsed[slot].store(heldSlot);
            return slot;
        }
    return -1;
}

void releaseTemporary(int slot) {
    if (slot >= 0) temporaryUsed[slot].store(freeSlot);
}

extern "C" void removeTemporariesAndEnd(int signalNumber) {
    // Only async-signal-safe calls (unlink, signal, raise) and lock-free atomics. The errno of
    // the code it interrupted is left as it was: where the raised signal is delivered only once
    // the handler returns (under a sanitizer), that code still runs for a moment.
    const int interrupted = errno;
    ending.store(1);
    removeHeldTemporaries();
    while (creatingBeside.load() != 0) {
    }
    removeHeldTemporaries();
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
    errno = interrupted;
}

// An output buffer over a file descriptor that keeps the first write error.
class DescriptorBuffer : public std::streambuf {
public:
    explicit DescriptorBuffer(int descriptor) : descriptor_(descriptor) { reset(); }
    int error() const { return error_; }

protected:
    int_type overflow(int_type c) override {
        if (!drain()) return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return drain() ? 0 : -1; }
    // A piece that does not fit goes to the descriptor after what is buffered; one as large as
    // the buffer goes straight there, not copied through it in slices.
    std::streamsize xsputn(const char* text, std::streamsize size) override {
        if (size > epptr() - pptr()) {
            if (!drain()) return 0;
            if (size >= epptr() - pptr()) return writeAll(text, text + size) ? size : 0;
        }
        std::memcpy(pptr(), text, static_cast<std::size_t>(size));
        pbump(static_cast<int>(size));
        return size;
    }

private:
    void reset() { setp(buffer_, buffer_ + sizeof buffer_); }

    bool writeAll(const char* at, const char* end) {
        while (error_ == 0 && at < end) {
            const ssize_t written = ::write(descriptor_, at, static_cast<std::size_t>(end - at));
            if (written >= 0)
                at += written;
            else if (errno != EINTR)
                error_ = errno;
        }
        return error_ == 0;
    }

    bool drain() {
        writeAll(pbase(), pptr());
        reset();
        return error_ == 0;
    }

    int descriptor_;
    int error_ = 0;
    char buffer_[1 << 16];
};

class PosixWholeFile : public WholeFile {
public:
    PosixWholeFile(fs::path path, fs::path temporary, int slot, int descriptor)
        : path_(std::move(path)), temporary_(std::move(temporary)), slot_(slot),
          descriptor_(descriptor), buffer_(descriptor), stream_(&buffer_) {}
    ~PosixWholeFile() override { discard(); }
    PosixWholeFile(const PosixWholeFile&) = delete;
    PosixWholeFile& operator=(const PosixWholeFile&) = delete;

    std::ostream& stream() override { return stream_; }

    std::string commit() override {
        stream_.flush();
        int error = buffer_.error();
        if (::close(descriptor_) != 0 && error == 0) error = errno;
        descriptor_ = -1;
        if (error == 0 && ::rename(temporary_.c_str(), path_.c_str()) != 0) error = errno;
        if (error != 0) {
            discard();
            return reasonOf(error);
        }
        releaseTemporary(slot_);
        slot_ = -1;
        temporary_.clear();
        return {};
    }

    void discard() override {
        if (descriptor_ >= 0) ::close(descriptor_);
        descriptor_ = -1;
        if (!temporary_.empty()) ::unlink(temporary_.c_str());
        temporary_.clear();
        releaseTemporary(slot_);
        slot_ = -1;
    }

private:
    fs::path path_, temporary_;
    int slot_;
    int descriptor_;
    DescriptorBuffer buffer_;
    std::ostream stream_;
};

// A name that lexical normalisation leaves as it is: no slashes together, no "." or ".."
// among its parts.
bool isNormal(std::string_view name) {
    for (std::size_t start = 0; start <= name.size();) {
        const std::size_t slash = std::min(name.find('/', start), name.size());
        const std::string_view part = name.substr(start, slash - start);
        if (part == "." || part == ".." || (part.empty() && start > 0 && slash < name.size()))
            return false;
        start = slash + 1;
    }
    return true;
}

FileIdentity existing(const struct stat& status) {
    FileIdentity identity;
    identity.kind =
        S_ISREG(status.st_mode) ? FileIdentity::Kind::Regular : FileIdentity::Kind::Other;
    identity.device = static_cast<std::uint64_t>(status.st_dev);
    identity.inode = static_cast<std::uint64_t>(status.st_ino);
    identity.size = static_cast<std::uintmax_t>(status.st_size);
    return identity;
}

} // namespace

FileIdentity identify(const fs::path& path) {
    struct stat status {};
    // Most names are no link: then lstat tells what stat would, and of a missing file that it is
    // no dangling link either.
    const bool named = ::lstat(path.c_str(), &status) == 0;
    if (named && !S_ISLNK(status.st_mode)) return existing(status);
    if (named && ::stat(path.c_str(), &status) == 0) return existing(status);
    // "sub/../obra.txt" without a folder sub: the file its spelling names.
    if (!isNormal(path.native()))
        if (const fs::path normal = path.lexically_normal(); !normal.empty() && normal != path)
            return identify(normal);
    // Where the file would be created: a dangling link's target, in its folder.
    fs::path target = path;
    for (int depth = 0; named && depth < 16; ++depth) {
        char link[4096];
        const ssize_t length = ::readlink(target.c_str(), link, sizeof link);
        if (length <= 0 || static_cast<std::size_t>(length) >= sizeof link) break;
        const fs::path linked(std::string(link, static_cast<std::size_t>(length)));
        target = linked.is_absolute() ? linked : folderOf(target) / linked;
    }
    FileIdentity identity;
    // The outputs of a batch are mostly in a few folders: each is looked at once.
    static std::map<std::string, std::pair<std::uint64_t, std::uint64_t>> folders;
    static std::mutex foldersInUse;
    const std::lock_guard lock(foldersInUse);
    const std::string folder = folderOf(target).string();
    auto known = folders.find(folder);
    if (known == folders.end() && ::stat(folder.c_str(), &status) == 0)
        known = folders
                    .emplace(folder, std::pair{static_cast<std::uint64_t>(status.st_dev),
                                               static_cast<std::uint64_t>(status.st_ino)})
                    .first;
    if (known != folders.end()) {
        identity.device = known->second.first;
        identity.inode = known->second.second;
        identity.leaf = target.filename().string();
    } else {
        std::error_code error;
        identity.leaf = fs::absolute(target, error).lexically_normal().string();
    }
    return identity;
}

std::unique_ptr<WholeFile> WholeFile::create(const fs::path& path, std::string& reason) {
    static std::atomic<unsigned> count = 0;
    const fs::path folder = path.parent_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        static const long process = static_cast<long>(::getpid());
        const fs::path temporary = folder / temporaryLeaf(process, ++count);
        const CreationBeside creation;
        const int slot = holdTemporary(temporary.string());
        const int descriptor =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0)
            return std::make_unique<PosixWholeFile>(path, temporary, slot, descriptor);
        const int error = errno;
        releaseTemporary(slot);
        if (error != EEXIST) {
            reason = reasonOf(error);
            return nullptr;
        }
    }
    reason = reasonOf(EEXIST);
    return nullptr;
}

void removeTemporaryFilesOnSignals() {
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
        // A signal the program was started ignoring (nohup, a background job) stays ignored.
        struct sigaction current {};
        if (::sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler == SIG_IGN)
            continue;
        std::signal(signalNumber, removeTemporariesAndEnd);
    }
    std::signal(SIGPIPE, removeTemporariesAndEnd);
}

void takeNoEndingSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signalNumber : endingSignals) sigaddset(&signals, signalNumber);
    ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    besideMain = true;
}

void protectStandardStreams() {
    for (int descriptor = 0; descriptor <= 2; ++descriptor)
        if (::fcntl(descriptor, F_GETFD) < 0 && errno == EBADF) {
            // The lowest free descriptor: this one. Read-only, so that writes to it fail.
            const int held = ::open("/dev/null", O_RDONLY);
            if (held >= 0 && held != descriptor) ::close(held);
        }
}

#else

namespace {

class StandardWholeFile : public WholeFile {
public:
    StandardWholeFile(fs::path path, fs::path temporary)
        : path_(std::move(path)), temporary_(std::move(temporary)),
          stream_(temporary_, std::ios::binary | std::ios::trunc) {}
    ~StandardWholeFile() override { discard(); }

    bool isOpen() const { return stream_.is_open(); }
    std::ostream& stream() override { return stream_; }

    std::string commit() override {
        stream_.close();
        std::error_code error;
        if (stream_.fail()) error = std::make_error_code(std::errc::io_error);
        if (!error) fs::rename(temporary_, path_, error);
        if (error) {
            discard();
            return systemReason(error);
        }
        temporary_.clear();
        return {};
    }

    void discard() override {
        if (stream_.is_open()) stream_.close();
        std::error_code ignored;
        if (!temporary_.empty()) fs::remove(temporary_, ignored);
        temporary_.clear();
    }

private:
    fs::path path_, temporary_;
    std::ofstream stream_;
};

} // namespace

FileIdentity identify(const fs::path& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    FileIdentity identity;
    if (fs::exists(status))
        identity.kind =
            fs::is_regular_file(status) ? FileIdentity::Kind::Regular : FileIdentity::Kind::Other;
    if (identity.kind == FileIdentity::Kind::Regular) identity.size = fs::file_size(path, error);
    const fs::path canonical = fs::weakly_canonical(fs::absolute(path, error), error);
    identity.leaf = (error ? path.lexically_normal() : canonical).string();
    return identity;
}

std::unique_ptr<WholeFile> WholeFile::create(const fs::path& path, std::string& reason) {
    static std::atomic<unsigned> count = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path temporary =
            path.parent_path() / temporaryLeaf(static_cast<long>(::_getpid()), ++count);
        std::error_code error;
        if (fs::exists(temporary, error)) continue;
        auto file = std::make_unique<StandardWholeFile>(path, temporary);
        if (file->isOpen()) return file;
        break;
    }
    // The reason as the other systems give it: a missing folder is said as such.
    std::error_code error;
    const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    if (!fs::is_directory(folder, error))
        reason = systemReason(std::make_error_code(std::errc::no_such_file_or_directory));
    else
        reason = "nao foi possivel criar o ficheiro temporario";
    return nullptr;
}

void removeTemporaryFilesOnSignals() {}

void takeNoEndingSignals() {}

void protectStandardStreams() {}

#endif

} // namespace interseccao::platform
