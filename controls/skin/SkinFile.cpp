// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/skin/SkinFile.h"

#include "controls/common/Glyphs.h"
#include "controls/common/IniFile.h"

#include <algorithm>
#include <map>

namespace
{

using Entry = CIniFile::Entry;
using Section = CIniFile::Section;

constexpr std::array<const char*, 6> kStateNames = {"normal",  "hover",    "pressed",
                                                    "focused", "disabled", "active"};
constexpr std::array<const char*, 4> kPartNames = {"top", "bottom", "border", "text"};

// The skin's own value kinds on top of the shared notation.
class Reader : public CIniFile
{
public:
    bool Color(const Entry& e, SkinColor& out)
    {
        static const std::pair<const char*, SkinColor::Source> kNamed[] = {
            {"back", SkinColor::Source::Back},
            {"fore", SkinColor::Source::Fore},
            {"panel", SkinColor::Source::Panel},
            {"paneltext", SkinColor::Source::PanelText},
        };
        for (const auto& [name, source] : kNamed)
            if (e.value.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            {
                out = SkinColor{source, {}};
                return true;
            }
        out.source = SkinColor::Source::Literal;
        return CIniFile::Color(e, out.color);
    }

    bool Rect(const Entry& e, QRectF& out)
    {
        std::vector<qreal> v;
        if (!Numbers(e, 4, v))
            return false;
        out = QRectF(v[0], v[1], v[2], v[3]);
        return true;
    }

    bool Icon(const Entry& e, QString& out)
    {
        if (!e.value.isEmpty() && !Glyphs::Exists(e.value))
            return Fail(e.line, QStringLiteral("no built-in icon named %1").arg(e.value));
        out = e.value.toLower();
        return true;
    }
};

bool IsStatePart(const QString& key, std::size_t& state, std::size_t& part)
{
    const qsizetype dot = key.indexOf(u'.');
    if (dot < 0)
        return false;
    const QString s = key.left(dot), p = key.mid(dot + 1);
    for (state = 0; state < kStateNames.size(); ++state)
        if (s == QLatin1String(kStateNames[state]))
            break;
    for (part = 0; part < kPartNames.size(); ++part)
        if (p == QLatin1String(kPartNames[part]))
            break;
    return state < kStateNames.size() && part < kPartNames.size();
}

SkinColor& PartOf(SkinLook& look, std::size_t part)
{
    switch (part)
    {
    case 0:
        return look.top;
    case 1:
        return look.bottom;
    case 2:
        return look.border;
    default:
        return look.text;
    }
}

bool ReadLayout(Reader& r, const Entry& e, SkinObject& o)
{
    static const std::pair<const char*, SkinObject::Layout> kLayouts[] = {
        {"row", SkinObject::Layout::Row},
        {"column", SkinObject::Layout::Column},
        {"icon", SkinObject::Layout::Icon},
        {"label", SkinObject::Layout::Label},
    };
    for (const auto& [text, layout] : kLayouts)
        if (e.value.compare(QLatin1String(text), Qt::CaseInsensitive) == 0)
        {
            o.layout = layout;
            return true;
        }
    return r.Fail(e.line, QStringLiteral("layout is row, column, icon or label"));
}

using PartColors = std::array<std::array<std::optional<SkinColor>, 4>, 6>;

// A state left unset looks like the one it is closest to.
void FillLooks(const PartColors& parts, SkinObject& object)
{
    static constexpr std::array<std::size_t, 6> kFallback = {0, 0, 1, 0, 0, 2};
    const SkinColor none{SkinColor::Source::Literal, QColor(Qt::transparent)};
    const SkinColor fore{SkinColor::Source::Fore, {}};
    for (std::size_t s = 0; s < kStateNames.size(); ++s)
        for (std::size_t p = 0; p < kPartNames.size(); ++p)
        {
            SkinColor& target = PartOf(object.looks[s], p);
            if (parts[s][p])
                target = *parts[s][p];
            else if (s != 0)
                target = PartOf(object.looks[kFallback[s]], p);
            else if (p == 1 && parts[0][0])
                target = *parts[0][0];
            else
                target = p == 3 ? fore : none;
        }
}

bool ReadObject(Reader& r, const QString& name, const std::map<QString, Entry>& keys,
                SkinObject& object)
{
    using O = SkinObject;
    static const CIniFile::Setting<Reader, O> kKeys[] = {
        {"style", [](Reader&, const Entry&, O&) { return true; }}, // resolved by the caller
        {"label", [](Reader&, const Entry& e, O& o) { return o.label = e.value, true; }},
        {"tooltip", [](Reader&, const Entry& e, O& o) { return o.tooltip = e.value, true; }},
        {"accessiblename",
         [](Reader&, const Entry& e, O& o) { return o.accessibleName = e.value, true; }},
        {"activewhen", [](Reader&, const Entry& e, O& o) { return o.activeWhen = e.value, true; }},
        {"icon", [](Reader& r, const Entry& e, O& o) { return r.Icon(e, o.icon); }},
        {"iconpath",
         [](Reader& r, const Entry& e, O& o)
         {
             o.iconPath = Glyphs::ParsePath(e.value);
             return o.iconPath.has_value() || r.Fail(e.line, QStringLiteral("not a path"));
         }},
        {"radius", [](Reader& r, const Entry& e, O& o) { return r.Number(e, o.radius); }},
        {"fontsize", [](Reader& r, const Entry& e, O& o) { return r.Number(e, o.fontSize); }},
        {"bold", [](Reader& r, const Entry& e, O& o) { return r.Bool(e, o.bold); }},
        {"focus", [](Reader& r, const Entry& e, O& o) { return r.Color(e, o.focus); }},
        {"layout", ReadLayout},
    };
    object = SkinObject{};
    object.name = name;
    object.accessibleName = name;
    object.focus = SkinColor{SkinColor::Source::Fore, {}};
    PartColors parts;
    for (const auto& [key, e] : keys)
    {
        std::size_t state = 0, part = 0;
        bool ok = false;
        if (const auto* row = CIniFile::FindSetting(kKeys, key))
            ok = row->second(r, e, object);
        else if (IsStatePart(key, state, part))
            ok = r.Color(e, parts[state][part].emplace());
        else
            ok = r.Fail(e.line, QStringLiteral("unknown setting %1").arg(key));
        if (!ok)
            return false;
    }
    FillLooks(parts, object);
    return true;
}

bool ReadWindow(Reader& r, const Section& s, SkinWindow& w)
{
    static const CIniFile::Setting<Reader, SkinWindow> kKeys[] = {
        {"design",
         [](Reader& r, const Entry& e, SkinWindow& w)
         {
             std::vector<qreal> v;
             if (!r.Numbers(e, 2, v))
                 return false;
             w.design = QSizeF(v[0], v[1]);
             return !w.design.isEmpty() || r.Fail(e.line, QStringLiteral("empty design size"));
         }},
        {"background",
         [](Reader& r, const Entry& e, SkinWindow& w) { return r.Color(e, w.background); }},
        {"banner", [](Reader& r, const Entry& e, SkinWindow& w) { return r.Rect(e, w.banner); }},
        {"bannertop",
         [](Reader& r, const Entry& e, SkinWindow& w) { return r.Color(e, w.bannerTop); }},
        {"bannerbottom",
         [](Reader& r, const Entry& e, SkinWindow& w) { return r.Color(e, w.bannerBottom); }},
        {"bannerline",
         [](Reader& r, const Entry& e, SkinWindow& w) { return r.Color(e, w.bannerLine); }},
        {"title", [](Reader&, const Entry& e, SkinWindow& w) { return w.title = e.value, true; }},
        {"subtitle",
         [](Reader&, const Entry& e, SkinWindow& w) { return w.subtitle = e.value, true; }},
        {"mark", [](Reader& r, const Entry& e, SkinWindow& w) { return r.Icon(e, w.mark); }},
        {"titlecolor",
         [](Reader& r, const Entry& e, SkinWindow& w) { return r.Color(e, w.titleColor); }},
        {"subtitlecolor",
         [](Reader& r, const Entry& e, SkinWindow& w) { return r.Color(e, w.subtitleColor); }},
        {"sidebar", [](Reader& r, const Entry& e, SkinWindow& w) { return r.Rect(e, w.sidebar); }},
        {"sidebarcolor",
         [](Reader& r, const Entry& e, SkinWindow& w) { return r.Color(e, w.sidebarColor); }},
        {"sidebarline",
         [](Reader& r, const Entry& e, SkinWindow& w) { return r.Color(e, w.sidebarLine); }},
        {"card", [](Reader& r, const Entry& e, SkinWindow& w) { return r.Rect(e, w.card); }},
        {"cardcolor",
         [](Reader& r, const Entry& e, SkinWindow& w) { return r.Color(e, w.cardColor); }},
        {"cardborder",
         [](Reader& r, const Entry& e, SkinWindow& w) { return r.Color(e, w.cardBorder); }},
        {"cardhint",
         [](Reader&, const Entry& e, SkinWindow& w) { return w.cardHint = e.value, true; }},
        {"cardhintcolor",
         [](Reader& r, const Entry& e, SkinWindow& w) { return r.Color(e, w.cardHintColor); }},
        {"cardnote",
         [](Reader& r, const Entry& e, SkinWindow& w) { return r.Rect(e, w.cardNote); }},
        {"cardnotecolor",
         [](Reader& r, const Entry& e, SkinWindow& w) { return r.Color(e, w.cardNoteColor); }},
        {"cardnotealertcolor",
         [](Reader& r, const Entry& e, SkinWindow& w) { return r.Color(e, w.cardNoteAlertColor); }},
        {"radius", [](Reader& r, const Entry& e, SkinWindow& w) { return r.Number(e, w.radius); }},
    };
    const SkinColor none{SkinColor::Source::Literal, QColor(Qt::transparent)};
    w = SkinWindow{};
    w.background = SkinColor{SkinColor::Source::Back, {}};
    w.titleColor = w.subtitleColor = w.cardHintColor = w.cardNoteColor =
        SkinColor{SkinColor::Source::Fore, {}};
    w.cardNoteAlertColor = SkinColor{SkinColor::Source::Literal, QColor(0xB0, 0x1E, 0x1E)};
    w.bannerTop = w.bannerBottom = w.bannerLine = w.sidebarLine = w.cardBorder = none;
    w.sidebarColor = SkinColor{SkinColor::Source::Panel, {}};
    w.cardColor = SkinColor{SkinColor::Source::Back, {}};
    if (!CIniFile::ReadKeys(r, s.keys, kKeys, w))
        return false;
    if (w.design.isEmpty())
        return r.Fail(s.line, QStringLiteral("[Window] needs Design = width x height"));
    return true;
}

// Each [Object] section, over the keys of the [Style] it names.
bool ReadObjects(Reader& r, std::vector<SkinObject>& objects)
{
    const auto& sections = r.Sections();
    for (const Section& s : sections)
    {
        if (s.kind != u"object")
            continue;
        std::map<QString, Entry> keys = s.keys;
        if (auto style = keys.find(QStringLiteral("style")); style != keys.end())
        {
            const auto base =
                std::find_if(sections.begin(), sections.end(),
                             [&](const Section& o)
                             { return o.kind == u"style" && o.name == style->second.value; });
            if (base == sections.end())
                return r.Fail(style->second.line,
                              QStringLiteral("no style named %1").arg(style->second.value));
            keys.insert(base->keys.begin(), base->keys.end()); // the object's own keys win
        }
        SkinObject object;
        if (!ReadObject(r, s.name, keys, object))
            return false;
        objects.push_back(std::move(object));
    }
    return true;
}

bool ReadDefault(Reader& r, const Entry& e, QColor& out)
{
    SkinColor c;
    if (!r.Color(e, c))
        return false;
    if (c.source != SkinColor::Source::Literal)
        return r.Fail(e.line, QStringLiteral("a default colour must be a literal"));
    out = c.color;
    return true;
}

} // namespace

HRESULT CSkinFile::Load(const QString& path)
{
    *this = CSkinFile{};
    QByteArray bytes;
    const HRESULT hr =
        CIniFile::ReadWhole(path, kMaxFileSize, QStringLiteral("a skin"), bytes, m_error);
    return FAILED(hr) ? hr : Parse(bytes);
}

HRESULT CSkinFile::Parse(const QByteArray& bytes)
{
    using F = CSkinFile;
    static const CIniFile::Setting<Reader, F> kHeadKeys[] = {
        {"name", [](Reader&, const Entry& e, F& f) { return f.m_name = e.value, true; }},
        {"author", [](Reader&, const Entry& e, F& f) { return f.m_author = e.value, true; }},
        {"description",
         [](Reader&, const Entry& e, F& f) { return f.m_description = e.value, true; }},
        {"version", [](Reader& r, const Entry& e, F&)
         { return e.value == u"1" || r.Fail(e.line, QStringLiteral("unsupported version")); }},
        {"back",
         [](Reader& r, const Entry& e, F& f) { return ReadDefault(r, e, f.m_defaults[0]); }},
        {"fore",
         [](Reader& r, const Entry& e, F& f) { return ReadDefault(r, e, f.m_defaults[1]); }},
        {"panel",
         [](Reader& r, const Entry& e, F& f) { return ReadDefault(r, e, f.m_defaults[2]); }},
        {"paneltext",
         [](Reader& r, const Entry& e, F& f) { return ReadDefault(r, e, f.m_defaults[3]); }},
    };
    *this = CSkinFile{};
    Reader r;
    bool ok = r.Parse(bytes, {QStringLiteral("skin"), QStringLiteral("window")},
                      {QStringLiteral("style"), QStringLiteral("object")});
    const Section* head = ok ? r.Find(QStringLiteral("skin")) : nullptr;
    const Section* window = ok ? r.Find(QStringLiteral("window")) : nullptr;
    if (ok && head == nullptr)
        ok = r.Fail(1, QStringLiteral("not a skin: no [Skin] section"));
    if (ok)
    {
        m_defaults = {QColor(Qt::white), QColor(Qt::black), QColor(0xEC, 0xE9, 0xD8),
                      QColor(Qt::black)};
        ok = CIniFile::ReadKeys(r, head->keys, kHeadKeys, *this);
    }
    if (ok && (m_name.isEmpty() || head->keys.count(QStringLiteral("version")) == 0))
        ok = r.Fail(head->line, QStringLiteral("[Skin] needs Name and Version"));
    if (ok && window == nullptr)
        ok = r.Fail(1, QStringLiteral("no [Window] section"));
    if (ok)
        ok = ReadWindow(r, *window, m_window) && ReadObjects(r, m_objects);
    if (ok && m_objects.empty())
        ok = r.Fail(1, QStringLiteral("the skin has no [Object] sections"));

    if (!ok)
    {
        *this = CSkinFile{};
        m_error = r.Error();
        return E_INVALIDDATA;
    }
    m_loaded = true;
    return S_OK;
}

const SkinObject* CSkinFile::Find(const QString& name) const
{
    for (const SkinObject& object : m_objects)
        if (object.name == name)
            return &object;
    return nullptr;
}
