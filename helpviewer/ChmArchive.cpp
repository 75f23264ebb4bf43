// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpviewer/ChmArchive.h"

#include "common/Utf8.h"

#include <chm_lib.h>

#include <algorithm>
#include <cctype>

namespace
{

std::string ToLower(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::string ObjectPath(std::string_view path)
{
    std::string out = path.empty() || path.front() != '/' ? "/" : "";
    out += path;
    return out;
}

std::string StripSlash(std::string_view path)
{
    while (!path.empty() && path.front() == '/')
        path.remove_prefix(1);
    return std::string(path);
}

// The #SYSTEM strings are zero-terminated inside their record; keep what precedes the zero.
std::string RecordString(std::string_view data)
{
    return std::string(data.substr(0, data.find('\0')));
}

int Enumerate(chmFile*, chmUnitInfo* info, void* context)
{
    auto* names = static_cast<std::vector<std::string>*>(context);
    const std::string_view path(info->path);
    // Names starting with '#' or '$' and the "::DataSpace" tree are the format's own.
    if (path.size() > 1 && path.front() == '/' && path[1] != '#' && path[1] != '$' &&
        path.back() != '/')
        names->emplace_back(path);
    return CHM_ENUMERATOR_CONTINUE;
}

std::string DecodeEntities(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] != '&')
        {
            out += text[i];
            continue;
        }
        const std::size_t end = text.find(';', i);
        if (end == std::string_view::npos || end - i > 10)
        {
            out += text[i];
            continue;
        }
        const std::string entity = ToLower(text.substr(i + 1, end - i - 1));
        char32_t code = 0;
        if (entity == "amp")
            code = '&';
        else if (entity == "lt")
            code = '<';
        else if (entity == "gt")
            code = '>';
        else if (entity == "quot")
            code = '"';
        else if (entity == "apos")
            code = '\'';
        else if (entity == "nbsp")
            code = 0xA0;
        else if (entity.size() > 1 && entity[0] == '#')
        {
            const bool hex = entity[1] == 'x';
            const std::string digits = entity.substr(hex ? 2 : 1);
            if (!digits.empty() && digits.size() <= 6 &&
                std::all_of(digits.begin(), digits.end(),
                            [hex](unsigned char c)
                            { return hex ? std::isxdigit(c) != 0 : std::isdigit(c) != 0; }))
                code = static_cast<char32_t>(std::stoul(digits, nullptr, hex ? 16 : 10));
        }
        if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        {
            out += text[i];
            continue;
        }
        // UTF-8, which is how the viewer reads every text of the archive.
        carvalet::AppendUtf8(out, code);
        i = end;
    }
    return out;
}

struct Tag
{
    std::string name; // lower case, with a leading '/' for a closing tag
    std::vector<std::pair<std::string, std::string>> attributes; // names in lower case

    std::string Attribute(std::string_view key) const
    {
        for (const auto& [name, value] : attributes)
            if (name == key)
                return value;
        return {};
    }
};

// Reads the tag that starts at text[pos] == '<'; pos ends after its '>'.
Tag ReadTag(std::string_view text, std::size_t& pos)
{
    Tag tag;
    std::size_t i = pos + 1;
    auto isSpace = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    auto isNameEnd = [&](char c) { return isSpace(c) || c == '>' || c == '=' || c == '/'; };
    std::size_t start = i;
    if (i < text.size() && text[i] == '/')
        ++i;
    while (i < text.size() && !isNameEnd(text[i]))
        ++i;
    tag.name = ToLower(text.substr(start, i - start));
    while (i < text.size() && text[i] != '>')
    {
        if (isSpace(text[i]) || text[i] == '/')
        {
            ++i;
            continue;
        }
        start = i;
        while (i < text.size() && !isNameEnd(text[i]))
            ++i;
        std::string key = ToLower(text.substr(start, i - start));
        std::string value;
        while (i < text.size() && isSpace(text[i]))
            ++i;
        if (i < text.size() && text[i] == '=')
        {
            ++i;
            while (i < text.size() && isSpace(text[i]))
                ++i;
            if (i < text.size() && (text[i] == '"' || text[i] == '\''))
            {
                const char quote = text[i++];
                start = i;
                while (i < text.size() && text[i] != quote)
                    ++i;
                value = DecodeEntities(text.substr(start, i - start));
                if (i < text.size())
                    ++i;
            }
            else
            {
                start = i;
                while (i < text.size() && !isSpace(text[i]) && text[i] != '>')
                    ++i;
                value = DecodeEntities(text.substr(start, i - start));
            }
        }
        if (key.empty())
            ++i;
        else
            tag.attributes.emplace_back(std::move(key), std::move(value));
    }
    pos = i < text.size() ? i + 1 : text.size();
    return tag;
}

} // namespace

void ChmArchive::Closer::operator()(chmFile* file) const
{
    chm_close(file);
}

ChmArchive::ChmArchive() = default;
ChmArchive::~ChmArchive() = default;
ChmArchive::ChmArchive(ChmArchive&&) noexcept = default;
ChmArchive& ChmArchive::operator=(ChmArchive&&) noexcept = default;

std::optional<ChmArchive> ChmArchive::Open(const std::string& path)
{
    ChmArchive archive;
    archive.m_pFile.reset(chm_open(path.c_str()));
    if (!archive.m_pFile)
        return std::nullopt;
    archive.ReadSystemInfo();
    return archive;
}

void ChmArchive::ReadSystemInfo()
{
    const std::optional<std::string> system = Read("/#SYSTEM");
    if (!system)
        return;
    const std::string_view data(*system);
    // A 32-bit version, then records of a 16-bit code, a 16-bit length and the data.
    std::size_t pos = 4;
    while (pos + 4 <= data.size())
    {
        const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(data[i]); };
        const unsigned code = byte(pos) | (byte(pos + 1) << 8);
        const std::size_t length = byte(pos + 2) | (byte(pos + 3) << 8);
        pos += 4;
        if (length > data.size() - pos)
            break;
        const std::string_view record = data.substr(pos, length);
        if (code == 0)
            m_system.contents = StripSlash(RecordString(record));
        else if (code == 2)
            m_system.defaultPage = StripSlash(RecordString(record));
        else if (code == 3)
            m_system.title = RecordString(record);
        pos += length;
    }
}

std::vector<std::string> ChmArchive::List() const
{
    std::vector<std::string> names;
    if (m_pFile)
        chm_enumerate(m_pFile.get(), CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES, Enumerate, &names);
    return names;
}

bool ChmArchive::Contains(std::string_view path) const
{
    chmUnitInfo info{};
    const std::string objectPath = ObjectPath(path);
    return m_pFile && objectPath.size() <= CHM_MAX_PATHLEN &&
           chm_resolve_object(m_pFile.get(), objectPath.c_str(), &info) == CHM_RESOLVE_SUCCESS;
}

std::optional<std::string> ChmArchive::Read(std::string_view path) const
{
    chmUnitInfo info{};
    const std::string objectPath = ObjectPath(path);
    if (!m_pFile || objectPath.size() > CHM_MAX_PATHLEN ||
        chm_resolve_object(m_pFile.get(), objectPath.c_str(), &info) != CHM_RESOLVE_SUCCESS ||
        info.length > kMaxObjectSize)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(info.length), '\0');
    if (bytes.empty())
        return bytes;
    const LONGINT64 got =
        chm_retrieve_object(m_pFile.get(), &info, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                            static_cast<LONGINT64>(bytes.size()));
    if (got != static_cast<LONGINT64>(bytes.size()))
        return std::nullopt;
    return bytes;
}

std::string ChmArchive::DefaultPage() const
{
    if (!m_system.defaultPage.empty() && Contains(m_system.defaultPage))
        return m_system.defaultPage;
    for (const char* page : {"index.html", "index.htm", "default.html", "default.htm"})
        if (Contains(page))
            return page;
    for (const std::string& name : List())
    {
        const std::string lower = ToLower(name);
        if (lower.ends_with(".html") || lower.ends_with(".htm"))
            return StripSlash(name);
    }
    return {};
}

std::string ChmArchive::ContentsFile() const
{
    if (!m_system.contents.empty())
        return m_system.contents;
    for (const std::string& name : List())
        if (ToLower(name).ends_with(".hhc"))
            return StripSlash(name);
    return {};
}

std::string ChmArchive::Title() const
{
    return m_system.title;
}

std::vector<ChmTopic> ChmArchive::Topics() const
{
    const std::string contents = ContentsFile();
    if (contents.empty())
        return {};
    const std::optional<std::string> html = Read(contents);
    return html ? ParseSitemap(*html) : std::vector<ChmTopic>{};
}

std::vector<ChmTopic> ParseSitemap(std::string_view html)
{
    std::vector<ChmTopic> topics;
    int depth = 0;
    std::optional<ChmTopic> current;
    std::size_t pos = 0;
    while ((pos = html.find('<', pos)) != std::string_view::npos)
    {
        if (html.substr(pos, 4) == "<!--")
        {
            const std::size_t end = html.find("-->", pos + 4);
            pos = end == std::string_view::npos ? html.size() : end + 3;
            continue;
        }
        const Tag tag = ReadTag(html, pos);
        if (tag.name == "ul")
            ++depth;
        else if (tag.name == "/ul")
            depth = std::max(0, depth - 1);
        else if (tag.name == "object" && ToLower(tag.Attribute("type")) == "text/sitemap")
            current = ChmTopic{{}, {}, std::max(0, depth - 1)};
        else if (tag.name == "param" && current)
        {
            const std::string key = ToLower(tag.Attribute("name"));
            if (key == "name" && current->name.empty())
                current->name = tag.Attribute("value");
            else if (key == "local" && current->local.empty())
                current->local = tag.Attribute("value");
        }
        else if (tag.name == "/object" && current)
        {
            if (!current->name.empty())
                topics.push_back(std::move(*current));
            current.reset();
        }
    }
    return topics;
}

std::string ResolveChmLink(std::string_view basePath, std::string_view link)
{
    // "ms-its:Help.chm::/page.html" and "mk:@MSITStore:...::/page.html" name a page of an
    // archive; only the part after "::" matters inside this one.
    if (const std::size_t sep = link.find("::"); sep != std::string_view::npos)
    {
        link.remove_prefix(sep + 2);
        basePath = "/";
    }
    const std::size_t cut = link.find_first_of("#?");
    link = link.substr(0, cut);
    if (link.empty())
        return {};
    const std::size_t colon = link.find(':');
    if (colon != std::string_view::npos && link.find('/') > colon)
        return {};

    std::vector<std::string> parts;
    auto push = [&](std::string_view segment)
    {
        if (segment.empty() || segment == ".")
            return true;
        if (segment == "..")
        {
            if (parts.empty())
                return false;
            parts.pop_back();
            return true;
        }
        parts.emplace_back(segment);
        return true;
    };
    auto split = [&](std::string_view path)
    {
        while (!path.empty())
        {
            const std::size_t slash = path.find('/');
            if (!push(path.substr(0, slash)))
                return false;
            if (slash == std::string_view::npos)
                break;
            path.remove_prefix(slash + 1);
        }
        return true;
    };
    if (link.front() != '/')
    {
        const std::size_t slash = basePath.rfind('/');
        if (slash != std::string_view::npos && !split(basePath.substr(0, slash)))
            return {};
    }
    if (!split(link) || parts.empty())
        return {};
    std::string out;
    for (const std::string& part : parts)
        out += "/" + part;
    return out;
}
