// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/kernel/Text.h"
#include "platform/com/Com.h"
#include "platform/mfc/String.h"

#include <gtest/gtest.h>

TEST(Text, Utf8IsReadAsUtf8AndAnythingElseAsWindows1252)
{
    EXPECT_EQ(layer::TextToQString("caf\xC3\xA9"), QStringLiteral(u"café"));
    // The same word written on a Windows machine: é is one byte there.
    EXPECT_EQ(layer::TextToQString("caf\xE9"), QStringLiteral(u"café"));
    EXPECT_EQ(layer::TextToQString("\x80 \x93quoted\x94 \x9F"), QStringLiteral(u"€ “quoted” Ÿ"));
    EXPECT_EQ(layer::QStringToText(QStringLiteral(u"café")), "caf\xC3\xA9");
}

TEST(Text, TypedTextIsWindows1252WhenEveryCharacterHasAForm)
{
    EXPECT_EQ(layer::TypedText(QStringLiteral(u"café € “q”")), "caf\xE9 \x80 \x93q\x94");
    // One character Windows-1252 lacks keeps the whole text in UTF-8.
    EXPECT_EQ(layer::TypedText(QStringLiteral(u"café 中")), "caf\xC3\xA9 \xE4\xB8\xAD");
    EXPECT_EQ(layer::TypedText(QStringLiteral(u"smile 😀")), "smile \xF0\x9F\x98\x80");
    EXPECT_EQ(layer::TextToQString(layer::TypedText(QStringLiteral(u"Zürich …"))),
              QStringLiteral(u"Zürich …"));
}

TEST(Text, PathsAreWindowsStyleInsideAndNativeOutside)
{
    EXPECT_EQ(layer::NativePath("\\work\\bin\\res\\Help.chm"), "/work/bin/res/Help.chm");
    EXPECT_EQ(layer::WindowsPath("/work/bin/Carvalet"), "\\work\\bin\\Carvalet");
    // A backslash in a native name is a private-use character inside, not a separator.
    EXPECT_EQ(layer::WindowsPath("/tmp/a\\b.bmp"), "\\tmp\\a\xEF\x81\x9C"
                                                   "b.bmp");
    EXPECT_EQ(layer::NativePath(layer::WindowsPath("/tmp/a\\b.bmp") + "\\c"), "/tmp/a\\b.bmp/c");
}

TEST(Text, EveryNativePathRoundTripsByteForByte)
{
    const std::string slash = "\xEF\x81\x9C";  // what a backslash becomes
    const std::string escape = "\xEF\x80\x80"; // what keeps the two apart
    const std::string samples[] = {
        "/plain/name.bmp",
        "a\\b\\\\c",
        "/x/" + slash + "/y",
        "/x/" + escape + slash + escape + escape,
        "\\" + slash + "\\" + escape,
        "caf\xE9\xEF\x81/\xEF",
        std::string(1, '\xEF') + "\\",
    };
    for (const std::string& native : samples)
        EXPECT_EQ(layer::NativePath(layer::WindowsPath(native)), native) << native;
    EXPECT_NE(layer::WindowsPath("/x/" + slash), layer::WindowsPath("/x/\\"));
}

TEST(CString, DirectoryCutAtTheLastBackslash)
{
    const CString path("C:\\Tools\\prog.exe");
    EXPECT_EQ(path.Left(path.ReverseFind('\\')), "C:\\Tools");
    const CString bare("prog.exe");
    EXPECT_EQ(bare.ReverseFind('\\'), -1);
    EXPECT_EQ(bare.Left(bare.ReverseFind('\\')), "") << "no backslash gives an empty directory";
    EXPECT_EQ(bare.Left(100), "prog.exe");
}

TEST(CString, TextEndsAtTheFirstZeroByte)
{
    const char bytes[] = {'a', 'b', '\0', 'c'};
    EXPECT_EQ(CString(bytes, 4).GetLength(), 2);
    EXPECT_EQ(CString(std::string_view(bytes, 4)), "ab");
}

TEST(CString, BuildsAndComparesByBytes)
{
    CString s = CString("\\work") + "\\res" + CString("\\Help.chm");
    EXPECT_EQ(s, "\\work\\res\\Help.chm");
    EXPECT_STREQ(static_cast<const char*>(s), "\\work\\res\\Help.chm");
    EXPECT_NE(CString("Password"), CString("password"));
    EXPECT_TRUE(CString().IsEmpty());
}

TEST(CString, LoadStringFindsString101AndNothingElse)
{
    CString s;
    EXPECT_TRUE(s.LoadString(101));
    EXPECT_EQ(s, "&About Carvalet...");
    EXPECT_FALSE(s.LoadString(9999));
    EXPECT_TRUE(s.IsEmpty());
}

TEST(Text, AnyBytesComeBackExactlyThroughUtf16)
{
    const std::string cases[] = {
        "/home/ana/caf\xC3\xA9/res/Tessaply.skn", // UTF-8
        "/home/ana/caf\xE9/res/Tessaply.skn",     // Windows-1252 / Latin-1
        "\xC3\xA9\xE9\xC3",                       // UTF-8, then a stray byte, then a cut sequence
        "\xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80", // overlong, surrogate, beyond U+10FFFF
        "\xF0\x9F\x8C\x8D \x80\xFF",              // four bytes, then continuation and 0xFF alone
        std::string("\x01\x7F", 2),
    };
    for (const std::string& bytes : cases)
    {
        const QString text = layer::ExactTextToQString(bytes);
        EXPECT_EQ(layer::ExactQStringToText(text), bytes) << bytes;
        // Through a BSTR, as a path reaches an outside control.
        const CString path(bytes.c_str());
        const BSTR bstr = path.AllocSysString();
        EXPECT_EQ(layer::ExactQStringToText(QString::fromUtf16(bstr, SysStringLen(bstr))), bytes);
        SysFreeString(bstr);
    }
    // UTF-8 reads as itself; only what is not UTF-8 is escaped.
    EXPECT_EQ(layer::ExactTextToQString("caf\xC3\xA9 \xF0\x9F\x8C\x8D"), QStringLiteral(u"café 🌍"));
    EXPECT_EQ(layer::ExactTextToQString("caf\xE9"), QStringLiteral(u"caf\xDCE9"));
}
