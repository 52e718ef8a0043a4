#pragma once

namespace quenzal {

class Clipboard;
class FileDialogs;
class LoadProgress;
class MessageBoxes;
class ProgramEnd;
class SettingsStore;
class Shell;

// The desktop services a window is handed in its constructor. The program
// passes the Qt adapters; tests pass fakes that record every call.
struct Services
{
    MessageBoxes &messages;
    ProgramEnd &programEnd;
    FileDialogs &fileDialogs;
    Clipboard &clipboard;
    Shell &shell;
    SettingsStore &settings;
    LoadProgress &loadProgress;
};

} // namespace quenzal
