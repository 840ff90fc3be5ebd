#include "CParameter.h"

#include "trace/DebugPrint.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Every radio group of a settings dialog is three buttons wide.
const int RadioGroupSpan = 3;

bool IsRadioButton(HWND control)
{
    char className[16] = {};
    if (!GetClassNameA(control, className, sizeof className) || lstrcmpiA(className, "Button") != 0)
        return false;
    LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

// Number of buttons of the radio group whose first id is firstId: the
// consecutive ids, at most three (whatever the resource's group bits say),
// that are radio buttons of the same group (a button with WS_GROUP starts
// the next group). Ids that belong to another group or another control are
// never part of it.
int RadioGroupSize(HWND dialog, int firstId)
{
    int size = 0;
    for (int k = 0; k < RadioGroupSpan; ++k) {
        HWND button = GetDlgItem(dialog, firstId + k);
        if (!button || !IsRadioButton(button))
            break;
        if (k > 0 && (GetWindowLongA(button, GWL_STYLE) & WS_GROUP))
            break;
        ++size;
    }
    return size;
}

unsigned long ReadNumber(HWND control, int base)
{
    char text[256];
    int length = GetWindowTextA(control, text, sizeof text);
    text[length > 0 && length < int(sizeof text) ? length : 0] = '\0';
    return std::strtoul(text, nullptr, base);
}

void WriteNumber(HWND control, uint32_t value, const char* format)
{
    char text[16];
    std::snprintf(text, sizeof text, format, static_cast<unsigned>(value));
    SetWindowTextA(control, text);
}

} // namespace

CParameter::CParameter() : count(0), items()
{
}

void CParameter::AddItems(const CParameterItem* rows)
{
    if (!rows)
        return;
    for (; rows->name; ++rows) {
        if (count >= ParameterCapacity) {
            DebugPrint(2, "ZING CParameter::AddItems full\n");
            return;
        }
        items[count++] = *rows;
    }
}

int32_t CParameter::SetValues(const int32_t* values)
{
    if (!values)
        return 0;
    for (uint32_t i = 0; i < count; ++i)
        items[i].value = values[i];
    return int32_t(count);
}

void CParameter::SaveToReg(const char* keyPath) const
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        DebugPrint("ZING CParameter::SaveToReg\n");
        return;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const CParameterItem& row = items[i];
        if (row.controlId == 0)
            continue;
        DWORD data = static_cast<DWORD>(row.value);
        RegSetValueExA(key, row.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    }
    RegCloseKey(key);
}

void CParameter::LoadFromReg(const char* keyPath)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        DebugPrint("ZING CParameter::LoadFromReg \n");
        return;
    }
    for (uint32_t i = 0; i < count; ++i) {
        CParameterItem& row = items[i];
        if (row.controlId == 0)
            continue;
        DWORD type = 0;
        DWORD data = 0;
        DWORD size = sizeof data;
        if (RegQueryValueExA(key, row.name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) == ERROR_SUCCESS &&
            type == REG_DWORD && size == sizeof data)
            row.value = static_cast<int32_t>(data);
    }
    RegCloseKey(key);
}

void CParameter::ToDialog(HWND dialog) const
{
    for (uint32_t i = 0; i < count; ++i) {
        const CParameterItem& row = items[i];
        if (row.controlId == 0)
            continue;
        HWND control = GetDlgItem(dialog, row.controlId);
        if (!control)
            continue;
        switch (row.kind) {
        case DecimalEdit:
            WriteNumber(control, uint32_t(row.value), "%u");
            break;
        case HexEdit:
            WriteNumber(control, uint32_t(row.value), "%x");
            break;
        case ComboBox:
            SendMessageA(control, CB_RESETCONTENT, 0, 0);
            for (int option = 0; option < ParameterOptionCount && row.options[option]; ++option) {
                LRESULT at = SendMessageA(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.options[option]));
                if (at == CB_ERR || at == CB_ERRSPACE)
                    break;
                SendMessageA(control, CB_SETITEMDATA, WPARAM(at), LPARAM(option));
                if (option == row.value)
                    SendMessageA(control, CB_SETCURSEL, WPARAM(at), 0);
            }
            break;
        case CheckBox:
            SendMessageA(control, BM_SETCHECK, row.value ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        case RadioGroup:
            if (row.value >= 0 && row.value < RadioGroupSize(dialog, row.controlId))
                SendMessageA(GetDlgItem(dialog, row.controlId + row.value), BM_SETCHECK, BST_CHECKED, 0);
            break;
        default:
            break;
        }
    }
}

void CParameter::FromDialog(HWND dialog)
{
    for (uint32_t i = 0; i < count; ++i) {
        CParameterItem& row = items[i];
        if (row.controlId == 0)
            continue;
        HWND control = GetDlgItem(dialog, row.controlId);
        if (!control)
            continue;
        switch (row.kind) {
        case DecimalEdit:
            row.value = static_cast<int32_t>(ReadNumber(control, 10));
            break;
        case HexEdit:
            row.value = static_cast<int32_t>(ReadNumber(control, 16));
            break;
        case ComboBox: {
            // No selection keeps the value the row had.
            LRESULT selected = SendMessageA(control, CB_GETCURSEL, 0, 0);
            if (selected != CB_ERR)
                row.value = static_cast<int32_t>(selected);
            break;
        }
        case CheckBox:
            row.value = SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
            break;
        case RadioGroup: {
            int size = RadioGroupSize(dialog, row.controlId);
            for (int k = 0; k < size; ++k) {
                if (SendMessageA(GetDlgItem(dialog, row.controlId + k), BM_GETCHECK, 0, 0) == BST_CHECKED) {
                    row.value = k;
                    break;
                }
            }
            break;
        }
        default:
            break;
        }
    }
}
