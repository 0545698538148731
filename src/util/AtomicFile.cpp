// Temporary file plus rename, checking the result of every write, flush and close.
#include "AtomicFile.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <stdexcept>
#include <string>
#include <system_error>

#include "CodePage.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

constexpr size_t kBufferSize = size_t{1} << 20;
// Keeps the temporary name within the usual 255-unit limit of a file name.
constexpr size_t kMaxNameStem = 200;
constexpr int kCreateAttempts = 100;

std::atomic<uint64_t> gCounter{0};

std::string Describe(const FilePath& p) { return Utf16ToUtf8(TextFromPath(p)); }

FilePath TemporaryName(const FilePath& target, uint64_t counter) {
    auto stem = target.filename().native();
    if (stem.size() > kMaxNameStem) stem.resize(kMaxNameStem);
    const std::string suffix =
        "." + std::to_string(ProcessId()) + "." + std::to_string(counter) + ".tmp";
    FilePath::string_type name;
    name += FilePath::value_type('.');
    name += stem;
    name.append(suffix.begin(), suffix.end());
    return target.parent_path() / name;
}

#ifdef _WIN32

std::string LastError() {
    return std::system_category().message(static_cast<int>(GetLastError()));
}

HANDLE AsHandle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

#else

std::string LastError() { return std::generic_category().message(errno); }

#endif

[[noreturn]] void Fail(const char* what, const FilePath& p, const std::string& reason) {
    throw std::runtime_error(std::string(what) + " " + Describe(p) + ": " + reason);
}

}  // namespace

AtomicFile::AtomicFile(const FilePath& target) : target_(target), handle_(-1) {
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        temp_ = TemporaryName(target_, gCounter++);
#ifdef _WIN32
        HANDLE h = CreateFileW(temp_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            handle_ = reinterpret_cast<intptr_t>(h);
            open_ = true;
            break;
        }
        const DWORD err = GetLastError();
        if (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS) Fail("cannot create", temp_, LastError());
#else
        const int fd = open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            handle_ = fd;
            open_ = true;
            break;
        }
        if (errno != EEXIST) Fail("cannot create", temp_, LastError());
#endif
    }
    if (!open_) Fail("cannot create", temp_, "every temporary name is taken");
}

AtomicFile::~AtomicFile() {
    if (!committed_) Discard();
}

void AtomicFile::Write(const void* data, size_t n) {
    if (!open_) throw std::runtime_error("write to a closed file " + Describe(temp_));
    const auto* p = static_cast<const uint8_t*>(data);
    if (n >= kBufferSize / 2) {  // large pieces go to the file without a copy
        Flush();
        WriteAll(p, n);
        return;
    }
    if (buffer_.empty()) buffer_.resize(kBufferSize);
    while (n > 0) {
        if (used_ == buffer_.size()) Flush();
        const size_t chunk = std::min(n, buffer_.size() - used_);
        std::memcpy(buffer_.data() + used_, p, chunk);
        used_ += chunk;
        p += chunk;
        n -= chunk;
    }
}

void AtomicFile::Flush() {
    WriteAll(buffer_.data(), used_);
    used_ = 0;
}

void AtomicFile::WriteAll(const uint8_t* data, size_t n) {
    size_t done = 0;
    while (done < n) {
#ifdef _WIN32
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(n - done, size_t{1} << 30));
        if (!WriteFile(AsHandle(handle_), data + done, chunk, &wrote, nullptr) || wrote == 0)
            Fail("cannot write", temp_, LastError());
#else
        const ssize_t wrote = write(static_cast<int>(handle_), data + done, n - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) Fail("cannot write", temp_, wrote < 0 ? LastError() : "nothing written");
#endif
        done += static_cast<size_t>(wrote);
    }
}

void AtomicFile::CloseFile() {
    open_ = false;
#ifdef _WIN32
    if (!CloseHandle(AsHandle(handle_))) Fail("cannot close", temp_, LastError());
#else
    if (close(static_cast<int>(handle_)) != 0) Fail("cannot close", temp_, LastError());
#endif
}

// The data reaches the disk before the rename, so that not even a crash of the whole system
// can leave a partial file at the target.
void AtomicFile::Commit() {
    if (!open_) throw std::runtime_error("commit of a closed file " + Describe(temp_));
    try {
        Flush();
#ifdef _WIN32
        if (!FlushFileBuffers(AsHandle(handle_))) Fail("cannot flush", temp_, LastError());
        CloseFile();
        if (!MoveFileExW(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            Fail("cannot replace", target_, LastError());
#else
        if (fsync(static_cast<int>(handle_)) != 0) Fail("cannot flush", temp_, LastError());
        CloseFile();
        if (std::rename(temp_.c_str(), target_.c_str()) != 0) Fail("cannot replace", target_, LastError());
#endif
    } catch (...) {
        Discard();
        throw;
    }
    committed_ = true;
}

void AtomicFile::Discard() noexcept {
    if (open_) {
        open_ = false;
#ifdef _WIN32
        CloseHandle(AsHandle(handle_));
#else
        close(static_cast<int>(handle_));
#endif
    }
    if (!temp_.empty()) {
#ifdef _WIN32
        DeleteFileW(temp_.c_str());
#else
        unlink(temp_.c_str());
#endif
        temp_.clear();
    }
}
