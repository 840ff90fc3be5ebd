// The settings tables, the camera presets, the flock tables and the stored
// device choice against Wine's real registry.

#include "DebugOutputCapture.h"
#include "settings/DeviceChoiceRegistry.h"
#include "settings/SettingsRegistry.h"
#include "settings/SettingsTables.h"
#include "SettingsTestKey.h"
#include "D3D8Library.h"
#include "framework/OruApplication.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

int32_t DialogValue(DialogRow row) { return DialogParams.items[row].value; }

// Every flock table holds FlockDefaults except the common scale.
void ExpectFlocks(int32_t scale)
{
    for (int k = 0; k < FlockCount; ++k) {
        ASSERT_EQ(5u, FlockParams[k].count) << "flock " << k;
        for (int row = 0; row < 5; ++row)
            EXPECT_EQ(row == FlockScale ? scale : FlockDefaults[k][row], FlockParams[k].items[row].value)
                << "flock " << k << " row " << row;
    }
    EXPECT_EQ(0u, FlockParams[8].count);
    EXPECT_EQ(0u, FlockParams[9].count);
}

// The scene rows hold their defaults, the camera rows the preset.
void ExpectScene(int32_t cameraFrom)
{
    ASSERT_EQ(13u, SceneParams.count);
    for (int row = 0; row < 13; ++row) {
        int32_t expected = SceneParamDefs[row].value;
        if (row == SceneCameraFrom)
            expected = cameraFrom;
        else if (row >= SceneCameraFromOpt && row <= SceneCameraToOpt)
            expected = 0;
        EXPECT_EQ(expected, SceneParams.items[row].value) << "scene row " << row;
    }
}

class Settings : public ::testing::Test {
protected:
    SettingsTestKey key;
};

} // namespace

TEST_F(Settings, FirstRunKeepsEveryDefaultAndCreatesNoKey)
{
    LoadParameters();
    ASSERT_EQ(4u, TechniqueParams.count);
    ASSERT_EQ(4u, DialogParams.count);
    EXPECT_EQ(1, TechniqueSetting(TechCloneFishTech));
    EXPECT_EQ(1, TechniqueSetting(TechFlockMateEffect));
    EXPECT_EQ(0, TechniqueSetting(TechCrashGuard));
    EXPECT_EQ(1, TechniqueSetting(TechPartialMorph));
    EXPECT_EQ(1, DialogValue(DialogFlockSize));
    EXPECT_EQ(1, DialogValue(DialogSaturation));
    EXPECT_EQ(0, DialogValue(DialogCameraMode));
    EXPECT_EQ(2, DialogValue(DialogToneMode));
    ExpectScene(5);
    ExpectFlocks(1);
    EXPECT_FALSE(SettingsTestKey::Exists());

    // Loading again fills the same rows, not more.
    LoadParameters();
    EXPECT_EQ(4u, TechniqueParams.count);
    EXPECT_EQ(13u, SceneParams.count);
    EXPECT_EQ(4u, DialogParams.count);
    ExpectFlocks(1);
}

TEST_F(Settings, StoredValuesChooseScaleAndCamera)
{
    struct Case {
        DWORD flockSize, cameraMode;
        int32_t scale, cameraFrom;
    };
    const Case cases[] = {{0, 0, 2, 5}, {1, 1, 1, 4}, {2, 2, 0, 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE("FlockSize " + std::to_string(c.flockSize) + ", CameraMode " + std::to_string(c.cameraMode));
        ASSERT_TRUE(SettingsTestKey::SetDword("FlockSize", c.flockSize));
        ASSERT_TRUE(SettingsTestKey::SetDword("CameraMode", c.cameraMode));
        LoadParameters();
        EXPECT_EQ(int32_t(c.flockSize), DialogValue(DialogFlockSize));
        EXPECT_EQ(int32_t(c.cameraMode), DialogValue(DialogCameraMode));
        ExpectScene(c.cameraFrom);
        ExpectFlocks(c.scale);
    }
}

TEST_F(Settings, OnlyRowsWithAControlAreRead)
{
    ASSERT_TRUE(SettingsTestKey::SetDword("CloneFishTech", 0));
    ASSERT_TRUE(SettingsTestKey::SetDword("PartialMorph", 0));
    ASSERT_TRUE(SettingsTestKey::SetDword("Saturation", 2));
    ASSERT_TRUE(SettingsTestKey::SetDword("ToneMode", 1));
    // Rows without a control, and the scene table, are never read.
    ASSERT_TRUE(SettingsTestKey::SetDword("FlockMateEffect", 0));
    ASSERT_TRUE(SettingsTestKey::SetDword("CrashGuard", 1));
    ASSERT_TRUE(SettingsTestKey::SetDword("Lights", 2));
    ASSERT_TRUE(SettingsTestKey::SetDword("CameraFrom", 0));
    ASSERT_TRUE(SettingsTestKey::SetDword("FlockScale", 2));
    LoadParameters();
    EXPECT_EQ(0, TechniqueSetting(TechCloneFishTech));
    EXPECT_EQ(0, TechniqueSetting(TechPartialMorph));
    EXPECT_EQ(1, TechniqueSetting(TechFlockMateEffect));
    EXPECT_EQ(0, TechniqueSetting(TechCrashGuard));
    EXPECT_EQ(2, DialogValue(DialogSaturation));
    EXPECT_EQ(1, DialogValue(DialogToneMode));
    ExpectScene(5);
    ExpectFlocks(1);
}

// Values the program never writes: out of range, or not a 4-byte REG_DWORD.
// Each keeps its row's default while the other rows are still read.
TEST_F(Settings, HostileValuesKeepTheirDefaults)
{
    const DWORD three = 3, all = 0xFFFFFFFFu, zero = 0, two = 2;
    const char text[] = "2";
    const char number[] = "123"; // four bytes with its terminator
    const BYTE shortBinary[2] = {2, 0};
    const ULONGLONG quad = 2;
    struct Value {
        const char* what;
        DWORD type;
        const void* data;
        DWORD size;
    };
    // Values of four bytes that are not REG_DWORD hold 0 or 2, each a valid
    // value that differs from the default of some setting (FlockSize and
    // Saturation 1, CameraMode 0, CloneFishTech 1): only their type keeps
    // them out.
    const Value values[] = {
        {"3", REG_DWORD, &three, sizeof three},
        {"0xFFFFFFFF", REG_DWORD, &all, sizeof all},
        {"REG_SZ", REG_SZ, text, sizeof text},
        {"REG_SZ \"123\" of four bytes", REG_SZ, number, sizeof number},
        {"short REG_BINARY", REG_BINARY, shortBinary, sizeof shortBinary},
        {"REG_BINARY 0 of four bytes", REG_BINARY, &zero, sizeof zero},
        {"REG_BINARY 2 of four bytes", REG_BINARY, &two, sizeof two},
        {"REG_DWORD_BIG_ENDIAN 0", REG_DWORD_BIG_ENDIAN, &zero, sizeof zero},
        {"REG_QWORD", REG_QWORD, &quad, sizeof quad},
    };
    static_assert(sizeof number == 4, "the text is four bytes");
    const char* names[] = {"FlockSize", "Saturation", "CameraMode", "ToneMode"};
    for (const Value& value : values) {
        SettingsTestKey::Remove();
        for (const char* name : names)
            ASSERT_TRUE(SettingsTestKey::Set(name, value.type, value.data, value.size));
        ASSERT_TRUE(SettingsTestKey::Set("CloneFishTech", value.type, value.data, value.size));
        ASSERT_TRUE(SettingsTestKey::SetDword("PartialMorph", 0));
        SCOPED_TRACE(value.what);
        LoadParameters();
        EXPECT_EQ(1, DialogValue(DialogFlockSize));
        EXPECT_EQ(1, DialogValue(DialogSaturation));
        EXPECT_EQ(0, DialogValue(DialogCameraMode));
        EXPECT_EQ(2, DialogValue(DialogToneMode));
        if (value.type != REG_DWORD) {
            EXPECT_EQ(1, TechniqueSetting(TechCloneFishTech));
        }
        EXPECT_EQ(0, TechniqueSetting(TechPartialMorph)) << "the other rows are still read";
        ExpectScene(5);
        ExpectFlocks(1);
    }
}

// The technique switches are on at 1 and off at 0; any other stored value
// keeps the default, so the dialog's box and the scene agree on it.
TEST_F(Settings, TechniqueSwitchesOutsideZeroAndOneKeepTheirDefaults)
{
    struct Case {
        DWORD stored;
        int32_t clone, morph; // as loaded
    };
    const Case cases[] = {{0, 0, 0}, {1, 1, 1}, {2, 1, 1}, {0xFFFFFFFFu, 1, 1}, {0x80000000u, 1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        ASSERT_TRUE(SettingsTestKey::SetDword("CloneFishTech", c.stored));
        ASSERT_TRUE(SettingsTestKey::SetDword("PartialMorph", c.stored));
        LoadParameters();
        EXPECT_EQ(c.clone, TechniqueSetting(TechCloneFishTech));
        EXPECT_EQ(c.morph, TechniqueSetting(TechPartialMorph));
    }
}

// The preset and the scale never index past their three-entry tables, and a
// preset writes only the camera rows, whatever the tables hold.
TEST_F(Settings, PresetAndScaleStayInTheirTables)
{
    LoadParameters();
    for (int32_t mode : {3, -1, 1000000}) {
        SCOPED_TRACE(mode);
        DialogParams.items[DialogCameraMode].value = mode;
        SceneParams.items[SceneCameraFrom].value = 2;
        ApplyCameraPreset();
        ExpectScene(5);
        TranslateFlockSize(mode);
        ExpectFlocks(1);
    }
    // On a table shorter than the preset's rows nothing beyond it is written.
    SceneParams.count = 4;
    SceneParams.items[SceneCameraFrom].value = 77;
    DialogParams.items[DialogCameraMode].value = 1;
    ApplyCameraPreset();
    EXPECT_EQ(77, SceneParams.items[SceneCameraFrom].value);
}

TEST_F(Settings, SaveParametersStoresTheSixRowsAsDwords)
{
    LoadParameters();
    DialogParams.items[DialogFlockSize].value = 2;
    DialogParams.items[DialogSaturation].value = 0;
    TechniqueParams.items[TechCloneFishTech].value = 0;
    EXPECT_EQ(0, SaveParameters());
    const SettingsTestKey::Snapshot values = SettingsTestKey::Values();
    ASSERT_EQ(6u, values.size());
    const std::pair<const char*, DWORD> expected[] = {{"FlockSize", 2},    {"Saturation", 0},    {"CameraMode", 0},
                                                       {"ToneMode", 2},     {"CloneFishTech", 0}, {"PartialMorph", 1}};
    for (const auto& e : expected) {
        DWORD value = 99;
        EXPECT_TRUE(SettingsTestKey::GetDword(e.first, value)) << e.first;
        EXPECT_EQ(e.second, value) << e.first;
    }
}

// A key that cannot be created (its parent is volatile, it is not): the
// failed writes are traced and reported, not passed as success.
TEST_F(Settings, FailedSaveIsTraced)
{
    const char parent[] = "Software\\Kelvane Soft";
    RegDeleteTreeA(HKEY_CURRENT_USER, parent);
    RegDeleteKeyA(HKEY_CURRENT_USER, parent);
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, parent, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    RegCloseKey(key);

    LoadParameters();
    DebugOutputCapture capture;
    EXPECT_NE(0, SaveParameters());
    EXPECT_FALSE(SettingsTestKey::Exists());
    int traced = 0;
    for (const std::string& line : capture.Lines())
        traced += line.rfind("DXZING:", 0) == 0;
    EXPECT_EQ(6, traced) << "one trace per value not stored";

    capture.Clear();
    auto app = std::make_unique<OruApplication>();
    app->adapterCount = 1;
    app->adapters[0].deviceCount = 1;
    app->adapters[0].devices[0].modeCount = 1;
    EXPECT_NE(0, SaveDeviceToReg());
    ASSERT_FALSE(capture.Lines().empty());
    EXPECT_EQ(0u, capture.Lines()[0].rfind("DXZING:", 0));

    RegDeleteKeyA(HKEY_CURRENT_USER, parent);
}

// ---------------------------------------------------------------------------
// The stored device choice against enumeration tables filled by hand: two
// adapters, the first with devices of 3 and 2 modes, the second with one
// device of 4 modes.

namespace {

class DeviceChoiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app = std::make_unique<OruApplication>();
        std::memset(app->adapters, 0, sizeof app->adapters); // the constructor leaves the records as they are
        app->adapterCount = 2;
        app->adapters[0].deviceCount = 2;
        app->adapters[0].devices[0].modeCount = 3;
        app->adapters[0].devices[1].modeCount = 2;
        app->adapters[1].deviceCount = 1;
        app->adapters[1].devices[0].modeCount = 4;
    }
    struct Choice {
        UINT adapter, device, mode;
        DWORD multiSample;
    };
    Choice Current() const
    {
        const OruAdapterRecord& adapter = app->CurrentAdapter();
        const OruDeviceRecord& device = adapter.devices[adapter.currentDevice];
        return {app->currentAdapter, adapter.currentDevice, device.currentMode, DWORD(device.fullScreenMultiSample)};
    }
    SettingsTestKey key;
    std::unique_ptr<OruApplication> app;
};

} // namespace

TEST_F(DeviceChoiceTest, StoredValuesWithinTheCountsAreTaken)
{
    const DWORD none = 0xFFFFFFFEu; // not stored
    struct Case {
        const char* what;
        DWORD adapter, device, mode, multiSample;
        Choice expected;
    };
    const Case cases[] = {
        {"all valid", 1, 0, 3, 4, {1, 0, 3, 4}},
        {"adapter at the count: the device is checked on adapter 0", 2, 1, 1, 0, {0, 1, 1, 0}},
        {"device beyond adapter 1's one device", 1, 1, 2, 0, {1, 0, 2, 0}},
        {"mode at the count", 0, 0, 3, 0, {0, 0, 0, 0}},
        {"mode of the stored device", 0, 1, 1, 2, {0, 1, 1, 2}},
        {"multisample 16 taken", 0, 0, 0, 16, {0, 0, 0, 16}},
        {"multisample 1 ignored", 0, 0, 0, 1, {0, 0, 0, 0}},
        {"multisample 17 ignored", 0, 0, 0, 17, {0, 0, 0, 0}},
        {"multisample 0xFFFFFFFF ignored", 0, 0, 0, 0xFFFFFFFFu, {0, 0, 0, 0}},
        {"nothing stored but the mode", none, none, 2, none, {0, 0, 2, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        SettingsTestKey::Remove();
        const std::pair<const char*, DWORD> values[] = {
            {"Adapter", c.adapter}, {"Device", c.device}, {"Mode", c.mode}, {"MultiSampleType", c.multiSample}};
        for (const auto& v : values)
            if (v.second != none) {
                ASSERT_TRUE(SettingsTestKey::SetDword(v.first, v.second));
            }
        EXPECT_EQ(0, LoadDeviceFromReg());
        const Choice got = Current();
        EXPECT_EQ(c.expected.adapter, got.adapter);
        EXPECT_EQ(c.expected.device, got.device);
        EXPECT_EQ(c.expected.mode, got.mode);
        EXPECT_EQ(c.expected.multiSample, got.multiSample);
    }
}

TEST_F(DeviceChoiceTest, ValuesOfOtherTypesAreIgnored)
{
    // Each value valid for its name as a REG_DWORD (and taken as one), stored
    // as every other type, four bytes long among them: only the type keeps
    // it out.
    const struct {
        const char* name;
        DWORD value;
        Choice taken;
    } names[] = {{"Adapter", 1, {1, 0, 0, 0}},
                 {"Device", 1, {0, 1, 0, 0}},
                 {"Mode", 2, {0, 0, 2, 0}},
                 {"MultiSampleType", 2, {0, 0, 0, 2}}};
    const char number[] = "123"; // four bytes with its terminator
    static_assert(sizeof number == 4, "the text is four bytes");
    for (const auto& n : names) {
        const char text[2] = {char('0' + n.value), 0};
        const BYTE shortBinary[2] = {BYTE(n.value), 0};
        const ULONGLONG quad = n.value;
        const DWORD dword = n.value;
        const struct {
            const char* what;
            DWORD type;
            const void* data;
            DWORD size;
        } values[] = {
            {"REG_DWORD", REG_DWORD, &dword, sizeof dword},
            {"REG_SZ", REG_SZ, text, sizeof text},
            {"REG_SZ \"123\" of four bytes", REG_SZ, number, sizeof number},
            {"short REG_BINARY", REG_BINARY, shortBinary, sizeof shortBinary},
            {"REG_BINARY of four bytes", REG_BINARY, &dword, sizeof dword},
            {"REG_DWORD_BIG_ENDIAN", REG_DWORD_BIG_ENDIAN, &dword, sizeof dword},
            {"REG_QWORD", REG_QWORD, &quad, sizeof quad},
        };
        for (const auto& v : values) {
            SCOPED_TRACE(std::string(n.name) + " as " + v.what);
            SetUp();
            SettingsTestKey::Remove();
            ASSERT_TRUE(SettingsTestKey::Set(n.name, v.type, v.data, v.size));
            EXPECT_EQ(0, LoadDeviceFromReg());
            const Choice expected = v.type == REG_DWORD ? n.taken : Choice{0, 0, 0, 0};
            const Choice got = Current();
            EXPECT_EQ(expected.adapter, got.adapter);
            EXPECT_EQ(expected.device, got.device);
            EXPECT_EQ(expected.mode, got.mode);
            EXPECT_EQ(expected.multiSample, got.multiSample);
        }
    }
}

TEST_F(DeviceChoiceTest, NoKeyChangesNothingAndSaveWritesTheChoice)
{
    app->currentAdapter = 1;
    app->adapters[1].devices[0].currentMode = 3;
    EXPECT_EQ(0, LoadDeviceFromReg());
    EXPECT_EQ(1u, Current().adapter);
    EXPECT_EQ(3u, Current().mode);
    EXPECT_FALSE(SettingsTestKey::Exists());

    app->adapters[1].devices[0].fullScreenMultiSample = D3DMULTISAMPLE_4_SAMPLES;
    EXPECT_EQ(0, SaveDeviceToReg());
    const SettingsTestKey::Snapshot values = SettingsTestKey::Values();
    EXPECT_EQ(4u, values.size());
    const std::pair<const char*, DWORD> expected[] = {
        {"Adapter", 1}, {"Device", 0}, {"Mode", 3}, {"MultiSampleType", 4}};
    for (const auto& e : expected) {
        DWORD value = 99;
        EXPECT_TRUE(SettingsTestKey::GetDword(e.first, value)) << e.first;
        EXPECT_EQ(e.second, value) << e.first;
    }
}

// With Wine's Direct3D object the stored multisample type is taken only
// when the chosen mode accepts it full screen.
TEST(DeviceChoiceOnWine, MultiSampleOnlyWhenTheModeAcceptsIt)
{
    SettingsTestKey key;
    auto app = std::make_unique<OruApplication>();
    app->d3d = D3D8Library::Create();
    ASSERT_NE(nullptr, app->d3d);
    ASSERT_EQ(0, app->EnumerateDevices());
    const OruAdapterRecord& adapter = app->CurrentAdapter();
    OruDeviceRecord& device = app->CurrentDevice();
    ASSERT_GT(device.modeCount, 0u);
    const D3DFORMAT format = device.modes[0].format;
    int accepted = 0, refused = 0;
    for (int type = 2; type <= 16; ++type)
        (SUCCEEDED(app->d3d->CheckDeviceMultiSampleType(adapter.ordinal, device.deviceType, format, FALSE,
                                                        D3DMULTISAMPLE_TYPE(type)))
             ? accepted
             : refused) = type;
    ASSERT_NE(0, refused) << "Wine's device refuses some multisample type";
    ASSERT_TRUE(SettingsTestKey::SetDword("Mode", 0));
    for (int type : {accepted, refused}) {
        if (type == 0)
            continue;
        SCOPED_TRACE(type);
        device.fullScreenMultiSample = D3DMULTISAMPLE_NONE;
        ASSERT_TRUE(SettingsTestKey::SetDword("MultiSampleType", DWORD(type)));
        EXPECT_EQ(0, LoadDeviceFromReg());
        EXPECT_EQ(type == accepted ? type : 0, int(device.fullScreenMultiSample));
    }
    app->d3d->Release();
    app->d3d = nullptr;
}
