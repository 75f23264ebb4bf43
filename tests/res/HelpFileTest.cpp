// SPDX-License-Identifier: GPL-3.0-or-later
// The help file as built: it opens, its contents and links lead to pages that exist, and it
// explains every message the program can show.
#include "helpviewer/ChmArchive.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <set>
#include <sstream>

namespace
{

const ChmArchive& Help()
{
    static const ChmArchive archive = []
    {
        std::optional<ChmArchive> opened = ChmArchive::Open(CARVALET_HELP_CHM);
        return opened ? std::move(*opened) : ChmArchive();
    }();
    return archive;
}

std::vector<std::string> Pages()
{
    std::vector<std::string> pages;
    for (const std::string& name : Help().List())
        if (name.ends_with(".html"))
            pages.push_back(name);
    return pages;
}

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t pos = 0; (pos = text.find(from, pos)) != std::string::npos; pos += to.size())
        text.replace(pos, from.size(), to);
    return text;
}

// A page's text, or nothing when the file lacks it (the tests then fail on what is missing).
std::string PageText(const std::string& name)
{
    return Help().Read(name).value_or(std::string());
}

// Values of every attribute called name="..." in the page (href, src).
std::vector<std::string> AttributeValues(const std::string& html, const std::string& name)
{
    std::vector<std::string> values;
    const std::string key = name + "=\"";
    for (std::size_t pos = 0; (pos = html.find(key, pos)) != std::string::npos;)
    {
        pos += key.size();
        const std::size_t end = html.find('"', pos);
        if (end == std::string::npos)
            break;
        values.push_back(html.substr(pos, end - pos));
        pos = end;
    }
    return values;
}

// The page with every run of white space turned into one blank.
std::string Flat(const std::string& page)
{
    std::string out;
    for (const char c : PageText(page))
    {
        const bool blank = std::isspace(static_cast<unsigned char>(c)) != 0;
        if (!blank)
            out += c;
        else if (out.empty() || out.back() != ' ')
            out += ' ';
    }
    return out;
}

} // namespace

TEST(HelpFile, OpensAtItsDefaultPage)
{
    ASSERT_TRUE(Help().IsOpen()) << CARVALET_HELP_CHM;
    EXPECT_EQ(Help().Title(), "Carvalet Help");
    EXPECT_EQ(Help().DefaultPage(), "index.html");
    const auto page = Help().Read(Help().DefaultPage());
    ASSERT_TRUE(page);
    EXPECT_NE(page->find("Welcome to Carvalet"), std::string::npos);
}

TEST(HelpFile, HoldsEveryFileOfTheProject)
{
    std::ifstream project(CARVALET_HELP_SOURCE_DIR "/Help.hhp");
    ASSERT_TRUE(project);
    std::string line;
    bool inFiles = false;
    int files = 0;
    while (std::getline(project, line))
    {
        if (line.starts_with('['))
            inFiles = line.starts_with("[FILES]");
        else if (inFiles && !line.empty())
        {
            ++files;
            const auto bytes = Help().Read(line);
            ASSERT_TRUE(bytes) << line;
            EXPECT_FALSE(bytes->empty()) << line;
        }
    }
    EXPECT_GE(files, 9);
}

TEST(HelpFile, EveryContentsEntryNamesAPageThatExists)
{
    const std::vector<ChmTopic> topics = Help().Topics();
    std::set<std::string> shown;
    for (const ChmTopic& topic : topics)
    {
        if (topic.local.empty())
            continue;
        EXPECT_TRUE(Help().Contains(topic.local)) << topic.name << " -> " << topic.local;
        shown.insert("/" + topic.local);
    }
    // Every page is reachable from the contents, not only through links.
    for (const std::string& page : Pages())
        EXPECT_TRUE(shown.count(page)) << page << " is missing from the contents";
    EXPECT_EQ(topics.front().local, "index.html");
}

TEST(HelpFile, EveryLinkAndImageResolvesInsideTheFile)
{
    int links = 0;
    for (const std::string& page : Pages())
    {
        const std::string html = PageText(page);
        std::vector<std::string> targets = AttributeValues(html, "href");
        for (std::string& image : AttributeValues(html, "src"))
            targets.push_back(std::move(image));
        for (const std::string& target : targets)
        {
            const std::string resolved = ResolveChmLink(page, target);
            if (resolved.empty())
            {
                // Only in-page anchors may stay unresolved; the help never leaves the file.
                EXPECT_TRUE(target.starts_with('#')) << page << ": " << target;
                continue;
            }
            ++links;
            EXPECT_TRUE(Help().Contains(resolved)) << page << ": " << target;
        }
    }
    EXPECT_GT(links, 30);
}

TEST(HelpFile, ExplainsEveryMessageInTheProgramsOwnWords)
{
    std::string html = PageText("messages.html");
    html = Replace(Replace(html, "&nbsp;", " "), "&amp;", "&");
    for (const char* message :
         {"There is no text to curtain", "There are no text to curtain", "Image is very small.",
          "Operation aborted ..     <", "Image does not contain curtained data ..",
          "password  must be at least 8 chars", "password is to long it must at most 16 chars",
          "password is to long it must at most 64 chars", "Password & Confirm Pw not match",
          "Invalid password try again", "The hidden message has been changed or damaged",
          "There is not enough memory to open the sealed message.",
          "There is not enough memory to seal the message.", "Could not load or apply the skin.",
          "Hiding a message in this picture would damage it (",
          "This file is not a picture: hiding a message in it would damage it.",
          "Carvalet could not convert this picture: ", "No hidden message for this password."})
        EXPECT_NE(html.find(message), std::string::npos) << message;
}

TEST(HelpFile, CapacityExamplesFollowTheSizeRule)
{
    // A file of N bytes takes a message of (N - 1000) / 8 bytes, rounded down to whole blocks
    // of 8; below 1,128 bytes not even the password record fits.
    const std::string html = Replace(PageText("capacity.html"), ",", "");
    const std::string cell = " bytes</td><td>";
    int rows = 0;
    for (std::size_t pos = 0; (pos = html.find(cell, pos)) != std::string::npos; ++rows)
    {
        const std::size_t start = html.rfind("<td>", pos) + 4;
        const long size = std::stol(html.substr(start, pos - start));
        pos += cell.size();
        const long longest = std::stol(html.substr(pos));
        EXPECT_GE(size, 1128);
        EXPECT_EQ(longest, (size - 1000) / 8 / 8 * 8) << size;
    }
    EXPECT_GE(rows, 5);
}

TEST(HelpFile, StatesTheSecurityLimitsAndTheCommandLine)
{
    const std::string security = Flat("security.html");
    for (const char* point :
         {"built into the program", "first 8 characters", "only an access check",
          "without the password", "Three ways to hide", "whole password", "Argon2id",
          "The hidden message has been changed or damaged", "unreadable text"})
        EXPECT_NE(security.find(point), std::string::npos) << point;
    const std::string cli = Flat("cli.html");
    for (const char* point :
         {"--message-file", "--output", "--password-stdin", "--seal", "--stealth", "info IMAGE",
          "<td>0</td>", "<td>1</td>", "<td>2</td>", "<td>3</td>"})
        EXPECT_NE(cli.find(point), std::string::npos) << point;
}
