// SPDX-License-Identifier: GPL-3.0-or-later
// CFile against real files: quiet open failures, loud failures afterwards, and replacement
// of an existing file that never leaves it half-written.
#include "platform/mfc/File.h"
#include "platform/kernel/Text.h"
#include "platform/mfc/FileDialog.h"
#include "tests/support/FileFlags.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <iostream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using fileflags::SetImmutable;

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

    // With a reader at the other end, a save is written into the pipe, as the window saves.
    const int reader = open(Native("pipe").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_TRUE(file.Open(Windows("pipe"), kReplace));
    file.SeekToBegin();
    file.Write("through", 7);
    file.Close();
    char got[8] = {};
    EXPECT_EQ(read(reader, got, sizeof got), 7);
    EXPECT_STREQ(got, "through");
    close(reader);
    EXPECT_EQ(Entries(), 0) << "the pipe stays a pipe, and nothing is made beside it";
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
    if (geteuid() != 0)
        GTEST_SKIP() << "a full device made in a scratch folder needs root";
    // A full device of its own: the machine's /dev is never touched.
    ASSERT_EQ(mknod(Native("full").c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
    CFile file;
    ASSERT_TRUE(file.Open(Windows("full"), kReplace));
    const std::string bytes(100, 'x');
    try
    {
        file.Write(bytes.data(), UINT(bytes.size()));
        FAIL() << "no error";
    }
    catch (const CFileException& e)
    {
        EXPECT_EQ(std::string(e.what()),
                  "Could not write " + Native("full") + ": No space left on device.");
        EXPECT_EQ(e.m_lOsError, ENOSPC);
    }
    file.Abort();
    struct stat st
    {
    };
    ASSERT_EQ(stat(Native("full").c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode)) << "a device is written into, never replaced";
}

TEST_F(FileTest, ANewFileAppearsOnlyWhenItIsComplete)
{
    CFile file;
    ASSERT_TRUE(file.Open(Windows("new.bmp"), kReplace));
    file.Write("data", 4);
    EXPECT_EQ(Entries(), 0) << "an empty target made before the data";
    file.Close();
    EXPECT_EQ(Read("new.bmp"), "data");

    // A dangling link makes its target.
    ASSERT_EQ(symlink("later.bmp", Native("link.bmp").c_str()), 0);
    ASSERT_TRUE(file.Open(Windows("link.bmp"), kReplace));
    file.Write("through", 7);
    file.Close();
    EXPECT_EQ(Read("later.bmp"), "through");
    EXPECT_TRUE(QFileInfo(QString::fromStdString(Native("link.bmp"))).isSymLink());
}

TEST_F(FileTest, AFolderThatTakesNoNewFileRefusesTheSaveAndNamesTheFolder)
{
    QDir(dir.path()).mkdir("locked");
    Write("locked/t.bmp", "old contents");
    const std::string folder = Native("locked");
    const bool root = geteuid() == 0;
    if (root)
        ASSERT_TRUE(SetImmutable(folder, true)) << "this file system has no immutable flag";
    else
        ASSERT_EQ(chmod(folder.c_str(), 0555), 0);

    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(Windows("locked/t.bmp"), kReplace, &error));
    EXPECT_EQ(error.m_cause, CFileException::directoryFull);
    EXPECT_EQ(std::string(error.what()), "Could not save " + Native("locked/t.bmp") +
                                             ": no new file can be made in the folder " + folder +
                                             " (" + std::strerror(error.m_lOsError) +
                                             "). The file is as it was.");
    // A name that does not exist yet there is simply not made.
    EXPECT_FALSE(file.Open(Windows("locked/other.bmp"), kReplace, &error));
    EXPECT_NE(error.m_cause, CFileException::directoryFull);

    if (root)
        SetImmutable(folder, false);
    chmod(folder.c_str(), 0755);
    EXPECT_EQ(Read("locked/t.bmp"), "old contents");
    EXPECT_EQ(QDir(QString::fromStdString(folder)).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(FileTest, AnUnwritableFileIsRefusedAndAReplacementKeepsItsOwner)
{
    Write("kept.bmp", "kept");
    const bool root = geteuid() == 0;
    if (root)
        ASSERT_TRUE(SetImmutable(Native("kept.bmp"), true));
    else
        ASSERT_EQ(chmod(Native("kept.bmp").c_str(), 0444), 0);
    CFile file;
    EXPECT_FALSE(file.Open(Windows("kept.bmp"), kReplace));
    if (root)
        SetImmutable(Native("kept.bmp"), false);
    EXPECT_EQ(Read("kept.bmp"), "kept");
    EXPECT_EQ(Entries(), 1);

    if (!root)
    {
        std::cout << "[ SKIPPED  ] keeping another user's ownership needs root\n";
        return;
    }
    ASSERT_EQ(chown(Native("kept.bmp").c_str(), 1234, 5678), 0);
    ASSERT_TRUE(file.Open(Windows("kept.bmp"), kReplace));
    file.Write("new", 3);
    file.Close();
    struct stat st
    {
    };
    ASSERT_EQ(stat(Native("kept.bmp").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 1234u);
    EXPECT_EQ(st.st_gid, 5678u);
    EXPECT_EQ(Read("kept.bmp"), "new");
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
