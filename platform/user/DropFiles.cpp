// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/user/DropFiles.h"

#include "common/Hex.h"
#include "platform/kernel/HandleTable.h"
#include "platform/kernel/Text.h"
#include "platform/user/QtBridge.h"
#include "platform/user/WindowRecord.h"

#include <QAbstractScrollArea>
#include <QDropEvent>
#include <QMimeData>
#include <QPointer>

namespace
{
class CDropObject : public CHandleObject
{
public:
    std::vector<std::string> m_files;
};

std::string PercentDecoded(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const int high =
            text[i] == '%' && i + 2 < text.size() ? carvalet::HexDigitValue(text[i + 1]) : -1;
        const int low = high >= 0 ? carvalet::HexDigitValue(text[i + 2]) : -1;
        if (low < 0)
        {
            out += text[i];
            continue;
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

// A file of this machine: "file:///path" or "file://localhost/path".
bool LocalPath(std::string_view uri, std::string& path)
{
    constexpr std::string_view scheme = "file://";
    if (uri.size() < scheme.size() ||
        QByteArray(uri.data(), scheme.size()).toLower() != QByteArray(scheme.data()))
        return false;
    uri.remove_prefix(scheme.size());
    const std::size_t slash = uri.find('/');
    if (slash == std::string_view::npos)
        return false;
    const std::string_view host = uri.substr(0, slash);
    if (!host.empty() && host != "localhost")
        return false;
    path = PercentDecoded(uri.substr(slash));
    return true;
}

// The drop's native paths: read from the raw list, so that names which are not UTF-8 stay
// exact; Qt's own URLs when the drag carries them only as URLs (a drag made in this process).
std::vector<std::string> LocalFiles(const QMimeData* data)
{
    if (!data)
        return {};
    const QByteArray list = data->data(QStringLiteral("text/uri-list"));
    if (!list.isEmpty())
        return layer::FilesFromUriList(list.toStdString());
    std::vector<std::string> files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            files.push_back(layer::QStringToText(url.toLocalFile()));
    return files;
}

// Watches the widget that Qt delivers drags to (a scroll area's viewport) for the window.
class CFileDropTarget : public QObject
{
public:
    static constexpr char kName[] = "carvalet_file_drop_target";

    CFileDropTarget(QWidget* window, QWidget* target) : QObject(target), m_window(window)
    {
        setObjectName(QLatin1String(kName));
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type())
        {
        case QEvent::DragEnter:
        case QEvent::DragMove:
        {
            auto* drag = static_cast<QDropEvent*>(event);
            if (LocalFiles(drag->mimeData()).empty())
                return false;
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
            return true;
        }
        case QEvent::Drop:
        {
            auto* drop = static_cast<QDropEvent*>(event);
            std::vector<std::string> files = LocalFiles(drop->mimeData());
            if (files.empty())
                return false;
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            Deliver(std::move(files));
            return true;
        }
        default:
            return false;
        }
    }

private:
    void Deliver(std::vector<std::string> files)
    {
        const HWND hWnd = HwndFromWidget(m_window);
        if (!hWnd)
            return;
        auto drop = std::make_unique<CDropObject>();
        for (const std::string& file : files)
            drop->m_files.push_back(layer::WindowsPath(file));
        const HDROP hDrop(CHandleTable::Instance().Add(std::move(drop)));
        SendMessageA(hWnd, WM_DROPFILES, hDrop.value, 0);
        // The receiver finishes the drop; one that ignored it leaves nothing behind either.
        layer::FinishDrop(hDrop);
    }

    QPointer<QWidget> m_window;
};

QWidget* DragTarget(QWidget* widget)
{
    if (auto* area = qobject_cast<QAbstractScrollArea*>(widget))
        return area->viewport();
    return widget;
}
} // namespace

void layer::AcceptFileDrops(QWidget* widget, bool accept)
{
    if (!widget)
        return;
    QWidget* target = DragTarget(widget);
    // Found by name: the class has no meta-object of its own for findChild to tell it by.
    QObject* existing = target->findChild<QObject*>(QLatin1String(CFileDropTarget::kName),
                                                    Qt::FindDirectChildrenOnly);
    if (accept && !existing)
    {
        target->installEventFilter(new CFileDropTarget(widget, target)); // owned by `target`
        target->setAcceptDrops(true);
    }
    else if (!accept && existing)
        delete existing;
}

const std::vector<std::string>* layer::DroppedFiles(HDROP hDrop)
{
    const auto* drop = CHandleTable::Instance().Find<CDropObject>(hDrop);
    return drop ? &drop->m_files : nullptr;
}

void layer::FinishDrop(HDROP hDrop)
{
    if (CHandleTable::Instance().Find<CDropObject>(hDrop))
        CHandleTable::Instance().Remove(hDrop.value);
}

std::vector<std::string> layer::FilesFromUriList(const std::string& uriList)
{
    std::vector<std::string> files;
    std::size_t start = 0;
    while (start < uriList.size())
    {
        std::size_t end = uriList.find('\n', start);
        if (end == std::string::npos)
            end = uriList.size();
        std::string_view line(uriList.data() + start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        std::string path;
        if (!line.empty() && line.front() != '#' && LocalPath(line, path))
            files.push_back(std::move(path));
        start = end + 1;
    }
    return files;
}
