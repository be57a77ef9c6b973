#include "framework/File.h"

BOOL CFile::Open(const char* fileName, UINT openFlags) {
    Close();
    const bool write = (openFlags & modeWrite) != 0;
    const DWORD access = write ? GENERIC_WRITE : GENERIC_READ;
    const DWORD share = write ? 0 : FILE_SHARE_READ;
    const DWORD creation = (openFlags & modeCreate) != 0 ? CREATE_ALWAYS : OPEN_EXISTING;
    m_hFile =
        ::CreateFileA(fileName, access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
    return m_hFile != INVALID_HANDLE_VALUE;
}

void CFile::Close() {
    if (m_hFile != INVALID_HANDLE_VALUE) {
        ::CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
    }
}

ULONGLONG CFile::GetLength() const {
    LARGE_INTEGER size;
    return ::GetFileSizeEx(m_hFile, &size) ? static_cast<ULONGLONG>(size.QuadPart) : 0;
}

UINT CFile::Read(void* buffer, UINT count) {
    DWORD done = 0;
    return ::ReadFile(m_hFile, buffer, count, &done, nullptr) ? done : 0;
}

UINT CFile::Write(const void* buffer, UINT count) {
    DWORD done = 0;
    ::WriteFile(m_hFile, buffer, count, &done, nullptr);
    return done;
}
