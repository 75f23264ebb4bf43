// SPDX-License-Identifier: GPL-3.0-or-later
// The about box and help as a person reaches them: the system menu (by Alt+Space, by a right
// click on the caption strip, by command), the about button, the help button and F1.
#include "platform/kernel/Text.h"
#include "platform/shell/Shell.h"
#include "platform/user/ModalLoop.h"
#include "platform/user/QtBridge.h"
#include "platform/user/WindowRecord.h"
#include "res/CarvaletResources.h"
#include "res/Resource.h"
#include "ui/AboutDlg.h"
#include "ui/StegoDlg.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <tuple>
#include <vector>

namespace
{
CWinApp g_app;

constexpr int kControls[] = {IDCANCEL,       IDC_PICTURE,    IDC_MESSAGE_EDIT, IDC_PAGE_TAB,
                             IDC_OPEN_IMAGE, IDC_LOAD_TEXT,  IDC_HIDE,         IDC_UNHIDE,
                             IDC_SPLASH,     IDC_IMAGE_PAGE, IDC_TEXT_PAGE,    IDC_ABOUT,
                             IDC_HELP_BUTTON};

std::vector<std::string> MenuItems(CMenu* menu)
{
    std::vector<std::string> items;
    for (UINT i = 0; i < menu->GetMenuItemCount(); ++i)
    {
        CString text;
        menu->GetMenuString(i, text, MF_BYPOSITION);
        items.push_back(std::to_string(menu->GetMenuItemID(static_cast<int>(i))) + " " +
                        text.str());
    }
    return items;
}

// Acts on the system menu once it has opened: picks the item with the given command ID, or
// closes the menu for 0. Shared state, because the timer may outlive a failing test's frame.
std::shared_ptr<bool> ChooseOnceOpen(UINT id)
{
    auto opened = std::make_shared<bool>(false);
    QTimer::singleShot(0,
                       [opened, id]
                       {
                           auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                           if (!menu || menu->objectName() != QStringLiteral("systemMenu"))
                               return;
                           *opened = true;
                           for (QAction* action : menu->actions())
                               if (id != 0 && action->data().toUInt() == id)
                               {
                                   action->trigger();
                                   return;
                               }
                           menu->close();
                       });
    return opened;
}

class AboutAndHelp : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AfxEnableControlContainer();
        layer::SetModalHook([this](const ModalContext& ctx) { OnModal(ctx); });
        layer::SetShellLauncher(
            [this](const ShellCommand& command)
            {
                launched.push_back(command);
                return true;
            });
        layer::SetShellHandlerQuery([](const std::string&) { return true; });
        ASSERT_TRUE(dlg.Create(IDD_MAIN));
        ASSERT_TRUE(messages.empty()) << "the window started with: " << messages.front();
        AfxGetApp()->m_pMainWnd = &dlg;
        window = WidgetFromHwnd(dlg.m_hWnd);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));

        // The program pretends to run from a folder of ours, with a help file in its res.
        ASSERT_TRUE(folder.isValid());
        ASSERT_TRUE(QDir(folder.path()).mkdir("res"));
        helpFile = folder.filePath("res/Help.chm");
        QFile file(helpFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("ITSF");
        file.close();
        layer::SetModuleFileNameForTesting(
            layer::WindowsPath(folder.filePath("Carvalet").toStdString()).c_str());
    }
    void TearDown() override
    {
        layer::SetModuleFileNameForTesting(nullptr);
        layer::SetShellLauncher({});
        layer::SetShellHandlerQuery({});
        layer::SetModalHook({});
        AfxGetApp()->m_pMainWnd = nullptr;
    }

    void OnModal(const ModalContext& ctx)
    {
        if (ctx.kind == ModalKind::MessageBox)
        {
            messages.push_back(ctx.text);
            ctx.widget->findChild<QPushButton*>()->click();
            return;
        }
        CWnd* box = CWnd::FromHandle(ctx.hWnd);
        CString caption;
        box->GetWindowText(caption);
        aboutTitles.push_back(caption.str());
        if (whileAboutIsOpen)
            whileAboutIsOpen(ctx.widget);
        QTest::keyClick(ctx.widget, Qt::Key_Escape);
    }

    std::vector<std::string> LaunchedFiles() const
    {
        std::vector<std::string> files;
        for (const ShellCommand& command : launched)
            files.push_back(command.arguments.empty() ? "" : command.arguments.back());
        return files;
    }

    using State = std::tuple<std::vector<std::tuple<int, bool, bool>>, int, std::string, bool>;
    State Snapshot() const
    {
        std::vector<std::tuple<int, bool, bool>> controls;
        for (int id : kControls)
        {
            const HWND hCtl = ::GetDlgItem(dlg.m_hWnd, id);
            controls.emplace_back(id, IsWindowVisible(hCtl) != 0, IsWindowEnabled(hCtl) != 0);
        }
        CString text;
        dlg.GetDlgItem(IDC_MESSAGE_EDIT)->GetWindowText(text);
        // The window's own focus: which window is active is the window manager's business.
        const CWindowRecord* focus = layer::FindWindow(window->focusWidget());
        return {controls, focus ? focus->m_nID : 0, text.str(), dlg.IsWindowVisible() != 0};
    }

    // Input as the window system delivers it, so that a modal window blocks it.
    void ClickAsTheUser(int id, Qt::MouseButton button = Qt::LeftButton)
    {
        QWidget* control = WidgetFromHwnd(::GetDlgItem(dlg.m_hWnd, id));
        ClickWindowAt(control->mapTo(window, control->rect().center()), button);
    }
    void ClickWindowAt(QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(window->windowHandle(), button, {}, at);
    }

    void PressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window;
        QTest::keyClick(target, key, modifiers);
    }

    CStegoDlg dlg;
    QWidget* window = nullptr;
    QTemporaryDir folder;
    QString helpFile;
    std::vector<std::string> messages;
    std::vector<std::string> aboutTitles;
    std::vector<ShellCommand> launched;
    std::function<void(QWidget*)> whileAboutIsOpen;
};
} // namespace

TEST_F(AboutAndHelp, AboutItemIsAppendedOnceBelowASeparatorAtTheEnd)
{
    CMenu* menu = dlg.GetSystemMenu(FALSE);
    ASSERT_NE(menu, nullptr);
    const std::vector<std::string> items = MenuItems(menu);
    ASSERT_GE(items.size(), 3u);
    EXPECT_EQ(items[items.size() - 1], "16 &About Carvalet...");
    EXPECT_EQ(items[items.size() - 2], "0 ") << "a separator";
    EXPECT_EQ(std::count_if(items.begin(), items.end(),
                            [](const std::string& item) { return item.starts_with("16 "); }),
              1);
    EXPECT_EQ(items[items.size() - 3], std::to_string(SC_CLOSE) + " &Close\tAlt+F4")
        << "after the system's own items";
}

TEST_F(AboutAndHelp, SystemCommands16To31OpenTheAboutBoxAndOthersKeepTheirEffect)
{
    for (UINT id = 0x0010; id <= 0x001F; ++id)
        dlg.SendMessage(WM_SYSCOMMAND, id, 0);
    EXPECT_EQ(aboutTitles.size(), 16u);
    EXPECT_EQ(aboutTitles.front(), "About Carvalet");
    dlg.SendMessage(WM_SYSCOMMAND, 0x0020, 0);
    dlg.SendMessage(WM_SYSCOMMAND, 0x000F, 0);
    EXPECT_EQ(aboutTitles.size(), 16u);

    dlg.SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(dlg.IsIconic());
    dlg.SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(dlg.IsIconic());
    dlg.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(window->isVisible()) << "closed through the cancel command";
    EXPECT_EQ(aboutTitles.size(), 16u);
}

TEST_F(AboutAndHelp, AltSpaceOpensTheMenuAndItsItemOpensTheAboutBox)
{
    // Focus on a push button, which would otherwise take the Space as a click.
    dlg.GetDlgItem(IDC_TEXT_PAGE)->SetFocus();
    const State before = Snapshot();
    const auto opened = ChooseOnceOpen(IDM_ABOUTBOX);
    PressKey(Qt::Key_Space, Qt::AltModifier);
    EXPECT_TRUE(*opened);
    EXPECT_EQ(aboutTitles.size(), 1u);
    EXPECT_EQ(Snapshot(), before) << "the text-page button was not pressed";

    const auto openedAgain = ChooseOnceOpen(0);
    PressKey(Qt::Key_Space, Qt::AltModifier);
    EXPECT_TRUE(*openedAgain);
    EXPECT_EQ(aboutTitles.size(), 1u) << "closing the menu chooses nothing";
}

TEST_F(AboutAndHelp, RightClickOnTheCaptionStripOpensTheMenu)
{
    const int x = window->width() / 2;
    const auto opened = ChooseOnceOpen(IDM_ABOUTBOX);
    ClickWindowAt(QPoint(x, 4), Qt::RightButton);
    EXPECT_TRUE(*opened);
    EXPECT_EQ(aboutTitles.size(), 1u);

    // The skin's banner is the strip: its lowest row opens the menu, the row below does not.
    const int band = window->property(layer::kCaptionBandProperty).toInt();
    ASSERT_GT(band, 60) << "the skin gave no banner height";
    const auto openedLow = ChooseOnceOpen(IDM_ABOUTBOX);
    ClickWindowAt(QPoint(x, band - 1), Qt::RightButton);
    EXPECT_TRUE(*openedLow);
    EXPECT_EQ(aboutTitles.size(), 2u);

    for (const int y : {band + 1, window->height() - 4})
    {
        const auto notOpened = ChooseOnceOpen(0);
        ClickWindowAt(QPoint(x, y), Qt::RightButton);
        QCoreApplication::processEvents();
        EXPECT_FALSE(*notOpened) << "below the caption strip, at y " << y;
    }
}

TEST_F(AboutAndHelp, AboutButtonOpensTheBoxAndTheMainWindowTakesNoInputMeanwhile)
{
    const State before = Snapshot();
    whileAboutIsOpen = [&](QWidget*)
    {
        ClickAsTheUser(IDC_TEXT_PAGE);
        ClickAsTheUser(IDC_HELP_BUTTON);
        QTest::keyClick(window->windowHandle(), Qt::Key_F1);
    };
    dlg.GetDlgItem(IDC_ABOUT)->SendMessage(BM_CLICK);
    ASSERT_EQ(aboutTitles.size(), 1u);
    EXPECT_TRUE(launched.empty()) << "the help button was blocked";
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(AboutAndHelp, AboutBoxClosesWithOkAndWithEscape)
{
    layer::SetModalHook([](const ModalContext& ctx)
                        { QTest::keyClick(ctx.widget, Qt::Key_Return); });
    EXPECT_EQ(CAboutDlg().DoModal(), IDOK);
    layer::SetModalHook([](const ModalContext& ctx)
                        { QTest::keyClick(ctx.widget, Qt::Key_Escape); });
    EXPECT_EQ(CAboutDlg().DoModal(), IDCANCEL);
}

TEST_F(AboutAndHelp, AboutBoxShowsTheIconAndEveryTextWhole)
{
    std::vector<QString> texts;
    layer::SetModalHook(
        [&](const ModalContext& ctx)
        {
            for (const QLabel* label : ctx.widget->findChildren<QLabel*>())
            {
                if (label->text().isEmpty())
                {
                    EXPECT_FALSE(label->pixmap().isNull()) << "the icon";
                    continue;
                }
                texts.push_back(label->text());
                EXPECT_LE(label->heightForWidth(label->width()), label->height())
                    << label->text().toStdString();
                EXPECT_LE(label->geometry().right(), ctx.widget->width());
            }
            if (const QString folder = qEnvironmentVariable("CARVALET_SCREENSHOTS");
                !folder.isEmpty())
                ctx.widget->grab().save(folder + "/about.png");
            QTest::keyClick(ctx.widget, Qt::Key_Escape);
        });
    dlg.SendMessage(WM_COMMAND, IDC_ABOUT);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0], QStringLiteral("Carvalet Version 1.0.0.5"));
    EXPECT_TRUE(texts[1].contains(QStringLiteral("2011")));
    EXPECT_TRUE(texts[2].startsWith(QStringLiteral("Brindlemoor\n")));
    EXPECT_TRUE(texts[3].startsWith(QStringLiteral("Support : ")));
}

TEST_F(AboutAndHelp, F1FromAnyControlOpensTheHelpFileOnce)
{
    const std::string expected = QFileInfo(helpFile).absoluteFilePath().toStdString();
    std::vector<int> focusable = {IDCANCEL,      IDC_OPEN_IMAGE, IDC_IMAGE_PAGE,
                                  IDC_TEXT_PAGE, IDC_ABOUT,      IDC_HELP_BUTTON};
    for (int id : focusable)
    {
        launched.clear();
        dlg.GetDlgItem(id)->SetFocus();
        ASSERT_EQ(CWnd::GetFocus()->GetDlgCtrlID(), id);
        PressKey(Qt::Key_F1);
        EXPECT_EQ(LaunchedFiles(), std::vector<std::string>{expected}) << "focus on " << id;
    }
    dlg.SendMessage(WM_COMMAND, IDC_TEXT_PAGE);
    launched.clear();
    dlg.GetDlgItem(IDC_MESSAGE_EDIT)->SetFocus();
    PressKey(Qt::Key_F1);
    EXPECT_EQ(LaunchedFiles(), std::vector<std::string>{expected}) << "focus in the message";
    EXPECT_TRUE(messages.empty());
}

TEST_F(AboutAndHelp, EachHelpButtonPressIsOneShellCall)
{
    QWidget* help = WidgetFromHwnd(::GetDlgItem(dlg.m_hWnd, IDC_HELP_BUTTON));
    QTest::mouseClick(help, Qt::LeftButton);
    QTest::mouseClick(help, Qt::LeftButton);
    const std::string expected = QFileInfo(helpFile).absoluteFilePath().toStdString();
    EXPECT_EQ(LaunchedFiles(), (std::vector<std::string>{expected, expected}));
    EXPECT_EQ(launched.front().program, "xdg-open");
}

TEST_F(AboutAndHelp, MissingHelpFileShowsNothingAndChangesNothing)
{
    ASSERT_TRUE(QFile::remove(helpFile));
    const State before = Snapshot();
    dlg.GetDlgItem(IDC_HELP_BUTTON)->SendMessage(BM_CLICK);
    PressKey(Qt::Key_F1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(launched.empty());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Snapshot(), before);
}

TEST(AboutItem, EmptyStringAddsNeitherSeparatorNorItemAndTheButtonStillWorks)
{
    const ResourceModule& real = CarvaletResources();
    const StringResource empty[] = {{IDS_ABOUTBOX, ""}};
    ResourceModule module = real;
    module.strings = empty;
    layer::SetResourceModule(&module);
    int aboutRuns = 0;
    layer::SetModalHook(
        [&](const ModalContext& ctx)
        {
            ASSERT_EQ(ctx.kind, ModalKind::Dialog) << ctx.text;
            ++aboutRuns;
            CWnd::FromHandle(ctx.hWnd)->SendMessage(WM_COMMAND, IDOK);
        });
    {
        AfxEnableControlContainer();
        CStegoDlg dlg;
        EXPECT_TRUE(dlg.Create(IDD_MAIN));
        CMenu* menu = dlg.GetSystemMenu(FALSE);
        ASSERT_NE(menu, nullptr);
        const std::vector<std::string> items = MenuItems(menu);
        ASSERT_FALSE(items.empty());
        EXPECT_EQ(items.back(), std::to_string(SC_CLOSE) + " &Close\tAlt+F4");
        EXPECT_EQ(std::count(items.begin(), items.end(), "0 "), 1) << "only the system's own";
        dlg.SendMessage(WM_COMMAND, IDC_ABOUT);
        EXPECT_EQ(aboutRuns, 1);
    }
    layer::SetModalHook({});
    layer::SetResourceModule(&real);
}
