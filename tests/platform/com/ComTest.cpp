// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/com/Com.h"
#include "skin/ControlIds.h"
#include "skin/ISkinControl.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Bstr, KeepsItsByteLengthBeforeTheCharactersAndEmbeddedZeros)
{
    const char16_t text[] = {u'a', u'\0', u'b'};
    BstrPtr s(SysAllocStringLen(text, 3));
    ASSERT_NE(s, nullptr);
    std::uint32_t prefix = 0;
    std::memcpy(&prefix, reinterpret_cast<const char*>(s.get()) - 4, 4);
    EXPECT_EQ(prefix, 6u);
    EXPECT_EQ(SysStringLen(s.get()), 3u);
    EXPECT_EQ(SysStringByteLen(s.get()), 6u);
    EXPECT_EQ(s.get()[1], u'\0');
    EXPECT_EQ(s.get()[2], u'b');
    EXPECT_EQ(s.get()[3], u'\0'); // still terminated for C-style readers
}

TEST(Bstr, NullAndEmptyInputs)
{
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
    BstrPtr empty(SysAllocString(u""));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringLen(empty.get()), 0u);
    BstrPtr blank(SysAllocStringLen(nullptr, 4));
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(SysStringLen(blank.get()), 4u);
    EXPECT_EQ(blank.get()[0], u'\0');
    EXPECT_EQ(SysAllocStringLen(u"x", 0xFFFFFFFFu), nullptr);
}

TEST(Guid, RoundTripsTheControlIds)
{
    for (const GUID& id : {CLSID_SkinControl, CLSID_SplashControl, IID_ISkinControl, IID_IDispatch})
        EXPECT_EQ(GuidFromString(GuidToString(id)), id);
    EXPECT_EQ(GuidToString(CLSID_SkinControl), "{BA8C584B-209C-4D54-8BB1-8AB5F1DCA18E}");
    EXPECT_EQ(GuidFromString("{6241af3f-2b41-41ad-a268-68cd710d34c2}"), CLSID_SplashControl);
}

TEST(Guid, RejectsMalformedText)
{
    for (const char* bad :
         {"", "BA8C584B-209C-4D54-8BB1-8AB5F1DCA18E", "{BA8C584B-209C-4D54-8BB1-8AB5F1DCA18}",
          "{BA8C584B-209C-4D54-8BB18-AB5F1DCA18E}", "{BA8C584G-209C-4D54-8BB1-8AB5F1DCA18E}",
          "{BA8C584B-209C-4D54-8BB1-8AB5F1DCA18E}x"})
        EXPECT_FALSE(GuidFromString(bad)) << bad;
}
