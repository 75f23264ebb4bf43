// SPDX-License-Identifier: GPL-3.0-or-later
// The skin step of the main window against stand-in skins that misbehave one way each, and the
// real skin on the real dialog.
#include "platform/kernel/WinBase.h"
#include "platform/user/QtBridge.h"
#include "skin/ControlIds.h"
#include "skin/ISkinControl.h"
#include "tests/support/MainWindowRun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace
{
CWinApp g_app;

constexpr const char* kObjectNames[] = {"buttontab1", "buttontab2", "HelpButton",
                                        "Button1",    "Button2",    "Button3",
                                        "Button4",    "Button5",    "Button6"};
constexpr int kObjectControls[] = {IDC_IMAGE_PAGE, IDC_TEXT_PAGE, IDC_HELP_BUTTON,
                                   IDC_OPEN_IMAGE, IDC_LOAD_TEXT, IDC_UNHIDE,
                                   IDC_HIDE,       IDC_ABOUT,     IDCANCEL};

class SkinStep : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override
    {
        AfxEnableControlContainer();
        CControlHost::SetRegistryPath(StandInRegistry(Behaviour()));
        StandInCalls(Behaviour()); // forget earlier tests' calls
    }
    void TearDown() override { CControlHost::SetRegistryPath({}); }

    std::string Behaviour() const { return GetParam(); }

    static std::string SkinFileCall()
    {
        return "LoadSkinFile(" + AppDirAsWindowsPath() + "\\res\\Tessaply.skn)";
    }
    static std::vector<std::string> ObjectCalls(const MainWindowRun& run)
    {
        std::vector<std::string> calls;
        for (std::size_t i = 0; i < std::size(kObjectNames); ++i)
            calls.push_back("ApplySkinObject(" +
                            std::to_string(run.controls.at(kObjectControls[i])) + "," +
                            kObjectNames[i] + ")");
        return calls;
    }
    static void ExpectInitialised(const MainWindowRun& run)
    {
        EXPECT_TRUE(run.messages.empty());
        EXPECT_FALSE(run.closedByItself);
        EXPECT_EQ(run.focus, IDC_IMAGE_PAGE);
        EXPECT_FALSE(run.unhideEnabled);
        EXPECT_TRUE(run.iconSet);
    }
};

using FailingSkin = SkinStep;
using WorkingSkin = SkinStep;

// Whatever the dialog's skin interface pointer held is released once, by the destructor. (The
// stand-in notes its destruction from inside its last Release.)
void ExpectReleasedOnceByTheDestructor(std::unique_ptr<CTestStegoDlg> dlg,
                                       const std::string& behaviour, bool held)
{
    EXPECT_EQ(dlg->m_pSkin != nullptr, held);
    const auto beforeDestruction = StandInCalls(behaviour);
    if (held)
    {
        EXPECT_EQ(std::count(beforeDestruction.begin(), beforeDestruction.end(), "Destroyed"), 0)
            << "the window is gone, the interface still holds the control";
    }
    dlg.reset();
    const std::vector<std::string> expected =
        held ? std::vector<std::string>{"Destroyed", "Release:0"} : std::vector<std::string>{};
    EXPECT_EQ(StandInCalls(behaviour), expected);
}
} // namespace

TEST_P(FailingSkin, ShowsOneMessageThenTheWindowClosesItselfUninitialised)
{
    auto dlg = std::make_unique<CTestStegoDlg>();
    const MainWindowRun run = RunMainWindow(*dlg);
    EXPECT_EQ(run.messages, std::vector<std::string>{kSkinFailure});
    EXPECT_EQ(run.captions, std::vector<std::string>{AfxGetAppName()});
    EXPECT_TRUE(run.closedByItself);
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_TRUE(run.unhideEnabled) << "the buttons are left as the template made them";
    EXPECT_FALSE(run.iconSet);

    std::vector<std::string> expected = {"Load(40)"};
    if (Behaviour() != "no_interface")
        expected.insert(expected.end(), {"QueryInterface(ISkinControl)", SkinFileCall()});
    if (Behaviour() == "apply_window_fails")
        expected.push_back("ApplySkinToWindow(" + std::to_string(run.hDlg) + ")");
    EXPECT_EQ(WithoutReleases(StandInCalls(Behaviour())), expected)
        << "no skin object is applied after a failure";

    ExpectReleasedOnceByTheDestructor(std::move(dlg), Behaviour(), Behaviour() != "no_interface");
}
INSTANTIATE_TEST_SUITE_P(Skin, FailingSkin,
                         ::testing::Values("no_interface", "load_fails", "apply_window_fails"));

TEST_P(WorkingSkin, AppliesAllNineObjectsInOrderAndTheWindowInitialises)
{
    auto dlg = std::make_unique<CTestStegoDlg>();
    const MainWindowRun run = RunMainWindow(*dlg);
    ExpectInitialised(run);
    EXPECT_EQ(run.result, IDCANCEL);

    std::vector<std::string> expected = {"Load(40)", "QueryInterface(ISkinControl)", SkinFileCall(),
                                         "ApplySkinToWindow(" + std::to_string(run.hDlg) + ")"};
    const auto objects = ObjectCalls(run);
    expected.insert(expected.end(), objects.begin(), objects.end());
    EXPECT_EQ(WithoutReleases(StandInCalls(Behaviour())), expected);

    ExpectReleasedOnceByTheDestructor(std::move(dlg), Behaviour(), true);
}
// S_FALSE from both calls is success; failures of single objects are ignored.
INSTANTIATE_TEST_SUITE_P(Skin, WorkingSkin,
                         ::testing::Values("counting", "load_s_false", "some_objects_fail"));

TEST(RealSkin, DressesTheRealWindowAndReadsItsPersistedProperties)
{
    AfxEnableControlContainer();
    std::vector<std::string> messages;
    layer::SetModalHook([&](const ModalContext& ctx) { messages.push_back(ctx.text); });
    CTestStegoDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_MAIN));
    layer::SetModalHook({});
    EXPECT_TRUE(messages.empty());
    for (int id : kObjectControls)
    {
        const QWidget* button = WidgetFromHwnd(dlg.GetDlgItem(id)->m_hWnd);
        ASSERT_NE(button, nullptr);
        EXPECT_FALSE(button->toolTip().isEmpty()) << "button " << id;
        EXPECT_FALSE(button->accessibleName().isEmpty()) << "button " << id;
    }
    ASSERT_NE(dlg.m_pSkin, nullptr);
    LONG panel = 0;
    EXPECT_EQ(dlg.m_pSkin->GetValue(SKIN_PANELCOLOR, &panel), S_OK);
    EXPECT_EQ(panel, 0x00ECE9D8) << "the colour stored in the dialog-init data";
    dlg.DestroyWindow();
}

TEST(RealSkin, MissingSkinFileShowsOneMessageAndTheWindowCloses)
{
    AfxEnableControlContainer();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    ASSERT_TRUE(QDir(folder.path()).mkdir("res"));
    ASSERT_TRUE(QFile::copy(QCoreApplication::applicationDirPath() + "/res/Splash.spl",
                            folder.filePath("res/Splash.spl")));
    layer::SetModuleFileNameForTesting(
        layer::WindowsPath(folder.filePath("Carvalet").toStdString()).c_str());
    CTestStegoDlg dlg;
    const MainWindowRun run = RunMainWindow(dlg);
    layer::SetModuleFileNameForTesting(nullptr);
    EXPECT_EQ(run.messages, std::vector<std::string>{kSkinFailure});
    EXPECT_TRUE(run.closedByItself);
    EXPECT_EQ(run.result, IDCANCEL);
}

TEST(RealSkin, AProgramFolderWhoseNameIsNotUtf8StillFindsItsSkinAndSplash)
{
    AfxEnableControlContainer();
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    // A name written on a Latin-1 system: é and ÿ as single bytes.
    const std::string folder = temp.path().toStdString() + "/Caf\xE9 \xFF";
    // Qt cannot name the folder to remove it with the temporary one.
    const std::unique_ptr<const std::string, void (*)(const std::string*)> cleanup(
        &folder, [](const std::string* path) { std::filesystem::remove_all(*path); });
    std::filesystem::create_directories(folder + "/res");
    const std::string bin = QCoreApplication::applicationDirPath().toStdString();
    for (const char* file : {"/res/Tessaply.skn", "/res/Splash.spl"})
        std::filesystem::copy_file(bin + file, folder + file);
    layer::SetModuleFileNameForTesting(layer::WindowsPath(folder + "/Carvalet").c_str());
    std::vector<std::string> messages;
    layer::SetModalHook(
        [&](const ModalContext& ctx)
        {
            messages.push_back(ctx.text);
            ctx.widget->findChild<QPushButton*>()->click();
        });
    CTestStegoDlg dlg;
    const bool created = dlg.Create(IDD_MAIN);
    layer::SetModalHook({});
    layer::SetModuleFileNameForTesting(nullptr);
    ASSERT_TRUE(created);
    EXPECT_TRUE(messages.empty()) << messages.front();
    LONG loaded = -1;
    dlg.GetDlgItem(IDC_SPLASH)
        ->InvokeHelper(DISPID_SPLASH_LOADED, DISPATCH_PROPERTYGET, VT_I4, &loaded, nullptr);
    EXPECT_EQ(loaded, 1);
    dlg.DestroyWindow();
}
