// SPDX-License-Identifier: GPL-3.0-or-later
// Times the window's commands on a large bitmap and reads the peak memory of each, through
// the real main window offscreen: open image, hide (save cancelled), hide and save, unhide.
//   carvalet_measure_carrier [megabytes=100] [folder=/tmp]
// The peak resident size is reset before each command (/proc/self/clear_refs), so each figure
// is that command's own peak.
#include "platform/kernel/Text.h"
#include "platform/user/ModalLoop.h"
#include "platform/user/Resources.h"
#include "res/CarvaletResources.h"
#include "res/Resource.h"
#include "ui/StegoDlg.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace
{
CWinApp g_app;

long StatusKb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::string(field).size()));
    return -1;
}

void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

void Put32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A 24-bit bitmap of about `megabytes`, written row by row.
std::int64_t WriteBitmap(const QString& path, int megabytes)
{
    const int width = 5792;
    const int stride = (width * 3 + 3) / 4 * 4;
    const int height = static_cast<int>((std::int64_t(megabytes) << 20) / stride);
    std::string header = "BM";
    Put32(header, static_cast<std::uint32_t>(54 + std::int64_t(stride) * height));
    Put32(header, 0);
    Put32(header, 54);
    Put32(header, 40);
    Put32(header, width);
    Put32(header, static_cast<std::uint32_t>(height));
    Put32(header, 1 | 24 << 16);
    for (int i = 0; i < 6; ++i)
        Put32(header, 0);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return -1;
    file.write(header.data(), qint64(header.size()));
    QByteArray row(stride, '\0');
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < stride; ++x)
            row[x] = static_cast<char>((x * 5 + y * 3) & 0xFF);
        file.write(row);
    }
    return file.size();
}
} // namespace

int main(int argc, char** argv)
{
    const int megabytes = argc > 1 ? std::atoi(argv[1]) : 100;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("/tmp");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    layer::SetResourceModule(&CarvaletResources());

    const QString image = folder + "/carvalet-measure.bmp";
    const QString saved = folder + "/carvalet-measure-out.bmp";
    const std::int64_t bytes = WriteBitmap(image, megabytes);
    if (bytes < 0)
    {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(image));
        return 1;
    }

    QString answer;
    layer::SetModalHook(
        [&](const ModalContext& ctx)
        {
            if (ctx.kind == ModalKind::MessageBox)
            {
                auto* box = static_cast<QMessageBox*>(ctx.widget);
                QAbstractButton* b = box->button(QMessageBox::Ok);
                (b ? b : box->button(QMessageBox::Yes))->click();
            }
            else if (ctx.kind == ModalKind::FileDialog)
            {
                auto* dialog = static_cast<QFileDialog*>(ctx.widget);
                if (answer.isEmpty())
                    dialog->reject();
                else
                {
                    dialog->selectFile(answer);
                    static_cast<QDialog*>(dialog)->accept();
                }
            }
            else
            {
                CWnd* dlg = CWnd::FromHandle(ctx.hWnd);
                dlg->GetDlgItem(IDC_PASSWORD)->SetWindowText("lanterns-8");
                dlg->GetDlgItem(IDC_CONFIRM)->SetWindowText("lanterns-8");
                dlg->SendMessage(WM_COMMAND, IDOK);
            }
        });

    AfxEnableControlContainer();
    CStegoDlg dlg;
    if (!dlg.Create(IDD_MAIN))
        return 1;
    dlg.GetDlgItem(IDC_MESSAGE_EDIT)->SetWindowText("A message hidden in a large picture.");

    std::printf("file: %lld bytes (%.1f MB); resident before: %.1f MB\n",
                static_cast<long long>(bytes), double(bytes) / 1048576,
                StatusKb("VmRSS:") / 1024.0);
    auto measure = [&](const char* what, int command, const QString& file)
    {
        answer = file;
        ResetPeak();
        const long before = StatusKb("VmRSS:");
        const auto start = std::chrono::steady_clock::now();
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(WORD(command), BN_CLICKED));
        const auto end = std::chrono::steady_clock::now();
        const long peak = StatusKb("VmHWM:");
        std::printf("%-26s %8.1f ms   peak resident %7.1f MB (%+.1f MB over the start of the "
                    "command; %.2f x the file)\n",
                    what, std::chrono::duration<double, std::milli>(end - start).count(),
                    peak / 1024.0, (peak - before) / 1024.0, double(peak) * 1024 / double(bytes));
    };
    measure("open image", IDC_OPEN_IMAGE, image);
    measure("hide (save cancelled)", IDC_HIDE, QString());
    measure("hide and save", IDC_HIDE, saved);
    measure("unhide", IDC_UNHIDE, QString());
    measure("open the saved image", IDC_OPEN_IMAGE, saved);
    layer::SetModalHook({});
    QFile::remove(image);
    QFile::remove(saved);
    return 0;
}
