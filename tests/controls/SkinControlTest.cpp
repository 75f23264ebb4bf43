// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/skin/SkinControl.h"
#include "controls/skin/ButtonPainter.h"
#include "controls/skin/WindowPainter.h"
#include "platform/user/DefWindowProc.h"
#include "platform/user/WindowRecord.h"
#include "skin/ControlIds.h"
#include "tests/controls/TestSupport.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <fstream>
#include <memory>
#include <set>
#include <vector>

#include <gtest/gtest.h>

namespace
{

// The shipped skin, by the Windows-style path the program hands over.
BstrPtr ShippedSkinPath()
{
    QString path = BinDir() + QStringLiteral("/res/Tessaply.skn");
    path.replace(u'/', u'\\');
    return MakeBstr(path);
}

// The real skin control created by the container, with its persisted stream.
struct HostedSkin
{
    QWidget dialog;
    CControlHost::Control control;
    ComPtr<ISkinControl> skin;

    explicit HostedSkin(std::span<const BYTE> stream = RecordOf(1019))
    {
        std::string error;
        CControlHost::CreateControl(CLSID_SkinControl, stream, &dialog, control, error);
        skin = control.unknown.As<ISkinControl>(IID_ISkinControl);
    }
};

LONG Value(ISkinControl* skin, LONG which)
{
    LONG value = -1;
    EXPECT_EQ(skin->GetValue(which, &value), S_OK);
    return value;
}

QString Text(ISkinControl* skin, LONG which)
{
    BSTR value = nullptr;
    EXPECT_EQ(skin->GetText(which, &value), S_OK);
    BstrPtr owned(value);
    return FromBstr(value);
}

void PutString(std::vector<BYTE>& out, const std::u16string& text)
{
    const auto bytes = static_cast<std::uint32_t>(text.size() * 2);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<BYTE>(bytes >> (8 * i)));
    for (char16_t c : text)
    {
        out.push_back(static_cast<BYTE>(c & 0xFF));
        out.push_back(static_cast<BYTE>(c >> 8));
    }
}

} // namespace

TEST(SkinControl, ReadsItsPersistedPropertiesFromTheDialogInitRecord)
{
    HostedSkin hosted;
    ASSERT_TRUE(hosted.skin);
    ISkinControl* skin = hosted.skin.Get();
    EXPECT_EQ(Value(skin, SKIN_HUE), 0);
    EXPECT_EQ(Value(skin, SKIN_BACKCOLOR), 0xFFFFFF);
    EXPECT_EQ(Value(skin, SKIN_FORECOLOR), 0);
    EXPECT_EQ(Value(skin, SKIN_PANELCOLOR), 0xECE9D8); // bytes D8 E9 EC: red, green, blue
    EXPECT_EQ(Value(skin, SKIN_PANELTEXTCOLOR), 0);
    EXPECT_EQ(Value(skin, SKIN_APPLYCOLORS), 1);
    EXPECT_EQ(Value(skin, SKIN_SKINCLIENTAREA), 1);
    for (LONG which : {SKIN_AUTHOR, SKIN_DESCRIPTION, SKIN_APPLICATION, SKIN_NAME, SKIN_TAG})
        EXPECT_TRUE(Text(skin, which).isEmpty());
    LONG out = 0;
    EXPECT_EQ(skin->GetValue(7, &out), E_INVALIDARG);
    EXPECT_EQ(skin->PutValue(SKIN_PANELCOLOR, 0x1000000), E_INVALIDARG);
}

TEST(SkinControl, ReadsEveryStringOfAStreamInStoredOrder)
{
    std::vector<BYTE> stream;
    PutString(stream, u"Ann");
    PutString(stream, u"Teal look");
    PutString(stream, u"Carvalet");
    for (BYTE b : {0x5A, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 0, 0, 0})
        stream.push_back(b);
    PutString(stream, u"skin1");
    PutString(stream, u"t\u00e4g");
    HostedSkin hosted(stream);
    ASSERT_TRUE(hosted.skin);
    ISkinControl* skin = hosted.skin.Get();
    EXPECT_EQ(Text(skin, SKIN_AUTHOR), QStringLiteral("Ann"));
    EXPECT_EQ(Text(skin, SKIN_DESCRIPTION), QStringLiteral("Teal look"));
    EXPECT_EQ(Text(skin, SKIN_APPLICATION), QStringLiteral("Carvalet"));
    EXPECT_EQ(Text(skin, SKIN_NAME), QStringLiteral("skin1"));
    EXPECT_EQ(Text(skin, SKIN_TAG), QStringLiteral("t\u00e4g"));
    EXPECT_EQ(Value(skin, SKIN_HUE), 0x5A);
    EXPECT_EQ(Value(skin, SKIN_BACKCOLOR), 0x030201);
    EXPECT_EQ(Value(skin, SKIN_PANELTEXTCOLOR), 0x0C0B0A);
    EXPECT_EQ(Value(skin, SKIN_APPLYCOLORS), 0);
    EXPECT_EQ(Value(skin, SKIN_SKINCLIENTAREA), 0);
    EXPECT_EQ(hosted.control.widget->objectName(), QStringLiteral("skin1"));
}

TEST(SkinControl, LoadsTheShippedSkinByItsWindowsStylePath)
{
    HostedSkin hosted;
    ASSERT_TRUE(hosted.skin);
    ISkinControl* skin = hosted.skin.Get();
    BSTR name = nullptr;
    EXPECT_EQ(skin->GetSkinName(&name), S_FALSE);
    SysFreeString(name);

    EXPECT_EQ(skin->LoadSkinFile(ShippedSkinPath().get()), S_OK);
    EXPECT_EQ(skin->GetSkinName(&name), S_OK);
    EXPECT_EQ(FromBstr(name), QStringLiteral("Tessaply"));
    SysFreeString(name);
    LONG count = 0;
    EXPECT_EQ(skin->GetObjectCount(&count), S_OK);
    EXPECT_EQ(count, 9);
    EXPECT_EQ(skin->HasObject(u"Button3"), S_OK);
    EXPECT_EQ(skin->HasObject(u"Button7"), S_FALSE);
    EXPECT_EQ(skin->GetObjectName(count, &name), E_INVALIDARG);
}

TEST(SkinControl, AMissingOrMalformedSkinFileFailsAndLeavesNoSkin)
{
    HostedSkin hosted;
    ASSERT_TRUE(hosted.skin);
    ISkinControl* skin = hosted.skin.Get();
    QTemporaryDir dir;
    const QString broken = dir.filePath(QStringLiteral("broken.skn"));
    std::ofstream(broken.toStdString())
        << "[Skin]\nName = B\nVersion = 1\n[Window]\nDesign = 1 x\n";

    ASSERT_EQ(skin->LoadSkinFile(ShippedSkinPath().get()), S_OK);
    EXPECT_EQ(skin->LoadSkinFile(MakeBstr(broken).get()), E_INVALIDDATA);
    BSTR error = nullptr;
    skin->GetLoadError(&error);
    EXPECT_TRUE(FromBstr(error).startsWith(QStringLiteral("line 5:")))
        << FromBstr(error).toStdString();
    SysFreeString(error);
    EXPECT_EQ(skin->ApplySkinToWindow(1), E_UNEXPECTED);

    EXPECT_EQ(skin->LoadSkinFile(MakeBstr(dir.filePath(QStringLiteral("none.skn"))).get()),
              E_FILENOTFOUND);
    EXPECT_LT(skin->LoadSkinFile(nullptr), 0);
    EXPECT_EQ(skin->ApplySkinObject(HWND(1), u"Button1"), E_UNEXPECTED);
}

TEST(SkinControl, AStaleWindowHandleIsRefused)
{
    HostedSkin hosted;
    ASSERT_TRUE(hosted.skin);
    ASSERT_EQ(hosted.skin->LoadSkinFile(ShippedSkinPath().get()), S_OK);
    EXPECT_EQ(hosted.skin->ApplySkinToWindow(0), E_HANDLE);
    EXPECT_EQ(hosted.skin->ApplySkinToWindow(0xFFFFFFFFu), E_HANDLE);
    EXPECT_EQ(hosted.skin->ApplySkinObject(HWND(0x7FFFFFFFu), u"Button1"), E_HANDLE);
    EXPECT_EQ(hosted.skin->ApplySkinObject(HWND(1), nullptr), E_POINTER);
}

class SkinOnWidgets : public ::testing::Test
{
protected:
    void SetUp() override
    {
        skin = CSkinControl::Create();
        const auto record = RecordOf(1019);
        ASSERT_EQ(skin->Load(record.data(), static_cast<ULONG>(record.size())), S_OK);
        ASSERT_EQ(skin->LoadSkinFile(ShippedSkinPath().get()), S_OK);
        dialog.resize(644, 447);
    }

    QPushButton* Button(const char* object, QRect place)
    {
        auto* button = new QPushButton(&dialog); // owned by the dialog
        button->setGeometry(place);
        EXPECT_EQ(skin->ApplyObjectToWidget(button, QString::fromLatin1(object)), S_OK);
        return button;
    }

    static SkinState StateOf(QPushButton* button)
    {
        return button->findChild<CButtonPainter*>()->State();
    }

    ComPtr<CSkinControl> skin;
    QWidget dialog;
};

TEST_F(SkinOnWidgets, AButtonGetsItsTooltipAccessibleNameAndNoCaption)
{
    QPushButton* open = Button("Button1", {2, 125, 114, 36});
    EXPECT_EQ(open->accessibleName(), QStringLiteral("Open image"));
    EXPECT_FALSE(open->toolTip().isEmpty());
    EXPECT_TRUE(open->text().isEmpty());

    QWidget notAButton(&dialog);
    EXPECT_EQ(skin->ApplyObjectToWidget(&notAButton, QStringLiteral("Button1")), E_INVALIDARG);
    EXPECT_EQ(skin->ApplyObjectToWidget(open, QStringLiteral("Button9")), TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(open->accessibleName(), QStringLiteral("Open image"));
}

TEST_F(SkinOnWidgets, StatesFollowTheButton)
{
    QPushButton* hide = Button("Button4", {2, 172, 114, 32});
    EXPECT_EQ(StateOf(hide), SkinState::Normal);
    hide->setDown(true);
    EXPECT_EQ(StateOf(hide), SkinState::Pressed);
    hide->setDown(false);
    hide->setEnabled(false);
    EXPECT_EQ(StateOf(hide), SkinState::Disabled);
    hide->setEnabled(true);
    hide->setAttribute(Qt::WA_UnderMouse, true);
    EXPECT_EQ(StateOf(hide), SkinState::Hover);

    // A disabled button must not look like an enabled one.
    hide->setAttribute(Qt::WA_UnderMouse, false);
    const QImage enabled = hide->grab().toImage();
    hide->setEnabled(false);
    EXPECT_NE(hide->grab().toImage(), enabled);
}

TEST_F(SkinOnWidgets, APageButtonIsActiveWhileItsPageIsShown)
{
    QPushButton* imageTab = Button("buttontab1", {483, 104, 37, 72});
    QPushButton* textTab = Button("buttontab2", {530, 104, 37, 72});
    QPushButton* open = Button("Button1", {2, 125, 114, 36});
    QPushButton* load = Button("Button2", {2, 125, 114, 36});
    load->hide();
    EXPECT_EQ(StateOf(imageTab), SkinState::Active);
    EXPECT_EQ(StateOf(textTab), SkinState::Normal);
    open->hide();
    load->show();
    EXPECT_EQ(StateOf(imageTab), SkinState::Normal);
    EXPECT_EQ(StateOf(textTab), SkinState::Active);
}

TEST_F(SkinOnWidgets, TheWindowTakesThePersistedColoursUnlessTheyAreOff)
{
    ASSERT_EQ(skin->ApplyToWidget(&dialog), S_OK);
    const QImage shown = dialog.grab().toImage();
    // The side panel is painted in the persisted panel colour.
    EXPECT_EQ(shown.pixelColor(20, 420), QColor(0xD8, 0xE9, 0xEC));

    ASSERT_EQ(skin->PutValue(SKIN_PANELCOLOR, 0x0000FF), S_OK);
    ASSERT_EQ(skin->ApplyToWidget(&dialog), S_OK);
    EXPECT_EQ(dialog.grab().toImage().pixelColor(20, 420), QColor(Qt::red));

    ASSERT_EQ(skin->PutValue(SKIN_APPLYCOLORS, 0), S_OK);
    ASSERT_EQ(skin->ApplyToWidget(&dialog), S_OK);
    EXPECT_EQ(dialog.grab().toImage().pixelColor(20, 420), QColor(0xD8, 0xE9, 0xEC));
    EXPECT_EQ(dialog.findChildren<QObject*>().size(), 1); // re-applying replaces, not adds
}

TEST(SkinControl, SkinsWindowsReachedByTheirHandles)
{
    HostedSkin hosted;
    ASSERT_TRUE(hosted.skin);
    ASSERT_EQ(hosted.skin->LoadSkinFile(ShippedSkinPath().get()), S_OK);
    auto* window = new QWidget(&hosted.dialog); // owned by the dialog
    window->resize(644, 447);
    auto help = std::make_unique<QPushButton>(window);
    help->setGeometry(7, 7, 21, 16);
    const HWND hWindow = layer::RegisterWindow(window, layer::DefWindowProc, "#32770").Handle();
    const HWND hHelp = layer::RegisterWindow(help.get(), layer::DefWindowProc, "Button").Handle();

    EXPECT_EQ(hosted.skin->ApplySkinToWindow(hWindow.value), S_OK);
    EXPECT_EQ(hosted.skin->ApplySkinObject(hHelp, u"HelpButton"), S_OK);
    EXPECT_EQ(help->accessibleName(), QStringLiteral("Help"));
    EXPECT_EQ(hosted.skin->ApplySkinObject(hHelp, u"Button7"), TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(window->grab().toImage().pixelColor(20, 420), QColor(0xD8, 0xE9, 0xEC));

    help.reset(); // its handle goes stale with it
    EXPECT_EQ(hosted.skin->ApplySkinObject(hHelp, u"HelpButton"), E_HANDLE);
}

TEST_F(SkinOnWidgets, TheCardHintGivesWayToAPictureNarrowerThanTheCard)
{
    auto* picture = new QLabel(&dialog); // owned by the dialog, see-through while empty
    picture->setGeometry(187, 187, 330, 218);
    ASSERT_EQ(skin->ApplyToWidget(&dialog), S_OK);
    // Right of the picture, on the hint's line: the end of the hint's text shows there.
    const QRect beside(520, 283, 50, 20);
    auto plainCard = [&](const QImage& shot)
    {
        const QColor card = shot.pixelColor(beside.topLeft());
        for (int y = beside.top(); y <= beside.bottom(); ++y)
            for (int x = beside.left(); x <= beside.right(); ++x)
                if (shot.pixelColor(x, y) != card)
                    return false;
        return true;
    };
    EXPECT_FALSE(plainCard(dialog.grab().toImage()));

    QPixmap pixmap(330, 218);
    pixmap.fill(Qt::darkGreen);
    picture->setPixmap(pixmap);
    EXPECT_TRUE(plainCard(dialog.grab().toImage()));

    picture->hide();
    EXPECT_FALSE(plainCard(dialog.grab().toImage()));
}

TEST_F(SkinOnWidgets, TheHintFollowsAPictureSetOrClearedUnderAPaintOfThePictureAlone)
{
    auto* picture = new QLabel(&dialog); // owned by the dialog, see-through while empty
    picture->setGeometry(187, 187, 330, 218);
    picture->hide();
    ASSERT_EQ(skin->ApplyToWidget(&dialog), S_OK);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    // What the screen holds after Qt's own (partial) repaints, against a whole fresh paint.
    auto screenMatchesAFreshPaint = [&]
    {
        QTest::qWait(50); // the repaints Qt has queued, and any they queue in turn
        QTest::qWait(50);
        const QImage screen = QGuiApplication::primaryScreen()
                                  ->grabWindow(dialog.winId())
                                  .toImage()
                                  .convertToFormat(QImage::Format_RGB32);
        const QImage fresh = dialog.grab().toImage().convertToFormat(QImage::Format_RGB32);
        return screen == fresh;
    };
    QPixmap pixmap(330, 218);
    pixmap.fill(Qt::darkGreen);
    picture->setPixmap(pixmap);
    picture->show();
    EXPECT_TRUE(screenMatchesAFreshPaint()) << "a picture opened";
    // A failed open clears the picture: only the picture's area is repainted by Qt, yet the
    // whole hint must come back, not the part of it behind the picture.
    picture->setPixmap(QPixmap());
    EXPECT_TRUE(screenMatchesAFreshPaint()) << "the picture cleared";
    // The next picture, over a whole hint: no end of the hint may stay beside it.
    dialog.update();
    EXPECT_TRUE(screenMatchesAFreshPaint());
    picture->setPixmap(pixmap);
    EXPECT_TRUE(screenMatchesAFreshPaint()) << "the next picture";
}

TEST_F(SkinOnWidgets, TheWindowsOwnLineGoesUnderTheCardInItsColours)
{
    EXPECT_FALSE(CWindowPainter::SetNote(&dialog, QStringLiteral("1 of 2 bytes"), false))
        << "no skin look on the window yet";
    ASSERT_EQ(skin->ApplyToWidget(&dialog), S_OK);
    // Under the card's right half, where Tessaply puts the line.
    const QRect line(400, 415, 175, 19);
    auto inks = [&]
    {
        const QImage shot = dialog.grab().toImage();
        std::set<QRgb> colours;
        for (int y = line.top(); y <= line.bottom(); ++y)
            for (int x = line.left(); x <= line.right(); ++x)
                colours.insert(shot.pixel(x, y));
        return colours;
    };
    auto reddish = [](const std::set<QRgb>& colours)
    {
        return std::any_of(colours.begin(), colours.end(),
                           [](QRgb c) { return qRed(c) > 150 && qGreen(c) < 90 && qBlue(c) < 90; });
    };
    EXPECT_EQ(inks().size(), 1u) << "nothing there before";

    EXPECT_TRUE(CWindowPainter::SetNote(&dialog, QStringLiteral("23 of 7,080 bytes"), false));
    EXPECT_GT(inks().size(), 1u);
    EXPECT_FALSE(reddish(inks()));
    EXPECT_TRUE(CWindowPainter::SetNote(&dialog, QStringLiteral("7,081 of 7,080 bytes"), true));
    EXPECT_TRUE(reddish(inks())) << "too long: the alert colour";
    EXPECT_TRUE(CWindowPainter::SetNote(&dialog, QString(), false));
    EXPECT_EQ(inks().size(), 1u) << "taken away again";
}

TEST_F(SkinOnWidgets, TheLabelsAmpersandGivesTheButtonItsAccessKey)
{
    QPushButton* open = Button("Button1", {2, 125, 114, 36});
    EXPECT_EQ(open->shortcut(), QKeySequence(QStringLiteral("Alt+O")));
    EXPECT_EQ(open->accessibleName(), QStringLiteral("Open image"));
    EXPECT_TRUE(open->text().isEmpty()) << "the button's own caption stays empty";
    QPushButton* help = Button("HelpButton", {7, 7, 21, 16});
    EXPECT_EQ(help->shortcut(), QKeySequence(QStringLiteral("Alt+P"))) << "drawn as an icon only";

    int pressed = 0;
    QObject::connect(open, &QPushButton::clicked, [&] { ++pressed; });
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(&dialog, Qt::Key_O, Qt::AltModifier);
    for (int i = 0; i < 50 && pressed == 0; ++i)
        QTest::qWait(10);
    EXPECT_EQ(pressed, 1) << "Alt+O presses it";
}
