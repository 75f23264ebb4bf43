// SPDX-License-Identifier: GPL-3.0-or-later
// The capacity line of the text page, as the window hands it to the skin: how much of the open
// picture the message takes, updated as it is typed, and marked when it no longer fits.
#include "engine/CarrierCodec.h"
#include "hiding/CarrierPlan.h"
#include "platform/mfc/ControlHost.h"
#include "tests/support/MainWindowRun.h"
#include "tests/support/ModalScript.h"
#include "tests/support/PictureFiles.h"
#include "tests/support/ScratchConfig.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{
// The notes the stand-in skin was given since last asked.
std::vector<std::string> Notes()
{
    std::vector<std::string> notes;
    for (const std::string& call : StandInCalls("counting"))
        if (call.starts_with("SetCardNote("))
            notes.push_back(call.substr(12, call.size() - 13));
    return notes;
}
} // namespace

TEST(CapacityLine, CountsTheMessageAgainstTheOpenPictureAsItIsTyped)
{
    const ScratchConfig config;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A classic 24-bit bitmap of 32,454 bytes takes 3,928 bytes.
    const QString carrier = dir.filePath("carrier.bmp");
    ASSERT_TRUE(QImage(120, 90, QImage::Format_RGB888).save(carrier, "BMP"));
    ASSERT_EQ(QFileInfo(carrier).size(), 32454);
    ASSERT_EQ(LongestMessage(32454), 3928);

    AfxEnableControlContainer();
    CControlHost::SetRegistryPath(StandInRegistry("counting"));
    StandInCalls("counting");
    ModalScript script;
    CTestStegoDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_MAIN));
    CControlHost::SetRegistryPath({});
    EXPECT_TRUE(Notes().empty()) << "nothing to count at start";
    QWidget* edit = WidgetFromHwnd(dlg.GetDlgItem(IDC_MESSAGE_EDIT)->m_hWnd);

    // Without a picture there is nothing to count against.
    dlg.SendMessage(WM_COMMAND, IDC_TEXT_PAGE);
    QTest::keyClicks(edit, QStringLiteral("ab"));
    for (const std::string& note : Notes())
        EXPECT_EQ(note, "");

    dlg.SendMessage(WM_COMMAND, IDC_IMAGE_PAGE);
    script.File(carrier);
    dlg.SendMessage(WM_COMMAND, IDC_OPEN_IMAGE);
    EXPECT_EQ(Notes().back(), "") << "the image page shows no line";
    dlg.SendMessage(WM_COMMAND, IDC_TEXT_PAGE);
    EXPECT_EQ(Notes(), std::vector<std::string>{"2 of 3,928 bytes"});
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(Notes(), std::vector<std::string>{"4 of 3,928 bytes"}) << "a line break is CR LF";

    dlg.GetDlgItem(IDC_MESSAGE_EDIT)->SetWindowText(std::string(3928, 'x').c_str());
    QTest::keyClicks(edit, QStringLiteral("y"));
    EXPECT_EQ(Notes(), std::vector<std::string>{"3,929 of 3,928 bytes: too long by 1,alert"});
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(Notes(), std::vector<std::string>{"3,928 of 3,928 bytes"});

    // With stealth chosen last, against the stealth limit (the picture judged whole).
    AfxGetApp()->WriteProfileInt("Password", "Kind", 2);
    QFile file(carrier);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::string bytes = file.readAll().toStdString();
    const std::int64_t longest =
        hiding::CarrierPlan(pictures::Bytes(bytes), std::int32_t(bytes.size())).LongestStealth();
    ASSERT_GT(longest, 100);
    ASSERT_LT(longest, 1000) << "written without a thousands separator below";
    dlg.GetDlgItem(IDC_MESSAGE_EDIT)->SetWindowText("ab");
    QTest::keyClicks(edit, QStringLiteral("c"));
    EXPECT_EQ(Notes(),
              std::vector<std::string>{"3 of " + std::to_string(longest) + " bytes (stealth)"});

    dlg.SendMessage(WM_COMMAND, IDC_IMAGE_PAGE);
    EXPECT_EQ(Notes(), std::vector<std::string>{""});
    EXPECT_TRUE(script.messages.empty());
    dlg.DestroyWindow();
}

TEST(CapacityLine, CountsWhatHideCanTakeAfterAConversionAndNothingForAFileThatIsNoPicture)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // 256 colours: hiding in its pixels would change them, so Hide converts it to a 24-bit
    // bitmap of 32,454 bytes, which takes 3,928 bytes; the file itself, 1,352.
    QImage indexed(120, 90, QImage::Format_Indexed8);
    indexed.setColorCount(256);
    for (int i = 0; i < 256; ++i)
        indexed.setColor(i, qRgb(i, 255 - i, i / 2));
    indexed.fill(7);
    const QString palette = dir.filePath("palette.bmp");
    ASSERT_TRUE(indexed.save(palette, "BMP"));
    ASSERT_EQ(LongestMessage(QFileInfo(palette).size()), 1352);
    const QString notes = dir.filePath("notes.bmp");
    QFile file(notes);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(32454, '\x55'));
    file.close();

    AfxEnableControlContainer();
    CControlHost::SetRegistryPath(StandInRegistry("counting"));
    ModalScript script;
    CTestStegoDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_MAIN));
    CControlHost::SetRegistryPath({});
    QWidget* edit = WidgetFromHwnd(dlg.GetDlgItem(IDC_MESSAGE_EDIT)->m_hWnd);
    script.File(palette);
    dlg.SendMessage(WM_COMMAND, IDC_OPEN_IMAGE);
    dlg.SendMessage(WM_COMMAND, IDC_TEXT_PAGE);
    StandInCalls("counting");
    QTest::keyClicks(edit, QStringLiteral("z"));
    EXPECT_EQ(Notes(), std::vector<std::string>{"1 of 3,928 bytes"});

    dlg.SendMessage(WM_COMMAND, IDC_IMAGE_PAGE);
    script.File(notes);
    dlg.SendMessage(WM_COMMAND, IDC_OPEN_IMAGE);
    dlg.SendMessage(WM_COMMAND, IDC_TEXT_PAGE);
    QTest::keyClicks(edit, QStringLiteral("z"));
    for (const std::string& note : Notes())
        EXPECT_EQ(note, "") << "not a picture: Hide refuses it whatever the message";
    EXPECT_TRUE(script.messages.empty());
    dlg.DestroyWindow();
}
