// Settings table against Wine's real registry and a real dialog.

#include "TestDialog.h"
#include "settings/CParameter.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

// Every test works under a key of its own, removed before and after.
class RegistryKey {
public:
    explicit RegistryKey(const std::string& name) : path_("Software\\ReefGlowTests\\" + name) { Remove(); }
    ~RegistryKey() { Remove(); }
    const char* Path() const { return path_.c_str(); }

    bool Exists() const
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
    void Set(const char* name, DWORD type, const void* data, DWORD size) const
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                                 nullptr, &key, nullptr));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
        RegCloseKey(key);
    }
    void SetDword(const char* name, DWORD value) const { Set(name, REG_DWORD, &value, sizeof value); }
    // True and the value when name is a REG_DWORD of the key.
    bool GetDword(const char* name, DWORD& value) const
    {
        DWORD type = 0, size = sizeof value;
        return RegGetValueA(HKEY_CURRENT_USER, path_.c_str(), name, RRF_RT_ANY, &type, &value, &size) ==
                   ERROR_SUCCESS && type == REG_DWORD;
    }
    bool HasValue(const char* name) const
    {
        return RegGetValueA(HKEY_CURRENT_USER, path_.c_str(), name, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
    }

private:
    void Remove() const { RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str()); RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str()); }
    std::string path_;
};

std::string TestName() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

const CParameterItem StoredRows[] = {
    {"Alpha", 0, DecimalEdit, 1001, 7, {}},
    {"Beta", 1, CheckBox, 1002, 1, {}},
    {"Hidden", 2, ComboBox, 0, 1, {"dynamic", "static", "none"}},
    {"Gamma", 3, RadioGroup, 1010, 2, {}},
    {nullptr, 0, 0, 0, 0, {}},
};

} // namespace

TEST(CParameter, AddItemsCopiesRowsUpToTheEndRow)
{
    CParameter table;
    table.AddItems(StoredRows);
    ASSERT_EQ(4u, table.count);
    EXPECT_STREQ("Hidden", table.items[2].name);
    EXPECT_EQ(1, table.items[2].value);
    EXPECT_STREQ("static", table.items[2].options[1]);
    EXPECT_EQ(nullptr, table.items[2].options[3]);

    table.AddItems(StoredRows); // twice appends twice
    EXPECT_EQ(8u, table.count);
    EXPECT_STREQ("Alpha", table.items[4].name);

    const CParameterItem empty[] = {{nullptr, 0, 0, 0, 0, {}}};
    CParameter none;
    none.AddItems(empty);
    none.AddItems(nullptr);
    EXPECT_EQ(0u, none.count);
    EXPECT_EQ(0, none.SetValues(nullptr));
}

TEST(CParameter, AddItemsStopsAtTheTableCapacity)
{
    CParameter table;
    for (int i = 0; i < 34; ++i)
        table.AddItems(StoredRows); // 136 rows offered
    EXPECT_EQ(ParameterCapacity, table.count);
    EXPECT_STREQ("Alpha", table.items[96].name);
    EXPECT_STREQ("Gamma", table.items[99].name);
}

TEST(CParameter, SetValuesAssignsInRowOrder)
{
    CParameter table;
    EXPECT_EQ(0, table.SetValues(nullptr));
    table.AddItems(StoredRows);
    const int32_t values[] = {3, 0, 2, 1, 99, 98};
    EXPECT_EQ(4, table.SetValues(values));
    EXPECT_EQ(3, table.items[0].value);
    EXPECT_EQ(0, table.items[1].value);
    EXPECT_EQ(2, table.items[2].value);
    EXPECT_EQ(1, table.items[3].value);
}

TEST(CParameter, FloatRowsKeepTheirBits)
{
    CParameterItem row = {"FBRotation", 0, FloatValue, 0, 0, {}};
    row.SetFloat(0.2f);
    EXPECT_EQ(0x3E4CCCCD, row.value);
    EXPECT_EQ(0.2f, row.AsFloat());
}

TEST(CParameter, EveryStoredValueRoundTripsAndRowsWithoutControlStayOut)
{
    RegistryKey key(TestName());
    const int32_t values[] = {0, 1, -1, INT_MIN, INT_MAX, 0x12345678, -2, 1000000};
    for (int32_t v : values) {
        CParameter saved;
        saved.AddItems(StoredRows);
        const int32_t set[] = {v, ~v, v, v ^ 0x5555};
        saved.SetValues(set);
        saved.SaveToReg(key.Path());

        CParameter loaded;
        loaded.AddItems(StoredRows);
        loaded.LoadFromReg(key.Path());
        EXPECT_EQ(v, loaded.items[0].value);
        EXPECT_EQ(~v, loaded.items[1].value);
        EXPECT_EQ(1, loaded.items[2].value) << "a row without a control keeps its default";
        EXPECT_EQ(v ^ 0x5555, loaded.items[3].value);
        DWORD raw = 0;
        ASSERT_TRUE(key.GetDword("Alpha", raw));
        EXPECT_EQ(DWORD(v), raw);
    }
    EXPECT_FALSE(key.HasValue("Hidden"));

    // A stored value under the name of a control-less row is not read.
    key.SetDword("Hidden", 2);
    CParameter loaded;
    loaded.AddItems(StoredRows);
    loaded.LoadFromReg(key.Path());
    EXPECT_EQ(1, loaded.items[2].value);
}

TEST(CParameter, OnlyFourByteDwordValuesAreAccepted)
{
    RegistryKey key(TestName());
    struct Case {
        const char* what;
        DWORD type;
        std::string data;
    };
    const Case cases[] = {
        {"string", REG_SZ, std::string("5\0", 2)},
        {"binary of four bytes", REG_BINARY, std::string("\x05\0\0\0", 4)},
        {"binary of two bytes", REG_BINARY, std::string("\x05\0", 2)},
        {"binary of eight bytes", REG_BINARY, std::string("\x05\0\0\0\0\0\0\0", 8)},
        {"qword", REG_QWORD, std::string("\x05\0\0\0\0\0\0\0", 8)},
        {"big-endian dword", REG_DWORD_BIG_ENDIAN, std::string("\0\0\0\x05", 4)},
        {"empty dword", REG_DWORD, std::string()},
    };
    for (const Case& c : cases) {
        key.Set("Alpha", c.type, c.data.data(), DWORD(c.data.size()));
        key.SetDword("Beta", 0);
        CParameter table;
        table.AddItems(StoredRows);
        table.LoadFromReg(key.Path());
        EXPECT_EQ(7, table.items[0].value) << c.what << " must keep the default";
        EXPECT_EQ(0, table.items[1].value) << "the good value beside the " << c.what << " is still read";
        EXPECT_EQ(2, table.items[3].value) << "a missing value keeps its default";
    }
}

TEST(CParameter, MissingKeyKeepsDefaultsAndIsNotCreated)
{
    RegistryKey key(TestName());
    CParameter table;
    table.AddItems(StoredRows);
    table.items[0].value = 42;
    table.LoadFromReg(key.Path());
    EXPECT_EQ(42, table.items[0].value);
    EXPECT_EQ(1, table.items[1].value);
    EXPECT_FALSE(key.Exists());

    CParameter empty;
    empty.LoadFromReg(key.Path());
    empty.SaveToReg(key.Path());
    EXPECT_TRUE(key.Exists()) << "saving even an empty table creates its key";
}

TEST(CParameter, SaveCreatesMissingParentKeys)
{
    RegistryKey key(TestName());
    std::string deep = std::string(key.Path()) + "\\Kelvane Soft\\Reefglow 3";
    CParameter table;
    table.AddItems(StoredRows);
    table.SaveToReg(deep.c_str());
    CParameter loaded;
    loaded.AddItems(StoredRows);
    loaded.items[0].value = 0;
    loaded.LoadFromReg(deep.c_str());
    EXPECT_EQ(7, loaded.items[0].value);
}

namespace {

const int DecimalId = 1001, HexId = 1002, ComboId = 1003, CheckId = 1004, MissingId = 1099;
const int SizeGroup = 1066, SaturationGroup = 1069, CameraGroup = 1072;

const CParameterItem DialogRows[] = {
    {"Decimal", 0, DecimalEdit, DecimalId, 12, {}},
    {"Hex", 1, HexEdit, HexId, 255, {}},
    {"Combo", 2, ComboBox, ComboId, 1, {"one", "two", "", "four"}},
    {"Check", 3, CheckBox, CheckId, 1, {}},
    {"FlockSize", 4, RadioGroup, SizeGroup, 1, {}},
    {"Saturation", 5, RadioGroup, SaturationGroup, 1, {}},
    {"CameraMode", 6, RadioGroup, CameraGroup, 0, {}},
    {"Absent", 7, DecimalEdit, MissingId, 5, {}},
    {"Float", 8, FloatValue, 0, 0x3E4CCCCD, {}},
    {nullptr, 0, 0, 0, 0, {}},
};

std::vector<TestDialog::Control> DialogControls()
{
    std::vector<TestDialog::Control> c = {
        {TestDialog::Edit, ES_AUTOHSCROLL | WS_BORDER, DecimalId, ""},
        {TestDialog::Edit, ES_AUTOHSCROLL | WS_BORDER, HexId, ""},
        {TestDialog::ComboBox, CBS_DROPDOWNLIST | WS_VSCROLL, ComboId, ""},
        {TestDialog::Button, BS_AUTOCHECKBOX, CheckId, "check"},
    };
    // Three radio groups of three buttons on consecutive ids, as the
    // configuration dialog lays them out.
    for (int group : {SizeGroup, SaturationGroup, CameraGroup})
        for (int k = 0; k < 3; ++k)
            c.push_back({TestDialog::Button, DWORD(BS_AUTORADIOBUTTON | (k == 0 ? WS_GROUP : 0)), group + k, "r"});
    c.push_back({TestDialog::Button, BS_PUSHBUTTON, CameraGroup + 3, "other"});
    return c;
}

std::string ComboText(HWND combo, int index)
{
    char text[64] = {};
    SendMessageA(combo, CB_GETLBTEXT, WPARAM(index), LPARAM(text));
    return text;
}

} // namespace

TEST(CParameter, ToDialogShowsEachKind)
{
    TestDialog dialog(DialogControls());
    ASSERT_NE(nullptr, dialog.Handle());
    CParameter table;
    table.AddItems(DialogRows);
    table.ToDialog(dialog.Handle());

    EXPECT_EQ("12", dialog.Text(DecimalId));
    EXPECT_EQ("ff", dialog.Text(HexId));
    HWND combo = dialog.Item(ComboId);
    ASSERT_EQ(4, SendMessageA(combo, CB_GETCOUNT, 0, 0));
    EXPECT_EQ("one", ComboText(combo, 0));
    EXPECT_EQ("", ComboText(combo, 2));
    EXPECT_EQ("four", ComboText(combo, 3));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(i, SendMessageA(combo, CB_GETITEMDATA, WPARAM(i), 0));
    EXPECT_EQ(1, SendMessageA(combo, CB_GETCURSEL, 0, 0));
    EXPECT_TRUE(dialog.IsChecked(CheckId));
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(k == 1, dialog.IsChecked(SizeGroup + k));
        EXPECT_EQ(k == 1, dialog.IsChecked(SaturationGroup + k));
        EXPECT_EQ(k == 0, dialog.IsChecked(CameraGroup + k));
    }

    // Large values show as unsigned text; a second ToDialog refills the list.
    table.items[0].value = -1;
    table.items[1].value = int32_t(0xDEADBEEF);
    table.ToDialog(dialog.Handle());
    EXPECT_EQ("4294967295", dialog.Text(DecimalId));
    EXPECT_EQ("deadbeef", dialog.Text(HexId));
    EXPECT_EQ(4, SendMessageA(combo, CB_GETCOUNT, 0, 0));
}

TEST(CParameter, RadioGroupValueChecksOnlyItsOwnButton)
{
    struct Case {
        int32_t value;
        int checkedId; // 0: none of the group's buttons
    };
    const Case cases[] = {{0, CameraGroup}, {2, CameraGroup + 2}, {3, 0}, {4, 0}, {-1, 0}, {100, 0}};
    for (const Case& c : cases) {
        TestDialog dialog(DialogControls());
        CParameter table;
        table.AddItems(DialogRows);
        table.items[4].value = 0;
        table.items[5].value = -1; // checks nothing
        table.items[6].value = c.value;
        table.ToDialog(dialog.Handle());
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(CameraGroup + k == c.checkedId, dialog.IsChecked(CameraGroup + k)) << c.value;
        EXPECT_EQ(BST_UNCHECKED, SendMessageA(dialog.Item(CameraGroup + 3), BM_GETCHECK, 0, 0)) << c.value;

        // FlockSize 3 or 4 would be the Saturation group's buttons: never touched.
        table.items[4].value = c.value + 3;
        table.items[5].value = 2;
        table.ToDialog(dialog.Handle());
        EXPECT_FALSE(dialog.IsChecked(SaturationGroup));
        EXPECT_FALSE(dialog.IsChecked(SaturationGroup + 1));
    }
}

// A group is three buttons wide even where the resource's group bits do not
// end it: buttons laid out on consecutive ids as one style group never lend
// a group a fourth or fifth button.
TEST(CParameter, RadioGroupsAreThreeButtonsWideWithoutGroupBits)
{
    std::vector<TestDialog::Control> controls;
    for (int group : {SizeGroup, SaturationGroup, CameraGroup})
        for (int k = 0; k < 3; ++k)
            controls.push_back({TestDialog::Button,
                                DWORD(BS_AUTORADIOBUTTON | (group == SizeGroup && k == 0 ? WS_GROUP : 0)), group + k,
                                "r"});
    for (int32_t value : {3, 4}) {
        SCOPED_TRACE(value);
        TestDialog dialog(controls);
        ASSERT_NE(nullptr, dialog.Handle());
        CParameter table;
        table.AddItems(DialogRows);
        table.items[4].value = value;
        table.items[5].value = -1;
        table.items[6].value = -1;
        table.ToDialog(dialog.Handle());
        for (int id = SizeGroup; id < CameraGroup + 3; ++id)
            EXPECT_FALSE(dialog.IsChecked(id)) << id;

        // The Saturation group's button is never read as FlockSize.
        dialog.SetChecked(SaturationGroup + value - 3, true);
        table.items[4].value = 1;
        table.FromDialog(dialog.Handle());
        EXPECT_EQ(1, table.items[4].value);
        EXPECT_EQ(value - 3, table.items[5].value);
    }
}

TEST(CParameter, FromDialogReadsEachKind)
{
    TestDialog dialog(DialogControls());
    CParameter table;
    table.AddItems(DialogRows);
    table.ToDialog(dialog.Handle());

    struct EditCase {
        int id;
        const char* text;
        int32_t expected;
    };
    const EditCase edits[] = {
        {DecimalId, "12abc", 12},  {DecimalId, "  42", 42},     {DecimalId, "", 0},
        {DecimalId, "xyz", 0},     {DecimalId, "+7", 7},        {DecimalId, "4294967295", -1},
        {HexId, "1A", 26},         {HexId, "ff", 255},          {HexId, "  c0ffee!", 0xC0FFEE},
        {HexId, "g1", 0},          {HexId, "80000000", INT_MIN},
    };
    for (const EditCase& e : edits) {
        dialog.SetText(e.id, e.text);
        table.FromDialog(dialog.Handle());
        EXPECT_EQ(e.expected, table.items[e.id == DecimalId ? 0 : 1].value) << e.text;
    }

    SendMessageA(dialog.Item(ComboId), CB_SETCURSEL, 3, 0);
    dialog.SetChecked(CheckId, false);
    dialog.SetChecked(SizeGroup + 1, false);
    dialog.SetChecked(SizeGroup + 2, true);
    table.FromDialog(dialog.Handle());
    EXPECT_EQ(3, table.items[2].value);
    EXPECT_EQ(0, table.items[3].value);
    EXPECT_EQ(2, table.items[4].value);
    EXPECT_EQ(1, table.items[5].value);
    EXPECT_EQ(0, table.items[6].value);
    EXPECT_EQ(5, table.items[7].value) << "a row whose control is missing is skipped";
    EXPECT_EQ(0x3E4CCCCD, table.items[8].value);
}

TEST(CParameter, EmptySelectionsKeepTheOldValue)
{
    TestDialog dialog(DialogControls());
    CParameter table;
    table.AddItems(DialogRows);
    table.items[2].value = 5; // outside the four options: shown without a selection
    table.ToDialog(dialog.Handle());
    EXPECT_EQ(CB_ERR, SendMessageA(dialog.Item(ComboId), CB_GETCURSEL, 0, 0));

    // The FlockSize group has nothing checked while its neighbour has.
    for (int k = 0; k < 3; ++k)
        dialog.SetChecked(SizeGroup + k, false);
    dialog.SetChecked(SaturationGroup, true);
    dialog.SetChecked(SaturationGroup + 1, false);
    table.items[4].value = 1;
    table.FromDialog(dialog.Handle());
    EXPECT_EQ(5, table.items[2].value) << "no combo selection keeps the value";
    EXPECT_EQ(1, table.items[4].value) << "never read from the neighbouring group";
    EXPECT_EQ(0, table.items[5].value);
}
