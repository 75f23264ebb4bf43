// SPDX-License-Identifier: GPL-3.0-or-later
// Answers the modal windows that the tests open, as a person would: types passwords and
// presses OK, picks files in the file dialogs, acts on other dialogs as told, and reads and
// closes every message box. Every test that answers modal windows goes through it.
#pragma once

#include "hiding/MessageKind.h"
#include "platform/mfc/Wnd.h"
#include "platform/user/ModalLoop.h"
#include "platform/user/QtBridge.h"
#include "res/Resource.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// What one run of a file dialog looked like, for checks.
struct FileDialogSeen
{
    QString title;
    QStringList filters;
    QString defaultSuffix;
    QString proposed;
    QString directory; // the folder it started in
    bool save = false;
    QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
};

class ModalScript
{
public:
    using Step = std::function<void(const ModalContext&)>;

    ModalScript()
    {
        layer::SetModalHook([this](const ModalContext& ctx) { OnModal(ctx); });
    }
    ~ModalScript() { layer::SetModalHook({}); }
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    // Password dialog: each try types the password (and the confirmation, when shown) and
    // presses OK; if the dialog is still open after the last try, Cancel is pressed. In set
    // mode, `kind` picks how the message is hidden first, with a click as a person would.
    void Password(std::vector<std::pair<std::string, std::string>> tries,
                  std::optional<hiding::MessageKind> kind = std::nullopt)
    {
        steps.emplace_back(ModalKind::Dialog,
                           [this, tries, kind](const ModalContext& ctx)
                           {
                               ++passwordDialogs;
                               CWnd* dlg = CWnd::FromHandle(ctx.hWnd);
                               if (kind)
                                   dlg->GetDlgItem(ChoiceId(*kind))->SendMessage(BM_CLICK);
                               for (const auto& [password, confirm] : tries)
                               {
                                   dlg->GetDlgItem(IDC_PASSWORD)->SetWindowText(password.c_str());
                                   dlg->GetDlgItem(IDC_CONFIRM)->SetWindowText(confirm.c_str());
                                   dlg->SendMessage(WM_COMMAND, IDOK);
                                   if (!IsWindowVisible(ctx.hWnd))
                                       return;
                               }
                               dlg->SendMessage(WM_COMMAND, IDC_CANCEL_BUTTON);
                           });
    }
    static int ChoiceId(hiding::MessageKind kind)
    {
        return kind == hiding::MessageKind::Sealed    ? IDC_SEAL
               : kind == hiding::MessageKind::Stealth ? IDC_STEALTH
                                                      : IDC_PLAIN;
    }
    void Password(const std::string& password) { Password({{password, password}}); }
    void SealedPassword(const std::string& password)
    {
        Password({{password, password}}, hiding::MessageKind::Sealed);
    }
    void StealthPassword(const std::string& password)
    {
        Password({{password, password}}, hiding::MessageKind::Stealth);
    }
    void CancelPassword() { Password(std::vector<std::pair<std::string, std::string>>{}); }

    // File dialog: types nativePath and accepts, or cancels when it is empty.
    void File(const QString& nativePath)
    {
        steps.emplace_back(ModalKind::FileDialog,
                           [this, nativePath](const ModalContext& ctx)
                           {
                               auto* dialog = static_cast<QFileDialog*>(ctx.widget);
                               FileDialogSeen seen;
                               seen.title = dialog->windowTitle();
                               seen.filters = dialog->nameFilters();
                               seen.defaultSuffix = dialog->defaultSuffix();
                               const QStringList selected = dialog->selectedFiles();
                               seen.proposed = selected.isEmpty() ? QString() : selected.first();
                               seen.directory = dialog->directory().absolutePath();
                               seen.save = dialog->acceptMode() == QFileDialog::AcceptSave;
                               seen.fileMode = dialog->fileMode();
                               fileDialogs.push_back(seen);
                               if (nativePath.isEmpty())
                               {
                                   dialog->reject();
                                   return;
                               }
                               dialog->selectFile(nativePath);
                               static_cast<QDialog*>(dialog)->accept();
                               // A "No" to the replace question leaves the dialog open.
                               if (dialog->isVisible())
                                   dialog->reject();
                           });
    }
    void CancelFile() { File(QString()); }

    // Any other dialog: `step` acts on it as it comes up.
    void Dialog(Step step) { steps.emplace_back(ModalKind::Dialog, std::move(step)); }

    // Each message box's text and caption.
    std::vector<std::string> messages;
    std::vector<std::string> captions;
    std::vector<FileDialogSeen> fileDialogs;
    int passwordDialogs = 0;
    // The answer to "... already exists. Do you want to replace it?".
    bool replace = true;
    // The answer to "Hiding a message in this picture would damage it ... Continue?".
    bool convert = true;
    // The answers to other yes/no questions, in the order they are asked.
    std::deque<bool> answers;
    // Steps that were queued but never needed.
    std::size_t Unused() const { return steps.size(); }

private:
    void OnModal(const ModalContext& ctx)
    {
        if (ctx.kind == ModalKind::MessageBox)
        {
            messages.push_back(ctx.text);
            captions.push_back(ctx.caption);
            auto* box = qobject_cast<QMessageBox*>(ctx.widget);
            ASSERT_NE(box, nullptr);
            QAbstractButton* answer = box->button(QMessageBox::Ok);
            if (!answer)
                answer = box->button(Answer(ctx.text) ? QMessageBox::Yes : QMessageBox::No);
            ASSERT_NE(answer, nullptr);
            answer->click();
            return;
        }
        if (steps.empty() || steps.front().first != ctx.kind)
        {
            // Closed at once, so that a wrong turn fails the test instead of hanging it.
            ADD_FAILURE() << "an unexpected modal window";
            if (auto* dialog = qobject_cast<QFileDialog*>(ctx.widget))
                dialog->reject();
            else
                CWnd::FromHandle(ctx.hWnd)->SendMessage(WM_COMMAND, IDCANCEL);
            return;
        }
        const Step step = std::move(steps.front().second);
        steps.pop_front();
        step(ctx);
    }

    bool Answer(const std::string& question)
    {
        if (question.find("replace it?") != std::string::npos)
            return replace;
        if (question.ends_with("Continue?"))
            return convert;
        if (answers.empty())
        {
            ADD_FAILURE() << "an unexpected question: " << question;
            return false;
        }
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }

    std::deque<std::pair<ModalKind, Step>> steps;
};
