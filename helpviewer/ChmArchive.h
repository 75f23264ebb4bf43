// SPDX-License-Identifier: GPL-3.0-or-later
// Read access to a compiled HTML help file: its objects, its default page and its table of
// contents. Used by the help viewer and by the tests that check the built help file.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct chmFile;

// One entry of a table of contents. A heading without a page has an empty local path.
struct ChmTopic
{
    std::string name;
    std::string local;
    int depth = 0;
};

class ChmArchive
{
public:
    // Objects larger than this are refused rather than read, so a damaged file cannot make
    // the viewer allocate without bound.
    static constexpr std::size_t kMaxObjectSize = 64u << 20;

    // An archive that is not open; every query on it finds nothing.
    ChmArchive();
    ~ChmArchive();
    ChmArchive(ChmArchive&&) noexcept;
    ChmArchive& operator=(ChmArchive&&) noexcept;

    static std::optional<ChmArchive> Open(const std::string& path);

    bool IsOpen() const { return m_pFile != nullptr; }
    // Paths of the ordinary files in the archive ("/index.html"), without the archive's own
    // bookkeeping objects.
    std::vector<std::string> List() const;
    bool Contains(std::string_view path) const;
    // The bytes of an object; the leading "/" may be omitted.
    std::optional<std::string> Read(std::string_view path) const;

    // Paths without the leading "/", as the project file named them.
    std::string DefaultPage() const;
    std::string ContentsFile() const;
    std::string Title() const;
    std::vector<ChmTopic> Topics() const;

private:
    struct Closer
    {
        void operator()(chmFile* file) const;
    };
    struct SystemInfo
    {
        std::string contents;
        std::string defaultPage;
        std::string title;
    };

    void ReadSystemInfo();

    std::unique_ptr<chmFile, Closer> m_pFile;
    SystemInfo m_system;
};

// Parses the sitemap HTML of a table of contents or an index.
std::vector<ChmTopic> ParseSitemap(std::string_view html);

// Resolves a link found in the page at basePath ("/dir/page.html") to an archive path
// ("/dir/other.html"), dropping any "#fragment" or "?query". Empty for links that leave the
// archive (http:, mailto:, ...) or climb above its root.
std::string ResolveChmLink(std::string_view basePath, std::string_view link);
