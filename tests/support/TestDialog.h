// A real modeless dialog built from an in-memory template, for tests that
// drive controls the way the program's own dialogs are driven.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class TestDialog {
public:
    enum ControlClass : WORD { Button = 0x0080, Edit = 0x0081, Static = 0x0082, ComboBox = 0x0085 };

    struct Control {
        ControlClass controlClass;
        DWORD style; // WS_CHILD | WS_VISIBLE are added
        int id;
        std::string text;
    };

    explicit TestDialog(const std::vector<Control>& controls);
    ~TestDialog();
    TestDialog(const TestDialog&) = delete;
    TestDialog& operator=(const TestDialog&) = delete;

    HWND Handle() const { return dialog_; }
    HWND Item(int id) const { return GetDlgItem(dialog_, id); }

    // Convenience readers and writers of control state.
    bool IsChecked(int id) const;
    void SetChecked(int id, bool checked) const;
    std::string Text(int id) const;
    void SetText(int id, const std::string& text) const;

private:
    HWND dialog_ = nullptr;
};
