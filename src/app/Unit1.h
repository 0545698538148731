// TForm1: the program's one window. It converts one drawing while it is first shown, then closes.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Files.h"
#include "JwwUnit.h"
#include "Settings.h"

class TForm1 : public TSettingFields {
public:
    // params[0] is the executable's path, params[1..] the command-line arguments.
    explicit TForm1(std::vector<std::u16string> params);
    ~TForm1();
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // Window events, in this order: create, first show, close.
    void FormCreate();
    void FormShow();
    void FormClose();

    // Set by the window layer: closes the window, which fires FormClose.
    std::function<void()> CloseWindow;

    // Lines of the read-only text list that fills the window.
    std::vector<std::u16string> Memo1;

    // 0 when an output file was written, 1 otherwise.
    int ExitCode() const { return Written ? 0 : 1; }

    std::u16string AppPath;  // ends in the path delimiter
    std::unique_ptr<TJwwData> JWW1;

private:
    void SettingFileRead(const FilePath& path);
    void JwInit();
    void JwFine();
    void Proc(const FilePath& src, const FilePath& dst);
    bool proc2(const FilePath& fn);
    void Proc2a();
    void JwwDataFree(TJwwData& JW);
    void Close();

    int ParamCount() const { return static_cast<int>(Params.size()) - 1; }
    FilePath SettingFilePath() const;
    FilePath WorkRoot() const;

    std::vector<std::u16string> Params;
    FilePath RunFolder;            // this run's own folder inside WorkRoot
    bool RunFolderCreated = false;
    bool Closed = false;
    bool Written = false;
};
