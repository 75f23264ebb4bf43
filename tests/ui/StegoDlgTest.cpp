// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as a person sees it: pages, enabled state, focus, the ways it closes, and
// its icon when minimised.
#include "platform/gdi/ImageObject.h"
#include "platform/user/ModalLoop.h"
#include "platform/user/QtBridge.h"
#include "res/Resource.h"
#include "tests/support/ModalScript.h"
#include "tests/support/TestStegoDlg.h"

#include <QApplication>
#include <QPainter>
#include <QTabBar>
#include <QTest>
#include <gtest/gtest.h>

namespace
{
CWinApp g_app;

class StegoDlg : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AfxEnableControlContainer();
        ASSERT_TRUE(dlg.Create(IDD_MAIN));
        window = WidgetFromHwnd(dlg.m_hWnd);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }
    void TearDown() override
    {
        for (HBITMAP bitmap : bitmaps)
            DeleteObject(handle_cast<HANDLE>(bitmap));
    }

    bool Visible(int id) { return IsWindowVisible(::GetDlgItem(dlg.m_hWnd, id)); }
    bool Enabled(int id) { return IsWindowEnabled(::GetDlgItem(dlg.m_hWnd, id)); }
    void Click(int id)
    {
        QTest::mouseClick(WidgetFromHwnd(::GetDlgItem(dlg.m_hWnd, id)), Qt::LeftButton);
    }
    void GiveThePictureABitmap()
    {
        QPixmap pixmap(330, 218);
        pixmap.fill(Qt::darkCyan);
        bitmaps.push_back(layer::CreateBitmapHandle(pixmap));
        dlg.m_picture.SetBitmap(bitmaps.back());
    }
    // What the open-image command does once a file has been read.
    void EnableHideAndUnhide()
    {
        dlg.GetDlgItem(IDC_UNHIDE)->EnableWindow(TRUE);
        dlg.GetDlgItem(IDC_HIDE)->EnableWindow(TRUE);
        dlg.GetDlgItem(IDC_PICTURE)->ShowWindow(SW_SHOW);
    }
    void ExpectImagePage(bool picture)
    {
        EXPECT_EQ(Visible(IDC_PICTURE), picture);
        EXPECT_FALSE(Visible(IDC_MESSAGE_EDIT));
        EXPECT_TRUE(Visible(IDC_OPEN_IMAGE));
        EXPECT_TRUE(Visible(IDC_UNHIDE));
        EXPECT_FALSE(Visible(IDC_LOAD_TEXT));
        EXPECT_FALSE(Visible(IDC_HIDE));
    }
    void ExpectTextPage()
    {
        EXPECT_FALSE(Visible(IDC_PICTURE));
        EXPECT_TRUE(Visible(IDC_MESSAGE_EDIT));
        EXPECT_FALSE(Visible(IDC_OPEN_IMAGE));
        EXPECT_FALSE(Visible(IDC_UNHIDE));
        EXPECT_TRUE(Visible(IDC_LOAD_TEXT));
        EXPECT_TRUE(Visible(IDC_HIDE));
    }

    CTestStegoDlg dlg;
    QWidget* window = nullptr;
    std::vector<HBITMAP> bitmaps;
};
} // namespace

TEST_F(StegoDlg, StartsOnTheImagePageWithNothingToHideOrUnhide)
{
    ExpectImagePage(false);
    EXPECT_TRUE(Enabled(IDC_OPEN_IMAGE));
    EXPECT_FALSE(Enabled(IDC_UNHIDE));
    EXPECT_FALSE(Enabled(IDC_HIDE));
    for (int id : {IDCANCEL, IDC_IMAGE_PAGE, IDC_TEXT_PAGE, IDC_ABOUT, IDC_HELP_BUTTON})
        EXPECT_TRUE(Visible(id)) << id;
    EXPECT_FALSE(Visible(IDC_PAGE_TAB));
    ASSERT_NE(CWnd::GetFocus(), nullptr);
    EXPECT_EQ(CWnd::GetFocus()->GetDlgCtrlID(), IDC_IMAGE_PAGE);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Carvalet"));
}

TEST_F(StegoDlg, WindowIconIsTheApplicationIconAndSoIsTheDragIcon)
{
    ASSERT_TRUE(dlg.m_hIcon);
    EXPECT_EQ(dlg.GetIcon(TRUE), dlg.m_hIcon);
    EXPECT_EQ(dlg.GetIcon(FALSE), dlg.m_hIcon);
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_EQ(dlg.SendMessage(WM_QUERYDRAGICON), static_cast<LRESULT>(dlg.m_hIcon.value));
}

TEST_F(StegoDlg, PageSwitchesBeforeAnyImageLeaveThePictureHidden)
{
    Click(IDC_TEXT_PAGE);
    ExpectTextPage();
    EXPECT_FALSE(Enabled(IDC_HIDE)) << "no image yet";
    Click(IDC_IMAGE_PAGE);
    ExpectImagePage(false);
    Click(IDC_IMAGE_PAGE);
    ExpectImagePage(false);
}

TEST_F(StegoDlg, PictureFollowsItsPageOnceAnImageIsOpen)
{
    GiveThePictureABitmap();
    EnableHideAndUnhide();
    Click(IDC_TEXT_PAGE);
    ExpectTextPage();
    Click(IDC_IMAGE_PAGE);
    ExpectImagePage(true);
    EXPECT_EQ(WidgetFromHwnd(dlg.m_picture.m_hWnd)->size(), QSize(330, 218));
}

TEST_F(StegoDlg, HideAndUnhideStayEnabledAcrossPageSwitches)
{
    EnableHideAndUnhide();
    for (int i = 0; i < 2; ++i)
    {
        Click(IDC_TEXT_PAGE);
        EXPECT_TRUE(Enabled(IDC_HIDE));
        Click(IDC_IMAGE_PAGE);
        EXPECT_TRUE(Enabled(IDC_UNHIDE));
    }
}

TEST_F(StegoDlg, TypedTextSurvivesAVisitToTheImagePage)
{
    Click(IDC_TEXT_PAGE);
    QWidget* edit = WidgetFromHwnd(::GetDlgItem(dlg.m_hWnd, IDC_MESSAGE_EDIT));
    edit->setFocus();
    QTest::keyClicks(edit, "meet at noon");
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClicks(edit, "bring it");
    Click(IDC_IMAGE_PAGE);
    Click(IDC_TEXT_PAGE);
    ASSERT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(dlg.m_strMessage, "meet at noon\r\nbring it");
    EXPECT_TRUE(window->isVisible()) << "Enter in the message is a new line, not a command";
}

TEST_F(StegoDlg, TabSelectionSwitchesPagesAndShowsThePictureEvenWithoutABitmap)
{
    dlg.m_tabPages.InsertItem(0, "Image");
    dlg.m_tabPages.InsertItem(1, "Text");
    auto* bar = qobject_cast<QTabBar*>(WidgetFromHwnd(dlg.m_tabPages.m_hWnd));
    ASSERT_NE(bar, nullptr);
    bar->setCurrentIndex(1);
    ExpectTextPage();
    bar->setCurrentIndex(0);
    ExpectImagePage(true);

    NMHDR header{dlg.m_tabPages.m_hWnd, IDC_PAGE_TAB, TCN_SELCHANGE};
    dlg.m_tabPages.SetCurSel(1);
    EXPECT_EQ(dlg.SendMessage(WM_NOTIFY, IDC_PAGE_TAB, reinterpret_cast<LPARAM>(&header)), 0);
    ExpectTextPage();
}

TEST_F(StegoDlg, OkNeverClosesTheWindow)
{
    dlg.SendMessage(WM_COMMAND, IDOK);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(StegoDlg, MinimisedWindowPaintsItsIconCentredWithTheOddPixelOnTheLeft)
{
    QPixmap solid(32, 32);
    solid.fill(Qt::red);
    dlg.m_hIcon = layer::CreateIconHandle(QIcon(solid));
    window->setFixedSize(101, 100);
    window->showMinimized();
    ASSERT_TRUE(dlg.IsIconic());

    QImage image(window->size(), QImage::Format_ARGB32);
    image.fill(Qt::black);
    window->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    QRect icon;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == qRgb(255, 0, 0))
                icon |= QRect(x, y, 1, 1);
    // (101 - 32 + 1) / 2 = 35 on the left leaves 34 on the right; (100 - 32 + 1) / 2 = 34.
    EXPECT_EQ(icon, QRect(35, 34, 32, 32));
    DeleteObject(handle_cast<HANDLE>(dlg.m_hIcon));
}

namespace
{
// Runs a fresh main window modally; `close` is what the person does once it is up.
INT_PTR RunAndClose(const std::function<void(CWnd*, QWidget*)>& close, bool* closedByOk)
{
    CTestStegoDlg modal;
    ModalScript script;
    script.Dialog(
        [&](const ModalContext& ctx)
        {
            CWnd* wnd = CWnd::FromHandle(ctx.hWnd);
            wnd->SendMessage(WM_COMMAND, IDOK);
            *closedByOk = !ctx.widget->isVisible();
            close(wnd, ctx.widget);
        });
    return modal.DoModal();
}
} // namespace

TEST(StegoDlgModal, CloseButtonEscapeAndCloseBoxEachEndTheRunWithCancel)
{
    AfxEnableControlContainer();
    const std::vector<std::pair<const char*, std::function<void(CWnd*, QWidget*)>>> ways = {
        {"close button",
         [](CWnd* wnd, QWidget*) { wnd->GetDlgItem(IDCANCEL)->SendMessage(BM_CLICK); }},
        {"escape", [](CWnd*, QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }},
        {"close box", [](CWnd*, QWidget* w) { w->close(); }},
    };
    for (const auto& [name, close] : ways)
    {
        bool closedByOk = true;
        EXPECT_EQ(RunAndClose(close, &closedByOk), IDCANCEL) << name;
        EXPECT_FALSE(closedByOk) << name;
    }
}
