// jwwinfo: prints what Jw_cad drawings hold, in the terms of the conversion.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Run.h"

#ifdef _WIN32
#include <windows.h>

#include "CodePage.h"

namespace {

// A console gets UTF-16 through WriteConsoleW, whatever its code page; a pipe or file gets UTF-8.
void Write(DWORD which, FILE* stream, const std::string& utf8) {
    if (utf8.empty()) return;
    HANDLE h = GetStdHandle(which);
    DWORD mode;
    if (h != INVALID_HANDLE_VALUE && h != nullptr && GetConsoleMode(h, &mode)) {
        std::u16string text = Utf8ToUtf16(utf8);
        const wchar_t* p = reinterpret_cast<const wchar_t*>(text.data());
        size_t left = text.size();
        while (left > 0) {
            DWORD chunk = left > 8192 ? 8192 : DWORD(left);
            DWORD written = 0;
            if (!WriteConsoleW(h, p, chunk, &written, nullptr) || written == 0) return;
            p += written;
            left -= written;
        }
        return;
    }
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::filesystem::path> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    std::string out, err;
    int status = jwwinfo::RunInfo(args, out, err);
    Write(STD_OUTPUT_HANDLE, stdout, out);
    Write(STD_ERROR_HANDLE, stderr, err);
    return status;
}

#else

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    std::string out, err;
    int status = jwwinfo::RunInfo(args, out, err);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    std::fwrite(err.data(), 1, err.size(), stderr);
    return status;
}

#endif
