// SPDX-License-Identifier: GPL-3.0-or-later
// The splash wrapper and the dispatch calls under it, against a control that records what it
// receives; the main window's splash step; dynamic creation of both wrappers.
#include "platform/kernel/WinBase.h"
#include "skin/ControlIds.h"
#include "skin/Skin.h"
#include "skin/Splash.h"
#include "tests/support/MainWindowRun.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace
{
struct DispatchCall
{
    DISPID id;
    WORD flags;
    std::vector<std::string> args; // as received: the last argument first
    friend bool operator==(const DispatchCall&, const DispatchCall&) = default;
};

std::ostream& operator<<(std::ostream& out, const DispatchCall& call)
{
    out << call.id << "/" << call.flags << "(";
    for (const std::string& arg : call.args)
        out << arg << ";";
    return out << ")";
}

// A control with nothing but a dispatch interface, recording every call.
class CRecordingControl final : public IDispatch
{
public:
    static std::vector<DispatchCall> calls;
    static HRESULT result;
    static ULONG references;

    static ComPtr<IUnknown> Create()
    {
        return ComPtr<IUnknown>::Attach(new CRecordingControl); // freed by its last Release
    }

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = riid == IID_IUnknown || riid == IID_IDispatch ? this : nullptr;
        if (*ppv == nullptr)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override
    {
        if (--references == 0)
            delete this;
        return references;
    }
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPCWSTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* out,
                   EXCEPINFO*, UINT*) override
    {
        DispatchCall call{id, flags, {}};
        for (UINT i = 0; params && i < params->cArgs; ++i)
        {
            const VARIANT& v = params->rgvarg[i];
            call.args.push_back(v.vt == VT_I4 ? "I4:" + std::to_string(v.lVal)
                                : v.vt == VT_BSTR
                                    ? "BSTR:" + layer::QStringToText(QString::fromUtf16(
                                                    v.bstrVal, SysStringLen(v.bstrVal)))
                                    : "?");
        }
        calls.push_back(call);
        if (FAILED(result) || out == nullptr)
            return result;
        if (flags == DISPATCH_PROPERTYGET && id == 1)
        {
            out->vt = VT_I4;
            out->lVal = 7;
        }
        if (flags == DISPATCH_PROPERTYGET && id == 2)
        {
            out->vt = VT_BSTR;
            out->bstrVal = SysAllocString(u"Curtain \u00e9");
        }
        return result;
    }

private:
    CRecordingControl() { ++references; }
    ~CRecordingControl() = default;
};
std::vector<DispatchCall> CRecordingControl::calls;
HRESULT CRecordingControl::result = S_OK;
ULONG CRecordingControl::references = 0;

// Gives the splash's class ID the recording control, every other class its plugin.
class RecordingSplash
{
public:
    RecordingSplash()
    {
        CRecordingControl::calls.clear();
        CRecordingControl::result = S_OK;
        m_previous = layer::SetOleControlFactory(
            [this](const OleControlItem& item, QWidget* parent) -> OleControlSite
            {
                items.push_back(item);
                if (item.clsid != CLSID_SplashControl)
                    return m_previous(item, parent);
                return {new QWidget(parent), CRecordingControl::Create()}; // owned by parent
            });
    }
    ~RecordingSplash() { layer::SetOleControlFactory(std::move(m_previous)); }
    RecordingSplash(const RecordingSplash&) = delete;
    RecordingSplash& operator=(const RecordingSplash&) = delete;

    std::vector<OleControlItem> items;

private:
    OleControlFactory m_previous;
};

class SplashWrapper : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AfxEnableControlContainer();
        ASSERT_TRUE(parent.Create(IDD_ABOUTBOX));
        ASSERT_TRUE(splash.Create(nullptr, "", WS_VISIBLE, RECT{10, 10, 40, 40}, &parent, 1020));
        CRecordingControl::calls.clear();
    }
    void TearDown() override { parent.DestroyWindow(); }

    RecordingSplash recording;
    CDialog parent{IDD_ABOUTBOX};
    CSplash splash;
};
} // namespace

TEST(Wrappers, AreCreatedByTheirRunTimeClassNames)
{
    for (const CRuntimeClass* runtime : {RUNTIME_CLASS(CSkin), RUNTIME_CLASS(CSplash)})
    {
        ASSERT_NE(runtime->m_pfnCreateObject, nullptr);
        const std::unique_ptr<CObject> object(runtime->m_pfnCreateObject());
        EXPECT_EQ(object->GetRuntimeClass(), runtime);
        EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(CWnd)));
    }
    EXPECT_STREQ(RUNTIME_CLASS(CSkin)->m_lpszClassName, "CSkin");
    EXPECT_STREQ(RUNTIME_CLASS(CSplash)->m_lpszClassName, "CSplash");
}

TEST_F(SplashWrapper, CreatesItsControlByClassIdAndLendsItsUnknown)
{
    ASSERT_EQ(recording.items.size(), 1u);
    EXPECT_TRUE(recording.items[0].clsid == CLSID_SplashControl);
    EXPECT_EQ(recording.items[0].nID, 1020u);
    EXPECT_TRUE(recording.items[0].persisted.empty());
    EXPECT_EQ(splash.GetDlgCtrlID(), 1020);
    EXPECT_EQ(parent.GetDlgItem(1020), &splash);

    const ULONG held = CRecordingControl::references;
    IUnknown* unknown = splash.GetControlUnknown();
    ASSERT_NE(unknown, nullptr);
    EXPECT_EQ(CRecordingControl::references, held) << "borrowed, not add-ref'd";
    EXPECT_EQ(parent.GetControlUnknown(), nullptr) << "a plain window has none";
}

TEST_F(SplashWrapper, SplashMethodsAreDispatchMethodsWithTheirIdsAndOneArgument)
{
    splash.LoadSplashFile("C:\\Program Files\\Carvalet \xc3\xa9\\res\\Splash.spl");
    splash.ShowSplash(0);
    EXPECT_EQ(
        CRecordingControl::calls,
        (std::vector<DispatchCall>{
            {22, DISPATCH_METHOD, {"BSTR:C:\\Program Files\\Carvalet \xc3\xa9\\res\\Splash.spl"}},
            {19, DISPATCH_METHOD, {"I4:0"}}}));
}

TEST_F(SplashWrapper, InvokeHelperPassesArgumentsLastFirstAndSurvivesRefusals)
{
    splash.InvokeHelper(5, DISPATCH_METHOD, VT_EMPTY, nullptr,
                        reinterpret_cast<const BYTE*>(VTS_BSTR VTS_I4 VTS_I4), "first", LONG{-2},
                        LONG{3});
    ASSERT_EQ(CRecordingControl::calls.size(), 1u);
    EXPECT_EQ(CRecordingControl::calls[0].args,
              (std::vector<std::string>{"I4:3", "I4:-2", "BSTR:first"}));

    LONG loaded = 0;
    CString title;
    splash.InvokeHelper(1, DISPATCH_PROPERTYGET, VT_I4, &loaded, nullptr);
    splash.InvokeHelper(2, DISPATCH_PROPERTYGET, VT_BSTR, &title, nullptr);
    EXPECT_EQ(loaded, 7);
    EXPECT_EQ(title, "Curtain \xc3\xa9");

    CRecordingControl::result = DISP_E_MEMBERNOTFOUND;
    loaded = -1;
    splash.InvokeHelper(1, DISPATCH_PROPERTYGET, VT_I4, &loaded, nullptr);
    splash.LoadSplashFile(nullptr);
    EXPECT_EQ(loaded, -1) << "a refused call leaves the result alone";
    EXPECT_EQ(CRecordingControl::calls.size(), 5u);
    parent.InvokeHelper(22, DISPATCH_METHOD, VT_EMPTY, nullptr,
                        reinterpret_cast<const BYTE*>(VTS_BSTR), "no control here");
    EXPECT_EQ(CRecordingControl::calls.size(), 5u);
}

TEST(SplashStep, MainWindowHandsTheSplashItsFileThenShowsItWithZero)
{
    AfxEnableControlContainer();
    RecordingSplash recording;
    CTestStegoDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_MAIN));
    EXPECT_EQ(CRecordingControl::calls,
              (std::vector<DispatchCall>{
                  {22, DISPATCH_METHOD, {"BSTR:" + AppDirAsWindowsPath() + "\\res\\Splash.spl"}},
                  {19, DISPATCH_METHOD, {"I4:0"}}}));
    dlg.DestroyWindow();
}

TEST(SplashStep, MissingSplashFileStillGetsBothCallsAndTheSkinStepFollows)
{
    AfxEnableControlContainer();
    QTemporaryDir folder; // no res folder at all
    ASSERT_TRUE(folder.isValid());
    const std::string appDir = layer::WindowsPath(folder.path().toStdString());
    layer::SetModuleFileNameForTesting((appDir + "\\Carvalet").c_str());
    CControlHost::SetRegistryPath(StandInRegistry("counting")); // real splash, stand-in skin
    StandInCalls("counting");
    CTestStegoDlg dlg;
    const bool created = dlg.Create(IDD_MAIN);
    layer::SetModuleFileNameForTesting(nullptr);
    CControlHost::SetRegistryPath({});
    ASSERT_TRUE(created);

    CWnd* splash = dlg.GetDlgItem(IDC_SPLASH);
    LONG loaded = -1, shown = -1;
    splash->InvokeHelper(DISPID_SPLASH_LOADED, DISPATCH_PROPERTYGET, VT_I4, &loaded, nullptr);
    splash->InvokeHelper(DISPID_SPLASH_SHOWN, DISPATCH_PROPERTYGET, VT_I4, &shown, nullptr);
    EXPECT_EQ(loaded, 0);
    EXPECT_EQ(shown, 1);
    const auto calls = WithoutReleases(StandInCalls("counting"));
    EXPECT_NE(
        std::find(calls.begin(), calls.end(), "LoadSkinFile(" + appDir + "\\res\\Tessaply.skn)"),
        calls.end());
    EXPECT_TRUE(dlg.IsWindowVisible());
    dlg.DestroyWindow();
}
