// A settings table: up to 100 rows that hold the live values, are stored as
// REG_DWORD values of one key under HKEY_CURRENT_USER, and are copied into
// and out of a dialog's controls.
#pragma once

#include "CParameterItem.h"

#include <windows.h>

const uint32_t ParameterCapacity = 100;

class CParameter {
public:
    CParameter();

    // Appends rows from a descriptor list up to (not including) the first row
    // with a null name. Rows beyond the table's capacity are not added.
    void AddItems(const CParameterItem* rows);

    // Sets the value of every row from values[0 .. count-1]; returns count.
    int32_t SetValues(const int32_t* values);

    // Writes every row that has a control; creates the key when missing.
    void SaveToReg(const char* keyPath) const;

    // Reads every row that has a control from an existing key. A value is
    // taken only when it is a 4-byte REG_DWORD; anything else keeps the row's
    // current value.
    void LoadFromReg(const char* keyPath);

    // Puts the values into the dialog's controls, and reads them back.
    void ToDialog(HWND dialog) const;
    void FromDialog(HWND dialog);

    uint32_t count;
    CParameterItem items[ParameterCapacity];
};
