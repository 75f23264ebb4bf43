// The window classes the layer knows: their default procedures and how their widgets are made.
#pragma once

#include "Resources.h"
#include "WindowRecord.h"

#include <span>
#include <string>

// The default procedure of every window (DefWindowProc) and of dialogs (DefDlgProc).
LRESULT AfxDefWindowProc(CWindowRecord& record, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT AfxDefDlgProc(CWindowRecord& record, UINT msg, WPARAM wParam, LPARAM lParam);

// Creates the child control of a template item at `pixels` inside the dialog. Returns a null
// handle when the item cannot be created.
HWND AfxCreateDialogControl(const DialogItem& item, const RECT& pixels, HWND hDlg,
                            std::span<const unsigned char> persisted);

// A window's text as bytes, and setting it from bytes.
std::string AfxGetWindowTextBytes(CWindowRecord& record);
void AfxSetWindowTextBytes(CWindowRecord& record, std::string_view text);
