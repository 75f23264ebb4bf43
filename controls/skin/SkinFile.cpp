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

bool ReadObject(Reader& r, const QString& name, const std::map<QString, Entry>& keys,
                SkinObject& object)
{
    object = SkinObject{};
    object.name = name;
    object.accessibleName = name;
    object.focus = SkinColor{SkinColor::Source::Fore, {}};
    std::array<std::array<std::optional<SkinColor>, 4>, 6> parts;
    for (const auto& [key, e] : keys)
    {
        std::size_t state = 0, part = 0;
        bool ok = true;
        if (key == u"style")
            continue;
        else if (key == u"label")
            object.label = e.value;
        else if (key == u"tooltip")
            object.tooltip = e.value;
        else if (key == u"accessiblename")
            object.accessibleName = e.value;
        else if (key == u"activewhen")
            object.activeWhen = e.value;
        else if (key == u"icon")
            ok = r.Icon(e, object.icon);
        else if (key == u"iconpath")
        {
            object.iconPath = Glyphs::ParsePath(e.value);
            ok = object.iconPath.has_value() || r.Fail(e.line, QStringLiteral("not a path"));
        }
        else if (key == u"radius")
            ok = r.Number(e, object.radius);
        else if (key == u"fontsize")
            ok = r.Number(e, object.fontSize);
        else if (key == u"bold")
            ok = r.Bool(e, object.bold);
        else if (key == u"focus")
            ok = r.Color(e, object.focus);
        else if (key == u"layout")
        {
            static const std::pair<const char*, SkinObject::Layout> kLayouts[] = {
                {"row", SkinObject::Layout::Row},
                {"column", SkinObject::Layout::Column},
                {"icon", SkinObject::Layout::Icon},
                {"label", SkinObject::Layout::Label},
            };
            ok = false;
            for (const auto& [text, layout] : kLayouts)
                if (e.value.compare(QLatin1String(text), Qt::CaseInsensitive) == 0)
                {
                    object.layout = layout;
                    ok = true;
                }
            if (!ok)
                r.Fail(e.line, QStringLiteral("layout is row, column, icon or label"));
        }
        else if (IsStatePart(key, state, part))
        {
            SkinColor color;
            ok = r.Color(e, color);
            parts[state][part] = color;
        }
        else
            ok = r.Fail(e.line, QStringLiteral("unknown setting %1").arg(key));
        if (!ok)
            return false;
    }

    // A state left unset looks like the one it is closest to.
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
    return true;
}

bool ReadWindow(Reader& r, const Section& s, SkinWindow& w)
{
    using Setter = bool (*)(Reader&, const Entry&, SkinWindow&);
    static const std::pair<const char*, Setter> kKeys[] = {
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
        {"cardnote", [](Reader& r, const Entry& e, SkinWindow& w) { return r.Rect(e, w.cardNote); }},
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
    for (const auto& [key, e] : s.keys)
    {
        const auto it = std::find_if(std::begin(kKeys), std::end(kKeys),
                                     [&](const auto& k) { return key == QLatin1String(k.first); });
        if (it == std::end(kKeys))
            return r.Fail(e.line, QStringLiteral("unknown setting %1").arg(key));
        if (!it->second(r, e, w))
            return false;
    }
    if (w.design.isEmpty())
        return r.Fail(s.line, QStringLiteral("[Window] needs Design = width x height"));
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
    *this = CSkinFile{};
    Reader r;
    bool ok = r.Parse(bytes, {QStringLiteral("skin"), QStringLiteral("window")},
                      {QStringLiteral("style"), QStringLiteral("object")});
    const auto& sections = r.Sections();

    const Section* head = nullptr;
    const Section* window = nullptr;
    for (const Section& s : sections)
    {
        if (s.kind == u"skin")
            head = &s;
        else if (s.kind == u"window")
            window = &s;
    }
    if (ok && head == nullptr)
        ok = r.Fail(1, QStringLiteral("not a skin: no [Skin] section"));
    if (ok)
    {
        static const char* const kDefaultKeys[] = {"back", "fore", "panel", "paneltext"};
        m_defaults = {QColor(Qt::white), QColor(Qt::black), QColor(0xEC, 0xE9, 0xD8),
                      QColor(Qt::black)};
        for (const auto& [key, e] : head->keys)
        {
            if (!ok)
                break;
            if (key == u"name")
                m_name = e.value;
            else if (key == u"author")
                m_author = e.value;
            else if (key == u"description")
                m_description = e.value;
            else if (key == u"version")
                ok = e.value == u"1" || r.Fail(e.line, QStringLiteral("unsupported version"));
            else
            {
                const auto* it =
                    std::find_if(std::begin(kDefaultKeys), std::end(kDefaultKeys),
                                 [&](const char* k) { return key == QLatin1String(k); });
                SkinColor c;
                if (it == std::end(kDefaultKeys))
                    ok = r.Fail(e.line, QStringLiteral("unknown setting %1").arg(key));
                else if ((ok = r.Color(e, c)) && c.source != SkinColor::Source::Literal)
                    ok = r.Fail(e.line, QStringLiteral("a default colour must be a literal"));
                else if (ok)
                    m_defaults[static_cast<std::size_t>(it - std::begin(kDefaultKeys))] = c.color;
            }
        }
        if (ok && (m_name.isEmpty() || head->keys.count(QStringLiteral("version")) == 0))
            ok = r.Fail(head->line, QStringLiteral("[Skin] needs Name and Version"));
    }
    if (ok && window == nullptr)
        ok = r.Fail(1, QStringLiteral("no [Window] section"));
    if (ok)
        ok = ReadWindow(r, *window, m_window);

    for (const Section& s : sections)
    {
        if (!ok)
            break;
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
            {
                ok = r.Fail(style->second.line,
                            QStringLiteral("no style named %1").arg(style->second.value));
                break;
            }
            keys.insert(base->keys.begin(), base->keys.end()); // the object's own keys win
        }
        SkinObject object;
        ok = ReadObject(r, s.name, keys, object);
        if (ok)
            m_objects.push_back(std::move(object));
    }
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
