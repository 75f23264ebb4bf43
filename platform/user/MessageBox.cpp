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
    const bool okCancel = (uType & MB_TYPEMASK) == MB_OKCANCEL;
    box.setStandardButtons(okCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok);
    box.setEscapeButton(okCancel ? QMessageBox::Cancel : QMessageBox::Ok);
    // Plain text buttons, like the program's own dialogs.
    for (QAbstractButton* button : box.buttons())
        button->setIcon(QIcon());

    CModalLoop loop(ModalKind::MessageBox, &box);
    loop.Context().text = lpText ? lpText : "";
    loop.Context().caption = caption;
    QObject::connect(&box, &QMessageBox::finished,
                     [&box, &loop]
                     {
                         auto* clicked = box.clickedButton();
                         const bool cancelled =
                             clicked && box.standardButton(clicked) == QMessageBox::Cancel;
                         loop.End(cancelled ? IDCANCEL : IDOK);
                     });
    return loop.Run();
}
