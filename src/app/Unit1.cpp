#include "Unit1.h"

#include <system_error>

#include "TextHelpers.h"

namespace {

// Whether both paths name one existing file, by identity or by canonical path.
bool SameFile(const FilePath& a, const FilePath& b) {
    if (SameExistingFile(a, b)) return true;
    std::error_code ea, eb;
    FilePath ca = std::filesystem::weakly_canonical(a, ea);
    FilePath cb = std::filesystem::weakly_canonical(b, eb);
    return !ea && !eb && FileExists(a) && ca == cb;
}

bool HasJwwExtension(const FilePath& path) {
    std::u16string name = TextFromPath(path.filename());
    size_t dot = name.rfind(u'.');
    if (dot == std::u16string::npos) return false;
    return LowerCase(std::u16string_view(name).substr(dot)) == u".jww";
}

std::u16string RunFolderName(uint64_t pid, int n) {
    std::string name = "run-" + std::to_string(pid) + "-" + std::to_string(n);
    return std::u16string(name.begin(), name.end());
}

}  // namespace

TForm1::TForm1(std::vector<std::u16string> params) : Params(std::move(params)) {
    if (Params.empty()) Params.emplace_back();
}

TForm1::~TForm1() {
    if (JWW1) JwFine();
}

FilePath TForm1::SettingFilePath() const { return PathFromText(AppPath + u"Oskavel" + u".dat"); }

FilePath TForm1::WorkRoot() const { return PathFromText(AppPath + u"TEMP"); }

void TForm1::FormCreate() {
    AppPath = TextFromPath(ExecutableFolder() / "");
    SettingFileRead(SettingFilePath());
    Memo1.clear();
    for (const std::u16string& p : Params) Memo1.push_back(p);
    JwInit();
}

void TForm1::SettingFileRead(const FilePath& path) {
    static_cast<TSettingFields&>(*this) = DefaultSettings(AppPath);
    if (!FileExists(path)) return;
    std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(path);
    if (!bytes) return;
    ParseSettings(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()),
                  *this);
}

// The drawing's images live in a folder of this run's own inside TEMP, so that runs started
// from the same folder at the same time never share working files. Creation failures are
// ignored: the run goes on without embedded images.
void TForm1::JwInit() {
    JWW1 = std::make_unique<TJwwData>();
    JWW1->FallbackPenStyle = 1;
    JWW1->FallbackPenColor = 1;
    JWW1->BindImageExp = true;
    JWW1->BindImageExr = true;
    JWW1->ExpandBlockTree = false;  // nothing in the run reads the expanded insertion tree

    const FilePath root = WorkRoot();
    const uint64_t pid = ProcessId();
    RunFolder = root / PathFromText(RunFolderName(pid, 0));
    int n = 0;
    // A concurrent run may remove an empty TEMP between our creating it and creating our
    // folder inside; a few retries cover that.
    for (int attempt = 0; attempt < 4 && n < 1000;) {
        if (!FolderExists(root)) CreateFolders(root);
        FilePath candidate = root / PathFromText(RunFolderName(pid, n));
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec)) {
            RunFolder = candidate;
            RunFolderCreated = true;
            break;
        }
        if (std::filesystem::exists(candidate, ec))
            ++n;  // left over from an earlier process with the same id
        else
            ++attempt;
    }
    JWW1->BindImageFolder = RunFolder / "";
}

void TForm1::FormShow() {
    if (ParamCount() == 4) {
        const FilePath src = PathFromText(Params[3]);
        const FilePath dst = PathFromText(Params[4]);
        const bool a = FileExists(SettingFilePath());
        const bool b = FileExists(src);
        const bool c = !FileExists(dst);
        // Input and output naming one file: deleting the "stale output" would destroy the input.
        const bool same = b && !c && SameFile(src, dst);
        if (!c && !same) DeleteFileIfExists(dst);
        if (a && b && c) Proc(src, dst);
    }
    Close();
}

void TForm1::Close() {
    if (CloseWindow)
        CloseWindow();
    else
        FormClose();
}

void TForm1::FormClose() {
    if (Closed) return;
    Closed = true;
    JwFine();
}

void TForm1::Proc(const FilePath& src, const FilePath& dst) {
    if (!FileExists(src)) return;
    if (!HasJwwExtension(src)) return;
    if (!proc2(src)) return;
    Proc2a();
    int32_t option;
    if (cb2 == 1)
        option = 0;
    else if (cb2 == 2)
        option = kOptUtf16;
    else
        option = JWW1->MojiEncode ? kOptUtf16 : 0;
    JWW1->SetFileOutOption(option);
    Written = JWW1->FileOut(dst, JWW1->Enthd.jwVer);
}

bool TForm1::proc2(const FilePath& fn) {
    if (!JWW1->FileCheck(fn)) return false;
    JwwDataFree(*JWW1);
    if (!JWW1->FileIn(fn)) return false;
    JWW1->BindImageExplode();
    return true;
}

void TForm1::JwwDataFree(TJwwData& JW) {
    JW.BindImageDeleteGzFile();
    JW.BindImageDeleteNonGzFile();
    JW.DataFree();
    JW.BindImageInit();
}

// Folders are removed only when empty: files of other runs or other programs stay.
void TForm1::JwFine() {
    if (!JWW1) return;
    JwwDataFree(*JWW1);
    if (RunFolderCreated) RemoveEmptyFolder(RunFolder);
    RemoveEmptyFolder(WorkRoot());
    JWW1.reset();
}
