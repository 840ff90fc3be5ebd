// One row of a settings table: the setting's name (also its registry value
// name), how a dialog shows it, its value and its option texts.
#pragma once

#include <cstdint>
#include <cstring>

enum CParameterKind : int32_t {
    DecimalEdit = 0, // edit control, unsigned decimal text
    ComboBox = 1,    // drop-down list; the value is the selected position
    HexEdit = 2,     // edit control, unsigned lower-case hexadecimal text
    FloatValue = 3,  // the bits of a float read by code; no control
    CheckBox = 4,    // check box; 0 or 1
    RadioGroup = 5   // three buttons controlId .. controlId + 2; the checked offset
};

const int ParameterOptionCount = 10;

struct CParameterItem {
    const char* name;      // null ends a descriptor list
    int32_t index;         // position in its descriptor list
    int32_t kind;          // CParameterKind
    int32_t controlId;     // 0: no control, never stored
    int32_t value;         // integer value, or a float's bits for FloatValue rows
    const char* options[ParameterOptionCount]; // ComboBox texts; null ends a shorter list

    float AsFloat() const
    {
        float f;
        std::memcpy(&f, &value, sizeof f);
        return f;
    }
    void SetFloat(float f) { std::memcpy(&value, &f, sizeof value); }
};

static_assert(sizeof(float) == sizeof(int32_t), "a setting is four bytes");
