// Raw file access by name. Failures are status codes.
#pragma once

#include <windows.h>

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeCreate = 0x1000, // with modeWrite: create, or truncate an existing file
        typeBinary = 0x8000, // files are always raw bytes; accepted for familiarity
    };

    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    ~CFile() { Close(); }

    // FALSE when the file cannot be opened; an open file is closed first.
    BOOL Open(const char* fileName, UINT openFlags);
    void Close();
    bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }

    // Length in bytes; 0 when it cannot be read.
    ULONGLONG GetLength() const;
    // Bytes read (fewer at the end of the file, 0 on failure).
    UINT Read(void* buffer, UINT count);
    // Bytes written (fewer or 0 on failure).
    UINT Write(const void* buffer, UINT count);

private:
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
};
