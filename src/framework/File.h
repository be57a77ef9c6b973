// Raw file access by name. Failures are status codes; the OS error of the last failure is kept.
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
    enum SeekPosition : UINT { begin = FILE_BEGIN, current = FILE_CURRENT, end = FILE_END };

    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    ~CFile() { Close(); }

    // FALSE when the file cannot be opened (see GetLastError); an open file is closed first.
    BOOL Open(const char* fileName, UINT openFlags);
    void Close();
    bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }

    // Length in bytes; 0 when it cannot be read.
    ULONGLONG GetLength() const;
    // New position from the start, or -1 on failure.
    LONGLONG Seek(LONGLONG offset, UINT from);
    // Bytes read (fewer at the end of the file, 0 on failure).
    UINT Read(void* buffer, UINT count);
    // Bytes written (fewer or 0 on failure).
    UINT Write(const void* buffer, UINT count);

    DWORD GetLastError() const { return m_dwLastError; }

private:
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    mutable DWORD m_dwLastError = ERROR_SUCCESS;
};
