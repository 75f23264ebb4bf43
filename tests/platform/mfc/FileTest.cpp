// CFile against real files: quiet open failures, loud failures afterwards, and replacement
// of an existing file that never leaves it half-written.
#include "platform/mfc/File.h"
#include "platform/kernel/Text.h"
#include "platform/mfc/FileDialog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
class FileTest : public ::testing::Test
{
protected:
    std::string Native(const char* name) const
    {
        return dir.filePath(QString::fromUtf8(name)).toStdString();
    }
    CString Windows(const char* name) const { return layer::WindowsPath(Native(name)).c_str(); }
    void Write(const char* name, const std::string& bytes) const
    {
        QFile file(QString::fromStdString(Native(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), qint64(bytes.size()));
    }
    std::string Read(const char* name) const
    {
        QFile file(QString::fromStdString(Native(name)));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<missing>";
    }
    int Entries() const
    {
        return int(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size());
    }

    QTemporaryDir dir;
};

constexpr UINT kReplace = CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary;
} // namespace

TEST_F(FileTest, OpenFailsQuietlyForMissingFilesAndFolders)
{
    CFile file;
    EXPECT_FALSE(file.Open(Windows("missing.bmp"), CFile::modeRead | CFile::typeBinary));
    EXPECT_FALSE(file.Open(layer::WindowsPath(dir.path().toStdString()).c_str(),
                           CFile::modeRead | CFile::typeBinary));
    EXPECT_FALSE(file.Open(layer::WindowsPath(dir.path().toStdString()).c_str(), kReplace));
    EXPECT_FALSE(file.Open(Windows("no-folder/x.bmp"), kReplace));
    EXPECT_EQ(Entries(), 0);
}

TEST_F(FileTest, NamedPipesFailAtOnceInsteadOfWaitingForTheirOtherEnd)
{
    ASSERT_EQ(mkfifo(Native("pipe").c_str(), 0600), 0);
    CFile file;
    EXPECT_FALSE(file.Open(Windows("pipe"), CFile::modeRead | CFile::shareDenyWrite));
    EXPECT_FALSE(file.Open(Windows("pipe"), CFile::modeReadWrite | CFile::shareDenyWrite));
    EXPECT_FALSE(file.Open(Windows("pipe"), kReplace));
    EXPECT_FALSE(file.Open(Windows("pipe"), kReplace | CFile::shareExclusive));
}

TEST_F(FileTest, SavingOverASymbolicLinkReplacesItsTargetAndKeepsTheLink)
{
    Write("picture.bmp", "old contents");
    ASSERT_EQ(symlink("picture.bmp", Native("link.bmp").c_str()), 0);
    {
        CFile file;
        ASSERT_TRUE(file.Open(Windows("link.bmp"), kReplace));
        file.Write("new", 3);
        file.Close();
    }
    EXPECT_EQ(Read("picture.bmp"), "new");
    struct stat st
    {
    };
    ASSERT_EQ(lstat(Native("link.bmp").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link was replaced by a file";
    EXPECT_EQ(Entries(), 2);
}

TEST_F(FileTest, ReadsWholeFilesAndReportsAFileThatShrankAsAShortCount)
{
    Write("a.bin", std::string(1000, 'a'));
    CFile file;
    ASSERT_TRUE(file.Open(Windows("a.bin"), CFile::modeReadWrite | CFile::typeBinary));
    EXPECT_EQ(file.GetLength(), 1000u);
    ASSERT_EQ(truncate(Native("a.bin").c_str(), 600), 0);
    std::string buffer(1000, '\0');
    file.SeekToBegin();
    EXPECT_EQ(file.Read(buffer.data(), 1000), 600u);
}

TEST_F(FileTest, WriteErrorsThrowWithTheReason)
{
    CFile file;
    // /dev/full takes no bytes: a full disk.
    if (!file.Open("\\dev\\full", kReplace))
        GTEST_SKIP() << "no /dev/full";
    const std::string bytes(100, 'x');
    try
    {
        file.Write(bytes.data(), UINT(bytes.size()));
        FAIL() << "no error";
    }
    catch (const CFileException& e)
    {
        EXPECT_EQ(std::string(e.what()), "Could not write /dev/full: No space left on device.");
        EXPECT_EQ(e.m_lOsError, ENOSPC);
    }
}

TEST_F(FileTest, ReplacementAppearsWholeOnCloseWithTheOldPermissions)
{
    Write("t.bmp", "old contents");
    ASSERT_EQ(chmod(Native("t.bmp").c_str(), 0604), 0);
    {
        CFile file;
        ASSERT_TRUE(file.Open(Windows("t.bmp"), kReplace));
        file.Write("new", 3);
        EXPECT_EQ(Read("t.bmp"), "old contents") << "nothing replaced before Close";
        file.Close();
    }
    EXPECT_EQ(Read("t.bmp"), "new");
    struct stat st
    {
    };
    ASSERT_EQ(stat(Native("t.bmp").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(Entries(), 1);

    // The destructor finishes a replacement nobody closed.
    {
        CFile file;
        ASSERT_TRUE(file.Open(Windows("t.bmp"), kReplace));
        file.Write("newer", 5);
    }
    EXPECT_EQ(Read("t.bmp"), "newer");
}

TEST_F(FileTest, AbortOrAFailedWriteLeavesTheTargetAsItWas)
{
    Write("t.bmp", "old contents");
    {
        CFile file;
        ASSERT_TRUE(file.Open(Windows("t.bmp"), kReplace));
        file.Write("new", 3);
        file.Abort();
    }
    EXPECT_EQ(Read("t.bmp"), "old contents");

    // A new file that is never completed does not stay behind empty.
    {
        CFile file;
        ASSERT_TRUE(file.Open(Windows("new.bmp"), kReplace));
        file.Abort();
    }
    EXPECT_EQ(Read("new.bmp"), "<missing>");
    EXPECT_EQ(Entries(), 1);
}

TEST(FileDialog, FiltersSplitAtBarsAndEndAtAnEmptyDescription)
{
    using Entries = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(CFileDialog::ParseFilter("Bitmap Files (*.bmp)|*.bmp||"),
              (Entries{{"Bitmap Files (*.bmp)", "*.bmp"}}));
    EXPECT_EQ(CFileDialog::ParseFilter("text (*.txt)|*.txt|"),
              (Entries{{"text (*.txt)", "*.txt"}}));
    EXPECT_EQ(CFileDialog::ParseFilter("A|*.a|B|*.b;*.c||Ignored|*.x"),
              (Entries{{"A", "*.a"}, {"B", "*.b;*.c"}}));
    EXPECT_EQ(CFileDialog::ParseFilter("Lonely"), Entries{});
    EXPECT_EQ(CFileDialog::ParseFilter(nullptr), Entries{});
}
