#include "InputFile.h"

#ifdef _WIN32
#include <windows.h>

#include <algorithm>

InputFile::~InputFile() {
    if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

bool InputFile::Open(const FilePath& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileSizeEx(h, &size) || size.QuadPart < 0) {
        CloseHandle(h);
        return false;
    }
    handle_ = reinterpret_cast<intptr_t>(h);
    size_ = uint64_t(size.QuadPart);
    return true;
}

size_t InputFile::ReadAt(uint64_t offset, void* dst, size_t n) {
    size_t done = 0;
    while (done < n) {
        OVERLAPPED at{};
        at.Offset = DWORD(offset + done);
        at.OffsetHigh = DWORD((offset + done) >> 32);
        DWORD got = 0;
        DWORD want = DWORD(std::min<size_t>(n - done, 1u << 30));
        if (!ReadFile(reinterpret_cast<HANDLE>(handle_), static_cast<char*>(dst) + done, want, &got, &at) || got == 0)
            break;
        done += got;
    }
    return done;
}

#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

InputFile::~InputFile() {
    if (handle_ >= 0) close(int(handle_));
}

bool InputFile::Open(const FilePath& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return false;
    }
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    handle_ = fd;
    size_ = uint64_t(st.st_size);
    return true;
}

size_t InputFile::ReadAt(uint64_t offset, void* dst, size_t n) {
    size_t done = 0;
    while (done < n) {
        ssize_t got = pread(int(handle_), static_cast<char*>(dst) + done, n - done, off_t(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += size_t(got);
    }
    return done;
}
#endif
