// SPDX-License-Identifier: GPL-3.0-or-later
// The password dialog as a person uses it: typing, OK, the messages of refused tries, the
// three ways to cancel, and the choice of how the message is hidden.
#include "ui/PasswordDlg.h"
#include "engine/SealedMessage.h"
#include "tests/support/ModalScript.h"
#include "tests/support/ScratchConfig.h"

#include <QLineEdit>
#include <QTest>
#include <QWidget>

namespace
{
CWinApp g_app;

// Runs a dialog in the given mode; `act` types and presses buttons once it is shown.
struct Outcome
{
    INT_PTR result = 0;
    CString record;
    std::vector<std::string> messages;
    hiding::MessageKind kind = hiding::MessageKind::Plain;
    CString password;
    CString unsealed;
};

Outcome RunDialog(BYTE setMode, const CString& expected,
                  const std::function<void(CWnd& dlg, std::vector<std::string>& messages)>& act,
                  const SealedMessage* sealed = nullptr)
{
    Outcome run;
    layer::SetModalHook(
        [&](const ModalContext& ctx)
        {
            if (ctx.kind == ModalKind::MessageBox)
            {
                run.messages.push_back(ctx.text);
                qobject_cast<QMessageBox*>(ctx.widget)->button(QMessageBox::Ok)->click();
                return;
            }
            act(*CWnd::FromHandle(ctx.hWnd), run.messages);
        });
    CPasswordDlg dlg;
    dlg.m_bSetMode = setMode;
    dlg.m_strRecord = expected;
    dlg.m_pSealed = sealed;
    run.result = dlg.DoModal();
    run.record = dlg.m_strRecord;
    run.kind = dlg.m_kind;
    run.password = dlg.m_strPassword;
    run.unsealed = dlg.m_strUnsealed;
    layer::SetModalHook({});
    return run;
}

void Type(CWnd& dlg, int id, const char* text)
{
    dlg.GetDlgItem(id)->SetWindowText(text);
}

void Ok(CWnd& dlg)
{
    dlg.SendMessage(WM_COMMAND, IDOK);
}

void Cancel(CWnd& dlg)
{
    dlg.SendMessage(WM_COMMAND, IDC_CANCEL_BUTTON);
}

// Tries one new password and its confirmation; cancels if the dialog stays open.
Outcome TrySet(const char* password, const char* confirm)
{
    return RunDialog(1, "",
                     [&](CWnd& dlg, std::vector<std::string>&)
                     {
                         Type(dlg, IDC_PASSWORD, password);
                         Type(dlg, IDC_CONFIRM, confirm);
                         Ok(dlg);
                         if (dlg.IsWindowVisible())
                             Cancel(dlg);
                     });
}

const CString kRecord = "lanterns58203746";
} // namespace

TEST(PasswordDlg, SetModeChecksLengthBeforeConfirmation)
{
    struct Case
    {
        const char* password;
        const char* confirm;
        const char* message;
    };
    const Case cases[] = {
        {"seven77", "seven77", "password  must be at least 8 chars"},
        {"seven77", "different", "password  must be at least 8 chars"},
        {"", "", "password  must be at least 8 chars"},
        {"seventeen-chars-x", "seventeen-chars-x", "password is to long it must at most 16 chars"},
        {"seventeen-chars-x", "other", "password is to long it must at most 16 chars"},
        {"Lanterns", "lanterns", "Password & Confirm Pw not match"},
        {"lanterns", "lanterns ", "Password & Confirm Pw not match"},
    };
    for (const Case& c : cases)
    {
        const Outcome run = TrySet(c.password, c.confirm);
        EXPECT_EQ(run.result, IDCANCEL) << c.password;
        ASSERT_EQ(run.messages.size(), 1u) << c.password;
        EXPECT_EQ(run.messages[0], c.message);
        EXPECT_TRUE(run.record.IsEmpty());
    }
}

TEST(PasswordDlg, SetModeRecordKeepsTheFirstEightBytesBlanksIncluded)
{
    struct Case
    {
        const char* password;
        const char* record;
    };
    const Case cases[] = {
        {"lanterns", "lanterns58203746"},
        {"lanterns-8", "lanterns58203746"},
        {"sixteen-chars-ok", "sixteen-58203746"},
        {" a b c d e", " a b c d58203746"},
    };
    for (const Case& c : cases)
    {
        const Outcome run = TrySet(c.password, c.password);
        EXPECT_EQ(run.result, IDOK) << c.password;
        EXPECT_TRUE(run.messages.empty());
        EXPECT_EQ(run.record, c.record);
    }
}

TEST(PasswordDlg, SetModeKeepsBothFieldsAfterARefusalAndAcceptsTheCorrection)
{
    std::string passwordAfter, confirmAfter;
    QString selectedAfter;
    bool focusedAfter = false;
    const Outcome run = RunDialog(1, "",
                                  [&](CWnd& dlg, std::vector<std::string>&)
                                  {
                                      Type(dlg, IDC_PASSWORD, "lanterns-8");
                                      Type(dlg, IDC_CONFIRM, "lanterns-9");
                                      Ok(dlg);
                                      // The refused password is selected: typing replaces it.
                                      auto* field = qobject_cast<QLineEdit*>(
                                          WidgetFromHwnd(dlg.GetDlgItem(IDC_PASSWORD)->m_hWnd));
                                      focusedAfter =
                                          WidgetFromHwnd(dlg.m_hWnd)->focusWidget() == field;
                                      selectedAfter = field->selectedText();
                                      CString text;
                                      dlg.GetDlgItem(IDC_PASSWORD)->GetWindowText(text);
                                      passwordAfter = text.str();
                                      dlg.GetDlgItem(IDC_CONFIRM)->GetWindowText(text);
                                      confirmAfter = text.str();
                                      Type(dlg, IDC_CONFIRM, "lanterns-8");
                                      Ok(dlg);
                                  });
    EXPECT_EQ(passwordAfter, "lanterns-8");
    EXPECT_EQ(confirmAfter, "lanterns-9");
    EXPECT_TRUE(focusedAfter);
    EXPECT_EQ(selectedAfter, "lanterns-8");
    EXPECT_EQ(run.result, IDOK);
    EXPECT_EQ(run.record, "lanterns58203746");
    EXPECT_EQ(run.messages, std::vector<std::string>{"Password & Confirm Pw not match"});
}

TEST(PasswordDlg, VerifyModeComparesTheRecordAndEmptiesTheFieldAfterEachMiss)
{
    std::vector<std::string> fieldAfterMiss;
    const char* misses[] = {"", "lantern", "Lanterns", "lanterms-8"};
    const Outcome run = RunDialog(0, kRecord,
                                  [&](CWnd& dlg, std::vector<std::string>&)
                                  {
                                      for (const char* miss : misses)
                                      {
                                          Type(dlg, IDC_PASSWORD, miss);
                                          Ok(dlg);
                                          CString text;
                                          dlg.GetDlgItem(IDC_PASSWORD)->GetWindowText(text);
                                          fieldAfterMiss.push_back(text.str());
                                      }
                                      // Only the first eight characters count.
                                      Type(dlg, IDC_PASSWORD, "lanterns and anything after");
                                      Ok(dlg);
                                  });
    EXPECT_EQ(run.result, IDOK);
    EXPECT_EQ(run.messages, std::vector<std::string>(4, "Invalid password try again"));
    EXPECT_EQ(fieldAfterMiss, std::vector<std::string>(4, ""));
    EXPECT_EQ(run.record, kRecord) << "verify mode never changes the expected record";
}

TEST(PasswordDlg, VerifyModeShowsThePasswordFieldAloneAndSetModeBoth)
{
    for (BYTE mode : {BYTE(0), BYTE(1)})
    {
        bool confirm = false, confirmLabel = false, password = false, passwordLabel = false;
        int focus = 0;
        RunDialog(mode, kRecord,
                  [&](CWnd& dlg, std::vector<std::string>&)
                  {
                      confirm = dlg.GetDlgItem(IDC_CONFIRM)->IsWindowVisible();
                      confirmLabel = dlg.GetDlgItem(IDC_CONFIRM_LABEL)->IsWindowVisible();
                      password = dlg.GetDlgItem(IDC_PASSWORD)->IsWindowVisible();
                      passwordLabel = dlg.GetDlgItem(IDC_PASSWORD_LABEL)->IsWindowVisible();
                      if (QWidget* focused = WidgetFromHwnd(dlg.m_hWnd)->focusWidget())
                          focus = GetDlgCtrlID(HwndFromWidget(focused));
                      Cancel(dlg);
                  });
        EXPECT_EQ(confirm, mode == 1);
        EXPECT_EQ(confirmLabel, mode == 1);
        EXPECT_TRUE(password);
        EXPECT_TRUE(passwordLabel);
        EXPECT_EQ(focus, IDC_PASSWORD) << "mode " << int(mode);
    }
}

TEST(PasswordDlg, CancelButtonEscapeAndCloseBoxEachCancel)
{
    const std::vector<std::function<void(CWnd&)>> cancels = {
        [](CWnd& dlg) { Cancel(dlg); },
        [](CWnd& dlg) { QTest::keyClick(WidgetFromHwnd(dlg.m_hWnd), Qt::Key_Escape); },
        [](CWnd& dlg) { dlg.SendMessage(WM_SYSCOMMAND, SC_CLOSE); },
    };
    for (std::size_t i = 0; i < cancels.size(); ++i)
    {
        const Outcome run = RunDialog(1, "",
                                      [&](CWnd& dlg, std::vector<std::string>&)
                                      {
                                          Type(dlg, IDC_PASSWORD, "lanterns-8");
                                          Type(dlg, IDC_CONFIRM, "lanterns-8");
                                          cancels[i](dlg);
                                      });
        EXPECT_EQ(run.result, IDCANCEL) << i;
        EXPECT_TRUE(run.record.IsEmpty()) << i;
        EXPECT_TRUE(run.messages.empty()) << i;
    }
}

TEST(PasswordDlg, EnterPressesOk)
{
    const Outcome run = RunDialog(
        0, kRecord,
        [&](CWnd& dlg, std::vector<std::string>&)
        {
            Type(dlg, IDC_PASSWORD, "lanterns");
            QTest::keyClick(WidgetFromHwnd(dlg.GetDlgItem(IDC_PASSWORD)->m_hWnd), Qt::Key_Return);
        });
    EXPECT_EQ(run.result, IDOK);
}

TEST(PasswordDlg, ATypedPasswordIsStoredAsWindowsStoresIt)
{
    // Typed, not set: the field's text comes from the keyboard.
    const auto typeKeys = [](CWnd& dlg, int id, const QString& text)
    {
        auto* line = qobject_cast<QLineEdit*>(WidgetFromHwnd(::GetDlgItem(dlg.m_hWnd, id)));
        ASSERT_NE(line, nullptr);
        line->setText(text);
    };
    // Ten characters, eleven bytes in UTF-8; the record keeps the first eight characters.
    const QString accented = QString::fromUtf8("pâtisserie");
    Outcome run = RunDialog(1, "",
                            [&](CWnd& dlg, std::vector<std::string>&)
                            {
                                typeKeys(dlg, IDC_PASSWORD, accented);
                                typeKeys(dlg, IDC_CONFIRM, accented);
                                Ok(dlg);
                            });
    EXPECT_EQ(run.result, IDOK);
    EXPECT_EQ(run.record, "p\xE2tisser"
                          "58203746");

    // Sixteen characters that Windows-1252 has are sixteen bytes: accepted as on Windows.
    const QString sixteen = QString::fromUtf8("éééééééééééééééé");
    run = RunDialog(1, "",
                    [&](CWnd& dlg, std::vector<std::string>&)
                    {
                        typeKeys(dlg, IDC_PASSWORD, sixteen);
                        typeKeys(dlg, IDC_CONFIRM, sixteen);
                        Ok(dlg);
                        if (dlg.IsWindowVisible())
                            Cancel(dlg);
                    });
    EXPECT_EQ(run.result, IDOK) << (run.messages.empty() ? "" : run.messages[0]);

    // The same password still opens a record made from its UTF-8 bytes (by carvalet-cli).
    run = RunDialog(0, "p\xC3\xA2tisse58203746",
                    [&](CWnd& dlg, std::vector<std::string>&)
                    {
                        typeKeys(dlg, IDC_PASSWORD, accented);
                        Ok(dlg);
                        if (dlg.IsWindowVisible())
                            Cancel(dlg);
                    });
    EXPECT_EQ(run.result, IDOK);
    EXPECT_TRUE(run.messages.empty());
}

namespace
{
void Choose(CWnd& dlg, hiding::MessageKind kind)
{
    dlg.GetDlgItem(ModalScript::ChoiceId(kind))->SendMessage(BM_CLICK);
}

// The kind whose button is checked; none when no button is.
std::optional<hiding::MessageKind> Chosen(CWnd& dlg)
{
    std::optional<hiding::MessageKind> chosen;
    for (const auto kind :
         {hiding::MessageKind::Plain, hiding::MessageKind::Sealed, hiding::MessageKind::Stealth})
        if (dlg.GetDlgItem(ModalScript::ChoiceId(kind))->SendMessage(BM_GETCHECK) == BST_CHECKED)
        {
            EXPECT_FALSE(chosen) << "two buttons checked";
            chosen = kind;
        }
    return chosen;
}

// The cheapest key derivation the armour takes, so that opening is quick.
constexpr KdfCost CHEAP = {1, 8};
} // namespace

TEST(PasswordDlg, TheChoiceStartsPlainThenKeepsTheLastAcceptedOneAlsoFromAnOldProfile)
{
    using hiding::MessageKind;
    const ScratchConfig config;
    const std::string passphrase = "a passphrase longer than sixteen";
    bool shown = false;
    std::optional<MessageKind> atFirst;
    CString hint;
    const Outcome sealed = RunDialog(1, "",
                                     [&](CWnd& dlg, std::vector<std::string>&)
                                     {
                                         shown = dlg.GetDlgItem(IDC_STEALTH)->IsWindowVisible() &&
                                                 dlg.GetDlgItem(IDC_KIND_LABEL)->IsWindowVisible();
                                         dlg.GetDlgItem(IDC_PLAIN_HINT)->GetWindowText(hint);
                                         atFirst = Chosen(dlg);
                                         Choose(dlg, MessageKind::Sealed);
                                         Type(dlg, IDC_PASSWORD, passphrase.c_str());
                                         Type(dlg, IDC_CONFIRM, passphrase.c_str());
                                         Ok(dlg);
                                     });
    EXPECT_TRUE(shown);
    EXPECT_NE(hint.str().find("8 to 16 characters"), std::string::npos) << "said before OK";
    EXPECT_EQ(atFirst, MessageKind::Plain);
    EXPECT_EQ(sealed.result, IDOK);
    EXPECT_TRUE(sealed.messages.empty());
    EXPECT_EQ(sealed.kind, MessageKind::Sealed);
    EXPECT_EQ(sealed.record, SEAL_MARKER_RECORD) << "nothing of the password in the record";
    EXPECT_EQ(sealed.password.str(), passphrase);

    // A cancelled run forgets what was clicked in it; an accepted one is remembered.
    std::vector<std::optional<MessageKind>> atStart;
    const auto run = [&](std::optional<MessageKind> choice, const char* password)
    {
        return RunDialog(1, "",
                         [&](CWnd& dlg, std::vector<std::string>&)
                         {
                             atStart.push_back(Chosen(dlg));
                             if (choice)
                                 Choose(dlg, *choice);
                             Type(dlg, IDC_PASSWORD, password);
                             Type(dlg, IDC_CONFIRM, password);
                             if (password[0])
                                 Ok(dlg);
                             else
                                 Cancel(dlg);
                         });
    };
    run(MessageKind::Plain, "");
    const Outcome stealth = run(MessageKind::Stealth, passphrase.c_str());
    const Outcome plain = run(MessageKind::Plain, "lanterns-8");
    run(std::nullopt, "");
    EXPECT_EQ(atStart,
              (std::vector<std::optional<MessageKind>>{MessageKind::Sealed, MessageKind::Sealed,
                                                       MessageKind::Stealth, MessageKind::Plain}));
    EXPECT_EQ(stealth.kind, MessageKind::Stealth);
    EXPECT_EQ(stealth.record, "") << "a stealth message leaves no record";
    EXPECT_EQ(plain.kind, MessageKind::Plain);
    EXPECT_EQ(plain.record, "lanterns58203746");

    // A profile written before the choice of three says "Seal" alone; a kind never written
    // (by a newer copy, say) starts plain.
    const ScratchConfig older;
    AfxGetApp()->WriteProfileInt("Password", "Seal", 1);
    EXPECT_EQ(CPasswordDlg::KindChosenLast(), MessageKind::Sealed);
    AfxGetApp()->WriteProfileInt("Password", "Kind", 7);
    EXPECT_EQ(CPasswordDlg::KindChosenLast(), MessageKind::Plain);
}

TEST(PasswordDlg, SealedAndStealthTakePassphrasesOfEightToSixtyFourCharacters)
{
    const ScratchConfig config;
    struct Case
    {
        std::string password;
        std::string confirm;
        const char* message;
    };
    const Case cases[] = {
        {std::string(65, 'p'), std::string(65, 'p'),
         "password is to long it must at most 64 chars"},
        {"seventeen-chars-x", "seventeen-chars-X", "Password & Confirm Pw not match"},
        {std::string(64, 'p'), std::string(64, 'p'), nullptr},
    };
    for (const auto kind : {hiding::MessageKind::Sealed, hiding::MessageKind::Stealth})
        for (const Case& c : cases)
        {
            const Outcome run = RunDialog(1, "",
                                          [&](CWnd& dlg, std::vector<std::string>&)
                                          {
                                              Choose(dlg, kind);
                                              Type(dlg, IDC_PASSWORD, c.password.c_str());
                                              Type(dlg, IDC_CONFIRM, c.confirm.c_str());
                                              Ok(dlg);
                                              if (dlg.IsWindowVisible())
                                                  Cancel(dlg);
                                          });
            EXPECT_EQ(run.result, c.message ? IDCANCEL : IDOK) << c.password;
            EXPECT_EQ(run.messages,
                      c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{})
                << c.password;
        }
}

TEST(PasswordDlg, VerifyModeHidesTheChoiceAndEndsBelowItsButtons)
{
    for (BYTE mode : {BYTE(0), BYTE(1)})
    {
        std::vector<bool> shown;
        QSize size;
        RECT expected{0, 0, mode == 1 ? 214 : 145, mode == 1 ? 150 : 65};
        RunDialog(mode, kRecord,
                  [&](CWnd& dlg, std::vector<std::string>&)
                  {
                      for (const int id : {IDC_KIND_LABEL, IDC_PLAIN, IDC_PLAIN_HINT, IDC_SEAL,
                                           IDC_SEAL_HINT, IDC_STEALTH, IDC_STEALTH_HINT})
                          shown.push_back(dlg.GetDlgItem(id)->IsWindowVisible());
                      CRect client;
                      dlg.GetClientRect(&client);
                      size = QSize(client.Width(), client.Height());
                      MapDialogRect(dlg.m_hWnd, &expected);
                      Cancel(dlg);
                  });
        EXPECT_EQ(shown, std::vector<bool>(7, mode == 1));
        EXPECT_EQ(size, QSize(expected.right, expected.bottom)) << "mode " << int(mode);
    }
}

TEST(PasswordDlg, VerifyModeOpensASealedMessageOrSaysWhyNot)
{
    const std::string armour = SealMessage("Meet at the mill.", "sunflower field", CHEAP);
    const std::optional<SealedMessage> sealed = ParseArmour(armour);
    ASSERT_TRUE(sealed);
    std::vector<std::string> fieldAfterMiss;
    const Outcome opened = RunDialog(
        0, SEAL_MARKER_RECORD,
        [&](CWnd& dlg, std::vector<std::string>&)
        {
            for (const char* miss : {"sunflowe", "", "sunflower field "})
            {
                Type(dlg, IDC_PASSWORD, miss);
                Ok(dlg);
                CString text;
                dlg.GetDlgItem(IDC_PASSWORD)->GetWindowText(text);
                fieldAfterMiss.push_back(text.str());
            }
            Type(dlg, IDC_PASSWORD, "sunflower field");
            Ok(dlg);
        },
        &*sealed);
    EXPECT_EQ(opened.result, IDOK);
    EXPECT_EQ(opened.messages, std::vector<std::string>(3, "Invalid password try again"));
    EXPECT_EQ(fieldAfterMiss, std::vector<std::string>(3, ""));
    EXPECT_EQ(opened.unsealed, "Meet at the mill.");

    // A changed armour that still parses: the right password finds the message damaged, and
    // the dialog ends, since another password would not help.
    SealedMessage changed = *sealed;
    changed.ciphertext[0] ^= 1;
    const Outcome damaged = RunDialog(
        0, SEAL_MARKER_RECORD,
        [&](CWnd& dlg, std::vector<std::string>&)
        {
            Type(dlg, IDC_PASSWORD, "sunflower field");
            Ok(dlg);
        },
        &changed);
    EXPECT_EQ(damaged.result, IDCANCEL);
    EXPECT_EQ(damaged.messages,
              std::vector<std::string>{"The hidden message has been changed or damaged"});
    EXPECT_TRUE(damaged.unsealed.IsEmpty());
}
