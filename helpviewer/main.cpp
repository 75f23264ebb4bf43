// SPDX-License-Identifier: GPL-3.0-or-later
// carvalet-help: shows a compiled HTML help file where the desktop has no viewer for one.
#include "helpviewer/ChmArchive.h"
#include "helpviewer/HelpWindow.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("carvalet-help");
    const QStringList args = QApplication::arguments();
    if (args.size() != 2)
    {
        QMessageBox::warning(nullptr, "carvalet-help", "Usage: carvalet-help FILE.chm");
        return 2;
    }
    std::optional<ChmArchive> archive = ChmArchive::Open(args[1].toStdString());
    if (!archive)
    {
        QMessageBox::warning(nullptr, "carvalet-help",
                             QString("Cannot open the help file %1.").arg(args[1]));
        return 1;
    }
    HelpWindow window(std::move(*archive));
    window.show();
    return QApplication::exec();
}
