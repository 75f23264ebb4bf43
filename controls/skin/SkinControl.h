// SPDX-License-Identifier: GPL-3.0-or-later
// The skin control: loads a skin file and gives the main window and its buttons their look.
#pragma once

#include "controls/common/ComObject.h"
#include "controls/skin/SkinFile.h"
#include "controls/skin/SkinPalette.h"
#include "platform/com/ComPtr.h"
#include "platform/com/IQtControl.h"
#include "skin/ISkinControl.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <string>

class CSkinControl final : public ISkinControl, public IQtControl, private CComObject<CSkinControl>
{
public:
    static ComPtr<CSkinControl> Create();

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return AddRefImpl(); }
    ULONG Release() override { return ReleaseImpl(); }

    // ISkinControl
    HRESULT GetSkinName(BSTR* name) override;
    HRESULT GetLoadError(BSTR* message) override;
    HRESULT GetObjectCount(LONG* count) override;
    HRESULT GetObjectName(LONG index, BSTR* name) override;
    HRESULT HasObject(LPCWSTR name) override;
    HRESULT LoadSkinFile(BSTR path) override;
    HRESULT GetText(LONG which, BSTR* value) override;
    HRESULT PutText(LONG which, LPCWSTR value) override;
    HRESULT GetValue(LONG which, LONG* value) override;
    HRESULT PutValue(LONG which, LONG value) override;
    HRESULT ApplySkinToWindow(DWORD hwnd) override;
    HRESULT ApplySkinObject(HWND hwnd, LPCWSTR name) override;
    HRESULT SetCardNote(DWORD hwnd, LPCWSTR text, LONG alert) override;

    // IQtControl
    HRESULT Load(const BYTE* data, ULONG size) override;
    HRESULT CreateWidget(QWidget* parent, QWidget** widget) override;

    // What ApplySkinToWindow and ApplySkinObject do once the window is found; also used to
    // preview a skin on plain widgets.
    HRESULT ApplyToWidget(QWidget* window);
    HRESULT ApplyObjectToWidget(QWidget* button, const QString& name);

private:
    friend class CComObject<CSkinControl>;
    CSkinControl() = default;
    ~CSkinControl() = default;

    CSkinPalette Palette() const;
    std::u16string* TextProperty(LONG which);

    // Persisted properties, in stored order.
    std::u16string m_bstrAuthor, m_bstrDescription, m_bstrApplication;
    std::int32_t m_nHue = 0;
    DWORD m_BackColor = 0xFFFFFF, m_ForeColor = 0, m_PanelColor = 0xECE9D8, m_PanelTextColor = 0;
    bool m_bApplyColors = true, m_bSkinClientArea = true;
    std::u16string m_bstrName, m_bstrTag;

    std::shared_ptr<const CSkinFile> m_skin;
    QString m_loadError;
    QPointer<QWidget> m_widget;
};
