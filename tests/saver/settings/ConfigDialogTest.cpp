// The configuration dialog driven as a user would, from a thread of the
// test, against Wine's registry and Direct3D object; and its resources read
// back from this program's own image.

#include "settings/ConfigDialog.h"
#include "DebugOutputCapture.h"
#include "D3D8Library.h"
#include "settings/DeviceChoiceRegistry.h"
#include "DialogDriver.h"
#include "KeyboardInput.h"
#include "settings/SettingsRegistry.h"
#include "settings/SettingsTables.h"
#include "SettingsTestKey.h"
#include "framework/OruApplication.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

const char Caption[] = "TOLV   Kelvane Soft. Reef Glow 3";

// ---------------------------------------------------------------------------
// The dialog template as the resource holds it.

struct TemplateItem {
    DWORD style;
    short x, y, cx, cy;
    int id;            // -1 for 0xFFFF
    WORD classAtom;    // 0x80 button, 0x82 static, 0x85 combo box (by atom or name)
    std::string text;  // "#n" for an ordinal
};

struct DialogTemplate {
    DWORD style = 0;
    short cx = 0, cy = 0;
    std::string caption, font;
    WORD pointSize = 0;
    std::vector<TemplateItem> items;
};

std::string ReadText(const WORD*& p)
{
    if (*p == 0xFFFF) {
        std::string ordinal = "#" + std::to_string(p[1]);
        p += 2;
        return ordinal;
    }
    std::string text;
    while (*p)
        text.push_back(char(*p++));
    ++p;
    return text;
}

bool ParseDialog(const void* data, DialogTemplate& out)
{
    const BYTE* base = static_cast<const BYTE*>(data);
    const WORD* p = static_cast<const WORD*>(data);
    std::memcpy(&out.style, p, 4);
    if (p[1] == 0xFFFF && p[0] == 1)
        return false; // an extended template
    p += 4; // style, extended style
    const WORD count = *p++;
    p += 2; // x, y
    out.cx = short(*p++);
    out.cy = short(*p++);
    ReadText(p); // menu
    ReadText(p); // class
    out.caption = ReadText(p);
    if (out.style & DS_SETFONT) {
        out.pointSize = *p++;
        out.font = ReadText(p);
    }
    for (WORD i = 0; i < count; ++i) {
        p = reinterpret_cast<const WORD*>(base + ((reinterpret_cast<const BYTE*>(p) - base + 3) & ~3));
        TemplateItem item;
        std::memcpy(&item.style, p, 4);
        p += 4;
        item.x = short(p[0]);
        item.y = short(p[1]);
        item.cx = short(p[2]);
        item.cy = short(p[3]);
        item.id = p[4] == 0xFFFF ? -1 : p[4];
        p += 5;
        const std::string className = ReadText(p);
        item.classAtom = className == "#128" || lstrcmpiA(className.c_str(), "Button") == 0     ? 0x80
                         : className == "#130" || lstrcmpiA(className.c_str(), "Static") == 0   ? 0x82
                         : className == "#133" || lstrcmpiA(className.c_str(), "ComboBox") == 0 ? 0x85
                                                                                                 : 0;
        item.text = ReadText(p);
        const WORD extra = *p++;
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + extra);
        out.items.push_back(item);
    }
    return true;
}

const void* FindResourceData(int id, LPCSTR type, DWORD* size = nullptr)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (!found)
        return nullptr;
    if (size)
        *size = SizeofResource(module, found);
    return LockResource(LoadResource(module, found));
}

const TemplateItem* ItemById(const DialogTemplate& dialog, int id)
{
    for (const TemplateItem& item : dialog.items)
        if (item.id == id)
            return &item;
    return nullptr;
}

const TemplateItem* ItemByText(const DialogTemplate& dialog, const std::string& text)
{
    for (const TemplateItem& item : dialog.items)
        if (item.text == text)
            return &item;
    return nullptr;
}

// ---------------------------------------------------------------------------
// The running dialog.

// Four modes with chosen formats replace the enumerated ones of every device.
const OruDisplayMode FixtureModes[] = {
    {640, 480, D3DFMT_R5G6B5, 0, D3DFMT_D16},
    {640, 480, D3DFMT_X8R8G8B8, 0, D3DFMT_D24S8},
    {800, 600, D3DFMT_X8R8G8B8, 0, D3DFMT_D24X8},
    {1024, 768, D3DFMT_R8G8B8, 0, D3DFMT_D15S1},
};
const UINT FixtureModeCount = 4;

class ConfigDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        app = std::make_unique<OruApplication>();
        app->d3d = D3D8Library::Create();
        ASSERT_NE(nullptr, app->d3d);
        ASSERT_EQ(0, app->EnumerateDevices());
        ASSERT_GE(app->CurrentAdapter().deviceCount, 2u) << "Wine offers a hardware and a reference device";
        OruAdapterRecord& adapter = app->adapters[app->currentAdapter];
        for (UINT d = 0; d < adapter.deviceCount; ++d) {
            OruDeviceRecord& device = adapter.devices[d];
            device.modeCount = FixtureModeCount;
            for (UINT m = 0; m < FixtureModeCount; ++m)
                device.modes[m] = FixtureModes[m];
            device.currentMode = 1;
            device.fullScreenMultiSample = D3DMULTISAMPLE_NONE;
        }
        adapter.currentDevice = 0;
    }
    void TearDown() override
    {
        if (app && app->d3d)
            app->d3d->Release();
    }
    // The program's configure steps: settings, stored device choice, dialog.
    void Run(std::function<void(HWND)> actions)
    {
        LoadParameters();
        LoadDeviceFromReg();
        DialogDriver driver(Caption, std::move(actions));
        EXPECT_EQ(0, ShowConfigDialog(GetModuleHandleA(nullptr)));
        EXPECT_TRUE(driver.Done()) << "the dialog did not open";
    }
    static DWORD Stored(const char* name)
    {
        DWORD value = 0xDEADBEEF;
        EXPECT_TRUE(SettingsTestKey::GetDword(name, value)) << name;
        return value;
    }
    static bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
    static HBITMAP Picture(HWND dialog, int id)
    {
        return reinterpret_cast<HBITMAP>(SendDlgItemMessageA(dialog, id, BM_GETIMAGE, IMAGE_BITMAP, 0));
    }
    // The multisample types 2..16 the fixture's mode 1 accepts full screen, and
    // one it refuses (0 when it accepts all).
    void MultiSampleTypes(int& accepted, int& refused) const
    {
        accepted = refused = 0;
        const OruDeviceRecord& device = app->CurrentAdapter().devices[0];
        for (int type = 16; type >= 2; --type)
            (SUCCEEDED(app->d3d->CheckDeviceMultiSampleType(app->CurrentAdapter().ordinal, device.deviceType,
                                                            device.modes[1].format, FALSE, D3DMULTISAMPLE_TYPE(type)))
                 ? accepted
                 : refused) = type;
    }

    SettingsTestKey key;
    std::unique_ptr<OruApplication> app;
};

} // namespace

TEST(ConfigDialogResources, DialogControlsStylesGroupsAndTexts)
{
    const void* data = FindResourceData(IDD_CONFIG, MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    ASSERT_NE(nullptr, data);
    DialogTemplate dialog;
    ASSERT_TRUE(ParseDialog(data, dialog));
    EXPECT_EQ(Caption, dialog.caption);
    EXPECT_EQ("MS Shell Dlg", dialog.font);
    EXPECT_EQ(8, dialog.pointSize);
    EXPECT_EQ(278, dialog.cx);
    EXPECT_EQ(245, dialog.cy);
    const DWORD frame = DS_MODALFRAME | DS_CENTER | WS_CAPTION | WS_SYSMENU;
    EXPECT_EQ(frame, dialog.style & frame);

    struct Expected {
        int id;
        WORD classAtom;
        const char* text;
        short x, y, cx, cy;
        DWORD type; // BS_ or CBS_ type bits
        bool visible, group;
    };
    const DWORD picture = BS_AUTORADIOBUTTON;
    const Expected controls[] = {
        {1066, 0x80, "few", 13, 18, 46, 46, picture, true, true},
        {1067, 0x80, "normal", 63, 18, 46, 46, picture, true, false},
        {1068, 0x80, "Many", 113, 18, 46, 46, picture, true, false},
        {1078, 0x80, "BETA", 13, 95, 46, 46, picture, true, true},
        {1079, 0x80, "RAINBOE", 63, 95, 46, 46, picture, true, false},
        {1080, 0x80, "", 113, 95, 46, 46, picture, true, false},
        {1072, 0x80, "Look Fish", 13, 173, 46, 46, picture, true, true},
        {1073, 0x80, "center", 63, 173, 46, 46, picture, true, false},
        {1074, 0x80, "Mouse", 113, 173, 46, 46, picture, true, false},
        {1069, 0x80, "low", 87, 3, 40, 13, BS_AUTORADIOBUTTON, false, true},
        {1070, 0x80, "Normal", 112, 3, 40, 13, BS_AUTORADIOBUTTON, false, false},
        {1071, 0x80, "High", 160, 3, 40, 13, BS_AUTORADIOBUTTON, false, false},
        {1045, 0x80, "CLONE FISH TECH.", 180, 100, 74, 15, BS_AUTOCHECKBOX, true, true},
        {1046, 0x80, "PARTIAL MORPH", 180, 117, 74, 15, BS_AUTOCHECKBOX, true, true},
        {1002, 0x85, "", 178, 25, 87, 100, CBS_DROPDOWNLIST, true, true},
        {1000, 0x85, "", 178, 52, 87, 100, CBS_DROPDOWNLIST, true, true},
        {1027, 0x85, "", 178, 79, 87, 204, CBS_DROPDOWNLIST, true, true},
        {1005, 0x85, "", 52, 0, 37, 100, CBS_DROPDOWNLIST, false, true},
        {IDOK, 0x80, "OK", 216, 202, 53, 14, BS_DEFPUSHBUTTON, true, true},
        {IDCANCEL, 0x80, "Cancel", 216, 224, 53, 14, BS_PUSHBUTTON, true, true},
    };
    for (const Expected& e : controls) {
        SCOPED_TRACE("control " + std::to_string(e.id));
        const TemplateItem* item = ItemById(dialog, e.id);
        ASSERT_NE(nullptr, item);
        EXPECT_EQ(e.classAtom, item->classAtom);
        EXPECT_EQ(e.text, item->text);
        EXPECT_EQ(e.x, item->x);
        EXPECT_EQ(e.y, item->y);
        EXPECT_EQ(e.cx, item->cx);
        EXPECT_EQ(e.cy, item->cy);
        EXPECT_EQ(e.type, item->style & 0x0F);
        EXPECT_EQ(e.visible, (item->style & WS_VISIBLE) != 0);
        EXPECT_EQ(e.group, (item->style & WS_GROUP) != 0);
        if (e.cx == 46) {
            EXPECT_EQ(DWORD(BS_PUSHLIKE | BS_BITMAP), item->style & (BS_PUSHLIKE | BS_BITMAP));
        }
    }
    // Each radio group ends where the next control starts a group, so an
    // automatic button never unchecks another group's buttons.
    for (int last : {1068, 1080, 1074, 1071}) {
        SCOPED_TRACE("after " + std::to_string(last));
        size_t at = 0;
        while (at < dialog.items.size() && dialog.items[at].id != last)
            ++at;
        ASSERT_LT(at + 1, dialog.items.size());
        EXPECT_NE(0u, dialog.items[at + 1].style & WS_GROUP);
    }
    // Labels, frames, icon and version.
    struct Label {
        const char* text;
        short x, y;
        DWORD type; // SS_ or BS_ type
    };
    const Label labels[] = {
        {"FISH", 7, 6, BS_GROUPBOX},   {"PAINT", 7, 84, BS_GROUPBOX}, {"CAMERA", 7, 162, BS_GROUPBOX},
        {"FEW", 13, 69, SS_CENTER},    {"MANY", 63, 69, SS_CENTER},   {"MUCH", 113, 69, SS_CENTER},
        {"FLAT", 13, 147, SS_CENTER},  {"RAINBOW", 63, 147, SS_CENTER}, {"TONE", 113, 147, SS_CENTER},
        {"MOVE", 13, 224, SS_CENTER},  {"FIX", 63, 224, SS_CENTER},   {"MOUSE", 113, 224, SS_CENTER},
        {"ADAPTER", 182, 13, SS_LEFT}, {"DEVICE", 182, 41, SS_LEFT},  {"MODE", 182, 70, SS_LEFT},
        {"V1.0", 179, 229, SS_CENTER}, {"#101", 182, 201, SS_ICON},
    };
    for (const Label& l : labels) {
        SCOPED_TRACE(l.text);
        const TemplateItem* item = ItemByText(dialog, l.text);
        ASSERT_NE(nullptr, item);
        EXPECT_EQ(-1, item->id);
        EXPECT_EQ(l.x, item->x);
        EXPECT_EQ(l.y, item->y);
        EXPECT_EQ(l.type, item->style & 0x1F);
    }
    int emptyFrames = 0;
    for (const TemplateItem& item : dialog.items)
        if (item.classAtom == 0x80 && (item.style & 0x0F) == BS_GROUPBOX && item.text.empty() && item.x == 170 &&
            item.y == 6 && item.cx == 102 && item.cy == 131)
            ++emptyFrames;
    EXPECT_EQ(1, emptyFrames);
}

TEST(ConfigDialogResources, ElevenPicturesOf64By64In24Bits)
{
    for (int id : {170, 171, 172, 167, 166, 169, 173, 174, 175, 176, 177}) {
        SCOPED_TRACE(id);
        DWORD size = 0;
        const auto* header = static_cast<const BITMAPINFOHEADER*>(FindResourceData(id, RT_BITMAP, &size));
        ASSERT_NE(nullptr, header);
        ASSERT_GE(size, sizeof(BITMAPINFOHEADER) + 64u * 64u * 3u);
        EXPECT_EQ(64, header->biWidth);
        EXPECT_EQ(64, std::abs(header->biHeight));
        EXPECT_EQ(24, header->biBitCount);
        EXPECT_EQ(DWORD(BI_RGB), header->biCompression);
    }
    EXPECT_EQ(nullptr, FindResourceData(168, RT_BITMAP));
}

TEST_F(ConfigDialog, OpensWithTheStoredSettingsAndChoice)
{
    const std::pair<const char*, DWORD> seeded[] = {{"FlockSize", 2},     {"Saturation", 0}, {"CameraMode", 1},
                                                    {"ToneMode", 0},      {"CloneFishTech", 0}, {"PartialMorph", 1},
                                                    {"Mode", 3}};
    for (const auto& s : seeded)
        ASSERT_TRUE(SettingsTestKey::SetDword(s.first, s.second));
    const std::string description = app->CurrentAdapter().identifier.Description;
    Run([&](HWND dialog) {
        const std::pair<int, bool> buttons[] = {
            {1066, false}, {1067, false}, {1068, true}, {1069, true},  {1070, false}, {1071, false}, {1072, false},
            {1073, true},  {1074, false}, {1078, true}, {1079, false}, {1080, false}, {1045, false}, {1046, true}};
        for (const auto& b : buttons)
            EXPECT_EQ(b.second, Checked(dialog, b.first)) << "button " << b.first;
        for (int hidden : {1069, 1070, 1071, 1005})
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, hidden))) << hidden;
        EXPECT_EQ(DialogBitmaps[0], Picture(dialog, 1066));
        EXPECT_EQ(DialogBitmaps[8], Picture(dialog, 1074));
        EXPECT_EQ(description, DialogDriver::ListText(dialog, 1002, 0));
        EXPECT_EQ("HAL", DialogDriver::ListText(dialog, 1000, 0));
        EXPECT_EQ("REF", DialogDriver::ListText(dialog, 1000, 1));
        const char* texts[] = {"640 x 480 x 16", "640 x 480 x 32", "800 x 600 x 32", "1024 x 768 x 32"};
        EXPECT_EQ(4, DialogDriver::ListCount(dialog, 1027));
        for (int m = 0; m < 4; ++m)
            EXPECT_EQ(texts[m], DialogDriver::ListText(dialog, 1027, m));
        EXPECT_EQ(3, DialogDriver::ListSelection(dialog, 1027));
        EXPECT_EQ("none", DialogDriver::ListText(dialog, 1005, 0));
        DialogDriver::Click(dialog, IDCANCEL);
    });
}

TEST_F(ConfigDialog, ClicksThenOkStoreTheTenValues)
{
    ASSERT_TRUE(SettingsTestKey::SetDword("Saturation", 2));
    Run([](HWND dialog) {
        DialogDriver::Click(dialog, 1068);
        DialogDriver::Click(dialog, 1078);
        DialogDriver::Click(dialog, 1074);
        DialogDriver::Click(dialog, 1045);
        DialogDriver::ChooseListEntry(dialog, 1000, 1);
        DialogDriver::ChooseListEntry(dialog, 1027, 2);
        DialogDriver::Click(dialog, IDOK);
    });
    const SettingsTestKey::Snapshot values = SettingsTestKey::Values();
    EXPECT_EQ(10u, values.size());
    for (const auto& v : values) {
        EXPECT_EQ(DWORD(REG_DWORD), v.second.first) << v.first;
        EXPECT_EQ(4u, v.second.second.size()) << v.first;
    }
    const std::pair<const char*, DWORD> expected[] = {
        {"FlockSize", 2},    {"Saturation", 2}, {"CameraMode", 2}, {"ToneMode", 0},        {"CloneFishTech", 0},
        {"PartialMorph", 1}, {"Adapter", 0},    {"Device", 1},     {"Mode", 2},            {"MultiSampleType", 0}};
    for (const auto& e : expected)
        EXPECT_EQ(e.second, Stored(e.first)) << e.first;
    // OK applies the choice to the tables, full screen.
    EXPECT_EQ(1u, app->CurrentAdapter().currentDevice);
    EXPECT_EQ(2u, app->CurrentDevice().currentMode);
    EXPECT_FALSE(app->CurrentDevice().windowed);
}

TEST_F(ConfigDialog, CancelAndTheCloseBoxStoreNothing)
{
    struct Case {
        const char* what;
        bool seeded, closeBox;
    };
    const Case cases[] = {
        {"Cancel, seeded", true, false},
        {"close box, seeded", true, true},
        {"Cancel, no key", false, false},
        {"close box, no key", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SettingsTestKey::Remove();
        if (c.seeded) {
            ASSERT_TRUE(SettingsTestKey::SetDword("FlockSize", 0));
            ASSERT_TRUE(SettingsTestKey::SetDword("Mode", 0));
            ASSERT_TRUE(SettingsTestKey::SetDword("MultiSampleType", 17));
            const char text[] = "kept";
            ASSERT_TRUE(SettingsTestKey::Set("ToneMode", REG_SZ, text, sizeof text));
        }
        const SettingsTestKey::Snapshot before = SettingsTestKey::Values();
        Run([&](HWND dialog) {
            DialogDriver::Click(dialog, 1068);
            DialogDriver::Click(dialog, 1080);
            DialogDriver::ChooseListEntry(dialog, 1027, 3);
            if (c.closeBox)
                SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            else
                DialogDriver::Click(dialog, IDCANCEL);
        });
        EXPECT_EQ(c.seeded, SettingsTestKey::Exists());
        EXPECT_TRUE(before == SettingsTestKey::Values());
    }
}

// The hidden Saturation buttons are a group of their own: clicks on the
// visible buttons never clear them, and the value stored is the one loaded.
TEST_F(ConfigDialog, SaturationSurvivesClicksOnEveryVisibleButton)
{
    for (DWORD saturation : {0u, 2u}) {
        SCOPED_TRACE(saturation);
        SettingsTestKey::Remove();
        ASSERT_TRUE(SettingsTestKey::SetDword("Saturation", saturation));
        ASSERT_TRUE(SettingsTestKey::SetDword("CameraMode", 1));
        Run([&](HWND dialog) {
            for (int id : {1066, 1067, 1068, 1078, 1079, 1080, 1072, 1073, 1074, 1068})
                DialogDriver::Click(dialog, id);
            EXPECT_TRUE(Checked(dialog, 1069 + int(saturation)));
            DialogDriver::Click(dialog, 1073);
            DialogDriver::Click(dialog, IDOK);
        });
        EXPECT_EQ(saturation, Stored("Saturation"));
        EXPECT_EQ(2u, Stored("FlockSize"));
        EXPECT_EQ(1u, Stored("CameraMode"));
        EXPECT_EQ(2u, Stored("ToneMode"));
    }
}

// Stored values outside 0..2 reach the dialog as their defaults; no other
// group's button is checked for them.
TEST_F(ConfigDialog, OutOfRangeSettingsReachTheDialogAsDefaults)
{
    ASSERT_TRUE(SettingsTestKey::SetDword("FlockSize", 3));
    ASSERT_TRUE(SettingsTestKey::SetDword("Saturation", 4));
    ASSERT_TRUE(SettingsTestKey::SetDword("CameraMode", 2));
    ASSERT_TRUE(SettingsTestKey::SetDword("ToneMode", 0xFFFFFFFFu));
    Run([](HWND dialog) {
        for (int id : {1066, 1068, 1069, 1071, 1072, 1073, 1078, 1079})
            EXPECT_FALSE(Checked(dialog, id)) << id;
        for (int id : {1067, 1070, 1074, 1080})
            EXPECT_TRUE(Checked(dialog, id)) << id;
        DialogDriver::Click(dialog, IDOK);
    });
    EXPECT_EQ(1u, Stored("FlockSize"));
    EXPECT_EQ(1u, Stored("Saturation"));
    EXPECT_EQ(2u, Stored("CameraMode"));
    EXPECT_EQ(2u, Stored("ToneMode"));
}

// OK keeps the stored multisample type only while the modes shown accept it.
TEST_F(ConfigDialog, MultiSampleTypeKeptOnlyWhereTheModeAcceptsIt)
{
    int accepted = 0, refused = 0;
    MultiSampleTypes(accepted, refused);
    ASSERT_NE(0, refused) << "Wine's device refuses some multisample type";
    struct Case {
        DWORD stored, expected;
    };
    std::vector<Case> cases = {{17, 0}, {1, 0}};
    if (accepted)
        cases.push_back({DWORD(accepted), DWORD(accepted)});
    if (refused)
        cases.push_back({DWORD(refused), 0});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        SettingsTestKey::Remove();
        ASSERT_TRUE(SettingsTestKey::SetDword("MultiSampleType", c.stored));
        // The record holds the type as the device choice had it, so the
        // dialog's own check is what stores 0.
        app->CurrentDevice().fullScreenMultiSample = D3DMULTISAMPLE_TYPE(c.stored <= 16 ? c.stored : 0);
        Run([](HWND dialog) { DialogDriver::Click(dialog, IDOK); });
        EXPECT_EQ(c.expected, Stored("MultiSampleType"));
    }
}

// A mode no multisample type is offered for (not even none) leaves the list
// empty: the type stored is none, not the list's error value.
TEST_F(ConfigDialog, EmptyMultiSampleListStoresNone)
{
    OruDeviceRecord& device = app->CurrentDevice();
    device.modes[1].format = D3DFMT_UNKNOWN;
    device.fullScreenMultiSample = D3DMULTISAMPLE_2_SAMPLES;
    Run([&](HWND dialog) {
        EXPECT_EQ(0, DialogDriver::ListCount(dialog, 1005));
        DialogDriver::Click(dialog, IDOK);
    });
    EXPECT_EQ(0u, Stored("MultiSampleType"));
    EXPECT_EQ(D3DMULTISAMPLE_NONE, app->CurrentDevice().fullScreenMultiSample);
}

// A confirmation without a selection is ignored; the lists show the pending
// choice again.
TEST_F(ConfigDialog, ConfirmationWithoutSelectionIsIgnored)
{
    Run([](HWND dialog) {
        for (int list : {1002, 1000, 1027, 1005}) {
            SendDlgItemMessageA(dialog, list, CB_SETCURSEL, WPARAM(-1), 0);
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(list, CBN_SELENDOK), LPARAM(GetDlgItem(dialog, list)));
            EXPECT_EQ(list == 1027 ? 1 : 0, DialogDriver::ListSelection(dialog, list)) << list;
        }
        DialogDriver::Click(dialog, IDOK);
    });
    EXPECT_EQ(0u, Stored("Adapter"));
    EXPECT_EQ(0u, Stored("Device"));
    EXPECT_EQ(1u, Stored("Mode"));
    EXPECT_EQ(0u, Stored("MultiSampleType"));
}

TEST_F(ConfigDialog, AnotherAdapterShowsItsOwnDeviceAndMode)
{
    app->adapters[1] = app->adapters[0];
    app->adapterCount = 2;
    std::strcpy(app->adapters[1].identifier.Description, "Second adapter");
    app->adapters[1].currentDevice = 1;
    app->adapters[1].devices[1].currentMode = 2;
    Run([](HWND dialog) {
        EXPECT_EQ("Second adapter", DialogDriver::ListText(dialog, 1002, 1));
        DialogDriver::ChooseListEntry(dialog, 1002, 1);
        EXPECT_EQ(1, DialogDriver::ListSelection(dialog, 1002));
        EXPECT_EQ(1, DialogDriver::ListSelection(dialog, 1000));
        EXPECT_EQ(2, DialogDriver::ListSelection(dialog, 1027));
        DialogDriver::Click(dialog, IDOK);
    });
    EXPECT_EQ(1u, Stored("Adapter"));
    EXPECT_EQ(1u, Stored("Device"));
    EXPECT_EQ(2u, Stored("Mode"));
    EXPECT_EQ(1u, app->currentAdapter);
}

TEST_F(ConfigDialog, PaintPicturesFollowTheModesStencilBits)
{
    Run([](HWND dialog) {
        // Mode 1 has D24S8: the full pictures.
        EXPECT_EQ(DialogBitmaps[3], Picture(dialog, 1078));
        EXPECT_EQ(DialogBitmaps[4], Picture(dialog, 1079));
        EXPECT_EQ(DialogBitmaps[5], Picture(dialog, 1080));
        const struct {
            int mode;
            bool stencil;
        } modes[] = {{0, false}, {2, false}, {3, true}, {1, true}, {2, false}};
        for (const auto& m : modes) {
            DialogDriver::ChooseListEntry(dialog, 1027, m.mode);
            EXPECT_EQ(DialogBitmaps[m.stencil ? 4 : 9], Picture(dialog, 1079)) << m.mode;
            EXPECT_EQ(DialogBitmaps[m.stencil ? 5 : 10], Picture(dialog, 1080)) << m.mode;
        }
        // Without stencil bits the buttons still choose the paint.
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, 1079)));
        DialogDriver::Click(dialog, 1079);
        DialogDriver::Click(dialog, IDOK);
    });
    EXPECT_EQ(1u, Stored("ToneMode"));
    EXPECT_EQ(2u, Stored("Mode"));
    for (int i = 0; i < DialogBitmapCount; ++i)
        EXPECT_NE(nullptr, DialogBitmaps[i]) << i;
}

// A selection made with the keyboard in the closed mode list.
TEST_F(ConfigDialog, KeyboardSelectionInAClosedListIsKept)
{
    Run([](HWND dialog) {
        SetForegroundWindow(dialog);
        HWND list = GetDlgItem(dialog, 1027);
        SendMessageA(dialog, WM_NEXTDLGCTL, WPARAM(list), TRUE);
        // The key goes where the focus is: wait until the list has it.
        if (!WaitForFocus(dialog, 10000, list)) {
            ADD_FAILURE() << "the mode list never had the focus";
            DialogDriver::Click(dialog, IDCANCEL);
            return;
        }
        const int before = DialogDriver::ListSelection(dialog, 1027);
        PressKeys({VK_DOWN});
        const DWORD start = GetTickCount();
        while (DialogDriver::ListSelection(dialog, 1027) == before && GetTickCount() - start < 10000)
            Sleep(20);
        EXPECT_EQ(2, DialogDriver::ListSelection(dialog, 1027));
        DialogDriver::Click(dialog, IDOK);
    });
    EXPECT_EQ(2u, Stored("Mode"));
}

// OK when the key cannot be created (its parent is volatile, it is not):
// every value that was not stored is traced.
TEST_F(ConfigDialog, FailedWritesOnOkAreTraced)
{
    const char parent[] = "Software\\Kelvane Soft";
    RegDeleteTreeA(HKEY_CURRENT_USER, parent);
    RegDeleteKeyA(HKEY_CURRENT_USER, parent);
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, parent, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    RegCloseKey(key);
    DebugOutputCapture capture;
    Run([](HWND dialog) { DialogDriver::Click(dialog, IDOK); });
    EXPECT_FALSE(SettingsTestKey::Exists());
    int traced = 0;
    for (const std::string& line : capture.Lines())
        traced += line.rfind("DXZING:", 0) == 0;
    EXPECT_EQ(7, traced) << "the device key once, then each of the six settings";
    RegDeleteKeyA(HKEY_CURRENT_USER, parent);
}
