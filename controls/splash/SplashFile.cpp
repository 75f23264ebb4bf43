#include "controls/splash/SplashFile.h"

#include "controls/common/Glyphs.h"
#include "controls/common/IniFile.h"

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
    *this = CSplashFile{};
    CIniFile ini;
    bool ok = ini.Parse(text, {QStringLiteral("splash")}, {QStringLiteral("layer")});
    const CIniFile::Section* head = ok ? ini.Find(QStringLiteral("splash")) : nullptr;
    if (ok && head == nullptr)
        ok = ini.Fail(1, QStringLiteral("not a splash: no [Splash] section"));
    bool versioned = false;
    if (ok)
        for (const auto& [key, e] : head->keys)
        {
            if (key == u"version")
                ok = (versioned = e.value == u"1") ||
                     ini.Fail(e.line, QStringLiteral("unsupported version"));
            else if (key == u"title")
                m_title = e.value;
            else if (key == u"tooltip")
                m_tooltip = e.value;
            else if (key == u"grid")
                ok = ini.Number(e, m_grid) &&
                     (m_grid > 0 ||
                      ini.Fail(e.line, QStringLiteral("the grid must be wider than 0")));
            else
                ok = ini.Fail(e.line, QStringLiteral("unknown setting %1").arg(key));
            if (!ok)
                break;
        }
    if (ok && !versioned)
        ok = ini.Fail(head->line, QStringLiteral("[Splash] needs Version = 1"));

    for (const auto& section : ini.Sections())
    {
        if (!ok)
            break;
        if (section.kind != u"layer")
            continue;
        SplashLayer layer;
        bool hasPath = false;
        for (const auto& [key, e] : section.keys)
        {
            if (key == u"path")
            {
                const auto path = Glyphs::ParsePath(e.value);
                ok = (hasPath = path.has_value()) || ini.Fail(e.line, QStringLiteral("not a path"));
                if (path)
                    layer.path = *path;
            }
            else if (key == u"fill")
                ok = ini.Color(e, layer.fill);
            else if (key == u"fillbottom")
                ok = ini.Color(e, layer.fillBottom);
            else if (key == u"stroke")
                ok = ini.Color(e, layer.stroke);
            else if (key == u"width")
                ok = ini.Number(e, layer.width);
            else
                ok = ini.Fail(e.line, QStringLiteral("unknown setting %1").arg(key));
            if (!ok)
                break;
        }
        if (ok && !hasPath)
            ok = ini.Fail(section.line, QStringLiteral("a layer needs a Path"));
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
