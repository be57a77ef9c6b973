// Paths are cut between characters only: in code page 932 the byte 0x5C of a backslash is also
// the second byte of characters such as \x95\x5C.
#include "framework/ModulePath.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ModulePath, FolderAndNameAreCutAtABackslashOfItsOwn) {
    const struct {
        std::string path;
        UINT codePage;
        std::string folder, name;
    } cases[] = {
        {"C:\\Tools\\Quillet.exe", 1252, "C:\\Tools", "Quillet.exe"},
        {"Quillet.exe", 1252, "", "Quillet.exe"},
        // The name ends in a character whose second byte is 0x5C.
        {"C:\\Tools\\Q\x95\x5C.exe", 932, "C:\\Tools", "Q\x95\x5C.exe"},
        {"C:\\\x95\x5C\\Quillet.exe", 932, "C:\\\x95\x5C", "Quillet.exe"},
        // The same bytes in code page 1252 are two characters, the second a backslash.
        {"C:\\Tools\\Q\x95\x5C.exe", 1252, "C:\\Tools\\Q\x95", ".exe"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AfxPathFolder(c.path, c.codePage), c.folder) << c.path << " in " << c.codePage;
        EXPECT_EQ(AfxPathFileName(c.path, c.codePage), c.name) << c.path << " in " << c.codePage;
    }
}

TEST(ModulePath, TheExecutablesPathIsWholeAndNamesThisProgram) {
    const std::string path = AfxGetModulePath();
    EXPECT_EQ(AfxPathFileName(path), "quillet_ui_tests.exe");
    EXPECT_EQ(::GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

} // namespace
