// SPDX-License-Identifier: GPL-3.0-or-later
// The window decides nothing of its own about hiding: what it asks, refuses and counts is what
// the hiding plan says.
#include "hiding/CarrierPlan.h"
#include "res/Resource.h"
#include "tests/support/ModalScript.h"
#include "tests/support/PictureFiles.h"
#include "tests/support/ScratchConfig.h"
#include "tests/support/TestStegoDlg.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(WindowRouting, HideAsksAndRefusesInThePlansWords)
{
    ScratchConfig config;
    QTemporaryDir dir;
    ModalScript script;
    CTestStegoDlg dlg;
    AfxEnableControlContainer();
    ASSERT_TRUE(dlg.Create(IDD_MAIN));
    script.messages.clear();
    const auto hide =
        [&](const std::string& carrier, const std::string& message, bool bPassword = false)
    {
        const std::string path = dir.filePath("carrier.bmp").toStdString();
        pictures::WriteFile(path, carrier);
        script.File(QString::fromStdString(path));
        if (bPassword)
            script.Password("lanterns-8");
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(WORD(IDC_OPEN_IMAGE), BN_CLICKED));
        dlg.GetDlgItem(IDC_MESSAGE_EDIT)->SetWindowText(message.c_str());
        script.messages.clear();
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(WORD(IDC_HIDE), BN_CLICKED));
        return script.messages;
    };
    const auto plan = [](const std::string& carrier)
    { return hiding::CarrierPlan(pictures::Bytes(carrier), std::int32_t(carrier.size())); };

    // Data after the pixels: a message longer than the pixels take needs a conversion, asked
    // once the password dialog has chosen the layout.
    const std::string trailed = pictures::MakeBmp(
        pictures::BmpShape().Trailer(std::string(8000, 't')), 96, 64, pictures::Pattern);
    const std::int64_t tooLong = plan(trailed).CarrierReach().safe + 1;
    script.convert = false;
    EXPECT_EQ(hide(trailed, std::string(std::size_t(tooLong), 'm'), true),
              std::vector<std::string>{
                  plan(trailed)
                      .Check(hiding::MessageKind::Plain, tooLong, hiding::FrontEnd::Window)
                      .sentence});

    const std::string noise(20000, 'x');
    EXPECT_EQ(
        hide(noise, "hello"),
        std::vector<std::string>{
            plan(noise).Check(hiding::MessageKind::Plain, 5, hiding::FrontEnd::Window).sentence});
    EXPECT_EQ(script.passwordDialogs, 1) << "a file that is no picture is refused before it";
    EXPECT_EQ(script.Unused(), 0u);
}
