#pragma once

#include <QString>

// What the program asks of the desktop: its standard folders and opening things.
namespace tarvolin::platform {

class Shell {
public:
    virtual ~Shell() = default;
    // The user's documents folder, without a trailing separator.
    virtual QString documentsFolder() const = 0;
    // The per-user data folder (~/.local/share), without a trailing separator.
    virtual QString localDataFolder() const = 0;
    // The running program's file and its folder (the folder with a trailing separator).
    virtual QString executablePath() const = 0;
    virtual QString executableFolder() const = 0;
    // Opens a folder, a file or a web address with the desktop's default program.
    virtual bool openUrl(const QString& target) = 0;
    // Shows a file selected in the file manager, or its folder when that is not possible.
    virtual bool showInFolder(const QString& filePath) = 0;
};

// The shell in use: the desktop one unless a test has put another in place.
Shell& shell();

// Puts `replacement` in place of the shell for the lifetime of the object (tests only).
class ScopedShellOverride {
public:
    explicit ScopedShellOverride(Shell& replacement);
    ~ScopedShellOverride();
    ScopedShellOverride(const ScopedShellOverride&) = delete;
    ScopedShellOverride& operator=(const ScopedShellOverride&) = delete;

private:
    Shell* previous_;
};

} // namespace tarvolin::platform
