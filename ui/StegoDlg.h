// SPDX-License-Identifier: GPL-3.0-or-later
// CStegoDlg: the main window. Two pages share one area: the image page (picture, open image,
// unhide) and the text page (message, load text, hide); two page buttons switch between them.
#pragma once

#include "hiding/MessageKind.h"
#include "hiding/Reveal.h"
#include "platform/mfc/Afx.h"
#include "skin/Splash.h"

#include <cstdint>
#include <memory>
#include <optional>

struct ISkinControl;
class CPasswordDlg;
namespace hiding
{
class CarrierPlan;
}

class CStegoDlg : public CDialog
{
public:
    explicit CStegoDlg(CWnd* pParent = nullptr);
    ~CStegoDlg() override;

    // A file to open once the window is ready, as if chosen with Open image.
    void OpenImageOnStart(const CString& strPath);

    // What tells the opened picture on disk apart from a changed one: a save never writes
    // bytes read before another program changed the file.
    struct DiskStamp
    {
        std::int64_t device = 0, inode = 0, size = 0, seconds = 0, nanoseconds = 0;
        bool operator==(const DiskStamp&) const = default;
    };

protected:
    std::int32_t m_nCarrierSize;
    std::unique_ptr<BYTE[]> m_pCarrier;
    CString m_strCarrierPath;
    CString m_strImagePath;
    // The carrier was converted to a classic bitmap since it was read, so it is saved as one.
    bool m_bCarrierConverted;
    CString m_strStartImage;
    ISkinControl* m_pSkin;
    CTabCtrl m_tabPages;
    CStatic m_picture;
    CString m_strMessage;
    CSplash m_splash;
    HICON m_hIcon;
    // The message as last hidden in a saved picture or revealed: closing loses nothing while
    // the message edit holds it.
    CString m_strKeptMessage;
    std::optional<DiskStamp> m_pictureStamp;
    // How Unhide turns a password into a stealth message's keys; tests pass a cheap stand-in.
    StealthKdf m_stealthKdf = Argon2idKdf();
    // LongestRecord's answer for the carrier as it is; unknown again once the carrier changes.
    std::optional<std::int64_t> m_nLongestRecord;
    // The same for a stealth message: from the picture's headers, so that typing never waits
    // for a large picture to be read whole; exact once Hide has judged the picture.
    std::optional<std::int64_t> m_nLongestStealth;

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnSelchangePageTab(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnLoadText();
    afx_msg void OnHide();
    afx_msg void OnUnhide();
    afx_msg void OnOpenImage();
    afx_msg void OnImagePage();
    afx_msg void OnTextPage();
    afx_msg void OnAbout();
    afx_msg BOOL OnHelpInfo(HELPINFO* pHelpInfo);
    afx_msg void OnHelpButton();
    afx_msg void OnChangeMessage();
    afx_msg void OnDropFiles(HDROP hDropInfo);
    afx_msg LRESULT OnOpenStartImage(WPARAM, LPARAM);

    DECLARE_MESSAGE_MAP()

private:
    // The skin step of OnInitDialog: FALSE when the skin cannot be loaded or applied.
    BOOL ApplySkin(const CString& strSkinFile);
    // Open image once its path is known: preview, carrier, and the commands that need one.
    void OpenImage(const CString& strPath);
    // Load text once its path is known.
    void LoadText(const CString& strPath);
    void ShowTextPage();
    // After a successful Reveal: the text page, its message focused with the caret at its start.
    void ShowRevealedMessage();
    void ShowImagePage(bool bPictureAlways);
    BOOL TextPageShown() const;
    // The capacity line of the text page: how much of the open picture the message takes.
    void ShowCapacity();
    // The longest record Hide can place in the carrier, converting the picture when it needs
    // that; -1 when the carrier is not a picture. Worked out once per carrier.
    std::int64_t LongestRecord();
    // The longest stealth message the carrier's layout has room for at the usual payload.
    std::int64_t LongestStealth();
    // The carrier changed: its room is worked out again when next asked for.
    void ForgetCarrierRoom();
    // The folder of the last file opened or saved, kept between runs for the file dialogs.
    CString LastFolder() const;
    void RememberFolder(const CString& strPath);
    // Hiding's check of the carrier for the message as this kind: FALSE when the hide must
    // stop here (refused, or the user declined the conversion); *pbConvert tells whether the
    // carrier is to be converted.
    BOOL CheckCarrier(hiding::MessageKind kind, bool* pbConvert);
    // The two ways of hiding once the password dialog has chosen: FALSE when the hide stopped,
    // its reason told. The carrier then holds the picture to save.
    BOOL HideInRecords(hiding::MessageKind kind, CPasswordDlg& dlgPassword);
    BOOL HideStealth(const hiding::CarrierPlan& plan, CPasswordDlg& dlgPassword);
    BOOL ConvertCarrier();
    // FALSE when the hide must stop: the picture changed on disk since it was read and the
    // user did not open it again.
    BOOL PictureUnchanged();
    // Writes the carrier to strPath; every failure is told through ShowSaveFailure.
    BOOL SaveCarrier(const CString& strPath);
    // The longest text Load text may take: what the open picture can hold, or with none what
    // the largest carrier can.
    std::int64_t LongestTextToLoad();
};
