// Add Image through the real file-open dialog, Delete All, the slot edits and display names.
#include "bmp_fixture.h"
#include "file_dialog_answerer.h"
#include "main_dialog_fixture.h"

#include <functional>

namespace {

const int kSlotEdits[] = {IDC_EDIT_SLOT1, IDC_EDIT_SLOT2, IDC_EDIT_SLOT3, IDC_EDIT_SLOT4,
                          IDC_EDIT_SLOT5, IDC_EDIT_SLOT6, IDC_EDIT_SLOT7, IDC_EDIT_SLOT8,
                          IDC_EDIT_SLOT9, IDC_EDIT_SLOT10};

constexpr char kOpenError[] = "Error : Bitmap open !!!";
constexpr char kSizeError[] = "Error : Bitmap size !!!";
constexpr char kDepthError[] = "Only 1-bit bitmaps are supported.";

std::vector<std::uint8_t> GoodBmp(int width = 16, int height = 8) {
    return MonoBmpBytes(width, height, [](int x, int y) { return (x + y) % 3 == 0; });
}

// `bytes` with the field at `at` changed.
std::vector<std::uint8_t> Patched(std::vector<std::uint8_t> bytes, size_t at,
                                  const std::vector<std::uint8_t>& value) {
    for (size_t i = 0; i < value.size(); ++i)
        bytes[at + i] = value[i];
    return bytes;
}

// A good 16 x 8 picture with one header field changed.
std::vector<std::uint8_t> PatchedBmp(size_t at, const std::vector<std::uint8_t>& value) {
    return Patched(GoodBmp(), at, value);
}

std::string Repeat(const std::string& piece, int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += piece;
    return text;
}

struct NameCase {
    std::string path;
    UINT codePage;
    std::string shown;
};

std::string ExecutableFolder() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string full = path;
    return full.substr(0, full.rfind('\\'));
}

class SlotListTest : public MainDialogTest {
protected:
    // Presses Add Image and answers the file dialog with `path` ("" cancels it).
    std::vector<std::string> AddImage(const std::string& path) {
        FileDialogAnswerer answerer(m_dlg.m_hWnd, path);
        Click(IDC_BTN_ADD_IMAGE);
        answerer.Stop(m_visits, m_messages);
        EXPECT_EQ(m_visits.size(), 1u) << "file dialogs shown for " << path;
        return m_messages;
    }
    std::vector<std::string> SlotTexts() const {
        std::vector<std::string> texts;
        for (int id : kSlotEdits)
            texts.push_back(Text(id));
        return texts;
    }

    TempFolder m_folder;
    std::vector<FileDialogVisit> m_visits;
    std::vector<std::string> m_messages;
};

} // namespace

TEST(DisplayName, ShowsLongPathsAsTheirLast30BytesWithoutSplittingACharacter) {
    const std::string dbcs = Repeat("\x82\xA0", 16); // 16 double-byte characters of code page 932
    const std::string onTrail = "C:\\" + dbcs + "x.bmp"; // 40 bytes: byte 10 is a trail byte
    const std::string onLead = "C:\\" + dbcs + ".bmp";   // 39 bytes: byte 9 is a lead byte
    const NameCase cases[] = {
        {"", 1252, ""},
        {"C:\\Logos\\StoreLogo_Large_1.bmp", 1252, "C:\\Logos\\StoreLogo_Large_1.bmp"},
        {"C:\\Logos\\StoreLogo_Large_01.bmp", 1252, ".....:\\Logos\\StoreLogo_Large_01.bmp"},
        {"Z:\\a\\much\\longer\\folder\\name\\for\\the\\logo.bmp", 1252,
         ".....r\\folder\\name\\for\\the\\logo.bmp"},
        {onTrail, 1252, "....." + onTrail.substr(10)},
        {onTrail, 932, "....." + onTrail.substr(11)},
        {onLead, 932, "....." + onLead.substr(9)},
        {"C:\\\x95\x5C" + Repeat("a", 23) + "\x95\x5C", 932,
         "C:\\\x95\x5C" + Repeat("a", 23) + "\x95\x5C"},
        // Byte 4 is 0x5C, the second half of a character in 932 and a backslash in 1252.
        {"C:\\\x95\x5C" + Repeat("a", 29), 932, "....." + Repeat("a", 29)},
        {"C:\\\x95\x5C" + Repeat("a", 29), 1252, ".....\\" + Repeat("a", 29)},
    };
    for (const NameCase& c : cases) {
        const std::string shown = CQuilletDlg::DisplayName(c.path, c.codePage);
        EXPECT_EQ(shown, c.shown) << c.path << " in code page " << c.codePage;
        EXPECT_LE(shown.size(), 35u);
    }
}

TEST_F(SlotListTest, AcceptedFilesFillTheRowsInOrderAndTheEleventhIsDroppedSilently) {
    std::vector<std::string> paths;
    for (int i = 0; i < 11; ++i)
        paths.push_back(m_folder.Write("logo" + std::to_string(i) + ".bmp", GoodBmp(8 + i, 4)));
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(AddImage(paths[i]).empty()) << paths[i];
        EXPECT_EQ(Text(kSlotEdits[i]), CQuilletDlg::DisplayName(paths[i])) << i;
        EXPECT_EQ(m_dlg.m_strSlotPath[i], paths[i]);
        EXPECT_EQ(m_dlg.m_bSlotUsed[i], 1);
    }
    const std::vector<std::string> full = SlotTexts();

    Type(IDC_EDIT_PRINT_NUMBER, "42");
    EXPECT_TRUE(AddImage(paths[10]).empty());
    EXPECT_EQ(SlotTexts(), full);
    EXPECT_EQ(m_dlg.m_strPickedPath, paths[10]);
    for (int i = 10; i < CQuilletDlg::kSlotCount; ++i)
        EXPECT_EQ(m_dlg.m_bSlotUsed[i], 0) << i;
    // The state record still went to the controls.
    EXPECT_EQ(Text(IDC_EDIT_PRINT_NUMBER), "1");

    // A refused file with the list full still says why.
    EXPECT_EQ(AddImage(m_folder.Write("empty.bmp", {})), std::vector<std::string>{kSizeError});
    EXPECT_EQ(SlotTexts(), full);
}

TEST_F(SlotListTest, RefusedFilesShowTheirMessageAndChangeNoSlot) {
    const std::string first = m_folder.Write("first.bmp", GoodBmp());
    ASSERT_TRUE(AddImage(first).empty());

    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    png.resize(120, 0);
    std::vector<std::uint8_t> shortHeader = GoodBmp();
    shortHeader.resize(61);
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* message;
    } refusals[] = {
        {"empty.bmp", {}, kSizeError},
        {"short.bmp", shortHeader, kSizeError},
        {"png.bmp", png, kDepthError},
        {"eight-bit.bmp", PatchedBmp(28, {8, 0}), kDepthError},
        {"twenty-four-bit.bmp", PatchedBmp(28, {24, 0}), kDepthError},
        {"not-bm.bmp", PatchedBmp(0, {'B', 'A'}), kDepthError},
        // Headers the reader cannot describe, refused after the documented checks.
        {"height-0.bmp", PatchedBmp(22, {0, 0, 0, 0}), kSizeError},
        {"top-down.bmp", PatchedBmp(22, {0xF8, 0xFF, 0xFF, 0xFF}), kSizeError},
        {"wide.bmp", PatchedBmp(18, {0, 0, 1, 0}), kSizeError},
        {"size-field-61.bmp", PatchedBmp(2, {61, 0, 0, 0}), kSizeError},
        // The depth check comes first.
        {"top-down-24-bit.bmp", Patched(PatchedBmp(22, {0xF8, 0xFF, 0xFF, 0xFF}), 28, {24}),
         kDepthError},
    };
    for (const auto& refusal : refusals) {
        const std::string path = m_folder.Write(refusal.name, refusal.bytes);
        Type(IDC_EDIT_FEED_MM, "99");
        EXPECT_EQ(AddImage(path), std::vector<std::string>{refusal.message}) << refusal.name;
        EXPECT_EQ(Text(IDC_EDIT_SLOT1), CQuilletDlg::DisplayName(first)) << refusal.name;
        EXPECT_EQ(Text(IDC_EDIT_SLOT2), "") << refusal.name;
        EXPECT_EQ(m_dlg.m_bSlotUsed[1], 0) << refusal.name;
        EXPECT_EQ(m_dlg.m_strPickedPath, path);
        EXPECT_EQ(Text(IDC_EDIT_FEED_MM), "7") << refusal.name;
    }

    // Files that pass although they look odd: exactly 62 bytes (rows past the end, or a size
    // field of 62 that gives a stride of 0), a stride below the row's bytes, a 16-bit depth
    // field of 0x0101.
    std::vector<std::uint8_t> headerOnly = GoodBmp(8, 1);
    headerOnly.resize(62);
    std::vector<std::uint8_t> sized62 = GoodBmp();
    sized62.resize(62);
    const std::string accepted[] = {
        m_folder.Write("header-only.bmp", headerOnly),
        m_folder.Write("size-62.bmp", Patched(sized62, 2, {62, 0, 0, 0})),
        m_folder.Write("stride-too-small.bmp", PatchedBmp(2, {62 + 8, 0, 0, 0})),
        m_folder.Write("depth-0101.bmp", PatchedBmp(28, {1, 1}))};
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(AddImage(accepted[i]).empty()) << accepted[i];
        EXPECT_EQ(Text(kSlotEdits[i + 1]), CQuilletDlg::DisplayName(accepted[i]));
    }
}

TEST_F(SlotListTest, TheFileDialogStartsInTheProgramFolderEveryTime) {
    const std::string picked = m_folder.Write("elsewhere.bmp", GoodBmp());
    ASSERT_TRUE(AddImage(picked).empty());
    ASSERT_EQ(m_visits.size(), 1u);
    EXPECT_STRCASEEQ(m_visits[0].startFolder.c_str(), ExecutableFolder().c_str());

    AddImage("");
    ASSERT_EQ(m_visits.size(), 1u);
    EXPECT_STRCASEEQ(m_visits[0].startFolder.c_str(), ExecutableFolder().c_str());
}

TEST_F(SlotListTest, CancelChangesNothingNotEvenTypedText) {
    const std::string picked = m_folder.Write("kept.bmp", GoodBmp());
    ASSERT_TRUE(AddImage(picked).empty());
    Type(IDC_EDIT_PRINT_NUMBER, "42");
    Type(IDC_EDIT_STATUS, "typed");

    EXPECT_TRUE(AddImage("").empty());
    EXPECT_EQ(Text(IDC_EDIT_PRINT_NUMBER), "42");
    EXPECT_EQ(Text(IDC_EDIT_STATUS), "typed");
    EXPECT_EQ(Text(IDC_EDIT_SLOT1), CQuilletDlg::DisplayName(picked));
    EXPECT_EQ(m_dlg.m_strPickedPath, picked);
}

TEST_F(SlotListTest, DeleteAllEmptiesEverySlotAndTheNextFileTakesRowOne) {
    const std::string a = m_folder.Write("a.bmp", GoodBmp());
    const std::string b = m_folder.Write("b.bmp", GoodBmp());
    ASSERT_TRUE(AddImage(a).empty());
    ASSERT_TRUE(AddImage(b).empty());
    // Slots beyond the visible ten are cleared too.
    m_dlg.m_bSlotUsed[15] = 1;
    m_dlg.m_strSlotPath[15] = a;
    m_dlg.m_strSlotName[15] = "hidden";

    Type(IDC_EDIT_FEED_MM, "12");
    Click(IDC_BTN_DELETE_ALL);
    for (int i = 0; i < CQuilletDlg::kSlotCount; ++i) {
        EXPECT_EQ(m_dlg.m_bSlotUsed[i], 0) << i;
        EXPECT_EQ(m_dlg.m_strSlotPath[i], "") << i;
        EXPECT_EQ(m_dlg.m_strSlotName[i], "") << i;
    }
    EXPECT_EQ(SlotTexts(), std::vector<std::string>(10, ""));
    EXPECT_EQ(Text(IDC_EDIT_FEED_MM), "7");
    EXPECT_EQ(m_dlg.m_strPickedPath, b);

    ASSERT_TRUE(AddImage(b).empty());
    EXPECT_EQ(Text(IDC_EDIT_SLOT1), CQuilletDlg::DisplayName(b));
    EXPECT_EQ(Text(IDC_EDIT_SLOT2), "");
}
