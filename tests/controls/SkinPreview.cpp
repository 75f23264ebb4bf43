// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the main window's skin offscreen into PNG files, so the look can be judged by eye:
//   skin_preview <output folder> [skin file] [splash file]
#include "controls/skin/SkinControl.h"
#include "controls/splash/SplashControl.h"
#include "platform/mfc/ControlHost.h"
#include "platform/user/Resources.h"
#include "res/DialogInit102.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTextEdit>

#include <cstdio>
#include <map>

namespace
{

// Dialog units at the dialog font, reckoned as the window layer does.
qreal kDuX = 1.5, kDuY = 1.625;

QFont DialogFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arimo"), QStringLiteral("Arial"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    kDuX = ((width / 26 + 1) / 2) / 4.0;
    kDuY = metrics.height() / 8.0;
    return font;
}

QRect Du(int x, int y, int w, int h)
{
    return QRect(qRound(x * kDuX), qRound(y * kDuY), qRound(w * kDuX), qRound(h * kDuY));
}

struct ButtonPlace
{
    int id;
    const char16_t* skin;
    QRect rect;
};

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: skin_preview <output folder> [skin] [splash]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString skinPath = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                      : QStringLiteral(CARVALET_SOURCE_DIR "/res/Tessaply.skn");
    const QString splashPath = argc > 3 ? QString::fromLocal8Bit(argv[3])
                                        : QStringLiteral(CARVALET_SOURCE_DIR "/res/Splash.spl");
    QDir().mkpath(out);

    const QFont font = DialogFont();
    QApplication::setFont(font);
    std::printf("dialog unit: %.3f x %.3f px\n", kDuX, kDuY);
    QWidget dialog;
    dialog.setFixedSize(Du(0, 0, 368, 275).size());
    std::map<int, QPushButton*> buttons;
    const ButtonPlace places[] = {
        {1021, u"buttontab1", Du(276, 64, 21, 44)}, {1022, u"buttontab2", Du(303, 64, 21, 44)},
        {1024, u"HelpButton", Du(4, 4, 12, 10)},    {1005, u"Button1", Du(1, 77, 65, 22)},
        {1010, u"Button2", Du(1, 77, 65, 22)},      {1012, u"Button3", Du(1, 106, 65, 20)},
        {1011, u"Button4", Du(1, 106, 65, 20)},     {1023, u"Button5", Du(1, 144, 65, 22)},
        {2, u"Button6", Du(1, 243, 65, 20)},
    };
    for (const ButtonPlace& place : places)
    {
        auto* button = new QPushButton(&dialog); // owned by the dialog
        button->setGeometry(place.rect);
        buttons[place.id] = button;
    }
    auto* edit = new QTextEdit(&dialog);
    edit->setGeometry(Du(108, 115, 218, 133));
    edit->setPlainText(QStringLiteral("Meet me at the old mill at seven."));
    auto* picture = new QLabel(&dialog);
    picture->setGeometry(QRect(Du(107, 115, 0, 0).topLeft(), QSize(330, 218)));
    QPixmap photo(330, 218);
    {
        QPainter p(&photo);
        QLinearGradient sky(0, 0, 0, 218);
        sky.setColorAt(0, QColor(0x87, 0xB5, 0xD9));
        sky.setColorAt(1, QColor(0xE8, 0xD7, 0xB0));
        p.fillRect(photo.rect(), sky);
        p.setBrush(QColor(0x4E, 0x6B, 0x3A));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(90, 260), 200, 110);
        p.setBrush(QColor(0x35, 0x52, 0x2B));
        p.drawEllipse(QPointF(280, 250), 170, 90);
    }
    picture->setPixmap(photo);

    auto skin = CSkinControl::Create();
    auto splash = CSplashControl::Create();
    const auto span = std::span<const BYTE>(kDialogInit102, kDialogInit102Size);
    const auto skinRecord = layer::FindDialogInitRecord(span, 1019);
    const auto splashRecord = layer::FindDialogInitRecord(span, 1020);
    if (!skinRecord || !splashRecord ||
        FAILED(skin->Load(skinRecord->data(), static_cast<ULONG>(skinRecord->size()))) ||
        FAILED(splash->Load(splashRecord->data(), static_cast<ULONG>(splashRecord->size()))))
    {
        std::fprintf(stderr, "the dialog-init data does not load\n");
        return 1;
    }
    QWidget* splashWidget = nullptr;
    splash->CreateWidget(&dialog, &splashWidget);
    splashWidget->setGeometry(Du(342, 249, 21, 20));
    splash->LoadSplashFile(splashPath);
    splash->ShowSplash(0);

    BstrPtr path(SysAllocString(reinterpret_cast<const char16_t*>(skinPath.utf16())));
    if (FAILED(skin->LoadSkinFile(path.get())))
    {
        BSTR error = nullptr;
        skin->GetLoadError(&error);
        std::fprintf(stderr, "skin: %s\n", QString::fromUtf16(error).toLocal8Bit().constData());
        SysFreeString(error);
        return 1;
    }
    skin->ApplyToWidget(&dialog);
    for (const ButtonPlace& place : places)
        skin->ApplyObjectToWidget(buttons[place.id], QString::fromUtf16(place.skin));

    auto showPage = [&](bool image)
    {
        picture->setVisible(image);
        edit->setVisible(!image);
        buttons[1005]->setVisible(image);
        buttons[1012]->setVisible(image);
        buttons[1010]->setVisible(!image);
        buttons[1011]->setVisible(!image);
    };
    auto save = [&](QWidget& widget, const QString& name)
    {
        const QString file = out + u'/' + name;
        if (!widget.grab().save(file))
            std::fprintf(stderr, "cannot write %s\n", file.toLocal8Bit().constData());
        else
            std::printf("%s\n", file.toLocal8Bit().constData());
    };

    // First start: image page, no picture yet, hide and unhide disabled, focus on the tab.
    dialog.show();
    dialog.activateWindow();
    QApplication::processEvents();
    showPage(true);
    picture->hide();
    buttons[1011]->setEnabled(false);
    buttons[1012]->setEnabled(false);
    buttons[1021]->setFocus();
    save(dialog, QStringLiteral("window-start.png"));

    buttons[1011]->setEnabled(true);
    buttons[1012]->setEnabled(true);
    showPage(true);
    buttons[1005]->setAttribute(Qt::WA_UnderMouse, true);
    save(dialog, QStringLiteral("window-image.png"));
    buttons[1005]->setAttribute(Qt::WA_UnderMouse, false);

    showPage(false);
    buttons[1011]->setFocus();
    buttons[2]->setAttribute(Qt::WA_UnderMouse, true);
    save(dialog, QStringLiteral("window-text.png"));
    buttons[2]->setAttribute(Qt::WA_UnderMouse, false);

    // Each state of one action button and one tab, side by side at twice the size.
    QWidget strip;
    strip.resize(6 * 110, 170);
    strip.setAutoFillBackground(true);
    QPalette back = strip.palette();
    back.setColor(QPalette::Window, QColor(0xD8, 0xE9, 0xEC));
    strip.setPalette(back);
    for (int state = 0; state < 5; ++state)
    {
        auto* action = new QPushButton(&strip); // owned by the strip
        action->setGeometry(10 + state * 110, 10, Du(0, 0, 65, 22).width(),
                            Du(0, 0, 65, 22).height());
        auto* tab = new QPushButton(&strip); // owned by the strip
        tab->setGeometry(30 + state * 110, 60, Du(0, 0, 21, 44).width(), Du(0, 0, 21, 44).height());
        skin->ApplyObjectToWidget(action, QStringLiteral("Button1"));
        skin->ApplyObjectToWidget(tab, QStringLiteral("buttontab2"));
        for (QPushButton* b : {action, tab})
            switch (state)
            {
            case 1:
                b->setAttribute(Qt::WA_UnderMouse, true);
                break;
            case 2:
                b->setDown(true);
                break;
            case 3:
                b->setFocusPolicy(Qt::StrongFocus);
                break;
            case 4:
                b->setEnabled(false);
                break;
            default:
                break;
            }
    }
    strip.show();
    strip.activateWindow();
    QApplication::processEvents();
    for (QPushButton* b : strip.findChildren<QPushButton*>())
        if (b->focusPolicy() == Qt::StrongFocus && b->isEnabled())
            b->setFocus();
    const QImage states = strip.grab().toImage();
    QImage big = states.scaled(states.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    big.save(out + QStringLiteral("/button-states.png"));
    std::printf("%s/button-states.png\n", out.toLocal8Bit().constData());
    return 0;
}
