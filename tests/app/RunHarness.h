// Runs the real program from a fresh temporary folder and reports what it left behind.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "Files.h"

// A temporary folder holding a copy of the program (and its settings file) in a subfolder.
// Names are UTF-8; paths inside the folder are written relative to it with '/'.
class ProgramFolder {
public:
    explicit ProgramFolder(const std::string& appFolder = "app", bool withSettings = true);
    ~ProgramFolder();
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    FilePath Path(const std::string& relative) const;
    const FilePath& Root() const { return root_; }
    const FilePath& AppFolder() const { return app_; }

    // Creates the file and its missing folders.
    void WriteFile(const std::string& relative, const std::string& bytes) const;
    std::string ReadFile(const std::string& relative) const;

    // Starts the program with these arguments (after the program's own path) and waits for it.
    // An argument beginning with "%/" names a path inside the folder. Returns the exit status,
    // or -1 when the program could not be started or did not end in time.
    int Run(const std::vector<std::string>& args) const;

    // Everything below the folder, relative, folders ending in '/'.
    std::set<std::string> Tree() const;

private:
    FilePath root_;
    FilePath app_;
    FilePath exe_;
};

// File name of the program (UTF-8), as copied into the folder.
std::string ProgramName();

// The settings file the tests put beside the program: fifteen lines, cb2 as given.
std::string SettingsFile(int cb2 = 0);
