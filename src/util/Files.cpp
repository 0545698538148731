// File and folder helpers. None of them throws: a failure is a false or an empty result.
#include "Files.h"

#include <algorithm>
#include <system_error>

#include "CodePage.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

#ifdef _WIN32

FilePath PathFromText(std::u16string_view text) {
    return FilePath(std::wstring(text.begin(), text.end()));
}

std::u16string TextFromPath(const FilePath& path) {
    const std::wstring& w = path.native();
    return std::u16string(w.begin(), w.end());
}

FilePath ExecutableFolder() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            break;
        }
        buffer.resize(buffer.size() * 2);  // truncated: try again with more room
    }
    return FilePath(buffer).parent_path();
}

// Volume and file index identify a file whatever path leads to it.
bool SameExistingFile(const FilePath& a, const FilePath& b) {
    auto identify = [](const FilePath& p, BY_HANDLE_FILE_INFORMATION& info) {
        HANDLE h = CreateFileW(p.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        const bool ok = GetFileInformationByHandle(h, &info) != 0;
        CloseHandle(h);
        return ok;
    };
    BY_HANDLE_FILE_INFORMATION ia{}, ib{};
    if (!identify(a, ia) || !identify(b, ib)) return false;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const FilePath& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<std::vector<uint8_t>> result;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(h, &size) && size.QuadPart >= 0 &&
        static_cast<unsigned long long>(size.QuadPart) <= SIZE_MAX) {
        std::vector<uint8_t> data(static_cast<size_t>(size.QuadPart));
        size_t done = 0;
        bool ok = true;
        while (done < data.size()) {
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 30));
            DWORD got = 0;
            if (!ReadFile(h, data.data() + done, chunk, &got, nullptr)) {
                ok = false;
                break;
            }
            if (got == 0) break;  // the file shrank while being read
            done += got;
        }
        if (ok) {
            data.resize(done);
            result = std::move(data);
        }
    }
    CloseHandle(h);
    return result;
}

uint64_t ProcessId() { return GetCurrentProcessId(); }

#else

FilePath PathFromText(std::u16string_view text) { return FilePath(Utf16ToUtf8(text)); }

std::u16string TextFromPath(const FilePath& path) { return Utf8ToUtf16(path.native()); }

FilePath ExecutableFolder() {
    std::error_code ec;
    const FilePath exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? FilePath() : exe.parent_path();
}

bool SameExistingFile(const FilePath& a, const FilePath& b) {
    std::error_code ec;
    const bool same = fs::equivalent(a, b, ec);
    return !ec && same;
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const FilePath& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::optional<std::vector<uint8_t>> result;
    struct stat st{};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        std::vector<uint8_t> data(static_cast<size_t>(st.st_size));
        size_t done = 0;
        bool ok = true;
        while (done < data.size()) {
            const ssize_t got = read(fd, data.data() + done, data.size() - done);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                ok = false;
                break;
            }
            if (got == 0) break;  // the file shrank while being read
            done += static_cast<size_t>(got);
        }
        if (ok) {
            data.resize(done);
            result = std::move(data);
        }
    }
    close(fd);
    return result;
}

uint64_t ProcessId() { return static_cast<uint64_t>(getpid()); }

#endif

bool FileExists(const FilePath& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool FolderExists(const FilePath& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool DeleteFileIfExists(const FilePath& path) {
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(path, ec);
    if (st.type() == fs::file_type::not_found) return true;
    if (ec || st.type() == fs::file_type::directory) return false;
    return fs::remove(path, ec) && !ec;
}

bool CreateFolders(const FilePath& path) {
    std::error_code ec;
    fs::create_directories(path, ec);
    return FolderExists(path);
}

bool RemoveEmptyFolder(const FilePath& path) {
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(path, ec);
    if (ec || st.type() != fs::file_type::directory) return false;
    // Removing a directory never recurses: it fails while the folder holds anything.
    return fs::remove(path, ec) && !ec;
}
