// SPDX-License-Identifier: GPL-3.0-or-later
// Dialogs built from templates, their keyboard, their modal loop and their controls.
#include "platform/gdi/ImageObject.h"
#include "platform/mfc/Afx.h"
#include "platform/mfc/ControlHost.h"
#include "platform/user/DialogBuilder.h"
#include "platform/user/ModalLoop.h"
#include "platform/user/QtBridge.h"
#include "platform/user/WindowRecord.h"
#include "res/CarvaletResources.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{
constexpr UINT IDD_PROBE = 900;
constexpr int IDC_OTHER = 10;
constexpr int IDC_NOTE = 20;
constexpr int IDC_LINE = 21;
constexpr int IDC_IMAGE = 22;
constexpr int IDC_CHECK = 23;

const DialogItem kProbeItems[] = {
    {IDOK, "Button", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 10, 70, 50, 14,
     "OK"},
    {IDCANCEL, "Button", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 70, 70, 50, 14, "Cancel"},
    {IDC_OTHER, "Button", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 130, 70, 50, 14, "Other"},
    {IDC_NOTE, "Edit", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_WANTRETURN, 0, 10, 10,
     80, 40, ""},
    {IDC_LINE, "Edit", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 100, 10,
     80, 14, ""},
    {IDC_IMAGE, "Static", WS_CHILD | WS_VISIBLE | SS_BITMAP, 0, 100, 30, 10, 10, ""},
    {IDC_CHECK, "Button", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 0, 100, 50, 80, 10, "Check"},
};
const DialogTemplate kProbeTemplates[] = {
    {IDD_PROBE, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 0, 200, 100, "Probe",
     "MS Sans Serif", 8, 400, 0, kProbeItems},
};
const ResourceModule kProbeModule = {kProbeTemplates, {}, {}, nullptr};

std::vector<std::string> g_events;

// The layer's own handling of the main template, without the control plugins.
struct PlaceholderControls
{
    OleControlFactory previous = layer::SetOleControlFactory({});
    ~PlaceholderControls() { layer::SetOleControlFactory(std::move(previous)); }
};

class CProbeDlg : public CDialog
{
public:
    CProbeDlg() : CDialog(IDD_PROBE) {}
    enum class Init
    {
        Normal,
        PostClose,
        EndAtOnce
    } m_init = Init::Normal;
    HELPINFO m_help{};

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        g_events.push_back("init");
        if (m_init == Init::PostClose)
            PostMessage(WM_CLOSE);
        if (m_init == Init::EndAtOnce)
            EndDialog(77);
        return TRUE;
    }
    void OnOK() override { g_events.push_back("ok"); }
    void OnCancel() override
    {
        g_events.push_back("cancel");
        CDialog::OnCancel();
    }
    afx_msg void OnOther() { g_events.push_back("other"); }
    afx_msg void OnCheck() { g_events.push_back("check"); }
    afx_msg BOOL OnHelpInfo(HELPINFO* info)
    {
        m_help = *info;
        g_events.push_back("help");
        return TRUE;
    }
    DECLARE_MESSAGE_MAP()
};

// clang-format off
BEGIN_MESSAGE_MAP(CProbeDlg, CDialog)
ON_BN_CLICKED<&CProbeDlg::OnOther>(IDC_OTHER),
ON_BN_CLICKED<&CProbeDlg::OnCheck>(IDC_CHECK),
ON_WM_HELPINFO<&CProbeDlg::OnHelpInfo>(),
END_MESSAGE_MAP()
    // clang-format on

    class Dialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_events.clear();
        layer::SetResourceModule(&kProbeModule);
    }
    void TearDown() override
    {
        layer::SetModalHook({});
        layer::SetResourceModule(&CarvaletResources());
    }

    // A live, shown, active probe dialog.
    QWidget* Open()
    {
        EXPECT_TRUE(dlg.Create(IDD_PROBE));
        QWidget* window = WidgetFromHwnd(dlg.m_hWnd);
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        return window;
    }
    QWidget* Control(int id) { return WidgetFromHwnd(::GetDlgItem(dlg.m_hWnd, id)); }
    void Key(int id, Qt::Key key)
    {
        Control(id)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), key);
    }

    CProbeDlg dlg;
};
} // namespace

TEST(DialogUnits, MapToPixelsByTheWindowsRule)
{
    // The classic dialog font has base units 6 x 13.
    const SIZE classic{6, 13};
    const RECT client = layer::MapDialogRect(RECT{0, 0, 368, 275}, classic);
    EXPECT_EQ(client.right, 552);
    EXPECT_EQ(client.bottom, 447);
    const RECT close = layer::MapDialogRect(RECT{1, 243, 64, 263}, classic);
    EXPECT_EQ(close.left, 2);
    EXPECT_EQ(close.top, 395);
    EXPECT_EQ(close.right, 96);
    EXPECT_EQ(close.bottom, 427);
}

TEST(DialogUnits, MainTemplateIsLaidOutFromTheDialogFont)
{
    PlaceholderControls placeholders;
    AfxEnableControlContainer();
    CDialog main(102);
    ASSERT_TRUE(main.Create(102));
    const CWindowRecord* record = layer::FindWindow(main.m_hWnd);
    ASSERT_NE(record, nullptr);
    const SIZE base = record->m_baseUnits;
    EXPECT_GE(base.cx, 5);
    EXPECT_LE(base.cx, 9);
    EXPECT_GE(base.cy, 11);
    EXPECT_LE(base.cy, 18);

    CRect client;
    main.GetClientRect(&client);
    const RECT expected = layer::MapDialogRect(RECT{0, 0, 368, 275}, base);
    EXPECT_EQ(client.Width(), expected.right);
    EXPECT_EQ(client.Height(), expected.bottom);

    for (const auto& [id, du] :
         {std::pair{1003, RECT{108, 115, 326, 248}}, std::pair{1024, RECT{4, 4, 16, 14}},
          std::pair{2, RECT{1, 243, 64, 263}}})
    {
        const RECT px = layer::MapDialogRect(du, base);
        const QRect geometry = WidgetFromHwnd(::GetDlgItem(main.m_hWnd, id))->geometry();
        EXPECT_EQ(geometry, QRect(px.left, px.top, px.right - px.left, px.bottom - px.top))
            << "control " << id;
    }
    CString caption;
    main.GetWindowText(caption);
    EXPECT_EQ(caption, "Carvalet");
}

TEST(DialogUnits, OutsideControlsKeepTheirClassAndPersistedStream)
{
    PlaceholderControls placeholders;
    AfxEnableControlContainer();
    CDialog main(102);
    ASSERT_TRUE(main.Create(102));
    const OleControlItem* skin = layer::GetOleControlItem(::GetDlgItem(main.m_hWnd, 1019));
    const OleControlItem* splash = layer::GetOleControlItem(::GetDlgItem(main.m_hWnd, 1020));
    ASSERT_NE(skin, nullptr);
    ASSERT_NE(splash, nullptr);
    EXPECT_EQ(skin->clsid.Data1, 0xBA8C584Bu);
    EXPECT_EQ(splash->clsid.Data1, 0x6241AF3Fu);
    for (const OleControlItem* item : {skin, splash})
    {
        const auto record = layer::FindDialogInitRecord(layer::FindDialogTemplate(102)->initData,
                                                        static_cast<WORD>(item->nID));
        ASSERT_TRUE(record);
        EXPECT_TRUE(std::equal(record->begin(), record->end(), item->persisted.begin(),
                               item->persisted.end()));
    }
    EXPECT_FALSE(IsWindowVisible(::GetDlgItem(main.m_hWnd, 1019)));
}

TEST(DialogInit, TruncatedRecordsEndTheList)
{
    const unsigned char data[] = {0xFB, 0x03, 0x76, 0x03, 0x02, 0x00, 0x00, 0x00, 0xAA, 0xBB,
                                  0xFC, 0x03, 0x76, 0x03, 0xFF, 0xFF, 0xFF, 0x7F, 0x01};
    const auto first = layer::FindDialogInitRecord(data, 1019);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->size(), 2u);
    EXPECT_FALSE(layer::FindDialogInitRecord(data, 1020));
}

TEST_F(Dialog, TabOrderIsTemplateOrder)
{
    QWidget* window = Open();
    std::vector<int> order;
    Control(IDOK)->setFocus();
    for (int i = 0; i < 5; ++i)
    {
        order.push_back(GetDlgCtrlID(HwndFromWidget(QApplication::focusWidget())));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order, (std::vector<int>{IDOK, IDCANCEL, IDC_OTHER, IDC_NOTE, IDC_LINE}));
    EXPECT_EQ(QApplication::focusWidget(), Control(IDOK)) << "Tab wraps round";
    (void)window;
}

TEST_F(Dialog, EnterPressesTheDefaultButtonOrTheFocusedOne)
{
    Open();
    Key(IDC_LINE, Qt::Key_Return);
    Key(IDC_OTHER, Qt::Key_Return);
    EXPECT_EQ(g_events, (std::vector<std::string>{"init", "ok", "other"}));

    ::EnableWindow(::GetDlgItem(dlg.m_hWnd, IDOK), FALSE);
    Key(IDC_LINE, Qt::Key_Return);
    EXPECT_EQ(g_events.size(), 3u) << "a disabled default button ignores Enter";
}

TEST_F(Dialog, CheckBoxTogglesWhenClickedButEnterStillPressesTheDefaultButton)
{
    Open();
    const HWND hCheck = ::GetDlgItem(dlg.m_hWnd, IDC_CHECK);
    const auto state = [&] { return ::SendMessageA(hCheck, BM_GETCHECK, 0, 0); };
    EXPECT_EQ(state(), LRESULT(BST_UNCHECKED));
    ::SendMessageA(hCheck, BM_CLICK, 0, 0);
    EXPECT_EQ(state(), LRESULT(BST_CHECKED));
    Key(IDC_CHECK, Qt::Key_Space);
    EXPECT_EQ(state(), LRESULT(BST_UNCHECKED));
    ::SendMessageA(hCheck, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(state(), LRESULT(BST_CHECKED));
    Key(IDC_CHECK, Qt::Key_Return);
    EXPECT_EQ(state(), LRESULT(BST_CHECKED));
    EXPECT_EQ(g_events, (std::vector<std::string>{"init", "check", "check", "ok"}))
        << "setting the state is no click; Enter on a check box is the default button's";

    // Data exchange both ways, and the button wrapper.
    int value = -1;
    CDataExchange save(&dlg, TRUE);
    DDX_Check(&save, IDC_CHECK, value);
    EXPECT_EQ(value, int(BST_CHECKED));
    value = BST_UNCHECKED;
    CDataExchange load(&dlg, FALSE);
    DDX_Check(&load, IDC_CHECK, value);
    EXPECT_EQ(state(), LRESULT(BST_UNCHECKED));
    CButton check, other;
    DDX_Control(&load, IDC_CHECK, check);
    DDX_Control(&load, IDC_OTHER, other);
    check.SetCheck(BST_CHECKED);
    EXPECT_EQ(check.GetCheck(), int(BST_CHECKED));
    other.SetCheck(BST_CHECKED);
    EXPECT_EQ(other.GetCheck(), int(BST_UNCHECKED)) << "a push button is never checked";
    EXPECT_EQ(g_events.size(), 4u);
}

TEST_F(Dialog, MultiLineEditThatWantsReturnKeepsEnter)
{
    Open();
    Key(IDC_NOTE, Qt::Key_A);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_B);
    EXPECT_EQ(g_events, std::vector<std::string>{"init"});
    CString text;
    dlg.GetDlgItem(IDC_NOTE)->GetWindowText(text);
    EXPECT_EQ(text, "a\r\nb") << "line breaks read back as CR LF";
}

TEST_F(Dialog, EscapeAndTheCloseBoxCancel)
{
    QWidget* window = Open();
    Key(IDC_NOTE, Qt::Key_Escape);
    EXPECT_EQ(g_events, (std::vector<std::string>{"init", "cancel"}));
    EXPECT_FALSE(window->isVisible());

    g_events.clear();
    window->show();
    window->close();
    EXPECT_EQ(g_events, std::vector<std::string>{"cancel"});
}

TEST_F(Dialog, DisabledCancelButtonKeepsTheWindowOpen)
{
    QWidget* window = Open();
    ::EnableWindow(::GetDlgItem(dlg.m_hWnd, IDCANCEL), FALSE);
    window->close();
    Key(IDC_LINE, Qt::Key_Escape);
    EXPECT_EQ(g_events, std::vector<std::string>{"init"});
    EXPECT_TRUE(window->isVisible());
}

TEST_F(Dialog, F1AsksForHelpAboutTheFocusedControl)
{
    Open();
    Key(IDC_LINE, Qt::Key_F1);
    EXPECT_EQ(g_events, (std::vector<std::string>{"init", "help"}));
    EXPECT_EQ(dlg.m_help.iCtrlId, IDC_LINE);
}

TEST_F(Dialog, TextOfAnEditReadsBackByteForByteUntilEdited)
{
    Open();
    CWnd* note = dlg.GetDlgItem(IDC_NOTE);
    note->SetWindowText("line1\r\nline2 caf\xE9");
    auto* edit = qobject_cast<QPlainTextEdit*>(Control(IDC_NOTE));
    EXPECT_EQ(edit->toPlainText(), QStringLiteral(u"line1\nline2 café"));
    CString text;
    note->GetWindowText(text);
    EXPECT_EQ(text, "line1\r\nline2 caf\xE9");

    // Typed text is stored in Windows-1252 when it can be, else in UTF-8.
    edit->setPlainText(QStringLiteral(u"typed café €5 “quoted”"));
    note->GetWindowText(text);
    EXPECT_EQ(text, "typed caf\xE9 \x80"
                    "5 \x93quoted\x94");
    edit->setPlainText(QStringLiteral(u"typed café ♥"));
    note->GetWindowText(text);
    EXPECT_EQ(text, "typed caf\xC3\xA9 \xE2\x99\xA5");
}

TEST_F(Dialog, BitmapStaticTakesTheSizeOfItsBitmap)
{
    Open();
    CStatic image;
    ASSERT_TRUE(image.SubclassDlgItem(IDC_IMAGE, &dlg));
    EXPECT_FALSE(image.GetBitmap());
    QPixmap pixmap(330, 218);
    pixmap.fill(Qt::red);
    const HBITMAP bitmap = layer::CreateBitmapHandle(pixmap);
    EXPECT_FALSE(image.SetBitmap(bitmap));
    EXPECT_EQ(image.GetBitmap(), bitmap);
    EXPECT_EQ(Control(IDC_IMAGE)->size(), QSize(330, 218));
    EXPECT_EQ(image.SetBitmap(HBITMAP()), bitmap);
    DeleteObject(handle_cast<HANDLE>(bitmap));
}

TEST_F(Dialog, PostedCloseTakesEffectOnlyOnceTheLoopRuns)
{
    dlg.m_init = CProbeDlg::Init::PostClose;
    layer::SetModalHook([](const ModalContext& ctx)
                        { g_events.push_back(ctx.widget->isVisible() ? "shown" : "hidden"); });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(g_events, (std::vector<std::string>{"init", "shown", "cancel"}));
    EXPECT_FALSE(dlg.m_hWnd) << "the window is gone when DoModal returns";
}

TEST_F(Dialog, EndDialogDuringInitialisationNeverShowsTheWindow)
{
    dlg.m_init = CProbeDlg::Init::EndAtOnce;
    layer::SetModalHook([](const ModalContext&) { g_events.push_back("shown"); });
    EXPECT_EQ(dlg.DoModal(), 77);
    EXPECT_EQ(g_events, std::vector<std::string>{"init"});
}

TEST_F(Dialog, MissingTemplateCannotRun)
{
    CDialog missing(4242);
    EXPECT_EQ(missing.DoModal(), -1);
}

TEST_F(Dialog, MessageToAWindowDestroyedBeforeDeliveryIsDropped)
{
    Open();
    const HWND hWnd = dlg.m_hWnd;
    EXPECT_TRUE(::PostMessageA(hWnd, WM_CLOSE, 0, 0));
    dlg.DestroyWindow();
    QCoreApplication::processEvents();
    EXPECT_EQ(g_events, std::vector<std::string>{"init"});
}

TEST_F(Dialog, ModalWindowsAreTransientForTheirOwnerWithADialogsTitleBar)
{
    QWidget* owner = Open();
    std::vector<ModalKind> seen;
    layer::SetModalHook(
        [&](const ModalContext& ctx)
        {
            seen.push_back(ctx.kind);
            const QWindow* window = ctx.widget->windowHandle();
            ASSERT_NE(window, nullptr);
            EXPECT_EQ(window->transientParent(), owner->windowHandle());
            const Qt::WindowFlags flags = ctx.widget->windowFlags();
            EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
            EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
            EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
            if (auto* box = qobject_cast<QMessageBox*>(ctx.widget))
                box->buttons().front()->click();
            else
                ctx.widget->close();
        });
    MessageBoxA(dlg.m_hWnd, "Owned", "Probe", MB_OK);
    CDialog inner(IDD_PROBE, &dlg);
    inner.DoModal();
    EXPECT_EQ(seen, (std::vector<ModalKind>{ModalKind::MessageBox, ModalKind::Dialog}));
}

TEST(MessageBox, ModalOkBoxWithoutIconCaptionedWithTheProgramName)
{
    layer::SetModuleFileNameForTesting("C:\\Tools\\Renamed copy.exe");
    ModalContext seen{};
    int buttons = 0;
    QMessageBox::Icon icon = QMessageBox::Information;
    layer::SetModalHook(
        [&](const ModalContext& ctx)
        {
            seen = ctx;
            auto* box = qobject_cast<QMessageBox*>(ctx.widget);
            ASSERT_NE(box, nullptr);
            EXPECT_TRUE(box->isVisible());
            EXPECT_TRUE(box->isModal());
            buttons = static_cast<int>(box->buttons().size());
            icon = box->icon();
            box->buttons().front()->click();
        });
    EXPECT_EQ(AfxMessageBox("There is no text to curtain"), IDOK);
    layer::SetModalHook({});
    layer::SetModuleFileNameForTesting(nullptr);
    EXPECT_EQ(seen.kind, ModalKind::MessageBox);
    EXPECT_EQ(seen.text, "There is no text to curtain");
    EXPECT_EQ(seen.caption, "Renamed copy");
    EXPECT_EQ(buttons, 1);
    EXPECT_EQ(icon, QMessageBox::NoIcon);
}

TEST(Templates, AboutAndPasswordDialogsAreCompleteAndUseTheIcon)
{
    CDialog about(100);
    ASSERT_TRUE(about.Create(100));
    CString caption;
    about.GetWindowText(caption);
    EXPECT_EQ(caption, "About Carvalet");
    EXPECT_FALSE(about.IsWindowVisible()) << "shown only by its modal loop";
    const QWidget* aboutWindow = WidgetFromHwnd(about.m_hWnd);
    int icons = 0;
    for (const QLabel* label : aboutWindow->findChildren<QLabel*>())
        if (!label->pixmap().isNull())
        {
            ++icons;
            EXPECT_EQ(label->size(), QSize(32, 32));
        }
    EXPECT_EQ(icons, 1);

    CDialog password(129);
    ASSERT_TRUE(password.Create(129));
    password.GetWindowText(caption);
    EXPECT_EQ(caption, "Password");
    CString text;
    password.GetDlgItem(1025)->GetWindowText(text);
    EXPECT_EQ(text, "Cancel");
    auto* edit = qobject_cast<QLineEdit*>(WidgetFromHwnd(::GetDlgItem(password.m_hWnd, 1014)));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
}
