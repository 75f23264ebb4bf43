// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/splash/SplashFile.h"
#include "skin/ControlIds.h"
#include "tests/controls/TestSupport.h"

#include <QImage>
#include <QTemporaryDir>
#include <QWidget>

#include <fstream>

#include <gtest/gtest.h>

namespace
{

struct HostedSplash
{
    QWidget dialog;
    CControlHost::Control control;
    ComPtr<IDispatch> dispatch;

    HostedSplash()
    {
        dialog.resize(200, 200);
        std::string error;
        CControlHost::CreateControl(CLSID_SplashControl, RecordOf(1020), &dialog, control, error);
        if (control.widget)
            control.widget->setGeometry(150, 150, 37, 33);
        dispatch = control.unknown.As<IDispatch>(IID_IDispatch);
    }

    // One call, as the program's dispatch layer makes it: a method with one argument.
    HRESULT Call(DISPID id, VARIANT arg, UINT* argErr = nullptr, WORD flags = DISPATCH_METHOD)
    {
        DISPPARAMS params;
        params.rgvarg = &arg;
        params.cArgs = 1;
        return dispatch->Invoke(id, IID_NULL, 0, flags, &params, nullptr, nullptr, argErr);
    }
    HRESULT Load(const QString& path)
    {
        BstrPtr text = MakeBstr(path);
        VARIANT arg;
        arg.vt = VT_BSTR;
        arg.bstrVal = text.get();
        return Call(DISPID_SPLASH_LOADFILE, arg);
    }
    HRESULT Show(std::int32_t value)
    {
        VARIANT arg;
        arg.vt = VT_I4;
        arg.lVal = value;
        return Call(DISPID_SPLASH_SHOW, arg);
    }
    VARIANT Get(DISPID id)
    {
        DISPPARAMS none;
        VARIANT result;
        EXPECT_EQ(dispatch->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr,
                                   nullptr),
                  S_OK);
        return result;
    }
    // Whether anything is drawn in the middle of the control.
    bool Drawn()
    {
        const QImage image = control.widget->grab().toImage();
        return image.pixelColor(image.width() / 2, image.height() / 4).alpha() > 0;
    }
};

QString ShippedSplash()
{
    return BinDir() + QStringLiteral("/res/Splash.spl");
}

} // namespace

TEST(SplashControl, LoadsAndShowsTheShippedSplash)
{
    HostedSplash s;
    ASSERT_TRUE(s.dispatch);
    EXPECT_FALSE(s.Drawn());
    QString windowsPath = ShippedSplash();
    windowsPath.replace(u'/', u'\\');
    EXPECT_EQ(s.Load(windowsPath), S_OK);
    EXPECT_EQ(s.Get(DISPID_SPLASH_LOADED).lVal, 1);
    VARIANT title = s.Get(DISPID_SPLASH_TITLE);
    ASSERT_EQ(title.vt, VT_BSTR);
    EXPECT_EQ(FromBstr(title.bstrVal), QStringLiteral("Carvalet"));
    SysFreeString(title.bstrVal);
    EXPECT_FALSE(s.Drawn()); // loading alone shows nothing
    EXPECT_EQ(s.Show(0), S_OK);
    EXPECT_EQ(s.Get(DISPID_SPLASH_SHOWN).lVal, 1);
    EXPECT_TRUE(s.Drawn());
    EXPECT_EQ(s.control.widget->accessibleName(), QStringLiteral("Carvalet"));
}

TEST(SplashControl, AMissingOrBrokenFileShowsNothingAndStopsNothing)
{
    QTemporaryDir dir;
    const QString broken = dir.filePath(QStringLiteral("broken.spl"));
    std::ofstream(broken.toStdString()) << "[Splash]\nVersion = 1\n[Layer a]\nPath = M 1\n";
    for (const QString& path : {dir.filePath(QStringLiteral("none.spl")), broken, QString()})
    {
        HostedSplash s;
        ASSERT_TRUE(s.dispatch);
        EXPECT_EQ(s.Load(path), S_FALSE);
        EXPECT_EQ(s.Get(DISPID_SPLASH_LOADED).lVal, 0);
        EXPECT_EQ(s.Show(0), S_FALSE);
        EXPECT_FALSE(s.Drawn());
    }
    HostedSplash s; // a failed load after a good one drops the old splash
    ASSERT_EQ(s.Load(ShippedSplash()), S_OK);
    EXPECT_EQ(s.Load(broken), S_FALSE);
    s.Show(0);
    EXPECT_FALSE(s.Drawn());
}

TEST(SplashControl, RefusesCallsItDoesNotUnderstand)
{
    HostedSplash s;
    ASSERT_TRUE(s.dispatch);
    VARIANT number;
    number.vt = VT_I4;
    number.lVal = 0;
    BstrPtr path = MakeBstr(ShippedSplash());
    VARIANT text;
    text.vt = VT_BSTR;
    text.bstrVal = path.get();

    UINT argErr = 99;
    EXPECT_EQ(s.Call(DISPID_SPLASH_LOADFILE, number, &argErr), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 0u);
    EXPECT_EQ(s.Call(DISPID_SPLASH_SHOW, text), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(s.Call(DISPID_SPLASH_SHOW, VARIANT()), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(s.Call(20, number), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(s.Call(DISPID_SPLASH_SHOW, number, nullptr, DISPATCH_PROPERTYPUT),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(s.Show(-1), E_INVALIDARG);
    EXPECT_EQ(s.Show(60000), E_INVALIDARG);
    EXPECT_EQ(s.Get(DISPID_SPLASH_SHOWN).lVal, 0);

    DISPPARAMS none;
    EXPECT_EQ(s.dispatch->Invoke(DISPID_SPLASH_SHOW, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr,
                                 nullptr, nullptr),
              DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(s.dispatch->Invoke(DISPID_SPLASH_SHOW, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr,
                                 nullptr, nullptr),
              DISP_E_BADPARAMCOUNT);
    DISPID named = 0;
    DISPPARAMS withName;
    withName.rgvarg = &number;
    withName.cArgs = 1;
    withName.rgdispidNamedArgs = &named;
    withName.cNamedArgs = 1;
    EXPECT_EQ(s.dispatch->Invoke(DISPID_SPLASH_SHOW, IID_NULL, 0, DISPATCH_METHOD, &withName,
                                 nullptr, nullptr, nullptr),
              DISP_E_NONAMEDARGS);
    EXPECT_EQ(s.dispatch->Invoke(DISPID_SPLASH_SHOW, IID_IUnknown, 0, DISPATCH_METHOD, &withName,
                                 nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
}

TEST(SplashControl, NamesItsMembers)
{
    HostedSplash s;
    ASSERT_TRUE(s.dispatch);
    LPCWSTR names[] = {u"LoadSplashFile", u"showsplash", u"Explode"};
    DISPID ids[3] = {};
    EXPECT_EQ(s.dispatch->GetIDsOfNames(IID_NULL, names, 3, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 22);
    EXPECT_EQ(ids[1], 19);
    EXPECT_EQ(ids[2], -1);
}

TEST(SplashControl, RefusesAStreamOfAnotherVersion)
{
    std::vector<BYTE> stream(RecordOf(1020).begin(), RecordOf(1020).end());
    stream[0] = 2;
    QWidget dialog;
    CControlHost::Control control;
    std::string error;
    EXPECT_EQ(CControlHost::CreateControl(CLSID_SplashControl, stream, &dialog, control, error),
              E_INVALIDDATA);
}

TEST(SplashFile, MalformedSplashesAreRefused)
{
    const std::string head = "[Splash]\nVersion = 1\n";
    for (const std::string& text :
         {std::string(), head, std::string("[Splash]\n[Layer a]\nPath = O 5 5 5\n"),
          head + "[Layer a]\nFill = #fff\n", head + "[Layer a]\nPath = O 5 5 -1\n",
          head + "Grid = 0\n[Layer a]\nPath = O 5 5 5\n", head + "[Layer a]\nPath = L 1 1\n",
          head + "[Layer a]\nPath = O 5 5 5\nGlow = 1\n"})
    {
        CSplashFile splash;
        EXPECT_EQ(splash.Parse(QByteArray::fromStdString(text)), E_INVALIDDATA) << text;
        EXPECT_TRUE(splash.Layers().empty());
    }
    CSplashFile good;
    EXPECT_EQ(good.Parse(QByteArray::fromStdString(head + "[Layer a]\nPath = O 5 5 5\n")), S_OK)
        << good.Error().toStdString();
}
