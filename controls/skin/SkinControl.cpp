// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/skin/SkinControl.h"

#include "controls/common/PropertyReader.h"
#include "controls/skin/ButtonPainter.h"
#include "controls/skin/WindowPainter.h"
#include "platform/kernel/Text.h"
#include "platform/user/QtBridge.h"

#include <QAbstractButton>

namespace
{

// The control's own window: never shown, it only keeps the control alive while it exists.
class CSkinWindow final : public QWidget
{
public:
    CSkinWindow(QWidget* parent, ComPtr<IUnknown> control)
        : QWidget(parent), m_control(std::move(control))
    {
    }

private:
    ComPtr<IUnknown> m_control;
};

HRESULT ReturnString(const QString& text, BSTR* out)
{
    if (out == nullptr)
        return E_POINTER;
    *out = SysAllocStringLen(reinterpret_cast<const char16_t*>(text.utf16()),
                             static_cast<UINT>(text.size()));
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

QColor FromColorRef(DWORD rgb)
{
    return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

QString ToQString(const std::u16string& text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

ComPtr<CSkinControl> CSkinControl::Create()
{
    return ComPtr<CSkinControl>::Attach(new CSkinControl); // counted: CComObject deletes it
}

HRESULT CSkinControl::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ISkinControl)
        *ppv = static_cast<ISkinControl*>(this);
    else if (riid == IID_IQtControl)
        *ppv = static_cast<IQtControl*>(this);
    else
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT CSkinControl::GetSkinName(BSTR* name)
{
    const HRESULT hr = ReturnString(m_skin ? m_skin->Name() : QString(), name);
    return SUCCEEDED(hr) && !m_skin ? S_FALSE : hr;
}

HRESULT CSkinControl::GetLoadError(BSTR* message)
{
    return ReturnString(m_loadError, message);
}

HRESULT CSkinControl::GetObjectCount(LONG* count)
{
    if (count == nullptr)
        return E_POINTER;
    *count = m_skin ? static_cast<LONG>(m_skin->Objects().size()) : 0;
    return S_OK;
}

HRESULT CSkinControl::GetObjectName(LONG index, BSTR* name)
{
    if (name == nullptr)
        return E_POINTER;
    *name = nullptr;
    if (!m_skin || index < 0 || static_cast<std::size_t>(index) >= m_skin->Objects().size())
        return E_INVALIDARG;
    return ReturnString(m_skin->Objects()[static_cast<std::size_t>(index)].name, name);
}

HRESULT CSkinControl::HasObject(LPCWSTR name)
{
    if (name == nullptr)
        return E_POINTER;
    return m_skin && m_skin->Find(QString::fromUtf16(name)) != nullptr ? S_OK : S_FALSE;
}

HRESULT CSkinControl::LoadSkinFile(BSTR path)
{
    m_skin.reset();
    m_loadError.clear();
    if (path == nullptr)
    {
        m_loadError = QStringLiteral("no skin file given");
        return E_POINTER;
    }
    auto skin = std::make_shared<CSkinFile>();
    const QString windowsPath =
        QString::fromUtf16(path, static_cast<qsizetype>(SysStringLen(path)));
    const HRESULT hr = skin->Load(
        layer::ExactTextToQString(layer::NativePath(layer::ExactQStringToText(windowsPath))));
    if (FAILED(hr))
    {
        m_loadError = skin->Error();
        return hr;
    }
    m_skin = std::move(skin);
    return S_OK;
}

std::u16string* CSkinControl::TextProperty(LONG which)
{
    switch (which)
    {
    case SKIN_AUTHOR:
        return &m_bstrAuthor;
    case SKIN_DESCRIPTION:
        return &m_bstrDescription;
    case SKIN_APPLICATION:
        return &m_bstrApplication;
    case SKIN_NAME:
        return &m_bstrName;
    case SKIN_TAG:
        return &m_bstrTag;
    default:
        return nullptr;
    }
}

HRESULT CSkinControl::GetText(LONG which, BSTR* value)
{
    if (value == nullptr)
        return E_POINTER;
    *value = nullptr;
    const std::u16string* text = TextProperty(which);
    return text != nullptr ? ReturnString(ToQString(*text), value) : E_INVALIDARG;
}

HRESULT CSkinControl::PutText(LONG which, LPCWSTR value)
{
    std::u16string* text = TextProperty(which);
    if (text == nullptr)
        return E_INVALIDARG;
    *text = value != nullptr ? std::u16string(value) : std::u16string();
    if (which == SKIN_NAME && m_widget)
        m_widget->setObjectName(ToQString(m_bstrName));
    return S_OK;
}

HRESULT CSkinControl::GetValue(LONG which, LONG* value)
{
    if (value == nullptr)
        return E_POINTER;
    switch (which)
    {
    case SKIN_HUE:
        *value = m_nHue;
        return S_OK;
    case SKIN_BACKCOLOR:
        *value = static_cast<LONG>(m_BackColor);
        return S_OK;
    case SKIN_FORECOLOR:
        *value = static_cast<LONG>(m_ForeColor);
        return S_OK;
    case SKIN_PANELCOLOR:
        *value = static_cast<LONG>(m_PanelColor);
        return S_OK;
    case SKIN_PANELTEXTCOLOR:
        *value = static_cast<LONG>(m_PanelTextColor);
        return S_OK;
    case SKIN_APPLYCOLORS:
        *value = m_bApplyColors ? 1 : 0;
        return S_OK;
    case SKIN_SKINCLIENTAREA:
        *value = m_bSkinClientArea ? 1 : 0;
        return S_OK;
    default:
        *value = 0;
        return E_INVALIDARG;
    }
}

HRESULT CSkinControl::PutValue(LONG which, LONG value)
{
    const auto color = static_cast<DWORD>(value);
    const bool isColor = which >= SKIN_BACKCOLOR && which <= SKIN_PANELTEXTCOLOR;
    if (isColor && color > 0xFFFFFF)
        return E_INVALIDARG;
    switch (which)
    {
    case SKIN_HUE:
        m_nHue = value;
        return S_OK;
    case SKIN_BACKCOLOR:
        m_BackColor = color;
        return S_OK;
    case SKIN_FORECOLOR:
        m_ForeColor = color;
        return S_OK;
    case SKIN_PANELCOLOR:
        m_PanelColor = color;
        return S_OK;
    case SKIN_PANELTEXTCOLOR:
        m_PanelTextColor = color;
        return S_OK;
    case SKIN_APPLYCOLORS:
        m_bApplyColors = value != 0;
        return S_OK;
    case SKIN_SKINCLIENTAREA:
        m_bSkinClientArea = value != 0;
        return S_OK;
    default:
        return E_INVALIDARG;
    }
}

CSkinPalette CSkinControl::Palette() const
{
    std::array<QColor, 4> colors = m_skin->DefaultColors();
    if (m_bApplyColors)
        colors = {FromColorRef(m_BackColor), FromColorRef(m_ForeColor), FromColorRef(m_PanelColor),
                  FromColorRef(m_PanelTextColor)};
    return CSkinPalette(colors, m_nHue);
}

HRESULT CSkinControl::ApplySkinToWindow(DWORD hwnd)
{
    if (!m_skin)
        return E_UNEXPECTED;
    QWidget* window = WidgetFromHwnd(HWND(hwnd));
    return window != nullptr ? ApplyToWidget(window) : E_HANDLE;
}

HRESULT CSkinControl::ApplyToWidget(QWidget* window)
{
    if (!m_skin)
        return E_UNEXPECTED;
    if (window == nullptr)
        return E_HANDLE;
    CWindowPainter::Install(window, m_skin->Window(), Palette(), ToQString(m_bstrApplication),
                            m_bSkinClientArea);
    return S_OK;
}

HRESULT CSkinControl::ApplySkinObject(HWND hwnd, LPCWSTR name)
{
    if (name == nullptr)
        return E_POINTER;
    if (!m_skin)
        return E_UNEXPECTED;
    QWidget* button = WidgetFromHwnd(hwnd);
    return button != nullptr ? ApplyObjectToWidget(button, QString::fromUtf16(name)) : E_HANDLE;
}

HRESULT CSkinControl::ApplyObjectToWidget(QWidget* widget, const QString& name)
{
    if (!m_skin)
        return E_UNEXPECTED;
    auto* button = qobject_cast<QAbstractButton*>(widget);
    if (button == nullptr)
        return widget == nullptr ? E_HANDLE : E_INVALIDARG;
    const SkinObject* object = m_skin->Find(name);
    if (object == nullptr)
        return TYPE_E_ELEMENTNOTFOUND;
    CButtonPainter::Install(button, *object, Palette());
    return S_OK;
}

HRESULT CSkinControl::SetCardNote(DWORD hwnd, LPCWSTR text, LONG alert)
{
    QWidget* window = WidgetFromHwnd(HWND(hwnd));
    if (window == nullptr)
        return E_HANDLE;
    const QString note = text != nullptr ? QString::fromUtf16(text) : QString();
    return CWindowPainter::SetNote(window, note, alert != 0) ? S_OK : S_FALSE;
}

HRESULT CSkinControl::Load(const BYTE* data, ULONG size)
{
    // An empty stream keeps the defaults, as for a control placed without saved state.
    if (size == 0)
        return S_OK;
    CPropertyReader in(data, size);
    std::u16string author, description, application, name, tag;
    std::int32_t hue = 0;
    DWORD back = 0, fore = 0, panel = 0, panelText = 0;
    bool applyColors = false, skinClientArea = false;
    const bool ok = in.ReadString(author) && in.ReadString(description) &&
                    in.ReadString(application) && in.ReadInt(hue) && in.ReadColor(back) &&
                    in.ReadColor(fore) && in.ReadColor(panel) && in.ReadColor(panelText) &&
                    in.ReadBool(applyColors) && in.ReadBool(skinClientArea) &&
                    in.ReadString(name) && in.ReadString(tag);
    if (!ok)
        return E_INVALIDDATA;
    m_bstrAuthor = std::move(author);
    m_bstrDescription = std::move(description);
    m_bstrApplication = std::move(application);
    m_nHue = hue;
    m_BackColor = back;
    m_ForeColor = fore;
    m_PanelColor = panel;
    m_PanelTextColor = panelText;
    m_bApplyColors = applyColors;
    m_bSkinClientArea = skinClientArea;
    m_bstrName = std::move(name);
    m_bstrTag = std::move(tag);
    return S_OK;
}

HRESULT CSkinControl::CreateWidget(QWidget* parent, QWidget** widget)
{
    if (widget == nullptr)
        return E_POINTER;
    ComPtr<IUnknown> self;
    QueryInterface(IID_IUnknown, self.PutVoid());
    auto* window = new CSkinWindow(parent, std::move(self)); // owned by `parent`
    window->setObjectName(ToQString(m_bstrName));
    window->hide();
    m_widget = window;
    *widget = window;
    return S_OK;
}
