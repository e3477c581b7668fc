// Names to paths and file identity: the Windows side converts names to UTF-16 and compares files
// by their index on the volume; elsewhere names are bytes and std::filesystem compares them.
#include "platform/paths.hpp"

#ifdef _WIN32
#include <windows.h>
#endif

namespace interseccao::platform {

namespace fs = std::filesystem;

#ifdef _WIN32

namespace {

std::wstring convert(std::string_view bytes, UINT codePage, DWORD flags) {
    if (bytes.empty()) return {};
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, flags, bytes.data(), size, text.data(), length);
    return text;
}

// An open handle to an existing file or folder, for its identity only.
class IdentityHandle {
public:
    explicit IdentityHandle(const fs::path& path)
        : handle_(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)) {}
    ~IdentityHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    IdentityHandle(const IdentityHandle&) = delete;
    IdentityHandle& operator=(const IdentityHandle&) = delete;

    bool identify(BY_HANDLE_FILE_INFORMATION& information) const {
        return handle_ != INVALID_HANDLE_VALUE &&
               GetFileInformationByHandle(handle_, &information) != 0;
    }

private:
    HANDLE handle_;
};

} // namespace

std::wstring widen(std::string_view bytes, unsigned codePage) {
    const std::wstring utf8 = convert(bytes, CP_UTF8, MB_ERR_INVALID_CHARS);
    if (!utf8.empty() || bytes.empty()) return utf8;
    return convert(bytes, codePage, 0);
}

std::string wideToUtf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, bytes.data(), length, nullptr, nullptr);
    return bytes;
}

fs::path filePath(const std::string& name) {
    const UINT console = GetConsoleCP();
    return fs::path(widen(name, console != 0 ? console : CP_ACP));
}

bool sameFile(const fs::path& first, const fs::path& second) {
    BY_HANDLE_FILE_INFORMATION a{}, b{};
    if (!IdentityHandle(first).identify(a)) return false;
    if (!IdentityHandle(second).identify(b)) return false;
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

#else

fs::path filePath(const std::string& name) { return fs::path(name); }

bool sameFile(const fs::path& first, const fs::path& second) {
    std::error_code error;
    const bool same = fs::equivalent(first, second, error);
    return !error && same;
}

#endif

} // namespace interseccao::platform
