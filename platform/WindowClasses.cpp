#include "WindowClasses.h"

#include "Dc.h"
#include "ImageObject.h"
#include "OccManager.h"
#include "QtBridge.h"
#include "Text.h"
#include "WinApp.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QWindow>
#include <cstdlib>
#include <cstring>

namespace
{
constexpr LRESULT DC_HASDEFID = 0x534B;

// Statics show "&x" as an underlined x unless SS_NOPREFIX; a label shows text as it is.
QString StripPrefix(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i)
    {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        out.append(text[i]);
    }
    return out;
}

QString ToDisplayLines(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

std::string ToWindowsLines(const QString& text)
{
    QString copy = text;
    return AfxTypedText(copy.replace(u'\n', QStringLiteral("\r\n")));
}

void SendCommand(HWND hCtl, WORD code)
{
    CWindowRecord* record = AfxFindWindow(hCtl);
    if (!record)
        return;
    SendMessageA(record->m_hWndParent, WM_COMMAND,
                 MAKEWPARAM(static_cast<WORD>(record->m_nID), code), hCtl.value);
}

void ShowImage(CWindowRecord& record)
{
    auto* label = qobject_cast<QLabel*>(record.m_widget.data());
    if (!label)
        return;
    QPixmap pixmap;
    if (const QPixmap* bitmap = AfxPixmapFromHandle(HBITMAP(record.m_hImage)))
        pixmap = *bitmap;
    else if (const QIcon* icon = AfxIconFromHandle(HICON(record.m_hImage)))
        pixmap = icon->pixmap(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    label->setPixmap(pixmap);
    // An image static takes the size of its image.
    if (!pixmap.isNull())
        label->resize(pixmap.deviceIndependentSize().toSize());
}

LRESULT ButtonProc(CWindowRecord& record, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == BM_CLICK)
    {
        if (auto* button = qobject_cast<QPushButton*>(record.m_widget.data());
            button && button->isEnabled())
            button->click();
        return 0;
    }
    return AfxDefWindowProc(record, msg, wParam, lParam);
}

LRESULT StaticProc(CWindowRecord& record, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case STM_SETIMAGE:
    case STM_SETICON:
    {
        const std::uint32_t previous = record.m_hImage;
        record.m_hImage = static_cast<std::uint32_t>(msg == STM_SETICON ? wParam : lParam);
        ShowImage(record);
        return static_cast<LRESULT>(previous);
    }
    case STM_GETIMAGE:
    {
        const bool wantIcon = wParam == IMAGE_ICON;
        const bool isIcon = AfxIconFromHandle(HICON(record.m_hImage)) != nullptr;
        return wantIcon == isIcon ? static_cast<LRESULT>(record.m_hImage) : 0;
    }
    case STM_GETICON:
        return AfxIconFromHandle(HICON(record.m_hImage)) ? static_cast<LRESULT>(record.m_hImage)
                                                         : 0;
    default:
        return AfxDefWindowProc(record, msg, wParam, lParam);
    }
}

LRESULT EditProc(CWindowRecord& record, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case EM_SETSEL:
        if (auto* line = qobject_cast<QLineEdit*>(record.m_widget.data()))
            line->selectAll();
        else if (auto* text = qobject_cast<QPlainTextEdit*>(record.m_widget.data()))
            text->selectAll();
        return 0;
    case EM_LIMITTEXT:
        if (auto* line = qobject_cast<QLineEdit*>(record.m_widget.data()))
            line->setMaxLength(wParam ? static_cast<int>(wParam) : 0x7FFFFFFE);
        return 0;
    default:
        return AfxDefWindowProc(record, msg, wParam, lParam);
    }
}

LRESULT TabProc(CWindowRecord& record, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* bar = qobject_cast<QTabBar*>(record.m_widget.data());
    if (!bar)
        return AfxDefWindowProc(record, msg, wParam, lParam);
    switch (msg)
    {
    case TCM_GETCURSEL:
        return bar->currentIndex();
    case TCM_GETITEMCOUNT:
        return bar->count();
    case TCM_SETCURSEL:
    {
        const int index = static_cast<int>(wParam);
        if (index < 0 || index >= bar->count())
            return -1;
        const int previous = bar->currentIndex();
        const QSignalBlocker quiet(bar);
        bar->setCurrentIndex(index);
        return previous;
    }
    case TCM_INSERTITEMA:
    {
        const auto* item = reinterpret_cast<const TCITEMA*>(lParam);
        if (!item)
            return -1;
        const QString text =
            (item->mask & TCIF_TEXT) && item->pszText ? AfxTextToQString(item->pszText) : QString();
        const QSignalBlocker quiet(bar);
        return bar->insertTab(static_cast<int>(wParam), text);
    }
    default:
        return AfxDefWindowProc(record, msg, wParam, lParam);
    }
}

LRESULT OleProc(CWindowRecord& record, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return AfxDefWindowProc(record, msg, wParam, lParam);
}

// A multi-line edit without the want-return style hands Enter to its dialog.
class CEnterToDialog : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
            (key->modifiers() & Qt::ControlModifier))
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || !widget->window())
            return false;
        QKeyEvent copy(QEvent::KeyPress, key->key(), key->modifiers());
        QApplication::sendEvent(widget->window(), &copy);
        return true;
    }
};

QWidget* MakeButton(const DialogItem& item, QWidget* parent)
{
    auto* button = new QPushButton(parent);
    button->setAutoDefault(false);
    button->setDefault((item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
    return button;
}

QWidget* MakeStatic(const DialogItem& item, QWidget* parent)
{
    auto* label = new QLabel(parent);
    const DWORD type = item.style & SS_TYPEMASK;
    if (type == SS_ICON || type == SS_BITMAP)
    {
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    const Qt::Alignment horizontal = type == SS_CENTER  ? Qt::AlignHCenter
                                     : type == SS_RIGHT ? Qt::AlignRight
                                                        : Qt::AlignLeft;
    label->setAlignment(horizontal | Qt::AlignTop);
    return label;
}

QWidget* MakeEdit(const DialogItem& item, QWidget* parent)
{
    if (item.style & ES_MULTILINE)
    {
        auto* edit = new QPlainTextEdit(parent);
        edit->setTabChangesFocus(true);
        edit->setVerticalScrollBarPolicy((item.style & WS_VSCROLL) ? Qt::ScrollBarAlwaysOn
                                                                   : Qt::ScrollBarAsNeeded);
        const bool wraps = !(item.style & (ES_AUTOHSCROLL | WS_HSCROLL));
        edit->setLineWrapMode(wraps ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
        if (!(item.style & ES_WANTRETURN))
            edit->installEventFilter(new CEnterToDialog(edit));
        if (!(item.exStyle & WS_EX_CLIENTEDGE) && !(item.style & WS_BORDER))
            edit->setFrameShape(QFrame::NoFrame);
        return edit;
    }
    auto* edit = new QLineEdit(parent);
    edit->setEchoMode((item.style & ES_PASSWORD) ? QLineEdit::Password : QLineEdit::Normal);
    edit->setFrame((item.style & WS_BORDER) || (item.exStyle & WS_EX_CLIENTEDGE));
    return edit;
}

void ConnectNotifications(CWindowRecord& record)
{
    const HWND hCtl = record.Handle();
    if (auto* button = qobject_cast<QPushButton*>(record.m_widget.data()))
        QObject::connect(button, &QPushButton::clicked, [hCtl] { SendCommand(hCtl, BN_CLICKED); });
    if (auto* bar = qobject_cast<QTabBar*>(record.m_widget.data()))
        QObject::connect(bar, &QTabBar::currentChanged,
                         [hCtl]
                         {
                             CWindowRecord* r = AfxFindWindow(hCtl);
                             if (!r)
                                 return;
                             NMHDR header{hCtl, static_cast<UINT_PTR>(r->m_nID), TCN_SELCHANGE};
                             SendMessageA(r->m_hWndParent, WM_NOTIFY, static_cast<WPARAM>(r->m_nID),
                                          reinterpret_cast<LPARAM>(&header));
                         });
}

Qt::FocusPolicy FocusPolicyOf(const DialogItem& item)
{
    if (item.style & WS_TABSTOP)
        return Qt::StrongFocus;
    if (item.windowClass && std::strcmp(item.windowClass, "Static") == 0)
        return Qt::NoFocus;
    return Qt::ClickFocus;
}
} // namespace

LRESULT AfxDefWindowProc(CWindowRecord& record, UINT msg, WPARAM wParam, LPARAM lParam)
{
    QWidget* widget = record.m_widget.data();
    switch (msg)
    {
    case WM_SETTEXT:
        AfxSetWindowTextBytes(record, lParam ? reinterpret_cast<const char*>(lParam) : "");
        return TRUE;
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(AfxGetWindowTextBytes(record).size());
    case WM_GETTEXT:
    {
        auto* buffer = reinterpret_cast<char*>(lParam);
        if (!buffer || wParam == 0)
            return 0;
        const std::string text = AfxGetWindowTextBytes(record);
        const std::size_t n = std::min<std::size_t>(text.size(), wParam - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
        return static_cast<LRESULT>(n);
    }
    case WM_CLOSE:
        DestroyWindow(record.Handle());
        return 0;
    case WM_SYSCOMMAND:
        if (!widget)
            return 0;
        switch (wParam & 0xFFF0)
        {
        case SC_CLOSE:
            SendMessageA(record.Handle(), WM_CLOSE, 0, 0);
            break;
        case SC_MOVE:
            // The window manager moves the window; it may refuse without a pointer press.
            if (QWindow* window = widget->windowHandle())
                window->startSystemMove();
            break;
        case SC_MINIMIZE:
            widget->showMinimized();
            break;
        case SC_RESTORE:
            widget->showNormal();
            break;
        default:
            break;
        }
        return 0;
    case WM_SETICON:
    case WM_GETICON:
    {
        HICON& slot = wParam == ICON_BIG ? record.m_hIconBig : record.m_hIconSmall;
        const HICON previous = slot;
        if (msg == WM_SETICON)
        {
            slot = HICON(static_cast<std::uint32_t>(lParam));
            QIcon merged;
            for (HICON h : {record.m_hIconBig, record.m_hIconSmall})
                if (const QIcon* icon = AfxIconFromHandle(h))
                    for (const QSize& size : icon->availableSizes())
                        merged.addPixmap(icon->pixmap(size));
            if (widget)
                widget->setWindowIcon(merged);
        }
        return static_cast<LRESULT>(previous.value);
    }
    case WM_ICONERASEBKGND:
        if (QPainter* painter = AfxPainterFromHdc(HDC(static_cast<std::uint32_t>(wParam)));
            painter && widget)
            painter->fillRect(widget->rect(), widget->palette().window());
        return TRUE;
    case WM_HELP:
        // A child passes help requests up to its parent.
        if (record.m_style & WS_CHILD)
            return SendMessageA(record.m_hWndParent, WM_HELP, wParam, lParam);
        return 0;
    default:
        return 0;
    }
}

LRESULT AfxDefDlgProc(CWindowRecord& record, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WM_CLOSE:
    {
        // The close box is the cancel command, unless a disabled cancel button forbids it.
        const HWND hCancel = GetDlgItem(record.Handle(), IDCANCEL);
        if (hCancel && !IsWindowEnabled(hCancel))
            return 0;
        SendMessageA(record.Handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), hCancel.value);
        return 0;
    }
    case DM_GETDEFID:
        if (!record.m_widget)
            return 0;
        for (QObject* child : record.m_widget->children())
        {
            const CWindowRecord* control = AfxFindWindow(qobject_cast<QWidget*>(child));
            if (control && control->m_className == "Button" &&
                (control->m_style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                return (DC_HASDEFID << 16) | static_cast<WORD>(control->m_nID);
        }
        return 0;
    default:
        return AfxDefWindowProc(record, msg, wParam, lParam);
    }
}

std::string AfxGetWindowTextBytes(CWindowRecord& record)
{
    QWidget* widget = record.m_widget.data();
    if (!widget)
        return {};
    if (auto* edit = qobject_cast<QPlainTextEdit*>(widget))
    {
        const QString shown = edit->toPlainText();
        return shown == record.m_shownText ? record.m_setText : ToWindowsLines(shown);
    }
    if (auto* line = qobject_cast<QLineEdit*>(widget))
        return line->text() == record.m_shownText ? record.m_setText : AfxTypedText(line->text());
    if (record.m_className == "Static" || record.m_className == "Button")
        return record.m_setText;
    if (widget->isWindow())
        return AfxQStringToText(widget->windowTitle());
    return record.m_setText;
}

void AfxSetWindowTextBytes(CWindowRecord& record, std::string_view text)
{
    QWidget* widget = record.m_widget.data();
    record.m_setText = std::string(text);
    if (!widget)
        return;
    const QString decoded = AfxTextToQString(text);
    if (auto* edit = qobject_cast<QPlainTextEdit*>(widget))
    {
        edit->setPlainText(ToDisplayLines(decoded));
        record.m_shownText = edit->toPlainText();
    }
    else if (auto* line = qobject_cast<QLineEdit*>(widget))
    {
        line->setText(decoded);
        record.m_shownText = line->text();
    }
    else if (auto* button = qobject_cast<QPushButton*>(widget))
        button->setText(decoded);
    else if (auto* label = qobject_cast<QLabel*>(widget))
    {
        const DWORD type = record.m_style & SS_TYPEMASK;
        if (type != SS_ICON && type != SS_BITMAP)
            label->setText((record.m_style & SS_NOPREFIX) ? decoded : StripPrefix(decoded));
    }
    else if (widget->isWindow())
        widget->setWindowTitle(decoded);
}

HWND AfxCreateDialogControl(const DialogItem& item, const RECT& px, HWND hDlg,
                            std::span<const unsigned char> persisted)
{
    QWidget* parent = WidgetFromHwnd(hDlg);
    if (!parent)
        return HWND();
    QWidget* widget = nullptr;
    CLASSPROC proc = AfxDefWindowProc;
    std::string className = item.windowClass ? item.windowClass : "";
    OleControlItem ole;
    OleControlSite site;
    // Widgets are owned by their dialog's widget.
    if (!item.windowClass)
    {
        if (!item.clsid || !AfxIsControlContainerEnabled())
            return HWND();
        ole.nID = static_cast<UINT>(item.id);
        ole.clsid = *item.clsid;
        ole.style = item.style;
        ole.persisted.assign(persisted.begin(), persisted.end());
        site = AfxCreateOleControl(ole, parent);
        widget = site.widget;
        proc = OleProc;
        className = "ActiveX";
    }
    else if (className == "Button")
    {
        widget = MakeButton(item, parent);
        proc = ButtonProc;
    }
    else if (className == "Static")
    {
        widget = MakeStatic(item, parent);
        proc = StaticProc;
    }
    else if (className == "Edit")
    {
        widget = MakeEdit(item, parent);
        proc = EditProc;
    }
    else if (className == "SysTabControl32")
    {
        widget = new QTabBar(parent);
        proc = TabProc;
    }
    if (!widget)
        return HWND();

    CWindowRecord& record = AfxRegisterWindow(widget, proc, className.c_str());
    record.m_nID = item.id;
    record.m_style = item.style | WS_CHILD;
    record.m_exStyle = item.exStyle;
    record.m_hWndParent = hDlg;
    if (!item.windowClass)
    {
        record.m_ole = std::move(ole);
        record.m_pControlUnknown = std::move(site.unknown);
    }
    widget->setObjectName(QStringLiteral("control%1").arg(item.id));
    widget->setGeometry(px.left, px.top, px.right - px.left, px.bottom - px.top);
    widget->setFocusPolicy(FocusPolicyOf(item));
    widget->setEnabled(!(item.style & WS_DISABLED));

    const HWND hCtl = record.Handle();
    if (className == "Static" && (item.style & SS_TYPEMASK) == SS_ICON && item.text &&
        item.text[0] == '#')
    {
        const HICON icon = LoadIconA(AfxGetResourceHandle(),
                                     MAKEINTRESOURCE(static_cast<WORD>(std::atoi(item.text + 1))));
        SendMessageA(hCtl, STM_SETICON, icon.value, 0);
    }
    else if (item.text)
        AfxSetWindowTextBytes(record, item.text);
    ConnectNotifications(record);
    widget->setVisible((item.style & WS_VISIBLE) != 0);
    return hCtl;
}
