// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's comforts as a person meets them, with the real skin: the question before
// a typed message is thrown away, access keys, what screen readers are told, the folder the
// file dialogs start in, and files dropped on the window.
#include "platform/kernel/Text.h"
#include "tests/support/ModalScript.h"
#include "tests/support/TestStegoDlg.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <functional>

namespace
{
CWinApp g_app;

constexpr int kButtons[] = {IDC_IMAGE_PAGE, IDC_TEXT_PAGE, IDC_HELP_BUTTON,
                            IDC_OPEN_IMAGE, IDC_LOAD_TEXT, IDC_UNHIDE,
                            IDC_HIDE,       IDC_ABOUT,     IDCANCEL};

// Points $XDG_CONFIG_HOME at a folder of the test's own, so each test starts with no settings.
struct ConfigFolder
{
    ConfigFolder() : previous(qgetenv("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", folder.path().toUtf8());
    }
    ~ConfigFolder() { qputenv("XDG_CONFIG_HOME", previous); }
    QTemporaryDir folder;
    QByteArray previous;
};

// Waits for what a click on a timer (an access key's animated click) brings about.
bool WaitFor(const std::function<bool()>& done)
{
    for (int i = 0; i < 100 && !done(); ++i)
        QTest::qWait(10);
    return done();
}

QString Name(QWidget* widget)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString();
}

class WindowComforts : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        AfxEnableControlContainer();
        Start(dlg);
        picture = Path("picture.bmp");
        QImage image(120, 90, QImage::Format_RGB888);
        image.fill(Qt::darkCyan);
        ASSERT_TRUE(image.save(picture, "BMP"));
        text = Path("notes.txt");
        WriteAll(text, "Meet at the mill.");
    }
    void TearDown() override { EXPECT_EQ(script.Unused(), 0u) << "a modal window never came"; }

    void Start(CTestStegoDlg& window)
    {
        const std::size_t before = script.messages.size();
        ASSERT_TRUE(window.Create(IDD_MAIN));
        ASSERT_EQ(script.messages.size(), before) << "the window started with a message";
    }
    QString Path(const QString& name) const { return dir.filePath(name); }
    static void WriteAll(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QWidget* Window() const { return WidgetFromHwnd(dlg.m_hWnd); }
    QWidget* Control(int id) const { return WidgetFromHwnd(::GetDlgItem(dlg.m_hWnd, id)); }
    bool Visible(int id) const { return IsWindowVisible(::GetDlgItem(dlg.m_hWnd, id)); }
    void Command(int id) { dlg.SendMessage(WM_COMMAND, MAKEWPARAM(WORD(id), BN_CLICKED)); }
    void Type(const QString& keys)
    {
        auto* edit = Control(IDC_MESSAGE_EDIT);
        edit->setFocus();
        QTest::keyClicks(edit, keys);
    }
    void Open(const QString& path)
    {
        script.File(path);
        Command(IDC_OPEN_IMAGE);
    }
    // Drags local files from a file manager and drops them on `target`.
    static void Drop(QWidget* target, const QStringList& files)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& file : files)
            urls << QUrl::fromLocalFile(file);
        data.setUrls(urls);
        const QPoint at(target->width() / 2, target->height() / 2);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    }
    QWidget* MessageViewport() const
    {
        return qobject_cast<QPlainTextEdit*>(Control(IDC_MESSAGE_EDIT))->viewport();
    }

    QTemporaryDir dir;
    ConfigFolder config;
    ModalScript script;
    CTestStegoDlg dlg;
    QString picture, text;
};
} // namespace

TEST_F(WindowComforts, EscClosesAtOnceWhenNothingIsTypedAndAsksWhenSomethingIs)
{
    QTest::keyClick(Window(), Qt::Key_Escape);
    EXPECT_FALSE(Window()->isVisible());
    EXPECT_TRUE(script.messages.empty());

    CTestStegoDlg typed;
    Start(typed);
    QWidget* window = WidgetFromHwnd(typed.m_hWnd);
    QWidget* edit = WidgetFromHwnd(::GetDlgItem(typed.m_hWnd, IDC_MESSAGE_EDIT));
    typed.SendMessage(WM_COMMAND, IDC_TEXT_PAGE);
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("Meet at noon"));
    script.answers = {false};
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(script.messages, std::vector<std::string>{"Discard the message you typed?"});
    EXPECT_TRUE(window->isVisible()) << "No keeps the window and the text";
    EXPECT_EQ(edit->property("plainText").toString(), QStringLiteral("Meet at noon"));

    // Deleting the text again leaves nothing to lose.
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(script.messages.size(), 1u);
}

TEST_F(WindowComforts, TheCloseButtonAndTheCloseBoxAskTooAndYesCloses)
{
    Command(IDC_TEXT_PAGE);
    Type(QStringLiteral("draft"));
    script.answers = {false, true};
    Control(IDCANCEL)->setFocus();
    qobject_cast<QAbstractButton*>(Control(IDCANCEL))->click();
    EXPECT_TRUE(Window()->isVisible());
    Window()->close(); // the close box
    EXPECT_EQ(script.messages, (std::vector<std::string>{"Discard the message you typed?",
                                                         "Discard the message you typed?"}));
    EXPECT_FALSE(Window()->isVisible());
}

TEST_F(WindowComforts, LoadedTextCountsAsTypedAndAMessageHiddenOrRevealedIsKept)
{
    Open(picture);
    Command(IDC_TEXT_PAGE);
    script.File(text);
    Command(IDC_LOAD_TEXT);
    script.answers = {false};
    Command(IDCANCEL);
    EXPECT_EQ(script.messages.size(), 1u) << "loaded text is asked about";
    EXPECT_TRUE(Window()->isVisible());

    // Hidden, but the save dialog cancelled: the text exists nowhere else yet.
    script.Password("mill-key-1");
    script.CancelFile();
    Command(IDC_HIDE);
    script.answers = {false};
    Command(IDCANCEL);
    EXPECT_EQ(script.messages.size(), 2u);

    // Hidden and saved: nothing is lost by closing.
    script.Password("mill-key-1");
    script.File(Path("hidden.bmp"));
    Command(IDC_HIDE);
    ASSERT_TRUE(QFile::exists(Path("hidden.bmp")));
    Type(QStringLiteral(" More."));
    script.answers = {false};
    Command(IDCANCEL);
    EXPECT_EQ(script.messages.size(), 3u) << "text typed after the save is new";
    EXPECT_TRUE(Window()->isVisible());

    // Revealed from a picture: it is in the picture already.
    script.Password({{"mill-key-1", ""}});
    Command(IDC_UNHIDE);
    EXPECT_EQ(dlg.m_strMessage, "Meet at the mill.");
    Command(IDCANCEL);
    EXPECT_EQ(script.messages.size(), 3u);
    EXPECT_FALSE(Window()->isVisible());
}

TEST_F(WindowComforts, EveryButtonHasItsOwnAccessKeyAndAltPressesIt)
{
    QSet<QString> keys;
    for (int id : kButtons)
    {
        auto* button = qobject_cast<QAbstractButton*>(Control(id));
        ASSERT_NE(button, nullptr);
        const QString key = button->shortcut().toString();
        EXPECT_TRUE(key.startsWith(QStringLiteral("Alt+"))) << id << ": " << key.toStdString();
        EXPECT_FALSE(keys.contains(key)) << key.toStdString() << " twice";
        keys.insert(key);
    }
    EXPECT_EQ(keys.size(), int(std::size(kButtons)));

    Window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window()));
    QTest::keyClick(Window(), Qt::Key_T, Qt::AltModifier);
    EXPECT_TRUE(WaitFor([&] { return Visible(IDC_MESSAGE_EDIT); })) << "Alt+T: the text page";
    // Open image lies under the text page now: its key does nothing.
    QTest::keyClick(Window(), Qt::Key_O, Qt::AltModifier);
    QTest::qWait(300);
    EXPECT_TRUE(script.fileDialogs.empty());
    QTest::keyClick(Window(), Qt::Key_I, Qt::AltModifier);
    EXPECT_TRUE(WaitFor([&] { return Visible(IDC_OPEN_IMAGE); })) << "Alt+I: the image page";
    script.CancelFile();
    QTest::keyClick(Window(), Qt::Key_O, Qt::AltModifier);
    EXPECT_TRUE(WaitFor([&] { return script.fileDialogs.size() == 1; })) << "Alt+O: Open image";
    // Reveal is greyed out until a picture is open.
    QTest::keyClick(Window(), Qt::Key_R, Qt::AltModifier);
    QTest::qWait(300);
    EXPECT_EQ(script.passwordDialogs, 0);
}

TEST_F(WindowComforts, TabFollowsTheLayoutAndTheTextPageButtonHandsTheKeysToTheMessage)
{
    Open(picture);
    Window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window()));
    auto focused = [&] { return GetDlgCtrlID(HwndFromWidget(QApplication::focusWidget())); };
    auto tabCycle = [&]
    {
        Control(IDC_HELP_BUTTON)->setFocus();
        std::vector<int> stops{focused()};
        for (int i = 0; i < 12; ++i)
        {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            if (focused() == stops.front())
                break;
            stops.push_back(focused());
        }
        return stops;
    };
    // The left column from the top, the page buttons, the page, the bottom row; the corner
    // logo is no stop.
    EXPECT_EQ(tabCycle(), (std::vector<int>{IDC_HELP_BUTTON, IDC_OPEN_IMAGE, IDC_UNHIDE, IDC_ABOUT,
                                            IDC_IMAGE_PAGE, IDC_TEXT_PAGE, IDCANCEL}));

    QTest::keyClick(Window(), Qt::Key_T, Qt::AltModifier);
    ASSERT_TRUE(WaitFor([&] { return focused() == IDC_MESSAGE_EDIT; })) << "Alt+T: the message";
    QTest::keyClicks(QApplication::focusWidget(), "typed at once");
    EXPECT_EQ(qobject_cast<QPlainTextEdit*>(Control(IDC_MESSAGE_EDIT))->toPlainText(),
              "typed at once");
    EXPECT_EQ(tabCycle(),
              (std::vector<int>{IDC_HELP_BUTTON, IDC_LOAD_TEXT, IDC_HIDE, IDC_ABOUT, IDC_IMAGE_PAGE,
                                IDC_TEXT_PAGE, IDC_MESSAGE_EDIT, IDCANCEL}));
}

TEST_F(WindowComforts, ScreenReadersHearTheDialogItsButtonsThePictureAndThePasswordFields)
{
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(Window());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->role(), QAccessible::Dialog);
    EXPECT_EQ(window->text(QAccessible::Name), QStringLiteral("Carvalet"));
    EXPECT_EQ(Name(Control(IDC_OPEN_IMAGE)), QStringLiteral("Open image"));
    EXPECT_EQ(Name(Control(IDC_UNHIDE)), QStringLiteral("Reveal hidden message"));
    EXPECT_EQ(Name(Control(IDC_PICTURE)), QStringLiteral("No picture"));

    Open(picture);
    EXPECT_EQ(Name(Control(IDC_PICTURE)), QStringLiteral("Picture: picture.bmp"));
    WriteAll(Path("notes.bmp"), QByteArray(4000, 'x'));
    Open(Path("notes.bmp"));
    EXPECT_EQ(Name(Control(IDC_PICTURE)), QStringLiteral("No picture")) << "nothing to see";

    // Hiding needs a real picture; a file that is none is refused before the password.
    Open(picture);
    QString password, confirm, role;
    QStringList choices;
    script.Dialog(
        [&](const ModalContext& ctx)
        {
            CWnd* box = CWnd::FromHandle(ctx.hWnd);
            password = Name(WidgetFromHwnd(box->GetDlgItem(IDC_PASSWORD)->m_hWnd));
            confirm = Name(WidgetFromHwnd(box->GetDlgItem(IDC_CONFIRM)->m_hWnd));
            for (const int id : {IDC_PLAIN, IDC_SEAL, IDC_STEALTH})
            {
                QAccessibleInterface* face = QAccessible::queryAccessibleInterface(
                    WidgetFromHwnd(box->GetDlgItem(id)->m_hWnd));
                choices << face->text(QAccessible::Name) + " / " +
                               face->text(QAccessible::Description);
            }
            role = QAccessible::queryAccessibleInterface(ctx.widget)->role() == QAccessible::Dialog
                       ? QStringLiteral("dialog")
                       : QStringLiteral("other");
            box->SendMessage(WM_COMMAND, IDC_CANCEL_BUTTON);
        });
    Command(IDC_TEXT_PAGE);
    Type(QStringLiteral("x"));
    Command(IDC_HIDE);
    EXPECT_EQ(password, QStringLiteral("Password :"));
    EXPECT_EQ(confirm, QStringLiteral("Confirm Pw :"));
    EXPECT_EQ(role, QStringLiteral("dialog"));
    // Each choice by its name, the group's label as its description.
    EXPECT_EQ(choices, (QStringList{"Plain: readable by any copy of Carvalet / How the message is "
                                    "hidden :",
                                    "Sealed with the password / How the message is hidden :",
                                    "Stealth: no trace of the message in the picture / How the "
                                    "message is hidden :"}));
}

TEST_F(WindowComforts, FileDialogsStartInTheLastFolderUsedAlsoInTheNextRun)
{
    ASSERT_TRUE(QDir(dir.path()).mkpath("pictures"));
    ASSERT_TRUE(QDir(dir.path()).mkpath("letters"));
    const QString inPictures = Path("pictures/holiday.bmp");
    ASSERT_TRUE(QFile::copy(picture, inPictures));
    const QString inLetters = Path("letters/letter.txt");
    ASSERT_TRUE(QFile::copy(text, inLetters));

    Open(inPictures);
    dlg.DestroyWindow(); // the end of a run
    {
        CTestStegoDlg next;
        Start(next);
        script.CancelFile();
        next.SendMessage(WM_COMMAND, IDC_OPEN_IMAGE);
        script.CancelFile();
        next.SendMessage(WM_COMMAND, IDC_LOAD_TEXT);
        ASSERT_EQ(script.fileDialogs.size(), 3u);
        EXPECT_EQ(script.fileDialogs[1].directory, Path("pictures"));
        EXPECT_EQ(script.fileDialogs[2].directory, Path("pictures"));

        next.SendMessage(WM_COMMAND, IDC_TEXT_PAGE);
        script.File(inLetters);
        next.SendMessage(WM_COMMAND, IDC_LOAD_TEXT);
        script.answers = {true};
        next.SendMessage(WM_COMMAND, IDCANCEL);
    }
    CTestStegoDlg third;
    Start(third);
    script.CancelFile();
    third.SendMessage(WM_COMMAND, IDC_OPEN_IMAGE);
    EXPECT_EQ(script.fileDialogs.back().directory, Path("letters"));
}

TEST_F(WindowComforts, APictureDroppedOpensAsOpenImageOnEitherPage)
{
    Drop(Window(), {picture, text});
    EXPECT_EQ(dlg.m_nCarrierSize, QFileInfo(picture).size()) << "the first file counts";
    EXPECT_TRUE(Visible(IDC_PICTURE));
    EXPECT_EQ(Name(Control(IDC_PICTURE)), QStringLiteral("Picture: picture.bmp"));
    EXPECT_TRUE(script.fileDialogs.empty());

    // A PNG is taken as Open image takes it.
    const QString png = Path("second.PNG");
    ASSERT_TRUE(QImage(200, 100, QImage::Format_RGB888).save(png, "PNG"));
    Drop(Window(), {png});
    EXPECT_EQ(dlg.m_nCarrierSize, QFileInfo(png).size());

    // On the text page the text stays in front, ready for Hide.
    const QString second = Path("second.bmp");
    ASSERT_TRUE(QImage(200, 100, QImage::Format_RGB888).save(second, "BMP"));
    Command(IDC_TEXT_PAGE);
    Type(QStringLiteral("for the second"));
    Drop(MessageViewport(), {second});
    EXPECT_EQ(dlg.m_nCarrierSize, QFileInfo(second).size());
    EXPECT_TRUE(Visible(IDC_MESSAGE_EDIT));
    EXPECT_FALSE(Visible(IDC_PICTURE));
    EXPECT_EQ(qobject_cast<QPlainTextEdit*>(Control(IDC_MESSAGE_EDIT))->toPlainText(),
              QStringLiteral("for the second"))
        << "no URL typed into the message";
    Command(IDC_IMAGE_PAGE);
    EXPECT_TRUE(Visible(IDC_PICTURE));
    EXPECT_TRUE(script.messages.empty());
}

TEST_F(WindowComforts, ATextFileDroppedOnTheTextPageLoadsAsLoadTextAndNowhereElse)
{
    Drop(Window(), {text});
    EXPECT_EQ(dlg.m_nCarrierSize, 0) << "not a picture";
    Command(IDC_TEXT_PAGE);
    EXPECT_EQ(qobject_cast<QPlainTextEdit*>(Control(IDC_MESSAGE_EDIT))->toPlainText(), QString());

    Type(QStringLiteral("replaced"));
    Drop(MessageViewport(), {text});
    EXPECT_EQ(qobject_cast<QPlainTextEdit*>(Control(IDC_MESSAGE_EDIT))->toPlainText(),
              QStringLiteral("Meet at the mill."));
    Drop(Window(), {Path("missing.txt")});
    EXPECT_EQ(qobject_cast<QPlainTextEdit*>(Control(IDC_MESSAGE_EDIT))->toPlainText(),
              QStringLiteral("Meet at the mill."))
        << "a file that cannot be opened changes nothing";
    EXPECT_TRUE(script.messages.empty());
    EXPECT_TRUE(script.fileDialogs.empty());
}
