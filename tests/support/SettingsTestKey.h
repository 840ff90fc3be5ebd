// The program's settings key in Wine's registry, for the settings tests:
// seeding values of any type, reading them back, and a snapshot of every
// value to compare before and after.
#pragma once

#include "settings/SettingsTables.h"

#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

class SettingsTestKey {
public:
    SettingsTestKey() { Remove(); }
    ~SettingsTestKey() { Remove(); }
    SettingsTestKey(const SettingsTestKey&) = delete;
    SettingsTestKey& operator=(const SettingsTestKey&) = delete;

    static void Remove()
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, SettingsKeyPath);
        RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKeyPath);
    }
    static bool Exists()
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
    static bool Set(const char* name, DWORD type, const void* data, DWORD size)
    {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return false;
        const bool done = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
        RegCloseKey(key);
        return done;
    }
    static bool SetDword(const char* name, DWORD value) { return Set(name, REG_DWORD, &value, sizeof value); }
    // True with the value when name is a 4-byte REG_DWORD of the key.
    static bool GetDword(const char* name, DWORD& value)
    {
        DWORD type = 0, size = sizeof value;
        return RegGetValueA(HKEY_CURRENT_USER, SettingsKeyPath, name, RRF_RT_ANY, &type, &value, &size) ==
                   ERROR_SUCCESS &&
               type == REG_DWORD && size == sizeof value;
    }

    // Every value of the key: name -> (type, bytes); empty when the key is
    // missing.
    using Snapshot = std::map<std::string, std::pair<DWORD, std::vector<BYTE>>>;
    static Snapshot Values()
    {
        Snapshot values;
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return values;
        for (DWORD i = 0;; ++i) {
            char name[256];
            BYTE data[256];
            DWORD nameSize = sizeof name, type = 0, dataSize = sizeof data;
            if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS)
                break;
            values[name] = {type, std::vector<BYTE>(data, data + dataSize)};
        }
        RegCloseKey(key);
        return values;
    }
};
