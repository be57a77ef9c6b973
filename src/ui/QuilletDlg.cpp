#include "ui/QuilletDlg.h"

#include "app/AboutDlg.h"

namespace {

// Initial entries of the two fixed lists, in their order.
constexpr const char* kSpeedEntries[] = {"115200", "57600", "38400", "19200", "9600"};
constexpr const char* kFlowEntries[] = {"None", "Xon/Xoff", "DTR/DSR", "RTS/CTS",
                                        "DTR/DSR+RTS/CTS"};

} // namespace

CQuilletDlg::CQuilletDlg(CWnd* pParent)
    : CDialogEx(IDD_QUILLET_DIALOG, pParent),
      m_hIcon(::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME))) {}

CQuilletDlg::~CQuilletDlg() = default;

std::span<const MessageEntry> CQuilletDlg::GetMessageMap() const {
    using D = CQuilletDlg;
    static const MessageEntry kMessageMap[] = {
        WmSysCommand(&D::OnSysCommand),
        WmPaint(&D::OnPaint),
        WmQueryDragIcon(&D::OnQueryDragIcon),
        BnClicked(IDC_BTN_PORT_OPEN, &D::OnPortOpen),
        CbnDropdown(IDC_COMBO_PORT, &D::OnDropdownPort),
        BnClicked(IDC_BTN_PORT_CLOSE, &D::OnPortClose),
        BnClicked(IDOK, &D::OnExit),
        BnClicked(IDC_BTN_ADD_IMAGE, &D::OnAddImage),
        BnClicked(IDC_BTN_DELETE_ALL, &D::OnDeleteAll),
        BnClicked(IDC_BTN_VIEW1, &D::OnView1),
        BnClicked(IDC_BTN_VIEW2, &D::OnView2),
        BnClicked(IDC_BTN_VIEW3, &D::OnView3),
        BnClicked(IDC_BTN_VIEW4, &D::OnView4),
        BnClicked(IDC_BTN_VIEW5, &D::OnView5),
        BnClicked(IDC_BTN_VIEW6, &D::OnView6),
        BnClicked(IDC_BTN_VIEW7, &D::OnView7),
        BnClicked(IDC_BTN_VIEW8, &D::OnView8),
        BnClicked(IDC_BTN_VIEW9, &D::OnView9),
        BnClicked(IDC_BTN_VIEW10, &D::OnView10),
        BnClicked(IDC_BTN_NV_SAVE, &D::OnNvSave),
        BnClicked(IDC_BTN_RASTER_PRINT_ALL, &D::OnRasterPrintAll),
        BnClicked(IDC_BTN_NV_PRINT_ALL, &D::OnNvPrintAll),
        BnClicked(IDC_BTN_NV_PRINT_SELECT, &D::OnNvPrintSelect),
        BnClicked(IDC_BTN_BPS_9600, &D::OnBps9600),
        BnClicked(IDC_BTN_BPS_19200, &D::OnBps19200),
        BnClicked(IDC_BTN_BPS_115200, &D::OnBps115200),
        BnClicked(IDC_BTN_COLUMNS_42, &D::OnColumns42),
        BnClicked(IDC_BTN_COLUMNS_48, &D::OnColumns48),
        BnClicked(IDC_BTN_BUZZER_USE, &D::OnBuzzerUse),
        BnClicked(IDC_BTN_BUZZER_NOT_USE, &D::OnBuzzerNotUse),
        BnClicked(IDC_BTN_NEAR_USE, &D::OnNearUse),
        BnClicked(IDC_BTN_NEAR_NOT_USE, &D::OnNearNotUse),
        BnClicked(IDC_BTN_CUT_COMMAND, &D::OnCutCommand),
        BnClicked(IDC_BTN_CUT_FULL, &D::OnCutFull),
        BnClicked(IDC_BTN_CUT_PARTIAL, &D::OnCutPartial),
        BnClicked(IDC_BTN_JAM_USE, &D::OnJamUse),
        BnClicked(IDC_BTN_JAM_NOT_USE, &D::OnJamNotUse),
        BnClicked(IDC_BTN_FEED_SET, &D::OnFeedSet),
    };
    return kMessageMap;
}

void CQuilletDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_COMBO_PORT, m_comboPort);
    DDX_Control(pDX, IDC_COMBO_BPS, m_comboBps);
    DDX_Control(pDX, IDC_COMBO_FLOW, m_comboFlow);
    DDX_Text(pDX, IDC_EDIT_SLOT1, m_strSlotEdit[0]);
    DDX_Text(pDX, IDC_EDIT_SLOT2, m_strSlotEdit[1]);
    DDX_Text(pDX, IDC_EDIT_SLOT3, m_strSlotEdit[2]);
    DDX_Text(pDX, IDC_EDIT_SLOT4, m_strSlotEdit[3]);
    DDX_Text(pDX, IDC_EDIT_SLOT5, m_strSlotEdit[4]);
    DDX_Text(pDX, IDC_EDIT_SLOT6, m_strSlotEdit[5]);
    DDX_Text(pDX, IDC_EDIT_SLOT7, m_strSlotEdit[6]);
    DDX_Text(pDX, IDC_EDIT_SLOT8, m_strSlotEdit[7]);
    DDX_Text(pDX, IDC_EDIT_SLOT9, m_strSlotEdit[8]);
    DDX_Text(pDX, IDC_EDIT_SLOT10, m_strSlotEdit[9]);
    DDX_Control(pDX, IDC_PREVIEW, m_staticPreview);
    DDX_Text(pDX, IDC_EDIT_PRINT_NUMBER, m_nPrintNumber);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
    DDX_Text(pDX, IDC_EDIT_FEED_MM, m_strFeedMm);
    DDX_Text(pDX, IDC_EDIT_STATUS, m_strStatus);
}

void CQuilletDlg::FillSpeedAndFlowLists() {
    for (const char* entry : kSpeedEntries)
        ::SendDlgItemMessageA(m_hWnd, IDC_COMBO_BPS, CB_ADDSTRING, 0,
                              reinterpret_cast<LPARAM>(entry));
    for (const char* entry : kFlowEntries)
        ::SendDlgItemMessageA(m_hWnd, IDC_COMBO_FLOW, CB_ADDSTRING, 0,
                              reinterpret_cast<LPARAM>(entry));
}

BOOL CQuilletDlg::OnInitDialog() {
    // 1. Base initialisation: the lists' initial entries, then state record to controls.
    FillSpeedAndFlowLists();
    CDialogEx::OnInitDialog();

    // 2. About item at the end of the system menu.
    if (const HMENU sysMenu = ::GetSystemMenu(m_hWnd, FALSE); sysMenu != nullptr) {
        const std::string aboutText = AfxLoadString(IDS_ABOUTBOX);
        if (!aboutText.empty()) {
            ::AppendMenuA(sysMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuA(sysMenu, MF_STRING, IDM_ABOUTBOX, aboutText.c_str());
        }
    }

    // 3. Window icons.
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    // 4-7. Link closed, port list with its last entry, first speed and flow entries.
    m_bPortOpen = 0;
    FillPortList();
    m_comboPort.SetCurSel(m_comboPort.GetCount() - 1);
    m_comboBps.SetCurSel(0);
    m_comboFlow.SetCurSel(0);

    // 8. Port buttons closed.
    EnableItem(IDC_BTN_PORT_OPEN, TRUE);
    EnableItem(IDC_BTN_PORT_CLOSE, FALSE);

    // 9. All twenty slots free.
    for (int i = 0; i < kSlotCount; ++i) {
        m_strSlotName[i].clear();
        m_strSlotPath[i].clear();
        m_bSlotUsed[i] = 0;
    }

    // 10. One progress step per possible slot.
    m_progress.SetRange(0, kSlotCount);

    // 11. The platform focuses the first tab stop, "Exit".
    return TRUE;
}

void CQuilletDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        CDialogEx::OnSysCommand(nID, lParam);
    }
}

void CQuilletDlg::OnPaint() {
    if (!::IsIconic(m_hWnd)) {
        CDialogEx::OnPaint();
        return;
    }
    PAINTSTRUCT paint;
    const HDC dc = ::BeginPaint(m_hWnd, &paint);
    ::SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int cxIcon = ::GetSystemMetrics(SM_CXICON);
    const int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT rect;
    ::GetClientRect(m_hWnd, &rect);
    const int x = (rect.right - rect.left - cxIcon + 1) / 2;
    const int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon);
    ::EndPaint(m_hWnd, &paint);
}

HCURSOR CQuilletDlg::OnQueryDragIcon() {
    return m_hIcon;
}

void CQuilletDlg::OnExit() {
    OnPortClose();
    CDialogEx::OnOK();
}
