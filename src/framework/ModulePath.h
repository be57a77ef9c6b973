// Paths in the ANSI code page, cut only between characters: in code pages 932, 936 and 950 the
// byte 0x5C of a backslash can also be the second byte of a double-byte character.
#pragma once

#include <windows.h>

#include <string>

// Bytes of the character that starts at `at`: a lead byte takes the next byte with it.
size_t AfxCharLength(const std::string& text, size_t at, UINT codePage = CP_ACP);

// The executable's full path, however long (GetModuleFileNameA retried with room to spare).
std::string AfxGetModulePath();

// The folder of `path` without a trailing separator ("" when it has none), and its last part.
std::string AfxPathFolder(const std::string& path, UINT codePage = CP_ACP);
std::string AfxPathFileName(const std::string& path, UINT codePage = CP_ACP);
