// SPDX-License-Identifier: GPL-3.0-or-later
// The four commands of the main window end to end: file dialogs answered, passwords typed,
// message boxes read, and the files on disk checked byte for byte.
#include "engine/CarrierCodec.h"
#include "engine/PasswordRecord.h"
#include "engine/SealedMessage.h"
#include "hiding/CarrierPlan.h"
#include "hiding/MessageKind.h"
#include "hiding/Sentences.h"
#include "platform/gdi/ImageObject.h"
#include "platform/kernel/Text.h"
#include "tests/support/CheapKdf.h"
#include "tests/support/FileFlags.h"
#include "tests/support/ModalScript.h"
#include "tests/support/PictureFiles.h"
#include "tests/support/ScratchConfig.h"
#include "tests/support/TestStegoDlg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
CWinApp g_app;

void Put32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A 24-bit bitmap whose pixels change from byte to byte, so bit 0 varies.
std::string MakeBmp(int width, int height)
{
    const int stride = (width * 3 + 3) / 4 * 4;
    std::string out = "BM";
    Put32(out, static_cast<std::uint32_t>(54 + stride * height));
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(height));
    Put32(out, 1 | 24 << 16);
    for (int i = 0; i < 6; ++i)
        Put32(out, 0);
    for (int i = 0; i < stride * height; ++i)
        out += static_cast<char>((i * 7 + i / 3) & 0xFF);
    return out;
}

std::string ReadAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return bytes.toStdString();
}

void WriteAll(const QString& path, const std::string& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes.data(), qint64(bytes.size())), qint64(bytes.size()));
}

// A file this process cannot open for writing: read-only, or immutable when running as root.
struct ReadOnlyFile
{
    explicit ReadOnlyFile(const QString& path) : native(path.toLocal8Bit().toStdString())
    {
        if (geteuid() != 0)
        {
            ok = chmod(native.c_str(), 0444) == 0;
            return;
        }
        ok = SetImmutable(true) && open(native.c_str(), O_RDWR) < 0;
    }
    ~ReadOnlyFile()
    {
        if (geteuid() == 0)
            SetImmutable(false);
    }
    bool SetImmutable(bool on) const { return fileflags::SetImmutable(native, on); }
    std::string native;
    bool ok = false;
};

// A folder this process cannot make files in: read-only, or immutable when running as root.
struct ReadOnlyFolder
{
    explicit ReadOnlyFolder(const std::string& path) : native(path)
    {
        ok = geteuid() == 0 ? fileflags::SetImmutable(native, true)
                            : chmod(native.c_str(), 0555) == 0;
    }
    ~ReadOnlyFolder()
    {
        if (geteuid() == 0)
            fileflags::SetImmutable(native, false);
        else
            chmod(native.c_str(), 0755);
    }
    std::string native;
    bool ok = false;
};

class StegoCommands : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        AfxEnableControlContainer();
        ASSERT_TRUE(dlg.Create(IDD_MAIN));
        // Whatever start-up showed (a missing skin in a bare test folder) is not ours.
        script.messages.clear();
        bmp = Path("picture.bmp");
        WriteAll(bmp, MakeBmp(120, 90));
    }
    void TearDown() override { EXPECT_EQ(script.Unused(), 0u) << "a modal window never came"; }

    QString Path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    void Command(int id) { dlg.SendMessage(WM_COMMAND, MAKEWPARAM(WORD(id), BN_CLICKED)); }
    bool Enabled(int id) { return IsWindowEnabled(::GetDlgItem(dlg.m_hWnd, id)); }
    bool Visible(int id) { return IsWindowVisible(::GetDlgItem(dlg.m_hWnd, id)); }
    HBITMAP Picture()
    {
        return HandleFromParam<HBITMAP>(static_cast<std::uintptr_t>(
            dlg.GetDlgItem(IDC_PICTURE)->SendMessage(STM_GETIMAGE, IMAGE_BITMAP)));
    }
    std::string Carrier() const
    {
        return std::string(reinterpret_cast<const char*>(dlg.m_pCarrier.get()),
                           static_cast<std::size_t>(dlg.m_nCarrierSize));
    }
    std::string EditText()
    {
        CString text;
        dlg.GetDlgItem(IDC_MESSAGE_EDIT)->GetWindowText(text);
        return text.str();
    }
    void TypeMessage(const char* text) { dlg.GetDlgItem(IDC_MESSAGE_EDIT)->SetWindowText(text); }

    void Open(const QString& path)
    {
        script.File(path);
        Command(IDC_OPEN_IMAGE);
    }
    // Hides text under password and saves to `saveAs` (empty: the save dialog is cancelled).
    void Hide(const char* text, const std::string& password, const QString& saveAs)
    {
        TypeMessage(text);
        script.Password(password);
        script.File(saveAs);
        Command(IDC_HIDE);
    }
    std::string Unhide(const std::string& password)
    {
        script.Password({{password, ""}});
        Command(IDC_UNHIDE);
        return dlg.m_strMessage.str();
    }

    ScratchConfig config;
    QTemporaryDir dir;
    ModalScript script;
    CTestStegoDlg dlg;
    QString bmp;
};
} // namespace

TEST_F(StegoCommands, OpeningABitmapPreviewsItReadsItWholeAndEnablesHideAndUnhide)
{
    Open(bmp);
    EXPECT_TRUE(script.messages.empty());
    ASSERT_EQ(script.fileDialogs.size(), 1u);
    const FileDialogSeen& seen = script.fileDialogs[0];
    EXPECT_EQ(seen.title, "Open");
    EXPECT_FALSE(seen.save);
    // Qt reads a filter's patterns separated by blanks: "Pictures (*.bmp;*.png)" shows so.
    EXPECT_EQ(seen.filters, (QStringList{"Pictures (*.bmp *.png)", "Bitmap Files (*.bmp)"}));
    EXPECT_EQ(seen.defaultSuffix, "bmp");
    EXPECT_EQ(seen.fileMode, QFileDialog::AnyFile) << "no must-exist flag";

    EXPECT_EQ(Carrier(), ReadAll(bmp));
    EXPECT_EQ(dlg.m_strImagePath, layer::WindowsPath(bmp.toStdString()).c_str());
    EXPECT_EQ(dlg.m_strCarrierPath, dlg.m_strImagePath);
    const QPixmap* preview = layer::PixmapFromHandle(Picture());
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->size(), QSize(330, 218));
    EXPECT_TRUE(Visible(IDC_PICTURE));
    EXPECT_TRUE(Enabled(IDC_HIDE));
    EXPECT_TRUE(Enabled(IDC_UNHIDE));

    // The next open proposes the last path.
    script.CancelFile();
    Command(IDC_OPEN_IMAGE);
    EXPECT_EQ(script.fileDialogs[1].proposed, bmp);
    EXPECT_EQ(Carrier(), ReadAll(bmp)) << "cancelling changes nothing";
}

TEST_F(StegoCommands, AnyFileIsReadButOnlyAPictureIsWrittenInto)
{
    // A text file holding records hidden by some other means: Unhide reads any file.
    const QString notes = Path("notes.bmp");
    std::string bytes(4000, 'x');
    auto* data = reinterpret_cast<std::uint8_t*>(bytes.data());
    ASSERT_EQ(EmbedText(data, 4000, PASSWORD_SLOT, "lanterns58203746", nullptr), 1);
    ASSERT_EQ(EmbedText(data, 4000, MESSAGE_SLOT, "hidden in text", nullptr), 1);
    WriteAll(notes, bytes);
    Open(notes);
    EXPECT_FALSE(Picture());
    EXPECT_TRUE(Visible(IDC_PICTURE)) << "shown, with nothing in it";
    EXPECT_TRUE(Enabled(IDC_HIDE));
    EXPECT_EQ(Carrier(), bytes);
    EXPECT_EQ(Unhide("lanterns"), "hidden in text");

    // Hiding in it would damage it: refused before any password is asked.
    TypeMessage("a new message");
    Command(IDC_HIDE);
    EXPECT_EQ(script.messages,
              std::vector<std::string>{"This file is not a picture: hiding a message in it would "
                                       "damage it. Carvalet hides messages in BMP and PNG "
                                       "pictures."});
    EXPECT_EQ(script.passwordDialogs, 1) << "only Unhide's";
    EXPECT_EQ(Carrier(), bytes);
}

TEST_F(StegoCommands, APictureHidingWouldDamageIsConvertedOnlyWhenTheUserSaysYes)
{
    // 8-bit run-length pixels: a long message would reach them.
    const QString rle = Path("stripes.bmp");
    const std::string original = pictures::MakeBmp(
        pictures::BmpShape().Bits(8).Compression(pictures::RLE8).Colours(pictures::Palette(256)),
        160, 120, [](int x, int y) { return std::uint32_t(x / 8 + y / 4) % 256; });
    WriteAll(rle, original);
    Open(rle);
    ASSERT_TRUE(Picture());
    const std::string message(400, 'm');
    const std::string question = "Hiding a message in this picture would damage it (compressed "
                                 "pixels). Carvalet can save it as a 24-bit bitmap that looks "
                                 "the same. Continue?";

    // The password dialog first, where the layout is chosen; then the question. No ends the hide.
    script.convert = false;
    TypeMessage(message.c_str());
    script.Password("lanterns-8");
    Command(IDC_HIDE);
    EXPECT_EQ(script.messages, std::vector<std::string>{question});
    EXPECT_EQ(script.passwordDialogs, 1);
    EXPECT_EQ(script.fileDialogs.size(), 1u) << "no save dialog";
    EXPECT_EQ(Carrier(), original);

    // Yes: the save dialog proposing a bitmap of the same name.
    script.messages.clear();
    script.convert = true;
    Hide(message.c_str(), "lanterns-8", Path("converted.bmp"));
    EXPECT_EQ(script.messages, std::vector<std::string>{question});
    ASSERT_EQ(script.fileDialogs.size(), 2u);
    EXPECT_EQ(script.fileDialogs[1].proposed, rle);
    const std::string saved = ReadAll(Path("converted.bmp"));
    EXPECT_EQ(saved, Carrier());
    ASSERT_GT(saved.size(), 54u);
    EXPECT_EQ(saved.size(), 54u + 160 * 3 * 120) << "a classic 24-bit bitmap";
    EXPECT_EQ(saved[14], 40);
    EXPECT_EQ(saved[28], 24);
    EXPECT_EQ(Unhide("lanterns-8"), message);

    // A short message stays in the palette: written as it is, no question.
    script.messages.clear();
    Open(rle);
    Hide("short", "lanterns-8", QString());
    EXPECT_TRUE(script.messages.empty());
    EXPECT_EQ(Carrier().size(), original.size());
}

TEST_F(StegoCommands, APngOpensWithItsPreviewAndIsSavedAsABitmapOfTheSameName)
{
    const QString png = Path("photo.png");
    pictures::Shell("convert -seed 5 -size 90x60 plasma:fractal -depth 8 -alpha set -channel A "
                    "-evaluate set 60% PNG32:'" +
                    png.toStdString() + "'");
    const std::string original = ReadAll(png);
    Open(png);
    EXPECT_EQ(Carrier(), original) << "the file's own bytes until a hide converts them";
    const QPixmap* preview = layer::PixmapFromHandle(Picture());
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->size(), QSize(330, 218));
    // The preview shows the picture: its corners have the PNG's colours.
    const std::string rgba = pictures::MagickPixels(png.toStdString());
    const QImage shown = preview->toImage();
    EXPECT_EQ(
        shown.pixel(0, 0) & 0xFFFFFF,
        QRgb(std::uint8_t(rgba[0]) << 16 | std::uint8_t(rgba[1]) << 8 | std::uint8_t(rgba[2])));

    Hide("under the willow", "lanterns-8", Path("photo.bmp"));
    EXPECT_EQ(script.messages,
              std::vector<std::string>{"Hiding a message in this picture would damage it (PNG "
                                       "format). Carvalet can save it as a 32-bit bitmap that "
                                       "looks the same. Continue?"});
    EXPECT_EQ(script.fileDialogs.back().proposed, Path("photo.bmp"));
    EXPECT_EQ(ReadAll(png), original) << "the PNG itself is never written";
    const std::string bitmap = ReadAll(Path("photo.bmp"));
    ASSERT_EQ(bitmap.size(), 54u + 90 * 4 * 60);
    EXPECT_EQ(bitmap.substr(0, 2), "BM");
    // Every pixel, alpha included, as ImageMagick reads both: equal within bit 0.
    const std::string after = pictures::MagickPixels(Path("photo.bmp").toStdString());
    ASSERT_EQ(after.size(), rgba.size());
    for (std::size_t i = 0; i < rgba.size(); ++i)
        ASSERT_LE(std::uint8_t(after[i]) ^ std::uint8_t(rgba[i]), 1) << "byte " << i;

    // Hiding again in the converted carrier needs no question, and still proposes the bitmap.
    script.messages.clear();
    Hide("again", "lanterns-8", QString());
    EXPECT_TRUE(script.messages.empty());
    EXPECT_EQ(script.fileDialogs.back().proposed, Path("photo.bmp"));
    EXPECT_EQ(Unhide("lanterns-8"), "again");
}

TEST_F(StegoCommands, ANameThatDoesNotExistClearsThePictureAndEmptiesTheCarrier)
{
    Open(bmp);
    ASSERT_TRUE(Picture());
    Open(Path("missing.bmp"));
    EXPECT_TRUE(script.messages.empty());
    EXPECT_FALSE(Picture());
    EXPECT_EQ(dlg.m_nCarrierSize, 0);
    EXPECT_EQ(dlg.m_strImagePath, layer::WindowsPath(Path("missing.bmp").toStdString()).c_str());
    EXPECT_TRUE(Enabled(IDC_HIDE)) << "nothing disables the buttons again";
    EXPECT_TRUE(Enabled(IDC_UNHIDE));
}

TEST_F(StegoCommands, AFileThatCannotBeOpenedForWritingLeavesAnEmptyCarrier)
{
    const QString locked = Path("locked.bmp");
    WriteAll(locked, MakeBmp(40, 30));
    // Root opens read-only files for writing; an immutable file refuses even root.
    const ReadOnlyFile readOnly(locked);
    if (!readOnly.ok)
        GTEST_SKIP() << "cannot make a file that this user cannot open for writing "
                        "(root without the immutable attribute on this file system)";
    Open(bmp);
    Open(locked);
    EXPECT_TRUE(script.messages.empty());
    EXPECT_EQ(dlg.m_nCarrierSize, 0);
    EXPECT_TRUE(Picture()) << "the new preview";
    EXPECT_TRUE(Enabled(IDC_HIDE));

    TypeMessage("anything");
    script.Password("lanterns-8");
    Command(IDC_HIDE);
    EXPECT_EQ(script.messages,
              (std::vector<std::string>{"Image is very small.", "Operation aborted ..     "}));
    EXPECT_EQ(script.fileDialogs.size(), 2u) << "no save dialog";
    script.messages.clear();
    Command(IDC_UNHIDE);
    EXPECT_TRUE(script.messages.empty());
    EXPECT_EQ(script.passwordDialogs, 1) << "unhide asks for no password";
}

TEST_F(StegoCommands, HideThenCancelTheSaveThenUnhideFromMemory)
{
    Open(bmp);
    const std::string onDisk = ReadAll(bmp);
    Hide("Meet me at dawn.\r\n", "lanterns-8", QString());
    EXPECT_TRUE(script.messages.empty());
    EXPECT_EQ(ReadAll(bmp), onDisk) << "no file written";
    EXPECT_NE(Carrier(), onDisk);

    TypeMessage("");
    Command(IDC_IMAGE_PAGE);
    EXPECT_EQ(Unhide("lanterns-8"), "Meet me at dawn.") << "trailing line break dropped";
    EXPECT_EQ(EditText(), "Meet me at dawn.");
    // What Reveal found is in front, focused, read from its start.
    EXPECT_TRUE(Visible(IDC_MESSAGE_EDIT));
    EXPECT_FALSE(Visible(IDC_OPEN_IMAGE));
    auto* edit =
        qobject_cast<QPlainTextEdit*>(WidgetFromHwnd(dlg.GetDlgItem(IDC_MESSAGE_EDIT)->m_hWnd));
    EXPECT_EQ(WidgetFromHwnd(dlg.m_hWnd)->focusWidget(), edit);
    EXPECT_EQ(edit->textCursor().position(), 0);
    EXPECT_FALSE(edit->textCursor().hasSelection());
}

TEST_F(StegoCommands, HidingTwiceLeavesTheSecondMessageAndPassword)
{
    Open(bmp);
    Hide("a first and much longer message", "lanterns-8", QString());
    Hide("second", "harbour-77", QString());
    EXPECT_TRUE(script.messages.empty());
    script.Password({{"lanterns-8", ""}});
    Command(IDC_UNHIDE);
    EXPECT_EQ(script.messages, std::vector<std::string>{"Invalid password try again"});
    EXPECT_EQ(Unhide("harbour-77"), "second");
}

TEST_F(StegoCommands, RefusalsEndTheHideBeforeTheSaveDialog)
{
    Open(bmp);
    TypeMessage("");
    Command(IDC_HIDE);
    EXPECT_EQ(script.messages, std::vector<std::string>{"There is no text to curtain"});
    EXPECT_EQ(script.passwordDialogs, 0);

    // Cancelling the password dialog changes nothing.
    script.messages.clear();
    TypeMessage("text");
    script.CancelPassword();
    Command(IDC_HIDE);
    EXPECT_EQ(Carrier(), ReadAll(bmp));

    // A message too long for this carrier: the codec's message, then the command's.
    const std::string longText(4000, 'm');
    TypeMessage(longText.c_str());
    script.Password("lanterns-8");
    Command(IDC_HIDE);
    EXPECT_EQ(script.messages,
              (std::vector<std::string>{"Image is very small.", "Operation aborted ..     "}));
    EXPECT_EQ(script.fileDialogs.size(), 1u) << "no save dialog";
}

TEST_F(StegoCommands, SavingOverTheOpenedFileAsksThenReplacesItKeepingItsPermissions)
{
    ASSERT_EQ(chmod(bmp.toLocal8Bit().constData(), 0640), 0);
    Open(bmp);
    const std::string before = ReadAll(bmp);

    script.replace = false;
    Hide("kept secret", "lanterns-8", bmp);
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0], "picture.bmp already exists.\nDo you want to replace it?");
    EXPECT_EQ(ReadAll(bmp), before) << "No keeps the file";

    script.messages.clear();
    script.replace = true;
    Hide("kept secret", "lanterns-8", bmp);
    const FileDialogSeen& save = script.fileDialogs.back();
    EXPECT_TRUE(save.save);
    EXPECT_EQ(save.title, "Save As");
    EXPECT_EQ(save.proposed, bmp) << "the image path is proposed";
    EXPECT_EQ(save.filters, QStringList{"Bitmap Files (*.bmp)"});

    const std::string after = ReadAll(bmp);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i)
        ASSERT_EQ(after[i] & ~1, before[i] & ~1) << "byte " << i;
    EXPECT_NE(after, before);
    struct stat st
    {
    };
    ASSERT_EQ(stat(bmp.toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1)
        << "no temporary file left";

    // Reopened from disk, the message reads back.
    Open(bmp);
    EXPECT_EQ(Unhide("lanterns-8"), "kept secret");
}

TEST_F(StegoCommands, ASaveThatFailsHalfwayLeavesTheOldFileIntactAndSays)
{
    const QString target = Path("target.bmp");
    const std::string old = MakeBmp(100, 100);
    WriteAll(target, old);
    Open(bmp);

    // A file size limit makes the write fail partway, as a full disk would, even for root.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    Hide("does not reach the disk", "lanterns-8", target);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    ASSERT_EQ(script.messages.size(), 2u);
    EXPECT_EQ(script.messages[0], "target.bmp already exists.\nDo you want to replace it?");
    EXPECT_EQ(script.messages[1].rfind("Could not save " + target.toStdString() + ": ", 0), 0u)
        << script.messages[1];
    EXPECT_TRUE(script.messages[1].ends_with(". The file is as it was.")) << script.messages[1];
    EXPECT_EQ(ReadAll(target), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2)
        << "no temporary file left";

    // The window goes on working: the same save succeeds now.
    script.messages.clear();
    script.Password("lanterns-8");
    script.File(target);
    Command(IDC_HIDE);
    EXPECT_EQ(ReadAll(target), Carrier());
}

// No failed save is silent: the user hears the system's reason and what became of the file.
TEST_F(StegoCommands, EveryFailedSaveIsToldWithItsReasonAndWhatBecameOfTheFile)
{
    Open(bmp);
    const QString kept = Path("kept.bmp");
    const std::string old = MakeBmp(100, 100);
    WriteAll(kept, old);
    ReadOnlyFile readOnly(kept);
    ASSERT_TRUE(readOnly.ok);
    struct Case
    {
        QString target;
        std::string reason;
        std::string left;
    };
    const Case cases[] = {
        {Path("no-such-folder/out.bmp"), "No such file or directory", "No file was made."},
        {Path(std::string(300, 'n').append(".bmp").c_str()), "File name too long",
         "No file was made."},
        {kept, geteuid() == 0 ? "Operation not permitted" : "Permission denied",
         "The file is as it was."},
    };
    for (const Case& c : cases)
    {
        script.messages.clear();
        Hide("text", "lanterns-8", c.target);
        const std::string said = script.messages.empty() ? "" : script.messages.back();
        EXPECT_EQ(said,
                  "Could not save " + c.target.toStdString() + ": " + c.reason + ". " + c.left);
        EXPECT_EQ(dlg.m_strCarrierPath, layer::WindowsPath(c.target.toStdString()).c_str());
    }
    EXPECT_FALSE(QFile::exists(cases[0].target));
    EXPECT_EQ(ReadAll(kept), old);
    EXPECT_EQ(dlg.m_strImagePath, layer::WindowsPath(bmp.toStdString()).c_str());
}

// A picture changed on disk after Open image is never overwritten with the old bytes: No stops
// the hide, Yes reads it again and hides in the new picture.
TEST_F(StegoCommands, APictureChangedOnDiskIsOfferedAgainBeforeHiding)
{
    Open(bmp);
    const std::string changed = MakeBmp(64, 48);
    WriteAll(bmp, changed);
    TypeMessage("fresh bytes only");
    script.answers = {false};
    Command(IDC_HIDE);
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0], bmp.toStdString() +
                                      " has changed since it was opened.\nOpen it again and hide "
                                      "the message in the picture as it is now?");
    EXPECT_EQ(ReadAll(bmp), changed) << "No hides nothing";
    EXPECT_EQ(script.passwordDialogs, 0);

    script.messages.clear();
    script.answers = {true};
    script.Password("lanterns-8");
    script.File(bmp);
    Command(IDC_HIDE);
    ASSERT_EQ(script.messages.size(), 2u) << "the change, then replace?";
    const std::string after = ReadAll(bmp);
    ASSERT_EQ(after.size(), changed.size()) << "saved from the new bytes";
    for (std::size_t i = 0; i < after.size(); ++i)
        ASSERT_EQ(after[i] & ~1, changed[i] & ~1) << "byte " << i;

    // Saving over the picture itself leaves nothing stale: the next hide asks nothing more.
    script.messages.clear();
    Hide("second message", "lanterns-8", bmp);
    EXPECT_EQ(script.messages.size(), 1u) << "only replace?";
}

TEST_F(StegoCommands, AFileThatCannotBeReplacedSafelyIsKeptAndTheUserIsTold)
{
    // The folder takes no new file: as root, only an immutable folder refuses one.
    QDir(dir.path()).mkdir("locked");
    const QString target = Path("locked/target.bmp");
    const std::string old = MakeBmp(100, 100);
    WriteAll(target, old);
    const std::string folder = Path("locked").toStdString();
    ReadOnlyFolder locked(folder);
    ASSERT_TRUE(locked.ok);
    Open(bmp);
    Hide("never written in place", "lanterns-8", target);

    ASSERT_EQ(script.messages.size(), 2u);
    EXPECT_EQ(script.messages[1].rfind("Could not save " + target.toStdString() +
                                           ": no new file can be made in the folder " + folder +
                                           " (",
                                       0),
              0u)
        << script.messages[1];
    EXPECT_EQ(ReadAll(target), old);
}

TEST_F(StegoCommands, ABackslashInAFileNameSurvivesTheFileDialogs)
{
    const QString image = Path("a\\b.bmp");
    WriteAll(image, MakeBmp(120, 90));
    Open(image);
    EXPECT_EQ(Carrier(), ReadAll(image));

    const QString saved = Path("c\\d.bmp");
    Hide("behind a backslash", "lanterns-8", saved);
    EXPECT_TRUE(script.messages.empty());
    EXPECT_EQ(script.fileDialogs.back().proposed, image) << "the opened name, whole";
    EXPECT_EQ(ReadAll(saved), Carrier());
    EXPECT_FALSE(QFileInfo::exists(Path("c"))) << "the backslash was taken for a folder";
    EXPECT_EQ(dlg.m_strCarrierPath, layer::WindowsPath(saved.toStdString()).c_str());
}

TEST_F(StegoCommands, UnhideOnAZeroCountSaysSoWithoutAskingForAPassword)
{
    const QString even = Path("even.bmp");
    WriteAll(even, std::string(500, '\x02'));
    Open(even);
    Command(IDC_UNHIDE);
    EXPECT_EQ(script.messages,
              std::vector<std::string>{"Image does not contain curtained data .."});
    EXPECT_EQ(script.passwordDialogs, 0);
}

TEST_F(StegoCommands, UnhideFindsAStealthMessageWithItsPasswordAndSaysOneSentenceOtherwise)
{
    dlg.m_stealthKdf = cheapkdf::Derive;
    const std::string cover = ReadAll(bmp);
    const std::string message = "under the bridge";
    const hiding::StealthFile hidden =
        hiding::CarrierPlan(pictures::Bytes(cover), std::int32_t(cover.size()))
            .HideStealthMessage({pictures::Bytes(message), message.size()}, "correct horse",
                                {STEALTH_SAFE_BPC, cheapkdf::Derive});
    ASSERT_EQ(hidden.failure, "");
    const QString stealth = Path("stealth.bmp");
    WriteAll(stealth, std::string(hidden.bytes.begin(), hidden.bytes.end()));
    Open(stealth);
    EXPECT_EQ(Unhide("correct horse"), message);
    EXPECT_EQ(EditText(), message);
    EXPECT_TRUE(script.messages.empty());

    // A wrong password and a picture without a message: one sentence, and no second try.
    EXPECT_EQ(Unhide("correct horsE"), message) << "the message shown stays";
    Open(bmp);
    Unhide("correct horse");
    EXPECT_EQ(script.messages, std::vector<std::string>(2, STEALTH_NOT_FOUND));
}

TEST_F(StegoCommands, UnhideCancelledKeepsTheMessageAndAnEmptyMessageSlotEmptiesIt)
{
    Open(bmp);
    Hide("secret", "lanterns-8", QString());
    TypeMessage("typed meanwhile");
    script.CancelPassword();
    Command(IDC_UNHIDE);
    EXPECT_EQ(EditText(), "typed meanwhile");

    // Only a password record in the carrier: the message slot yields nothing.
    for (int i = MESSAGE_SLOT - 32; i < MESSAGE_SLOT; ++i)
        dlg.m_pCarrier[i] &= 0xFE;
    Command(IDC_IMAGE_PAGE);
    EXPECT_EQ(Unhide("lanterns-8"), "");
    EXPECT_EQ(EditText(), "");
    EXPECT_EQ(script.messages,
              std::vector<std::string>{"Image does not contain curtained data .."});
    EXPECT_TRUE(Visible(IDC_OPEN_IMAGE)) << "nothing found: the page stays";
}

// Load text refuses, before reading it, a text longer than the open picture (or with none, any
// carrier) can take; Hide refuses a message of white space only, which would read back empty.
TEST_F(StegoCommands, TextsNoPictureCanTakeAndBlankMessagesAreRefused)
{
    const QString huge = Path("huge.txt");
    const auto sparse = [&](std::int64_t size)
    {
        QFile file(huge);
        return file.open(QIODevice::WriteOnly) && file.resize(size);
    };
    const std::int64_t anyCarrier = hiding::LongestInCarrier(hiding::MessageKind::Plain, INT32_MAX);
    ASSERT_TRUE(sparse(anyCarrier + 1));
    TypeMessage("kept");
    script.File(huge);
    Command(IDC_LOAD_TEXT);
    ASSERT_EQ(script.messages.size(), 1u);
    // Built by appending: GCC 12 at -O3 takes inserts into temporaries for overlapping copies.
    const auto grouped = [](std::int64_t n)
    {
        const std::string digits = std::to_string(n);
        std::string out;
        for (std::size_t i = 0; i < digits.size(); ++i)
        {
            if (i > 0 && (digits.size() - i) % 3 == 0)
                out += ',';
            out += digits[i];
        }
        return out;
    };
    std::string expected = "huge.txt is ";
    expected.append(grouped(anyCarrier + 1)).append(" bytes long; a message can be at most ");
    expected.append(grouped(anyCarrier)).append(" bytes.");
    EXPECT_EQ(script.messages[0], expected);
    Open(bmp);
    ASSERT_TRUE(sparse(1 << 20));
    script.File(huge);
    Command(IDC_LOAD_TEXT);
    ASSERT_EQ(script.messages.size(), 2u);
    EXPECT_EQ(script.messages[1].rfind("huge.txt is 1,048,576 bytes long; the open picture takes "
                                       "at most ",
                                       0),
              0u)
        << script.messages[1];
    EXPECT_EQ(EditText(), "kept");

    TypeMessage(" \r\n\t ");
    Command(IDC_HIDE);
    ASSERT_EQ(script.messages.size(), 3u);
    EXPECT_EQ(script.messages[2], hiding::NO_TEXT);
}

TEST_F(StegoCommands, LoadTextTakesTheBytesUpToTheFirstZero)
{
    const QString text = Path("message.txt");
    WriteAll(text, std::string("first line\r\nsecond\0after the zero", 31));
    script.File(text);
    Command(IDC_LOAD_TEXT);
    EXPECT_EQ(dlg.m_strMessage, "first line\r\nsecond");
    EXPECT_EQ(EditText(), "first line\r\nsecond");
    const FileDialogSeen& seen = script.fileDialogs[0];
    EXPECT_EQ(seen.filters, QStringList{"text (*.txt)"});
    EXPECT_EQ(seen.defaultSuffix, "txt");
    EXPECT_FALSE(seen.save);

    const QString empty = Path("empty.txt");
    WriteAll(empty, "");
    script.File(empty);
    Command(IDC_LOAD_TEXT);
    EXPECT_EQ(dlg.m_strMessage, "");

    // A name that does not exist, or a cancel, changes nothing.
    TypeMessage("kept");
    script.File(Path("missing.txt"));
    Command(IDC_LOAD_TEXT);
    script.CancelFile();
    Command(IDC_LOAD_TEXT);
    EXPECT_EQ(EditText(), "kept");
    EXPECT_TRUE(script.messages.empty());
}

TEST_F(StegoCommands, AccentedTextFromWindowsAndFromTheKeyboardKeepsItsBytes)
{
    // "Café à l'aube" as Windows-1252 bytes, loaded from a file written on Windows.
    const std::string cp1252 = "Caf\xE9 \xE0 l'aube";
    const QString text = Path("windows.txt");
    WriteAll(text, cp1252);
    script.File(text);
    Command(IDC_LOAD_TEXT);
    auto* edit =
        qobject_cast<QPlainTextEdit*>(WidgetFromHwnd(::GetDlgItem(dlg.m_hWnd, IDC_MESSAGE_EDIT)));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->toPlainText(), QString::fromUtf8("Café à l'aube"));

    Open(bmp);
    Hide(cp1252.c_str(), "lanterns-8", QString());
    EXPECT_EQ(Unhide("lanterns-8"), cp1252) << "the hidden bytes are Windows' own";
    EXPECT_EQ(edit->toPlainText(), QString::fromUtf8("Café à l'aube"));

    // Typed here, the text is stored as Windows stores it, when every character has a form
    // there, and in UTF-8 otherwise.
    edit->setPlainText(QString::fromUtf8("Grüße"));
    script.Password("lanterns-8");
    script.CancelFile();
    Command(IDC_HIDE);
    EXPECT_EQ(Unhide("lanterns-8"), "Gr\xFC\xDF"
                                    "e");
    edit->setPlainText(QString::fromUtf8("Grüße, Ωmega"));
    script.Password("lanterns-8");
    script.CancelFile();
    Command(IDC_HIDE);
    EXPECT_EQ(Unhide("lanterns-8"), "Gr\xC3\xBC\xC3\x9F"
                                    "e, \xCE\xA9mega");
}

TEST_F(StegoCommands, AFileTooLargeForTheCarrierCountIsRefusedNotCut)
{
    const QString huge = Path("huge.bmp");
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        if (!file.resize(qint64(INT32_MAX) + 1))
            GTEST_SKIP() << "this file system cannot hold a 2 GB sparse file";
    }
    Open(bmp);
    Open(huge);
    EXPECT_EQ(script.messages,
              std::vector<std::string>{"The file is too large to open: at most 2147483647 bytes "
                                       "can be read."});
    EXPECT_EQ(dlg.m_nCarrierSize, 0);
    EXPECT_FALSE(Picture());
}

// AddressSanitizer reports an allocation beyond the limit instead of failing it. GCC says it is
// on with __SANITIZE_ADDRESS__, clang through __has_feature.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define STEGO_TEST_ADDRESS_SANITIZER
#endif
#endif
#if !defined(__SANITIZE_ADDRESS__) && !defined(STEGO_TEST_ADDRESS_SANITIZER)
TEST_F(StegoCommands, AFileWithNoMemoryLeftForItIsRefusedAndTheWindowCarriesOn)
{
    const QString big = Path("big.bmp");
    {
        QFile file(big);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        if (!file.resize(qint64(1536) * 1024 * 1024))
            GTEST_SKIP() << "this file system cannot hold a 1.5 GB sparse file";
    }
    Open(bmp);
    // Leave the process a little address space beyond what it already uses.
    QFile status(QStringLiteral("/proc/self/statm"));
    ASSERT_TRUE(status.open(QIODevice::ReadOnly));
    const rlim_t used = status.readAll().split(' ').front().toULongLong() * sysconf(_SC_PAGESIZE);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &old), 0);
    rlimit tight = old;
    tight.rlim_cur = used + 256u * 1024 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_AS, &tight), 0);
    Open(big);
    setrlimit(RLIMIT_AS, &old);

    EXPECT_EQ(script.messages, std::vector<std::string>{"Could not read " + big.toStdString() +
                                                        ": there is not enough memory for it."});
    EXPECT_EQ(dlg.m_nCarrierSize, 0);
    Open(bmp);
    EXPECT_GT(dlg.m_nCarrierSize, 0) << "the window still opens files";
}
#endif

TEST_F(StegoCommands, SealedHideKeepsOnlyBitZeroAndRevealOpensItWithTheWholePassword)
{
    Open(bmp);
    const std::string original = ReadAll(bmp);
    const QString saved = Path("sealed.bmp");
    const std::string message = "Meet me at dawn.  \r\n";
    TypeMessage(message.c_str());
    script.SealedPassword("sunflower field at noon");
    script.File(saved);
    Command(IDC_HIDE);
    EXPECT_TRUE(script.messages.empty());

    const std::string written = ReadAll(saved);
    ASSERT_EQ(written.size(), original.size());
    for (std::size_t i = 0; i < written.size(); ++i)
        ASSERT_EQ(written[i] & 0xFE, original[i] & 0xFE) << "byte " << i;
    std::vector<std::uint8_t> carrier(written.begin(), written.end());
    const auto length = static_cast<std::int32_t>(carrier.size());
    EXPECT_EQ(ExtractText(carrier.data(), length, PASSWORD_SLOT, {}), SEAL_MARKER_RECORD);
    EXPECT_TRUE(LooksSealed(ExtractText(carrier.data(), length, MESSAGE_SLOT, {})));

    Open(saved);
    TypeMessage("");
    script.Password({{"sunflower", ""}, {"sunflower field at noon", ""}});
    Command(IDC_UNHIDE);
    EXPECT_EQ(script.messages, std::vector<std::string>{"Invalid password try again"});
    EXPECT_EQ(dlg.m_strMessage.str(), message) << "a sealed message keeps its trailing blanks";

    // The choice is remembered; cleared again, the window hides exactly as it always has.
    Open(bmp);
    TypeMessage("plain again");
    script.Password({{"lanterns-8", "lanterns-8"}}, hiding::MessageKind::Plain);
    script.File(saved);
    Command(IDC_HIDE);
    std::vector<std::uint8_t> expected(original.begin(), original.end());
    ASSERT_EQ(
        EmbedText(expected.data(), length, PASSWORD_SLOT, MakePasswordRecord("lanterns-8"), {}), 1);
    ASSERT_EQ(EmbedText(expected.data(), length, MESSAGE_SLOT, "plain again", {}), 1);
    EXPECT_EQ(ReadAll(saved), std::string(expected.begin(), expected.end()));
}

TEST_F(StegoCommands, StealthKeepsAPngAPngOrMakesItABitmapAndRevealFindsItInBoth)
{
    dlg.m_stealthKdf = cheapkdf::Derive;
    const QString png = Path("garden.png");
    pictures::Shell("convert -seed 3 -size 160x120 plasma:fractal -depth 8 PNG24:'" +
                    png.toStdString() + "'");
    const std::string original = ReadAll(png);
    Open(png);
    const std::string message = "under the willow";
    TypeMessage(message.c_str());
    script.StealthPassword("correct horse battery");
    script.File(Path("hidden.png"));
    Command(IDC_HIDE);
    EXPECT_TRUE(script.messages.empty()) << "no conversion question for a PNG";
    ASSERT_EQ(script.fileDialogs.size(), 2u);
    const FileDialogSeen& save = script.fileDialogs[1];
    EXPECT_EQ(save.proposed, png) << "the same name";
    EXPECT_EQ(save.filters, (QStringList{"PNG Files (*.png)", "Bitmap Files (*.bmp)"}));
    EXPECT_EQ(save.defaultSuffix, "png");
    const std::string saved = ReadAll(Path("hidden.png"));
    EXPECT_EQ(saved.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_NE(saved, original);
    EXPECT_EQ(ReadAll(png), original) << "the opened picture is untouched";

    Open(Path("hidden.png"));
    TypeMessage("");
    EXPECT_EQ(Unhide("correct horse battery"), message);
    EXPECT_EQ(Unhide("correct horse"), message) << "a wrong password changes nothing shown";
    EXPECT_EQ(script.messages, std::vector<std::string>{STEALTH_NOT_FOUND});

    // Saved under a bitmap's name, it is hidden again in the PNG's conversion: still found.
    Open(png);
    TypeMessage(message.c_str());
    script.StealthPassword("correct horse battery");
    script.File(Path("hidden.bmp"));
    Command(IDC_HIDE);
    EXPECT_EQ(ReadAll(Path("hidden.bmp")).substr(0, 2), "BM");
    Open(Path("hidden.bmp"));
    TypeMessage("");
    EXPECT_EQ(Unhide("correct horse battery"), message);
    EXPECT_EQ(script.messages, std::vector<std::string>{STEALTH_NOT_FOUND});
}

// A picture the stealth layout refuses is told while the dialog is still open, so that another
// choice can be made in it; the conversion question of that choice comes after it.
TEST_F(StegoCommands, AStealthRefusalKeepsThePasswordDialogOpenForAnotherChoice)
{
    const QString deep = Path("deep.png");
    pictures::Shell("convert -size 40x30 gradient:red-blue -depth 16 PNG48:'" + deep.toStdString() +
                    "'");
    Open(deep);
    TypeMessage("kept short");
    bool openAfterRefusal = false;
    script.Dialog(
        [&](const ModalContext& ctx)
        {
            CWnd* box = CWnd::FromHandle(ctx.hWnd);
            box->GetDlgItem(IDC_STEALTH)->SendMessage(BM_CLICK);
            box->GetDlgItem(IDC_PASSWORD)->SetWindowText("lanterns-8");
            box->GetDlgItem(IDC_CONFIRM)->SetWindowText("lanterns-8");
            box->SendMessage(WM_COMMAND, IDOK);
            openAfterRefusal = box->IsWindowVisible();
            box->GetDlgItem(IDC_PLAIN)->SendMessage(BM_CLICK);
            box->SendMessage(WM_COMMAND, IDOK);
        });
    script.CancelFile();
    Command(IDC_HIDE);
    EXPECT_TRUE(openAfterRefusal);
    ASSERT_EQ(script.messages.size(), 2u);
    EXPECT_NE(script.messages[0].find("16"), std::string::npos) << script.messages[0];
    EXPECT_TRUE(script.messages[1].ends_with("Continue?")) << "plain asks to convert, after";
    EXPECT_EQ(script.fileDialogs.back().proposed, Path("deep.bmp"));
}

TEST_F(StegoCommands, RevealOfADamagedSealedMessageShowsNothingOfIt)
{
    std::string bytes = MakeBmp(120, 90);
    std::vector<std::uint8_t> carrier(bytes.begin(), bytes.end());
    const auto length = static_cast<std::int32_t>(carrier.size());
    const std::string armour = SealMessage("the real message", "sunflower field", {1, 8});
    ASSERT_EQ(EmbedText(carrier.data(), length, PASSWORD_SLOT, SEAL_MARKER_RECORD, {}), 1);

    // An armour cut short is damaged before any password is asked for.
    ASSERT_EQ(EmbedText(carrier.data(), length, MESSAGE_SLOT, armour.substr(0, 100), {}), 1);
    const QString cut = Path("cut.bmp");
    WriteAll(cut, std::string(carrier.begin(), carrier.end()));
    Open(cut);
    TypeMessage("kept");
    Command(IDC_UNHIDE);
    EXPECT_EQ(script.messages,
              std::vector<std::string>{"The hidden message has been changed or damaged"});
    EXPECT_EQ(script.passwordDialogs, 0);
    EXPECT_EQ(EditText(), "kept");

    // A changed character of the ciphertext: the right password finds it damaged.
    std::string changed = armour;
    const std::size_t at = changed.rfind("\r\n", changed.rfind("\r\n") - 1) - 2;
    changed[at] = changed[at] == 'A' ? 'B' : 'A';
    ASSERT_TRUE(ParseArmour(changed));
    ASSERT_EQ(EmbedText(carrier.data(), length, MESSAGE_SLOT, changed, {}), 1);
    const QString edited = Path("edited.bmp");
    WriteAll(edited, std::string(carrier.begin(), carrier.end()));
    Open(edited);
    script.messages.clear();
    Unhide("sunflower field");
    EXPECT_EQ(script.messages,
              std::vector<std::string>{"The hidden message has been changed or damaged"});
    EXPECT_EQ(EditText(), "kept");
}

#ifdef CARVALET_CLI
TEST_F(StegoCommands, CarriersCrossBetweenTheWindowAndCarvaletCli)
{
    auto cli = [](const QStringList& args, const QByteArray& input, QByteArray* out = nullptr)
    {
        QProcess process;
        process.start(QStringLiteral(CARVALET_CLI), args);
        process.write(input);
        process.closeWriteChannel();
        process.waitForFinished(30000);
        if (out)
            *out = process.readAllStandardOutput();
        return process.exitCode();
    };

    // Hidden by the tool, read in the window.
    const QString fromCli = Path("from-cli.bmp");
    ASSERT_EQ(cli({"hide", bmp, fromCli, "--message", "from the command line", "--password-stdin"},
                  "lanterns-8\n"),
              0);
    Open(fromCli);
    EXPECT_EQ(Unhide("lanterns-8"), "from the command line");

    // Hidden in the window, read by the tool.
    const QString fromWindow = Path("from-window.bmp");
    Open(bmp);
    Hide("from the window", "harbour-77", fromWindow);
    QByteArray out;
    ASSERT_EQ(cli({"unhide", fromWindow, "--password-stdin"}, "harbour-77\n", &out), 0);
    EXPECT_EQ(out.trimmed().toStdString(), "from the window");
    EXPECT_TRUE(script.messages.empty());

    // Sealed by the tool, opened in the window; a passphrase with a Windows letter in it.
    const std::string passphrase = "sunflower field at noon, caf\xC3\xA9";
    const QString sealedCli = Path("sealed-cli.bmp");
    ASSERT_EQ(cli({"hide", bmp, sealedCli, "--message", "sealed on the command line", "--seal",
                   "--password-stdin"},
                  QByteArray::fromStdString(passphrase + "\n")),
              0);
    Open(sealedCli);
    EXPECT_EQ(Unhide(passphrase), "sealed on the command line");

    // Sealed in the window, opened by the tool.
    const QString sealedWindow = Path("sealed-window.bmp");
    Open(bmp);
    TypeMessage("sealed in the window");
    script.SealedPassword(passphrase);
    script.File(sealedWindow);
    Command(IDC_HIDE);
    ASSERT_EQ(cli({"unhide", sealedWindow, "--password-stdin"},
                  QByteArray::fromStdString(passphrase + "\n"), &out),
              0);
    EXPECT_EQ(out.toStdString(), "sealed in the window");
    EXPECT_EQ(cli({"unhide", sealedWindow, "--password-stdin"}, "sunflower\n"), 3);
    EXPECT_TRUE(script.messages.empty());
}
#endif
