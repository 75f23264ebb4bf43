// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpviewer/ChmArchive.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

TEST(ChmSitemap, NestedListsGiveDepthsAndHeadingsWithoutPages)
{
    const char* html = R"(<HTML><BODY>
<OBJECT type="text/site properties"><param name="Window Styles" value="0x800025"></OBJECT>
<UL>
  <LI><OBJECT type="text/sitemap"><param name="Name" value="First"><param name="Local" value="a.html"></OBJECT>
  <LI><object TYPE='text/sitemap'><PARAM NAME=Name VALUE="Group &amp; more"></object>
  <UL>
    <!-- <LI><OBJECT type="text/sitemap"><param name="Name" value="Commented"></OBJECT> -->
    <LI><OBJECT type="text/sitemap"><param name="Name" value="Inner &#233;"><param name="Local" value="sub/b.html"></OBJECT>
  </UL>
  <LI><OBJECT type="text/sitemap"><param name="Name" value="Last"><param name="Local" value="c.html"></OBJECT>
</UL></BODY></HTML>)";
    const std::vector<ChmTopic> topics = ParseSitemap(html);
    ASSERT_EQ(topics.size(), 4u);
    EXPECT_EQ(topics[0].name, "First");
    EXPECT_EQ(topics[0].local, "a.html");
    EXPECT_EQ(topics[0].depth, 0);
    EXPECT_EQ(topics[1].name, "Group & more");
    EXPECT_EQ(topics[1].local, "");
    EXPECT_EQ(topics[2].name, "Inner \xC3\xA9");
    EXPECT_EQ(topics[2].depth, 1);
    EXPECT_EQ(topics[3].depth, 0);
}

TEST(ChmSitemap, TruncatedOrHostileMarkupEndsQuietly)
{
    for (const char* html : {"<", "<UL><UL></UL></UL></UL></UL>", "<OBJECT type=\"text/sitemap",
                             "<param name=\"Name\" value=\"x\">", "&#99999999999;<!--", "</",
                             "<OBJECT type=text/sitemap><param name=Name value=\"unterminated"})
        EXPECT_NO_THROW(ParseSitemap(html)) << html;
    const auto topics = ParseSitemap("<OBJECT type=text/sitemap><param name=Name value=X>");
    EXPECT_TRUE(topics.empty());
}

TEST(ChmLinks, ResolveRelativeToThePageAndStayInsideTheArchive)
{
    EXPECT_EQ(ResolveChmLink("/index.html", "hiding.html"), "/hiding.html");
    EXPECT_EQ(ResolveChmLink("/index.html", "hiding.html#steps"), "/hiding.html");
    EXPECT_EQ(ResolveChmLink("/a/b/page.html", "../c.html"), "/a/c.html");
    EXPECT_EQ(ResolveChmLink("/a/page.html", "./img/x.png"), "/a/img/x.png");
    EXPECT_EQ(ResolveChmLink("/a/page.html", "/top.html"), "/top.html");
    EXPECT_EQ(ResolveChmLink("/a/page.html", "ms-its:Help.chm::/cli.html"), "/cli.html");
    EXPECT_EQ(ResolveChmLink("/index.html", "../../etc/passwd"), "");
    EXPECT_EQ(ResolveChmLink("/index.html", "http://example.org/x.html"), "");
    EXPECT_EQ(ResolveChmLink("/index.html", "mailto:support@example.org"), "");
    EXPECT_EQ(ResolveChmLink("/index.html", "#top"), "");
}

TEST(ChmArchiveOpen, MissingOrForeignFilesAreRefused)
{
    EXPECT_FALSE(ChmArchive::Open("/nonexistent/Help.chm"));

    const std::filesystem::path junk =
        std::filesystem::temp_directory_path() / "carvalet-not-a-chm.chm";
    {
        std::ofstream out(junk, std::ios::binary);
        out << "ITSF but not really a help file, just some bytes";
    }
    EXPECT_FALSE(ChmArchive::Open(junk.string()));
    std::filesystem::remove(junk);

    const ChmArchive closed;
    EXPECT_FALSE(closed.IsOpen());
    EXPECT_TRUE(closed.List().empty());
    EXPECT_FALSE(closed.Read("/index.html"));
    EXPECT_EQ(closed.DefaultPage(), "");
}
