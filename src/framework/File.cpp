#include "framework/File.h"

BOOL CFile::Open(const char* fileName, UINT openFlags) {
    Close();
    const bool write = (openFlags & modeWrite) != 0;
    const DWORD access = write ? GENERIC_WRITE : GENERIC_READ;
    const DWORD share = write ? 0 : FILE_SHARE_READ;
    const DWORD creation = (openFlags & modeCreate) != 0 ? CREATE_ALWAYS : OPEN_EXISTING;
    m_hFile =
        ::CreateFileA(fileName, access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_hFile == INVALID_HANDLE_VALUE) {
        m_dwLastError = ::GetLastError();
        return FALSE;
    }
    m_dwLastError = ERROR_SUCCESS;
    return TRUE;
}

void CFile::Close() {
    if (m_hFile != INVALID_HANDLE_VALUE) {
        ::CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
    }
}

ULONGLONG CFile::GetLength() const {
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(m_hFile, &size)) {
        m_dwLastError = ::GetLastError();
        return 0;
    }
    return static_cast<ULONGLONG>(size.QuadPart);
}

LONGLONG CFile::Seek(LONGLONG offset, UINT from) {
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER position;
    if (!::SetFilePointerEx(m_hFile, distance, &position, from)) {
        m_dwLastError = ::GetLastError();
        return -1;
    }
    return position.QuadPart;
}

UINT CFile::Read(void* buffer, UINT count) {
    DWORD done = 0;
    if (!::ReadFile(m_hFile, buffer, count, &done, nullptr)) {
        m_dwLastError = ::GetLastError();
        return 0;
    }
    return done;
}

UINT CFile::Write(const void* buffer, UINT count) {
    DWORD done = 0;
    if (!::WriteFile(m_hFile, buffer, count, &done, nullptr))
        m_dwLastError = ::GetLastError();
    return done;
}
