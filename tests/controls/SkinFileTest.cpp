// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/skin/SkinFile.h"
#include "platform/kernel/Text.h"

#include <QFile>
#include <QKeySequence>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sys/stat.h>

namespace
{

QByteArray Shipped()
{
    QFile file(QStringLiteral(CARVALET_SOURCE_DIR "/res/Tessaply.skn"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const char kMinimal[] = "[Skin]\nName = Plain\nVersion = 1\n"
                        "[Window]\nDesign = 100 x 50\n"
                        "[Style base]\nNormal.Top = #102030\nHover.Text = #FF0000\nRadius = 2\n"
                        "[Object Button1]\nStyle = base\nLabel = Go\nRadius = 7\n";

} // namespace

TEST(SkinFile, TheShippedSkinHasEveryObjectTheWindowAsksFor)
{
    CSkinFile skin;
    ASSERT_EQ(skin.Parse(Shipped()), S_OK) << skin.Error().toStdString();
    EXPECT_EQ(skin.Name(), QStringLiteral("Tessaply"));
    for (const char* name : {"buttontab1", "buttontab2", "HelpButton", "Button1", "Button2",
                             "Button3", "Button4", "Button5", "Button6"})
    {
        const SkinObject* object = skin.Find(QString::fromLatin1(name));
        ASSERT_NE(object, nullptr) << name;
        EXPECT_FALSE(object->tooltip.isEmpty()) << name;
        EXPECT_FALSE(object->accessibleName.isEmpty()) << name;
        EXPECT_TRUE(!object->label.isEmpty() || !object->icon.isEmpty()) << name;
    }
    EXPECT_EQ(skin.Find(QStringLiteral("button1")), nullptr); // names are case-sensitive
}

TEST(SkinFile, StylesAreInheritedAndUnsetStatesFallBack)
{
    CSkinFile skin;
    ASSERT_EQ(skin.Parse(kMinimal), S_OK) << skin.Error().toStdString();
    const SkinObject* object = skin.Find(QStringLiteral("Button1"));
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->radius, 7); // the object's own setting wins over its style's
    EXPECT_EQ(object->label, QStringLiteral("Go"));
    auto look = [&](SkinState s) { return object->looks[static_cast<std::size_t>(s)]; };
    EXPECT_EQ(look(SkinState::Normal).top.color, QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(look(SkinState::Normal).bottom.color, QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(look(SkinState::Hover).top.color, QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(look(SkinState::Pressed).text.color, QColor(Qt::red)); // from hover
    EXPECT_EQ(look(SkinState::Disabled).text.source, SkinColor::Source::Fore);
}

TEST(SkinFile, MalformedSkinsAreRefusedWithTheirLine)
{
    const std::string head = "[Skin]\nName = X\nVersion = 1\n[Window]\nDesign = 10 x 10\n";
    const std::string object = "[Object A]\nLabel = a\n";
    struct Case
    {
        std::string text;
        const char* error;
    };
    const Case cases[] = {
        {"", "no [Skin]"},
        {"Name = X\n", "line 1: a setting before"},
        {"[Skin]\nName = X\n[Window]\nDesign = 1 x 1\n" + object, "Name and Version"},
        {"[Skin]\nName = X\nVersion = 2\n", "line 3: unsupported version"},
        {head + object + "Normal.Top = #12345\n", "line 8: not a colour"},
        {head + object + "Colour = #123456\n", "line 8: unknown setting"},
        {head + object + "Label = b\n", "line 8: label is set twice"},
        {head + object + "just words\n", "line 8: expected key = value"},
        {head + "[Gadget A]\n", "line 6: unexpected section"},
        {head + "[Object A\n", "line 6: a section header"},
        {head + object + object, "line 8: section [Object A] defined twice"},
        {head + object + "Icon = rocket\n", "no built-in icon"},
        {head + object + "Style = missing\n", "no style named"},
        {head + object + "Layout = diagonal\n", "layout is"},
        {head, "no [Object]"},
        {"[Skin]\nName = X\nVersion = 1\n[Window]\nBanner = 1 2 3\n" + object, "expected 4"},
        {"[Skin]\nName = X\nVersion = 1\n" + object, "no [Window]"},
        {"[Skin]\nName = X\nVersion = 1\n[Window]\nRadius = 2\n" + object, "needs Design"},
        {head + object + "IconPath = M 1 2 K\n", "not a path"},
        {head + "[Object A]\nLabel = \xff\xfe\n", "not UTF-8"},
    };
    for (const Case& c : cases)
    {
        CSkinFile skin;
        EXPECT_EQ(skin.Parse(QByteArray::fromStdString(c.text)), E_INVALIDDATA) << c.text;
        EXPECT_TRUE(skin.Error().contains(QLatin1String(c.error)))
            << c.error << " / " << skin.Error().toStdString();
        EXPECT_FALSE(skin.IsLoaded());
        EXPECT_TRUE(skin.Objects().empty());
    }
}

TEST(SkinFile, AMissingFileIsNotFoundAndAnOversizedOneIsRefused)
{
    CSkinFile skin;
    EXPECT_EQ(skin.Load(QStringLiteral("/nonexistent/Tessaply.skn")), E_FILENOTFOUND);
    EXPECT_EQ(skin.Load(QString()), E_FILENOTFOUND);

    // A valid skin padded with comment lines past the size limit.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile shipped(QStringLiteral(CARVALET_SOURCE_DIR "/res/Tessaply.skn"));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    QByteArray text = shipped.readAll();
    QFile big(dir.filePath(QStringLiteral("big.skn")));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write(text);
    big.close();
    EXPECT_EQ(skin.Load(big.fileName()), S_OK);
    ASSERT_TRUE(big.open(QIODevice::Append));
    while (big.size() <= CSkinFile::kMaxFileSize)
        big.write(QByteArray(1023, ' ').prepend(';').append('\n'));
    big.close();
    EXPECT_EQ(skin.Load(big.fileName()), E_INVALIDDATA);
    EXPECT_TRUE(skin.Error().contains(QLatin1String("larger than a skin")))
        << skin.Error().toStdString();
    EXPECT_FALSE(skin.IsLoaded());
}

TEST(SkinFile, EveryLabelOfTheShippedSkinHasAnAccessKeyOfItsOwn)
{
    CSkinFile skin;
    ASSERT_EQ(skin.Load(QStringLiteral(CARVALET_SOURCE_DIR "/res/Tessaply.skn")), S_OK);
    QSet<QKeySequence> keys;
    for (const SkinObject& object : skin.Objects())
    {
        const QKeySequence key = QKeySequence::mnemonic(object.label);
        EXPECT_FALSE(key.isEmpty()) << object.name.toStdString();
        EXPECT_FALSE(keys.contains(key)) << key.toString().toStdString() << " twice";
        keys.insert(key);
    }
    EXPECT_EQ(keys.size(), 9);
    EXPECT_FALSE(skin.Window().cardNote.isEmpty()) << "a place for the window's own line";
}

TEST(SkinFile, LoadsFromAFolderWhoseNameIsNotUtf8AndRefusesAPipe)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString() + "/Caf\xE9";
    // Qt cannot name the folder to remove it with the temporary one.
    const std::unique_ptr<const std::string, void (*)(const std::string*)> cleanup(
        &folder, [](const std::string* path) { std::filesystem::remove_all(*path); });
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file(CARVALET_SOURCE_DIR "/res/Tessaply.skn", folder + "/Tessaply.skn");
    CSkinFile skin;
    EXPECT_EQ(skin.Load(layer::ExactTextToQString(folder + "/Tessaply.skn")), S_OK);

    const std::string pipe = folder + "/pipe.skn";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(skin.Load(layer::ExactTextToQString(pipe)), E_FILENOTFOUND) << "without waiting";
    EXPECT_TRUE(skin.Error().contains(QStringLiteral(u"Caf\u00E9"))) << skin.Error().toStdString();
}
