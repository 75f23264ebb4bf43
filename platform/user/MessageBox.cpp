// SPDX-License-Identifier: GPL-3.0-or-later
// MessageBoxA: a modal Qt message box with plain text buttons and no icon.
#include "platform/user/WinUser.h"

#include "platform/kernel/Text.h"
#include "platform/user/ModalLoop.h"
#include "platform/user/QtBridge.h"

#include <QAbstractButton>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    const char* caption = lpCaption ? lpCaption : "Error";
    QMessageBox box(layer::OwnerWidget(hWnd));
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(layer::TextToQString(caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(layer::TextToQString(lpText ? lpText : ""));
    const UINT kind = uType & MB_TYPEMASK;
    const bool okCancel = kind == MB_OKCANCEL;
    const bool yesNo = kind == MB_YESNO;
    box.setStandardButtons(okCancel ? QMessageBox::Ok | QMessageBox::Cancel
                           : yesNo  ? QMessageBox::Yes | QMessageBox::No
                                    : QMessageBox::Ok);
    box.setEscapeButton(okCancel ? QMessageBox::Cancel : yesNo ? QMessageBox::No : QMessageBox::Ok);
    // Plain text buttons, like the program's own dialogs.
    for (QAbstractButton* button : box.buttons())
        button->setIcon(QIcon());
    // MB_DEFBUTTON2: the second button, where a careless Enter does no harm.
    if ((uType & MB_DEFMASK) == MB_DEFBUTTON2 && (okCancel || yesNo))
        box.setDefaultButton(okCancel ? QMessageBox::Cancel : QMessageBox::No);

    CModalLoop loop(ModalKind::MessageBox, &box);
    loop.Context().text = lpText ? lpText : "";
    loop.Context().caption = caption;
    QObject::connect(&box, &QMessageBox::finished,
                     [&box, &loop]
                     {
                         auto* clicked = box.clickedButton();
                         switch (clicked ? box.standardButton(clicked) : QMessageBox::NoButton)
                         {
                         case QMessageBox::Cancel:
                             loop.End(IDCANCEL);
                             break;
                         case QMessageBox::Yes:
                             loop.End(IDYES);
                             break;
                         case QMessageBox::No:
                             loop.End(IDNO);
                             break;
                         default:
                             loop.End(IDOK);
                         }
                     });
    return loop.Run();
}
