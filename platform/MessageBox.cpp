#include "MessageBox.h"

#include "ModalLoop.h"
#include "QtBridge.h"
#include "Text.h"
#include "WinApp.h"
#include "Wnd.h"

#include <QAbstractButton>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    const char* caption = lpCaption ? lpCaption : "Error";
    QMessageBox box(AfxOwnerWidget(hWnd));
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(AfxTextToQString(caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(AfxTextToQString(lpText ? lpText : ""));
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

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT)
{
    return MessageBoxA(HWND(), lpszText, AfxGetAppName(), nType);
}
