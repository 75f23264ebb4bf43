// SPDX-License-Identifier: GPL-3.0-or-later
// Message maps: a static table per class of (message, notification code, control ID range,
// handler), chained to the base class's table. Each entry is built by a typed function
// template, so a handler with the wrong signature does not compile:
//
//   BEGIN_MESSAGE_MAP(CStegoDlg, CDialog)
//       ON_WM_PAINT<&CStegoDlg::OnPaint>(),
//       ON_BN_CLICKED<&CStegoDlg::OnHide>(IDC_HIDE),
//   END_MESSAGE_MAP()
#pragma once

#include "platform/user/WinUser.h"

#include <span>

class CCmdTarget;

// Marks message handlers in class declarations.
#define afx_msg

using AFX_PMSG_THUNK = LRESULT (*)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY
{
    UINT nMessage = 0;
    UINT nCode = 0;
    UINT nID = 0;
    UINT nLastID = 0;
    AFX_PMSG_THUNK pfn = nullptr;
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    std::span<const AFX_MSGMAP_ENTRY> entries;
};

namespace afx
{
template <class T> struct MemberTraits;
template <class C, class R, class... A> struct MemberTraits<R (C::*)(A...)>
{
    using Class = C;
};
template <auto F> using ClassOf = typename MemberTraits<decltype(F)>::Class;
template <auto F> ClassOf<F>* Target(CCmdTarget* t)
{
    return static_cast<ClassOf<F>*>(t);
}
} // namespace afx

// void OnCommand()
template <auto F> constexpr AFX_MSGMAP_ENTRY ON_COMMAND(UINT id)
{
    return {WM_COMMAND, 0, id, id,
            [](CCmdTarget* t, WPARAM, LPARAM) -> LRESULT
            {
                (afx::Target<F>(t)->*F)();
                return 0;
            }};
}

// void OnClicked()
template <auto F> constexpr AFX_MSGMAP_ENTRY ON_BN_CLICKED(UINT id)
{
    return ON_COMMAND<F>(id);
}

// void OnChange(): an edit's text changed.
template <auto F> constexpr AFX_MSGMAP_ENTRY ON_EN_CHANGE(UINT id)
{
    return {WM_COMMAND, EN_CHANGE, id, id,
            [](CCmdTarget* t, WPARAM, LPARAM) -> LRESULT
            {
                (afx::Target<F>(t)->*F)();
                return 0;
            }};
}

// void OnNotify(NMHDR* pNMHDR, LRESULT* pResult); lParam carries the NMHDR, wParam the result.
template <auto F> constexpr AFX_MSGMAP_ENTRY ON_NOTIFY(UINT code, UINT id)
{
    return {WM_NOTIFY, code, id, id,
            [](CCmdTarget* t, WPARAM w, LPARAM l) -> LRESULT
            {
                (afx::Target<F>(t)->*F)(reinterpret_cast<NMHDR*>(l), reinterpret_cast<LRESULT*>(w));
                return 0;
            }};
}

// LRESULT OnMessage(WPARAM, LPARAM)
template <auto F> constexpr AFX_MSGMAP_ENTRY ON_MESSAGE(UINT message)
{
    return {message, 0, 0, 0, [](CCmdTarget* t, WPARAM w, LPARAM l) -> LRESULT {
                return (afx::Target<F>(t)->*F)(w, l);
            }};
}

// void OnSysCommand(UINT nID, LPARAM lParam)
template <auto F> constexpr AFX_MSGMAP_ENTRY ON_WM_SYSCOMMAND()
{
    return {WM_SYSCOMMAND, 0, 0, 0,
            [](CCmdTarget* t, WPARAM w, LPARAM l) -> LRESULT
            {
                (afx::Target<F>(t)->*F)(static_cast<UINT>(w), l);
                return 0;
            }};
}

// void OnPaint()
template <auto F> constexpr AFX_MSGMAP_ENTRY ON_WM_PAINT()
{
    return {WM_PAINT, 0, 0, 0,
            [](CCmdTarget* t, WPARAM, LPARAM) -> LRESULT
            {
                (afx::Target<F>(t)->*F)();
                return 0;
            }};
}

// void OnClose()
template <auto F> constexpr AFX_MSGMAP_ENTRY ON_WM_CLOSE()
{
    return {WM_CLOSE, 0, 0, 0,
            [](CCmdTarget* t, WPARAM, LPARAM) -> LRESULT
            {
                (afx::Target<F>(t)->*F)();
                return 0;
            }};
}

// void OnDropFiles(HDROP hDropInfo)
template <auto F> constexpr AFX_MSGMAP_ENTRY ON_WM_DROPFILES()
{
    return {WM_DROPFILES, 0, 0, 0,
            [](CCmdTarget* t, WPARAM w, LPARAM) -> LRESULT
            {
                (afx::Target<F>(t)->*F)(HandleFromParam<HDROP>(w));
                return 0;
            }};
}

// HCURSOR OnQueryDragIcon()
template <auto F> constexpr AFX_MSGMAP_ENTRY ON_WM_QUERYDRAGICON()
{
    return {WM_QUERYDRAGICON, 0, 0, 0, [](CCmdTarget* t, WPARAM, LPARAM) -> LRESULT {
                return static_cast<LRESULT>((afx::Target<F>(t)->*F)().value);
            }};
}

// BOOL OnHelpInfo(HELPINFO* pHelpInfo)
template <auto F> constexpr AFX_MSGMAP_ENTRY ON_WM_HELPINFO()
{
    return {WM_HELP, 0, 0, 0, [](CCmdTarget* t, WPARAM, LPARAM l) -> LRESULT {
                return (afx::Target<F>(t)->*F)(reinterpret_cast<HELPINFO*>(l));
            }};
}

#define DECLARE_MESSAGE_MAP()                                                                      \
protected:                                                                                         \
    static const AFX_MSGMAP* GetThisMessageMap();                                                  \
                                                                                                   \
public:                                                                                            \
    const AFX_MSGMAP* GetMessageMap() const override;                                              \
                                                                                                   \
protected:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                     \
    const AFX_MSGMAP* theClass::GetMessageMap() const                                              \
    {                                                                                              \
        return GetThisMessageMap();                                                                \
    }                                                                                              \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                                \
    {                                                                                              \
        using TheBaseClass = baseClass;                                                            \
        static const AFX_MSGMAP_ENTRY entries[] = {

#define END_MESSAGE_MAP()                                                                          \
    AFX_MSGMAP_ENTRY {}                                                                            \
    }                                                                                              \
    ;                                                                                              \
    static const AFX_MSGMAP map = {&TheBaseClass::GetThisMessageMap, entries};                     \
    return &map;                                                                                   \
    }
