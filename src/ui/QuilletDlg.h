// The main dialog: state record, data exchange, command table and its handlers.
#pragma once

#include "framework/Framework.h"
#include "printer/nv_image_encoder.h"
#include "res/resource.h"

#include <array>
#include <cstdint>
#include <string>

class CQuilletDlg : public CDialogEx {
public:
    static constexpr int kSlotCount = 20;    // slots kept and scanned
    static constexpr int kVisibleSlots = 10; // slots shown and fillable (rows 1 to 10)

    explicit CQuilletDlg(CWnd* pParent = nullptr);
    ~CQuilletDlg() override;

    // --- State record, in declared order ---
    BYTE m_bPortOpen = 0;        // 1 while the link is open from here
    HICON m_hIcon;               // icon 128
    std::string m_strPickedName; // last file picked by Add Image
    std::string m_strPickedPath;
    std::array<std::string, kSlotCount> m_strSlotName{}; // slot i = element i of these three
    std::array<std::string, kSlotCount> m_strSlotPath{};
    std::array<BYTE, kSlotCount> m_bSlotUsed{};
    std::array<std::string, kVisibleSlots> m_strSlotEdit{}; // texts of the ten slot edits
    CStatic m_staticPreview;                                // IDC_PREVIEW
    quillet::NvWorkArea m_byNvColumns{};                    // NV encoder work area, 8 x 1000 bytes
    CFile m_fileNvSave;                                     // "NvSave.BIN"
    CComboBox m_comboPort;                                  // IDC_COMBO_PORT
    CComboBox m_comboBps;                                   // IDC_COMBO_BPS
    CComboBox m_comboFlow;                                  // IDC_COMBO_FLOW
    BYTE m_nPrintNumber = 1;                                // IDC_EDIT_PRINT_NUMBER
    CProgressCtrl m_progress;                               // IDC_PROGRESS
    std::string m_strFeedMm = "7";                          // IDC_EDIT_FEED_MM
    std::string m_strStatus;                                // IDC_EDIT_STATUS
    int32_t m_nCommandCount = 1;                            // number of the next status line
    int32_t m_nCommandDelayMs = 600;                        // pause after a configuration command

    // --- Main dialog (QuilletDlg.cpp) ---
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnExit();

    // --- Connection panel (ConnectionPanel.cpp) ---
    void FillPortList();
    void OnDropdownPort();
    void OnPortOpen();
    void OnPortClose();

    // --- Slot list (SlotList.cpp) ---
    void OnAddImage();
    void OnDeleteAll();
    void RefreshSlotEdits();
    // Paths longer than 30 characters show as "....." and their last 30; a cut that would split
    // a double-byte character of `codePage` moves one byte on.
    static std::string DisplayName(const std::string& path, UINT codePage = CP_ACP);

    // --- Preview (Preview.cpp) ---
    void OnView1();
    void OnView2();
    void OnView3();
    void OnView4();
    void OnView5();
    void OnView6();
    void OnView7();
    void OnView8();
    void OnView9();
    void OnView10();
    void DrawPreview(std::string path);
    // Destination size of a picture iw x ih in a frame W x H; nothing is drawn unless both > 0.
    static SIZE PreviewExtent(int frameWidth, int frameHeight, int imageWidth, int imageHeight);
    void ViewSlot(int slot);
    // Measures the frame and clears it to a white box with a black outline; returns its DC
    // (nullptr when there is none) for ReleaseDC on m_staticPreview.
    HDC ClearPreview(int& frameWidth, int& frameHeight);

    // --- Printer commands (NvSave, RasterPrint, StoredImagePrint, SettingCommands .cpp) ---
    void OnNvSave();
    void OnRasterPrintAll();
    void OnNvPrintAll();
    void OnNvPrintSelect();
    void OnBps9600();
    void OnBps19200();
    void OnBps115200();
    void OnColumns42();
    void OnColumns48();
    void OnBuzzerUse();
    void OnBuzzerNotUse();
    void OnNearUse();
    void OnNearNotUse();
    void OnCutCommand();
    void OnCutFull();
    void OnCutPartial();
    void OnJamUse();
    void OnJamNotUse();
    void OnFeedSet();

protected:
    std::span<const MessageEntry> GetMessageMap() const override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

private:
    void FillSpeedAndFlowLists();
};
