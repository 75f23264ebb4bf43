// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mfc/FileDialog.h"

#include "platform/mfc/AfxMessageBox.h"

#include "platform/kernel/Text.h"
#include "platform/mfc/Wnd.h"
#include "platform/user/ModalLoop.h"
#include "platform/user/QtBridge.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>

namespace
{
// Qt reads the patterns from the parentheses that end a filter, separated by blanks: a
// description that ends with its own patterns shows them that way, and one that does not
// gets them appended.
QString QtFilter(const std::string& description, const std::string& patterns)
{
    QString spaced = layer::TextToQString(patterns);
    spaced.replace(QLatin1Char(';'), QLatin1Char(' '));
    QString text = layer::TextToQString(description);
    const QString own = QLatin1Char('(') + layer::TextToQString(patterns) + QLatin1Char(')');
    if (text.endsWith(own))
        text.chop(own.size());
    else if (!text.endsWith(QLatin1Char('(') + spaced + QLatin1Char(')')))
        text += QLatin1Char(' ');
    else
        return text;
    return text + QLatin1Char('(') + spaced + QLatin1Char(')');
}

// Asks before an existing file is replaced; "No" keeps the dialog open, as on Windows.
// A name typed in the name box always wins over the list's selection: Qt prefers the selection
// when the box never had the focus (no window manager), and the file saved would not be the
// one the user named.
class CQtFileDialog : public QFileDialog
{
public:
    CQtFileDialog(QWidget* parent, bool bConfirmOverwrite)
        : QFileDialog(parent), m_bConfirmOverwrite(bConfirmOverwrite)
    {
    }

    // In a save dialog, typing in the name box drops the list's selection, which Qt keeps
    // while the box has no focus (no window manager). Called once the widgets exist.
    void DropSelectionOnTyping()
    {
        auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* list = findChild<QAbstractItemView*>(QStringLiteral("listView"));
        if (!edit || !list)
            return;
        QObject::connect(edit, &QLineEdit::textEdited, this,
                         [this, list]
                         {
                             if (acceptMode() == AcceptSave && list->selectionModel())
                                 list->selectionModel()->clearSelection();
                         });
    }

    // The file accepted, once the dialog ends with OK.
    const QString& Chosen() const { return m_chosen; }

    void accept() override
    {
        // Qt checks that a file to open exists.
        if (fileMode() != AnyFile)
        {
            QFileDialog::accept();
            return;
        }
        const QString typed = TypedPath();
        const QStringList files = typed.isEmpty() ? selectedFiles() : QStringList{typed};
        // A folder typed or chosen is opened by Qt, not accepted.
        if (files.isEmpty() || QFileInfo(files.first()).isDir())
        {
            QFileDialog::accept();
            return;
        }
        if (m_bConfirmOverwrite && acceptMode() == AcceptSave)
        {
            const QFileInfo info(files.first());
            if (info.exists() && !ConfirmReplace(info.fileName()))
                return;
        }
        m_chosen = files.first();
        done(QDialog::Accepted);
    }

private:
    // The name box's text as a path in the folder shown, with the default extension added as
    // Qt adds it; empty when nothing is typed.
    QString TypedPath() const
    {
        const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QString text = edit ? edit->text().trimmed() : QString();
        // Qt lists several selected names quoted, the latest last; a save takes one name.
        if (text.startsWith(QLatin1Char('"')))
            text = acceptMode() == AcceptSave ? text.section(QLatin1Char('"'), -2, -2) : QString();
        if (text.isEmpty())
            return {};
        if (text == QLatin1String("~") || text.startsWith(QLatin1String("~/")))
            text.replace(0, 1, QDir::homePath());
        QString path = QDir::cleanPath(directory().absoluteFilePath(text));
        const QFileInfo info(path);
        if (acceptMode() == AcceptSave && !defaultSuffix().isEmpty() && !info.exists() &&
            info.suffix().isEmpty())
            path += QLatin1Char('.') + defaultSuffix();
        return path;
    }

private:
    bool ConfirmReplace(const QString& name)
    {
        const QString text = name + QStringLiteral(" already exists.\nDo you want to replace it?");
        QMessageBox box(this);
        box.setIcon(QMessageBox::Warning);
        box.setWindowTitle(windowTitle());
        box.setTextFormat(Qt::PlainText);
        box.setText(text);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        CModalLoop loop(ModalKind::MessageBox, &box);
        loop.Context().text = layer::QStringToText(text);
        loop.Context().caption = layer::QStringToText(windowTitle());
        QObject::connect(&box, &QMessageBox::finished,
                         [&box, &loop]
                         {
                             auto* clicked = box.clickedButton();
                             const bool yes =
                                 clicked && box.standardButton(clicked) == QMessageBox::Yes;
                             loop.End(yes ? IDOK : IDCANCEL);
                         });
        return loop.Run() == IDOK;
    }

    bool m_bConfirmOverwrite;
    QString m_chosen;
};
} // namespace

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt, LPCSTR lpszFileName,
                         DWORD dwFlags, LPCSTR lpszFilter, CWnd* pParentWnd)
    : m_dwFlags(dwFlags), m_bOpenFileDialog(bOpenFileDialog != FALSE),
      m_strDefExt(lpszDefExt ? lpszDefExt : ""), m_strFileName(lpszFileName ? lpszFileName : ""),
      m_strFilter(lpszFilter ? lpszFilter : ""), m_pParentWnd(pParentWnd)
{
}

CFileDialog::~CFileDialog() = default;

std::vector<std::pair<std::string, std::string>> CFileDialog::ParseFilter(LPCSTR lpszFilter)
{
    std::vector<std::string> parts;
    std::string part;
    for (const char* p = lpszFilter ? lpszFilter : ""; *p; ++p)
    {
        if (*p == '|')
        {
            parts.push_back(part);
            part.clear();
        }
        else
            part += *p;
    }
    parts.push_back(part);

    std::vector<std::pair<std::string, std::string>> entries;
    for (std::size_t i = 0; i + 1 < parts.size() && !parts[i].empty(); i += 2)
        entries.emplace_back(parts[i], parts[i + 1]);
    return entries;
}

CString CFileDialog::GetFileName() const
{
    const int slash = m_strPathName.ReverseFind('\\');
    return slash < 0 ? m_strPathName : m_strPathName.Mid(slash + 1);
}

INT_PTR CFileDialog::DoModal()
{
    const bool bConfirm = !m_bOpenFileDialog && (m_dwFlags & OFN_OVERWRITEPROMPT);
    const HWND hWndParent = m_pParentWnd ? m_pParentWnd->m_hWnd : HWND();
    CQtFileDialog dialog(layer::OwnerWidget(layer::SafeOwner(hWndParent)), bConfirm);
    // Qt's own dialog, so that it looks and behaves the same on every desktop and in tests.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setWindowTitle(m_bOpenFileDialog ? QStringLiteral("Open") : QStringLiteral("Save As"));
    dialog.setAcceptMode(m_bOpenFileDialog ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    // No must-exist flags: any name may be typed.
    dialog.setFileMode((m_dwFlags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(layer::TextToQString(m_strDefExt));
    dialog.DropSelectionOnTyping();

    QStringList filters;
    for (const auto& [description, patterns] : ParseFilter(m_strFilter.c_str()))
        filters << QtFilter(description, patterns);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);

    const QFileInfo proposed(layer::TextToQString(layer::NativePath(m_strFileName)));
    const QFileInfo initialDir(layer::TextToQString(
        layer::NativePath(m_ofn.lpstrInitialDir ? m_ofn.lpstrInitialDir : "")));
    if (m_strFileName.find('\\') != std::string::npos && proposed.dir().exists())
        dialog.setDirectory(proposed.absolutePath());
    else if (!initialDir.filePath().isEmpty() && initialDir.isDir())
        dialog.setDirectory(initialDir.absoluteFilePath());
    if (!m_strFileName.empty())
        dialog.selectFile(proposed.fileName());

    CModalLoop loop(ModalKind::FileDialog, &dialog);
    QObject::connect(&dialog, &QDialog::finished,
                     [&loop](int result)
                     { loop.End(result == QDialog::Accepted ? IDOK : IDCANCEL); });
    const int result = loop.Run();
    dialog.hide();
    if (result != IDOK)
        return IDCANCEL;
    const QString chosen =
        dialog.Chosen().isEmpty() ? dialog.selectedFiles().value(0) : dialog.Chosen();
    if (chosen.isEmpty())
        return IDCANCEL;
    m_strPathName = layer::WindowsPath(layer::QStringToText(QDir::cleanPath(chosen))).c_str();
    return IDOK;
}
