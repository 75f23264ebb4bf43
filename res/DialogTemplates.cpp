// SPDX-License-Identifier: GPL-3.0-or-later
#include "res/DialogTemplates.h"

#include "common/Version.h"

#include "res/DialogInit102.h"
#include "res/Resource.h"

namespace
{
// {BA8C584B-209C-4D54-8BB1-8AB5F1DCA18E}
constexpr CLSID kSkinControl = {
    0xBA8C584B, 0x209C, 0x4D54, {0x8B, 0xB1, 0x8A, 0xB5, 0xF1, 0xDC, 0xA1, 0x8E}};
// {6241AF3F-2B41-41AD-A268-68CD710D34C2}
constexpr CLSID kSplashControl = {
    0x6241AF3F, 0x2B41, 0x41AD, {0xA2, 0x68, 0x68, 0xCD, 0x71, 0x0D, 0x34, 0xC2}};

constexpr DWORD kChildVisible = WS_CHILD | WS_VISIBLE;
constexpr DWORD kButton = WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON;

// Template 100, the about box.
const DialogItem kAboutItems[] = {
    {IDC_STATIC, "Static", kChildVisible | SS_ICON, 0, 11, 17, 20, 20, "#128"},
    {IDC_STATIC, "Static", kChildVisible | SS_LEFT | SS_NOPREFIX | WS_GROUP, 0, 40, 10, 119, 8,
     "Carvalet Version " CARVALET_VERSION},
    {IDC_STATIC, "Static", kChildVisible | SS_LEFT | WS_GROUP, 0, 41, 25, 170, 8,
     "Copyright (C) 2011 Brindlemoor"},
    {IDOK, "Button", kChildVisible | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 0, 209, 110, 50, 14,
     "OK"},
    {IDC_STATIC, "Static", kChildVisible | SS_LEFT | WS_GROUP, 0, 28, 43, 234, 52,
     "Brindlemoor\n"
     "www.brindlemoor.example\n"
     "Carvalet hides a short text message behind a password in a BMP file:\n"
     "\tthe picture looks the same, the message rides in its lowest bits;\n"
     "\topen the file again and give the password to read the message."},
    {IDC_STATIC, "Static", kChildVisible | SS_LEFT | WS_GROUP, 0, 34, 98, 172, 8,
     "Support : support@brindlemoor.example"},
};

// Template 102, the main window. Buttons carry no captions: the skin draws them. The rows run
// in the Tab order, which follows the layout: the left column from the top, the page buttons and
// the page, then the bottom row. The corner logo is decoration and takes no focus.
const DialogItem kMainItems[] = {
    {IDC_HELP_BUTTON, "Button", kButton | WS_VISIBLE, 0, 4, 4, 12, 10, ""},
    {IDC_OPEN_IMAGE, "Button", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 1, 77, 65,
     22, ""},
    {IDC_LOAD_TEXT, "Button", kButton, 0, 1, 77, 65, 22, ""},
    {IDC_UNHIDE, "Button", kButton | WS_VISIBLE, 0, 1, 106, 65, 20, ""},
    {IDC_HIDE, "Button", kButton, 0, 1, 106, 65, 20, ""},
    {IDC_ABOUT, "Button", kButton | WS_VISIBLE, 0, 1, 144, 65, 22, ""},
    {IDC_IMAGE_PAGE, "Button", kButton | WS_VISIBLE, 0, 276, 64, 21, 44, ""},
    {IDC_TEXT_PAGE, "Button", kButton | WS_VISIBLE, 0, 303, 64, 21, 44, ""},
    {IDC_PICTURE, "Static", WS_CHILD | SS_BITMAP, 0, 107, 115, 15, 13, ""},
    {IDC_MESSAGE_EDIT, "Edit",
     WS_CHILD | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_BORDER | WS_GROUP |
         WS_TABSTOP,
     WS_EX_CLIENTEDGE | WS_EX_ACCEPTFILES, 108, 115, 218, 133, ""},
    {IDC_PAGE_TAB, "SysTabControl32", WS_CHILD | TCS_SCROLLOPPOSITE | WS_TABSTOP, 0, 347, 256, 16,
     13, "Tab1"},
    {IDC_SKIN, nullptr, WS_CHILD, 0, 303, 249, 21, 20, nullptr, &kSkinControl},
    {IDC_SPLASH, nullptr, WS_CHILD | WS_VISIBLE, 0, 342, 249, 21, 20, nullptr, &kSplashControl},
    {IDCANCEL, "Button", kButton | WS_VISIBLE, 0, 1, 243, 63, 20, ""},
};

// Template 129, the password dialog. The choice of how the message is hidden, below the
// buttons, shows in set mode only: a group label, then three radio buttons, each with its hint
// line (without WS_GROUP, so the three stay one group). Verify mode cuts the dialog back to
// 145 x 65, the part it uses.
constexpr DWORD kPasswordEdit =
    kChildVisible | ES_LEFT | ES_PASSWORD | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
constexpr DWORD kChoice = kChildVisible | BS_AUTORADIOBUTTON;
constexpr DWORD kHint = kChildVisible | SS_LEFT | SS_NOPREFIX;
const DialogItem kPasswordItems[] = {
    {IDOK, "Button", kChildVisible | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 7, 44, 50, 14, "OK"},
    {IDC_PASSWORD_LABEL, "Static", kChildVisible | SS_LEFT | WS_GROUP, 0, 7, 8, 36, 8,
     "Password :"},
    {IDC_CONFIRM_LABEL, "Static", kChildVisible | SS_LEFT | WS_GROUP, 0, 7, 27, 40, 8,
     "Confirm Pw :"},
    {IDC_PASSWORD, "Edit", kPasswordEdit, 0, 52, 6, 85, 14, ""},
    {IDC_CONFIRM, "Edit", kPasswordEdit, 0, 52, 26, 85, 14, ""},
    {IDC_KIND_LABEL, "Static", kChildVisible | SS_LEFT | SS_NOPREFIX | WS_GROUP, 0, 7, 66, 200, 8,
     "How the message is hidden :"},
    {IDC_PLAIN, "Button", kChoice | WS_GROUP | WS_TABSTOP, 0, 7, 78, 200, 10,
     "&Plain: readable by any copy of Carvalet"},
    {IDC_PLAIN_HINT, "Static", kHint, 0, 19, 89, 188, 8,
     "The password only gates it. 8 to 16 characters."},
    {IDC_SEAL, "Button", kChoice, 0, 7, 101, 200, 10, "&Sealed with the password"},
    {IDC_SEAL_HINT, "Static", kHint, 0, 19, 112, 188, 8,
     "Older copies show unreadable text. 8 to 64 characters."},
    {IDC_STEALTH, "Button", kChoice, 0, 7, 124, 200, 10,
     "S&tealth: no trace of the message in the picture"},
    {IDC_STEALTH_HINT, "Static", kHint, 0, 19, 135, 188, 8,
     "Slower; newer copies only. 8 to 64 characters."},
    {IDC_CANCEL_BUTTON, "Button", kChildVisible | WS_TABSTOP | BS_PUSHBUTTON, 0, 88, 44, 50, 14,
     "Cancel"},
};

constexpr DWORD kModalFrame = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;

const DialogTemplate kTemplates[] = {
    {IDD_ABOUTBOX, kModalFrame, 0, 0, 0, 269, 131, "About Carvalet", "MS Sans Serif", 8, 400,
     DEFAULT_CHARSET, kAboutItems},
    {IDD_MAIN, kModalFrame | WS_VISIBLE | WS_MINIMIZEBOX, WS_EX_APPWINDOW, 0, 0, 368, 275,
     "Carvalet", "MS Sans Serif", 8, 400, DEFAULT_CHARSET, kMainItems,
     std::span<const unsigned char>(kDialogInit102, kDialogInit102Size)},
    {IDD_PASSWORD, kModalFrame, 0, 0, 0, 214, 150, "Password", "MS Sans Serif", 8, 400,
     DEFAULT_CHARSET, kPasswordItems},
};
} // namespace

std::span<const DialogTemplate> CarvaletDialogTemplates()
{
    return kTemplates;
}
