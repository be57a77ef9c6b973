// Answers the file-open dialog that a handler opens on the test's own thread, as a person
// would: notes the folder it starts in, types a path and confirms, or cancels. Message boxes
// shown afterwards are read and closed with OK.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

struct FileDialogVisit {
    std::string startFolder; // the folder the dialog showed when it opened
};

class FileDialogAnswerer {
public:
    // `path` empty: cancel the dialog. Watches the calling thread's windows except `mainDialog`.
    FileDialogAnswerer(HWND mainDialog, std::string path);
    FileDialogAnswerer(const FileDialogAnswerer&) = delete;
    FileDialogAnswerer& operator=(const FileDialogAnswerer&) = delete;
    ~FileDialogAnswerer();

    // Ends the watch. `visits`: the file dialogs seen; `messages`: the text of each message box.
    void Stop(std::vector<FileDialogVisit>& visits, std::vector<std::string>& messages);

private:
    void Run();

    DWORD m_threadId;
    HWND m_mainDialog;
    std::string m_path;
    std::atomic<bool> m_stop{false};
    std::vector<FileDialogVisit> m_visits;
    std::vector<std::string> m_messages;
    std::thread m_thread;
};
