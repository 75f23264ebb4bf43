// SPDX-License-Identifier: GPL-3.0-or-later
#include "skin/ControlIds.h"
#include "skin/ISkinControl.h"
#include "tests/controls/TestSupport.h"

#include <QTemporaryDir>
#include <QWidget>

#include <dlfcn.h>
#include <fstream>
#include <vector>

#include <gtest/gtest.h>

namespace
{

const char* StandInLog(const char* behaviour)
{
    std::string error;
    RegistryScope scope(StandIn(behaviour));
    const auto library = CControlHost::FindLibrary(CLSID_SkinControl, error);
    void* handle = library ? dlopen(library->c_str(), RTLD_NOW | RTLD_NOLOAD) : nullptr;
    auto log =
        handle ? reinterpret_cast<const char* (*)()>(dlsym(handle, "CarvaletStandInLog")) : nullptr;
    if (handle != nullptr)
        dlclose(handle); // only drops the count RTLD_NOLOAD added
    return log ? log() : "";
}

} // namespace

TEST(DialogInit, HoldsTheSkinRecordThenTheSplashRecordThenTheEnd)
{
    const auto data = InitData();
    ASSERT_EQ(data.size(), 8u + 40u + 8u + 30u + 2u);
    EXPECT_EQ(data[0] | data[1] << 8, 1019);
    EXPECT_EQ(data[2] | data[3] << 8, 0x0376);
    EXPECT_EQ(data[48] | data[49] << 8, 1020);
    EXPECT_EQ(data[data.size() - 2], 0);
    EXPECT_EQ(data[data.size() - 1], 0);

    const auto skin = layer::FindDialogInitRecord(data, 1019);
    const auto splash = layer::FindDialogInitRecord(data, 1020);
    ASSERT_TRUE(skin && splash);
    EXPECT_EQ(skin->data(), data.data() + 8);
    EXPECT_EQ(skin->size(), 40u);
    EXPECT_EQ(splash->size(), 30u);
    EXPECT_FALSE(layer::FindDialogInitRecord(data, 1021));
}

TEST(DialogInit, CutOrCorruptDataNeverYieldsBytesOutsideIt)
{
    const auto data = InitData();
    for (std::size_t size = 0; size < data.size(); ++size)
    {
        const auto cut = data.first(size);
        for (WORD id : {1019, 1020})
        {
            const auto record = layer::FindDialogInitRecord(cut, id);
            if (record)
            {
                EXPECT_LE(record->data() + record->size(), cut.data() + cut.size());
            }
        }
    }
    std::vector<BYTE> huge(data.begin(), data.end());
    huge[4] = huge[5] = huge[6] = huge[7] = 0xFF; // a length of 4 GB
    EXPECT_FALSE(layer::FindDialogInitRecord(huge, 1019));
    EXPECT_FALSE(layer::FindDialogInitRecord(huge, 1020));
}

TEST(ControlHost, CreatesBothRealControlsFromTheRegistryBesideTheProgram)
{
    EXPECT_EQ(CControlHost::RegistryPath(), (BinDir() + "/controls.reg").toStdString());
    QWidget dialog;
    std::string error;
    CControlHost::Control skin, splash;
    ASSERT_EQ(CControlHost::CreateControl(CLSID_SkinControl, RecordOf(1019), &dialog, skin, error),
              S_OK)
        << error;
    ASSERT_EQ(
        CControlHost::CreateControl(CLSID_SplashControl, RecordOf(1020), &dialog, splash, error),
        S_OK)
        << error;
    EXPECT_EQ(skin.widget->parentWidget(), &dialog);
    EXPECT_EQ(splash.widget->parentWidget(), &dialog);
    EXPECT_TRUE(skin.unknown.As<ISkinControl>(IID_ISkinControl));
    EXPECT_TRUE(splash.unknown.As<IDispatch>(IID_IDispatch));
    EXPECT_FALSE(skin.unknown.As<IDispatch>(IID_IDispatch));
}

TEST(ControlHost, AControlThatCannotBeCreatedIsNamedInTheError)
{
    QTemporaryDir dir;
    const std::string registry = dir.filePath("controls.reg").toStdString();
    std::ofstream(registry) << "# only a missing library\n"
                               "{BA8C584B-209C-4D54-8BB1-8AB5F1DCA18E} = libnot-there.so\n"
                               "nonsense line\n";
    const GUID unknown = *GuidFromString("{00000000-1111-2222-3333-444444444444}");
    struct Case
    {
        std::string registry;
        GUID clsid;
        HRESULT expected;
        const char* reason;
    };
    const Case cases[] = {
        {registry, unknown, REGDB_E_CLASSNOTREG, "not registered"},
        {registry, CLSID_SkinControl, CO_E_DLLNOTFOUND, "libnot-there.so"},
        {registry, CLSID_SplashControl, REGDB_E_CLASSNOTREG, "not registered"},
        {dir.filePath("absent.reg").toStdString(), CLSID_SkinControl, REGDB_E_CLASSNOTREG,
         "cannot be read"},
        {StandIn("no_entry"), CLSID_SkinControl, CO_E_ERRORINDLL, "DllGetClassObject"},
        {StandIn("failing_entry"), CLSID_SkinControl, CLASS_E_CLASSNOTAVAILABLE,
         "does not provide"},
    };
    for (const Case& c : cases)
    {
        RegistryScope scope(c.registry);
        QWidget dialog;
        CControlHost::Control control;
        std::string error;
        EXPECT_EQ(CControlHost::CreateControl(c.clsid, {}, &dialog, control, error), c.expected)
            << c.reason;
        EXPECT_NE(error.find(GuidToString(c.clsid)), std::string::npos) << error;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_FALSE(control.unknown);
        EXPECT_EQ(control.widget, nullptr);
        EXPECT_TRUE(dialog.children().isEmpty());
    }
}

TEST(ControlHost, AControlRejectingItsStreamIsNotHosted)
{
    const auto record = RecordOf(1019);
    QWidget dialog;
    CControlHost::Control control;
    std::string error;
    EXPECT_EQ(CControlHost::CreateControl(CLSID_SkinControl, record.first(record.size() - 1),
                                          &dialog, control, error),
              E_INVALIDDATA);
    EXPECT_NE(error.find("persisted state"), std::string::npos) << error;
    EXPECT_TRUE(dialog.children().isEmpty());
}

TEST(StandIns, AreCreatedUnderTheSkinClassIdAndLogTheirCalls)
{
    StandInLog("counting");
    {
        RegistryScope scope(StandIn("counting"));
        QWidget dialog;
        CControlHost::Control control;
        std::string error;
        ASSERT_EQ(
            CControlHost::CreateControl(CLSID_SkinControl, RecordOf(1019), &dialog, control, error),
            S_OK)
            << error;
        auto skin = control.unknown.As<ISkinControl>(IID_ISkinControl);
        ASSERT_TRUE(skin);
        BstrPtr path(SysAllocString(u"\\x\\res\\Tessaply.skn"));
        EXPECT_EQ(skin->LoadSkinFile(path.get()), S_OK);
    }
    const std::string log = StandInLog("counting");
    EXPECT_NE(log.find("Load(40);"), std::string::npos) << log;
    EXPECT_NE(log.find("LoadSkinFile(\\x\\res\\Tessaply.skn);"), std::string::npos) << log;
    EXPECT_NE(log.find("Destroyed;Release:0;"), std::string::npos) << log;

    RegistryScope scope(StandIn("no_interface"));
    QWidget dialog;
    CControlHost::Control control;
    std::string error;
    ASSERT_EQ(CControlHost::CreateControl(CLSID_SkinControl, {}, &dialog, control, error), S_OK);
    EXPECT_FALSE(control.unknown.As<ISkinControl>(IID_ISkinControl));
}
