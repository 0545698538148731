// Faults around a run of the real program: output folders that cannot take the file, a disk
// that fills up during the write, the process killed in the middle of a large write, and the
// input named as the output through every spelling that reaches it. In none of them does a
// file appear at the output path, and the input is never touched.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "CodePage.h"
#include "JwwGen.h"
#include "RunHarness.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace {

namespace fs = std::filesystem;
const std::vector<std::string> kRunArgs = {"1", "2", "%/in.jww", "%/out.jww"};

std::string GeneratedDrawing(int64_t targetBytes) {
    GenOptions opt;
    opt.version = 600;
    opt.targetBytes = targetBytes;
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(GenerateToBuffer(opt, bytes, error)) << error;
    return std::string(bytes.begin(), bytes.end());
}

const std::string& SmallDrawing() {
    static const std::string bytes = GeneratedDrawing(0);
    return bytes;
}

std::string Utf8(const FilePath& p) { return Utf16ToUtf8(TextFromPath(p)); }

// Runs the program from a folder holding in.jww and `setup`'s files; the run must write
// nothing and leave every file as it was.
void ExpectNothingWritten(ProgramFolder& folder, const std::vector<std::string>& args, const std::string& input) {
    folder.WriteFile("in.jww", input);
    auto before = folder.Tree();
    EXPECT_EQ(folder.Run(args), 1);
    EXPECT_EQ(folder.Tree(), before);
    EXPECT_TRUE(folder.ReadFile("in.jww") == input);
}

TEST(Fault, OutputFolderCannotTakeTheFile) {
    struct Case {
        const char* name;
        const char* output;
        const char* existing;  // a file created before the run
    };
    const Case cases[] = {
        {"missing folder", "nowhere/out.jww", nullptr},
        {"folder is a file", "file.txt/out.jww", "file.txt"},
        {"output names a folder", "outdir", "outdir/keep"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFolder folder;
        if (c.existing) folder.WriteFile(c.existing, "x");
        ExpectNothingWritten(folder, {"1", "2", "%/in.jww", std::string("%/") + c.output}, SmallDrawing());
    }
}

#ifndef _WIN32

// A tmpfs mounted for one test; root only (skipped where mounting is not allowed).
class Mount {
public:
    Mount(const FilePath& at, unsigned long flags, const std::string& options) : at_(at) {
        fs::create_directories(at);
        mounted_ = mount("tmpfs", at.c_str(), "tmpfs", flags, options.c_str()) == 0;
    }
    ~Mount() {
        if (mounted_) umount(at_.c_str());
    }
    bool mounted() const { return mounted_; }

private:
    FilePath at_;
    bool mounted_ = false;
};

TEST(Fault, ReadOnlyOutputFolder) {
    ProgramFolder folder;
    FilePath ro = folder.Path("ro");
    fs::create_directories(ro);
    if (geteuid() == 0) {
        Mount m(ro, MS_RDONLY, "size=64k");
        if (!m.mounted()) GTEST_SKIP() << "root without the right to mount a read-only folder";
        ExpectNothingWritten(folder, {"1", "2", "%/in.jww", "%/ro/out.jww"}, SmallDrawing());
    } else {
        chmod(ro.c_str(), 0555);
        ExpectNothingWritten(folder, {"1", "2", "%/in.jww", "%/ro/out.jww"}, SmallDrawing());
        chmod(ro.c_str(), 0755);
    }
}

// The disk fills up in the middle of the write: by a file-size limit on the process (which
// anyone may set), and by a small tmpfs where mounting is allowed.
TEST(Fault, DiskFullDuringTheWrite) {
    const std::string input = GeneratedDrawing(2 << 20);
    {
        SCOPED_TRACE("file size limit");
        ProgramFolder folder;
        rlimit old{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
        folder.WriteFile("in.jww", input);
        auto before = folder.Tree();
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);  // inherited: writes fail with EFBIG
        rlimit limited = old;
        limited.rlim_cur = 256 << 10;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
        int status = folder.Run(kRunArgs);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_EQ(status, 1);
        EXPECT_EQ(folder.Tree(), before);
    }
    {
        SCOPED_TRACE("small tmpfs");
        ProgramFolder folder;
        Mount m(folder.Path("small"), 0, "size=256k");
        if (!m.mounted()) GTEST_SKIP() << "no right to mount a tmpfs";
        ExpectNothingWritten(folder, {"1", "2", "%/in.jww", "%/small/out.jww"}, input);
    }
}

#endif

// Starts the program without waiting; Kill ends it at once, as a crash or power cut would.
class Child {
public:
    Child(const FilePath& exe, const std::vector<std::u16string>& args) {
#ifdef _WIN32
        std::wstring cmd = L"\"" + exe.wstring() + L"\"";
        for (const auto& a : args) cmd += L" \"" + std::wstring(a.begin(), a.end()) + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (CreateProcessW(exe.wstring().c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           exe.parent_path().wstring().c_str(), &si, &pi)) {
            CloseHandle(pi.hThread);
            process_ = pi.hProcess;
        }
#else
        std::vector<std::string> strings{exe.string()};
        for (const auto& a : args) strings.push_back(Utf16ToUtf8(a));
        std::vector<char*> argv;
        for (auto& s : strings) argv.push_back(s.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, strings[0].c_str(), nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
#endif
    }
    ~Child() { Kill(); }
    bool started() const {
#ifdef _WIN32
        return process_ != nullptr;
#else
        return pid_ > 0;
#endif
    }
    bool Running() {
#ifdef _WIN32
        return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
#else
        if (pid_ <= 0) return false;
        int status;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        return true;
#endif
    }
    void Kill() {
#ifdef _WIN32
        if (!process_) return;
        TerminateProcess(process_, 9);
        WaitForSingleObject(process_, INFINITE);
        CloseHandle(process_);
        process_ = nullptr;
#else
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        int status;
        waitpid(pid_, &status, 0);
        pid_ = -1;
#endif
    }

private:
#ifdef _WIN32
    HANDLE process_ = nullptr;
#else
    pid_t pid_ = -1;
#endif
};

// The temporary file that the program writes beside the output, once it holds data.
bool TemporaryOutputHasData(const FilePath& folder) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        std::string name = Utf8(e.path().filename());
        if (name.rfind(".out.jww.", 0) == 0 && e.is_regular_file(ec) && e.file_size(ec) > 0) return true;
    }
    return false;
}

// Killed while the temporary file fills: nothing at the output path. What a killed process
// cannot clean up stays behind: its partial temporary file (hidden, named after the output and
// the process) and its working folder.
TEST(Fault, KilledInTheMiddleOfALargeWrite) {
    ProgramFolder folder;
    folder.WriteFile("in.jww", GeneratedDrawing(48 << 20));
    const FilePath exe = folder.AppFolder() / PathFromText(Utf8ToUtf16(ProgramName()));
    Child child(exe, {u"1", u"2", TextFromPath(folder.Path("in.jww")), TextFromPath(folder.Path("out.jww"))});
    ASSERT_TRUE(child.started());
    bool caught = false;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (std::chrono::steady_clock::now() < deadline) {
        if (TemporaryOutputHasData(folder.Root())) {
            child.Kill();
            caught = true;
            break;
        }
        if (!child.Running()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    child.Kill();
    ASSERT_TRUE(caught) << "the run ended before its write could be interrupted";
    EXPECT_FALSE(fs::exists(folder.Path("out.jww")));
    for (const std::string& entry : folder.Tree()) {
        bool expected = entry == "in.jww" || entry.rfind("app/", 0) == 0 || entry.rfind(".out.jww.", 0) == 0;
        EXPECT_TRUE(expected) << entry;
    }
}

// Decision: input and output naming one existing file (by identity or canonical path) delete
// nothing and write nothing, whichever spelling reaches the file. Relative spellings are
// relative to the program's folder, which is the working folder of the run.
TEST(SameFile, EverySpellingReachingTheInput) {
    struct Case {
        const char* name;
        std::string input, output;  // "%/x": path of x inside the folder; "@/x": the same, with '/' separators
    };
    const Case cases[] = {
        {"same absolute path", "%/in.jww", "%/in.jww"},
        {"relative output", "%/in.jww", "../in.jww"},
        {"relative input", "../in.jww", "%/in.jww"},
        {"relative with .. steps", "%/in.jww", "../app/../sub/../in.jww"},
        {"absolute with .. steps", "%/in.jww", "%/app/../sub/./../in.jww"},
        {"absolute with '/' separators", "%/in.jww", "@/in.jww"},
#ifdef _WIN32
        {"letter case of the name", "%/in.jww", "%/IN.JWW"},
        {"letter case of folders and name, backslashes", "%/in.jww", "..\\APP\\..\\In.Jww"},
#else
        {"symbolic link as output", "%/in.jww", "%/link.jww"},
        {"symbolic link as input", "%/link.jww", "%/in.jww"},
        {"symbolic link to the folder", "%/in.jww", "%/alias/in.jww"},
        {"hard link", "%/in.jww", "%/hard.jww"},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFolder folder;
        folder.WriteFile("in.jww", SmallDrawing());
        folder.WriteFile("sub/keep", "");
#ifndef _WIN32
        fs::create_symlink(folder.Path("in.jww"), folder.Path("link.jww"));
        fs::create_directory_symlink(folder.Root(), folder.Path("alias"));
        fs::create_hard_link(folder.Path("in.jww"), folder.Path("hard.jww"));
#endif
        auto spelled = [&](const std::string& s) {
            if (s.rfind("@/", 0) != 0) return s;
            std::string p = Utf8(folder.Path(s.substr(2)));
            for (char& ch : p)
                if (ch == '\\') ch = '/';
            return p;
        };
        auto before = folder.Tree();
#ifndef _WIN32
        // The Windows harness starts the program in its own folder; here the test moves there.
        FilePath cwd = fs::current_path();
        fs::current_path(folder.AppFolder());
#endif
        int status = folder.Run({"1", "2", spelled(c.input), spelled(c.output)});
#ifndef _WIN32
        fs::current_path(cwd);
#endif
        EXPECT_EQ(status, 1);
        EXPECT_EQ(folder.Tree(), before);
        EXPECT_TRUE(folder.ReadFile("in.jww") == SmallDrawing());
    }
}

}  // namespace
