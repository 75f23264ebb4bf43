// SPDX-License-Identifier: GPL-3.0-or-later
// The splash control: shows the product mark from a splash file in its corner of the window.
// Reached through IDispatch: LoadSplashFile (22) and ShowSplash (19) as methods, and a few
// read-only properties (see skin/ControlIds.h).
#pragma once

#include "controls/common/ComObject.h"
#include "controls/splash/SplashFile.h"
#include "controls/splash/SplashWidget.h"
#include "platform/com/IQtControl.h"

#include <QPointer>

#include <memory>
#include <string>

class CSplashControl final : public IDispatch, public IQtControl, private CComObject<CSplashControl>
{
public:
    static ComPtr<CSplashControl> Create();

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return AddRefImpl(); }
    ULONG Release() override { return ReleaseImpl(); }

    // IDispatch
    HRESULT GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT GetIDsOfNames(REFIID riid, LPCWSTR* rgszNames, UINT cNames, LCID lcid,
                          DISPID* rgDispId) override;
    HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                   DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                   UINT* puArgErr) override;

    // IQtControl
    HRESULT Load(const BYTE* data, ULONG size) override;
    HRESULT CreateWidget(QWidget* parent, QWidget** widget) override;

    // A missing or broken file is not the program's concern: S_FALSE, and nothing is shown.
    HRESULT LoadSplashFile(const QString& path);
    // Shows the mark, fading it in over `milliseconds` (0: at once; at most 10 s).
    HRESULT ShowSplash(std::int32_t milliseconds);

    static constexpr std::int32_t kMaxFade = 10000;

private:
    friend class CComObject<CSplashControl>;
    CSplashControl() = default;
    ~CSplashControl() = default;

    HRESULT GetProperty(DISPID id, VARIANT* result);

    // Persisted settings, in stored order (after a 32-bit stream version, 1).
    bool m_bShowTooltip = true;
    std::int32_t m_nPadding = 4; // percent of the window's size left round the mark
    std::u16string m_bstrAccessibleName = u"Carvalet";

    std::shared_ptr<const CSplashFile> m_splash;
    bool m_bShown = false;
    QPointer<CSplashWidget> m_widget;
};
