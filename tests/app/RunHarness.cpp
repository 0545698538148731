#include "RunHarness.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "CodePage.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

namespace fs = std::filesystem;

namespace {

constexpr int kTimeoutSeconds = 120;

FilePath FromUtf8(const std::string& s) { return PathFromText(Utf8ToUtf16(s)); }

#ifdef _WIN32
// Quotes one argument so that CommandLineToArgvW gives it back unchanged.
std::wstring Quoted(const std::wstring& arg) {
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t ch : arg) {
        if (ch == L'\\') {
            ++backslashes;
            continue;
        }
        if (ch == L'"') out.append(backslashes * 2 + 1, L'\\');
        else out.append(backslashes, L'\\');
        backslashes = 0;
        out += ch;
    }
    out.append(backslashes * 2, L'\\');
    out += L'"';
    return out;
}

int Launch(const FilePath& exe, const std::vector<std::u16string>& args) {
    std::wstring cmd = Quoted(exe.wstring());
    for (const std::u16string& a : args) cmd += L" " + Quoted(std::wstring(a.begin(), a.end()));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.wstring().c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        exe.parent_path().wstring().c_str(), &si, &pi))
        return -1;
    CloseHandle(pi.hThread);
    int status = -1;
    if (WaitForSingleObject(pi.hProcess, kTimeoutSeconds * 1000) == WAIT_OBJECT_0) {
        DWORD code = 0;
        if (GetExitCodeProcess(pi.hProcess, &code)) status = static_cast<int>(code);
    } else {
        TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, INFINITE);
    }
    CloseHandle(pi.hProcess);
    return status;
}
#else
int Launch(const FilePath& exe, const std::vector<std::u16string>& args) {
    std::vector<std::string> strings{exe.string()};
    for (const std::u16string& a : args) strings.push_back(Utf16ToUtf8(a));
    std::vector<char*> argv;
    for (std::string& s : strings) argv.push_back(s.data());
    argv.push_back(nullptr);
    pid_t pid;
    if (posix_spawn(&pid, strings[0].c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kTimeoutSeconds);
    int wstatus = 0;
    for (;;) {
        pid_t done = waitpid(pid, &wstatus, WNOHANG);
        if (done == pid) break;
        if (done < 0) return -1;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &wstatus, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
}
#endif

FilePath FreshRoot() {
    static std::atomic<int> counter{0};
    const FilePath base = fs::temp_directory_path();
    for (;;) {
        FilePath p = base / ("jwwclean-test-" + std::to_string(ProcessId()) + "-" +
                             std::to_string(counter++));
        std::error_code ec;
        if (fs::create_directory(p, ec)) return p;
        if (ec) throw std::runtime_error("cannot create a temporary folder");
    }
}

}  // namespace

std::string ProgramName() {
    return Utf16ToUtf8(TextFromPath(PathFromText(Utf8ToUtf16(JWWCLEAN_EXE)).filename()));
}

std::string SettingsFile(int cb2) {
    std::string s;
    const char* lines[] = {"50", "50", "480", "480", "TRUE", "FALSE", "FALSE", "FALSE",
                           "FALSE", "", "", "", "1", "Windows"};
    for (const char* line : lines) s += std::string(line) + "\r\n";
    return s + std::to_string(cb2) + "\r\n";
}

ProgramFolder::ProgramFolder(const std::string& appFolder, bool withSettings)
    : root_(FreshRoot()), app_(root_ / FromUtf8(appFolder)) {
    fs::create_directories(app_);
    const FilePath built = PathFromText(Utf8ToUtf16(JWWCLEAN_EXE));
    exe_ = app_ / built.filename();
    fs::copy_file(built, exe_);
    if (withSettings) WriteFile(appFolder + "/Oskavel.dat", SettingsFile());
}

ProgramFolder::~ProgramFolder() {
    std::error_code ec;
    fs::remove_all(root_, ec);
}

FilePath ProgramFolder::Path(const std::string& relative) const {
    return root_ / FromUtf8(relative);
}

void ProgramFolder::WriteFile(const std::string& relative, const std::string& bytes) const {
    FilePath p = Path(relative);
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out << bytes;
    if (!out.flush()) throw std::runtime_error("cannot write " + relative);
}

std::string ProgramFolder::ReadFile(const std::string& relative) const {
    std::ifstream in(Path(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int ProgramFolder::Run(const std::vector<std::string>& args) const {
    std::vector<std::u16string> texts;
    for (const std::string& a : args) {
        if (a.rfind("%/", 0) == 0)
            texts.push_back(TextFromPath(Path(a.substr(2))));
        else
            texts.push_back(Utf8ToUtf16(a));
    }
    return Launch(exe_, texts);
}

std::set<std::string> ProgramFolder::Tree() const {
    std::set<std::string> tree;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(root_)) {
        std::string rel = Utf16ToUtf8(TextFromPath(e.path().lexically_relative(root_)));
        for (char& ch : rel)
            if (ch == '\\') ch = '/';
        tree.insert(e.is_directory() ? rel + "/" : rel);
    }
    return tree;
}
