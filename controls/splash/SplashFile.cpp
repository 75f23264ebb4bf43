// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/splash/SplashFile.h"

#include "controls/common/Glyphs.h"
#include "controls/common/IniFile.h"

namespace
{

using Entry = CIniFile::Entry;

bool ReadLayer(CIniFile& ini, const CIniFile::Section& section, SplashLayer& layer)
{
    using L = SplashLayer;
    static const CIniFile::Setting<CIniFile, L> kKeys[] = {
        {"path",
         [](CIniFile& ini, const Entry& e, L& l)
         {
             const auto path = Glyphs::ParsePath(e.value);
             if (!path)
                 return ini.Fail(e.line, QStringLiteral("not a path"));
             l.path = *path;
             return true;
         }},
        {"fill", [](CIniFile& ini, const Entry& e, L& l) { return ini.Color(e, l.fill); }},
        {"fillbottom",
         [](CIniFile& ini, const Entry& e, L& l) { return ini.Color(e, l.fillBottom); }},
        {"stroke", [](CIniFile& ini, const Entry& e, L& l) { return ini.Color(e, l.stroke); }},
        {"width", [](CIniFile& ini, const Entry& e, L& l) { return ini.Number(e, l.width); }},
    };
    if (!CIniFile::ReadKeys(ini, section.keys, kKeys, layer))
        return false;
    return section.keys.count(QStringLiteral("path")) != 0 ||
           ini.Fail(section.line, QStringLiteral("a layer needs a Path"));
}

} // namespace

HRESULT CSplashFile::Load(const QString& path)
{
    *this = CSplashFile{};
    QByteArray bytes;
    const HRESULT hr =
        CIniFile::ReadWhole(path, kMaxFileSize, QStringLiteral("a splash"), bytes, m_error);
    return FAILED(hr) ? hr : Parse(bytes);
}

HRESULT CSplashFile::Parse(const QByteArray& text)
{
    using F = CSplashFile;
    static const CIniFile::Setting<CIniFile, F> kHeadKeys[] = {
        {"version", [](CIniFile& ini, const Entry& e, F&)
         { return e.value == u"1" || ini.Fail(e.line, QStringLiteral("unsupported version")); }},
        {"title", [](CIniFile&, const Entry& e, F& f) { return f.m_title = e.value, true; }},
        {"tooltip", [](CIniFile&, const Entry& e, F& f) { return f.m_tooltip = e.value, true; }},
        {"grid",
         [](CIniFile& ini, const Entry& e, F& f)
         {
             return ini.Number(e, f.m_grid) &&
                    (f.m_grid > 0 ||
                     ini.Fail(e.line, QStringLiteral("the grid must be wider than 0")));
         }},
    };
    *this = CSplashFile{};
    CIniFile ini;
    bool ok = ini.Parse(text, {QStringLiteral("splash")}, {QStringLiteral("layer")});
    const CIniFile::Section* head = ok ? ini.Find(QStringLiteral("splash")) : nullptr;
    if (ok && head == nullptr)
        ok = ini.Fail(1, QStringLiteral("not a splash: no [Splash] section"));
    if (ok)
        ok = CIniFile::ReadKeys(ini, head->keys, kHeadKeys, *this);
    if (ok && head->keys.count(QStringLiteral("version")) == 0)
        ok = ini.Fail(head->line, QStringLiteral("[Splash] needs Version = 1"));

    for (const auto& section : ini.Sections())
    {
        if (!ok)
            break;
        if (section.kind != u"layer")
            continue;
        SplashLayer layer;
        ok = ReadLayer(ini, section, layer);
        if (ok)
            m_layers.push_back(std::move(layer));
    }
    if (ok && m_layers.empty())
        ok = ini.Fail(1, QStringLiteral("the splash has no [Layer] sections"));
    if (!ok)
    {
        *this = CSplashFile{};
        m_error = ini.Error();
        return E_INVALIDDATA;
    }
    return S_OK;
}
