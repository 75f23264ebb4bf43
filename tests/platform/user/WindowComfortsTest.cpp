// SPDX-License-Identifier: GPL-3.0-or-later
// What the layer gives every window beyond the Win32 model: dropped files as WM_DROPFILES,
// names and roles for screen readers by Windows' rules, EN_CHANGE, and the yes/no question box.
#include "platform/mfc/Afx.h"
#include "platform/shell/DragDrop.h"
#include "platform/user/DropFiles.h"
#include "platform/user/ModalLoop.h"
#include "platform/user/QtBridge.h"
#include "res/CarvaletResources.h"
#include "res/Resource.h"

#include <QAccessible>
#include <QApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
constexpr UINT IDD_DROP = 901;
constexpr int IDC_NOTE = 20;
constexpr int IDC_LABEL_A = 30;
constexpr int IDC_LABEL_B = 31;
constexpr int IDC_FIELD_A = 32;
constexpr int IDC_FIELD_B = 33;
constexpr int IDC_FIELD_C = 34;
constexpr int IDC_GROUP_LABEL = 40;
constexpr int IDC_RADIO_A = 41;
constexpr int IDC_RADIO_HINT = 42;
constexpr int IDC_RADIO_B = 43;
constexpr int IDC_RADIO_C = 44;
constexpr DWORD kRadio = WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON;

const DialogItem kDropItems[] = {
    {IDC_NOTE, "Edit", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_WANTRETURN,
     WS_EX_ACCEPTFILES, 10, 10, 80, 40, ""},
    {IDOK, "Button", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 10, 70, 50, 14, "OK"},
    {IDC_LABEL_A, "Static", WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 100, 10, 40, 8, "&Name :"},
    {IDC_LABEL_B, "Static", WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 100, 25, 40, 8, "Place &&time :"},
    {IDC_FIELD_A, "Edit", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, 140, 10, 50, 12, ""},
    {IDC_FIELD_B, "Edit", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, 140, 25, 50, 12, ""},
    {IDC_FIELD_C, "Edit", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, 140, 40, 50, 12, ""},
    {IDC_GROUP_LABEL, "Static", WS_CHILD | WS_VISIBLE | SS_LEFT | WS_GROUP, 0, 100, 55, 60, 8,
     "&Kind :"},
    {IDC_RADIO_A, "Button", kRadio | WS_GROUP | WS_TABSTOP, 0, 100, 64, 60, 8, "&First"},
    {IDC_RADIO_HINT, "Static", WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 110, 72, 60, 8, "a hint"},
    {IDC_RADIO_B, "Button", kRadio, 0, 100, 80, 60, 8, "&Second"},
    {IDC_RADIO_C, "Button", kRadio, 0, 100, 88, 60, 8, "&Third"},
};
const DialogTemplate kDropTemplates[] = {
    {IDD_DROP, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 0, 200, 100, "Drop",
     "MS Sans Serif", 8, 400, 0, kDropItems},
};
const ResourceModule kDropModule = {kDropTemplates, {}, {}, nullptr};

class CDropDlg : public CDialog
{
public:
    CDropDlg() : CDialog(IDD_DROP) {}
    std::vector<std::vector<std::string>> m_drops;
    int m_changes = 0;

protected:
    afx_msg void OnDropFiles(HDROP hDrop)
    {
        std::vector<std::string> files;
        const UINT count = DragQueryFileA(hDrop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i)
        {
            std::string file(DragQueryFileA(hDrop, i, nullptr, 0), '\0');
            DragQueryFileA(hDrop, i, file.data(), UINT(file.size() + 1));
            files.push_back(file);
        }
        DragFinish(hDrop);
        EXPECT_EQ(DragQueryFileA(hDrop, 0xFFFFFFFF, nullptr, 0), 0u) << "finished drops are gone";
        m_drops.push_back(files);
    }
    afx_msg void OnChangeNote() { ++m_changes; }
    DECLARE_MESSAGE_MAP()
};

// clang-format off
BEGIN_MESSAGE_MAP(CDropDlg, CDialog)
ON_WM_DROPFILES<&CDropDlg::OnDropFiles>(),
ON_EN_CHANGE<&CDropDlg::OnChangeNote>(IDC_NOTE),
END_MESSAGE_MAP()
    // clang-format on

    class WindowComforts : public ::testing::Test
{
protected:
    void SetUp() override
    {
        layer::SetResourceModule(&kDropModule);
        ASSERT_TRUE(dlg.Create(IDD_DROP));
        window = WidgetFromHwnd(dlg.m_hWnd);
        window->show();
    }
    void TearDown() override { layer::SetResourceModule(&CarvaletResources()); }

    QWidget* Control(int id) { return WidgetFromHwnd(::GetDlgItem(dlg.m_hWnd, id)); }

    // Drags `data` over `target` and drops it, as a file manager would; true when accepted.
    static bool Drop(QWidget* target, QMimeData* data)
    {
        const QPointF at(target->width() / 2.0, target->height() / 2.0);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        return drop.isAccepted();
    }

    CDropDlg dlg;
    QWidget* window = nullptr;
};
} // namespace

TEST(DropFiles, UriListsGiveLocalPathsByteForByte)
{
    EXPECT_EQ(layer::FilesFromUriList("# from a file manager\r\n"
                                      "file:///home/ana/caf%E9/a%20b.bmp\r\n"
                                      "file://localhost/tmp/x%25.txt\r\n"
                                      "file://elsewhere/share/y.bmp\r\n"
                                      "https://example.org/z.png\r\n"
                                      "FILE:///tmp/last"),
              (std::vector<std::string>{"/home/ana/caf\xE9/a b.bmp", "/tmp/x%.txt", "/tmp/last"}));
    EXPECT_TRUE(layer::FilesFromUriList("").empty());
}

TEST_F(WindowComforts, FilesDroppedOnAnEditThatTakesThemReachItsDialog)
{
    auto* note = qobject_cast<QPlainTextEdit*>(Control(IDC_NOTE));
    ASSERT_NE(note, nullptr);
    QMimeData files;
    files.setData("text/uri-list", "file:///tmp/picture%20one.bmp\r\nfile:///tmp/notes.txt\r\n");
    EXPECT_TRUE(Drop(note->viewport(), &files));
    ASSERT_EQ(dlg.m_drops.size(), 1u);
    EXPECT_EQ(dlg.m_drops[0],
              (std::vector<std::string>{"\\tmp\\picture one.bmp", "\\tmp\\notes.txt"}));
    EXPECT_TRUE(note->toPlainText().isEmpty()) << "no URL was typed into the edit";

    // Dragged text is still Qt's business: it goes into the edit.
    QMimeData text;
    text.setText(QStringLiteral("dragged words"));
    Drop(note->viewport(), &text);
    EXPECT_EQ(dlg.m_drops.size(), 1u);
}

TEST_F(WindowComforts, ADialogTakesFilesOnlyOnceItAsksForThem)
{
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.png"))});
    EXPECT_FALSE(Drop(window, &files)) << "the dialog takes no files yet";
    EXPECT_TRUE(dlg.m_drops.empty());
    dlg.DragAcceptFiles();
    EXPECT_TRUE(dlg.GetExStyle() & WS_EX_ACCEPTFILES);
    EXPECT_TRUE(Drop(window, &files));
    ASSERT_EQ(dlg.m_drops.size(), 1u);
    EXPECT_EQ(dlg.m_drops[0], std::vector<std::string>{"\\tmp\\a.png"});
    dlg.DragAcceptFiles(FALSE);
    EXPECT_FALSE(Drop(window, &files));
    EXPECT_EQ(dlg.m_drops.size(), 1u);
}

TEST_F(WindowComforts, TypingSendsEnChangeAndTextSetInAMultiLineEditDoesNot)
{
    QWidget* note = Control(IDC_NOTE);
    note->setFocus();
    QTest::keyClicks(note, QStringLiteral("ab"));
    EXPECT_EQ(dlg.m_changes, 2);
    dlg.GetDlgItem(IDC_NOTE)->SetWindowText("set by the program");
    EXPECT_EQ(dlg.m_changes, 2) << "as on Windows, WM_SETTEXT of a multi-line edit is silent";
}

TEST_F(WindowComforts, FieldsAreNamedAfterTheLabelsBeforeThemAndDialogsSaySo)
{
    auto name = [](QWidget* widget)
    { return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name); };
    // Two labels, then their two fields: they pair up in order; the third field has none.
    EXPECT_EQ(name(Control(IDC_FIELD_A)), QStringLiteral("Name :"));
    EXPECT_EQ(name(Control(IDC_FIELD_B)), QStringLiteral("Place &time :"));
    EXPECT_EQ(name(Control(IDC_FIELD_C)), QString());
    // A button between a label and an edit ends the label's reach.
    EXPECT_EQ(name(Control(IDC_NOTE)), QString());

    QAccessibleInterface* dialog = QAccessible::queryAccessibleInterface(window);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->role(), QAccessible::Dialog);
    EXPECT_EQ(dialog->text(QAccessible::Name), QStringLiteral("Drop"));
}

TEST_F(WindowComforts, RadioButtonsAreOneGroupNamedByTheLabelBeforeThem)
{
    const auto checked = [this](int id)
    { return ::SendMessageA(::GetDlgItem(dlg.m_hWnd, id), BM_GETCHECK, 0, 0) == BST_CHECKED; };
    ::SendMessageA(::GetDlgItem(dlg.m_hWnd, IDC_RADIO_B), BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_TRUE(checked(IDC_RADIO_B));
    ::SendMessageA(::GetDlgItem(dlg.m_hWnd, IDC_RADIO_C), BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_FALSE(checked(IDC_RADIO_B)) << "one checked at a time";
    EXPECT_TRUE(checked(IDC_RADIO_C));

    // Tab enters the group at the checked button (set by the program, not the first with
    // WS_TABSTOP); arrows move within the group and check as they go.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    Control(IDC_FIELD_C)->setFocus();
    QTest::keyClick(Control(IDC_FIELD_C), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Control(IDC_RADIO_C));
    QTest::keyClick(Control(IDC_RADIO_C), Qt::Key_Up);
    EXPECT_TRUE(checked(IDC_RADIO_B));
    EXPECT_EQ(QApplication::focusWidget(), Control(IDC_RADIO_B));
    ::SendMessageA(::GetDlgItem(dlg.m_hWnd, IDC_RADIO_A), BM_CLICK, 0, 0);
    Control(IDC_FIELD_C)->setFocus();
    QTest::keyClick(Control(IDC_FIELD_C), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Control(IDC_RADIO_A));

    auto* face = QAccessible::queryAccessibleInterface(Control(IDC_RADIO_B));
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->role(), QAccessible::RadioButton);
    EXPECT_EQ(face->text(QAccessible::Name), QStringLiteral("Second"));
    EXPECT_EQ(face->text(QAccessible::Description), QStringLiteral("Kind :"));
    EXPECT_EQ(Control(IDC_RADIO_A)->accessibleDescription(), QStringLiteral("Kind :"));
    EXPECT_EQ(Control(IDOK)->accessibleDescription(), QString()) << "not in the group";
}

TEST(QuestionBox, YesNoWithTheSecondButtonAsDefaultAnswersEachWay)
{
    for (const bool yes : {true, false})
    {
        QString defaultText;
        layer::SetModalHook(
            [&](const ModalContext& ctx)
            {
                auto* box = qobject_cast<QMessageBox*>(ctx.widget);
                ASSERT_NE(box, nullptr);
                EXPECT_EQ(box->buttons().size(), 2);
                ASSERT_NE(box->defaultButton(), nullptr);
                defaultText = box->defaultButton()->text();
                box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
            });
        EXPECT_EQ(MessageBoxA(HWND(), "Discard?", "Probe", MB_YESNO | MB_DEFBUTTON2),
                  yes ? IDYES : IDNO);
        layer::SetModalHook({});
        EXPECT_EQ(defaultText.remove(u'&'), QStringLiteral("No"));
    }
}
