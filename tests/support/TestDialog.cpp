#include "TestDialog.h"

namespace {

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

class TemplateWriter {
public:
    void Align(size_t to)
    {
        while (bytes_.size() % to)
            bytes_.push_back(0);
    }
    void Word(WORD w)
    {
        bytes_.push_back(BYTE(w));
        bytes_.push_back(BYTE(w >> 8));
    }
    void Dword(DWORD d)
    {
        Word(WORD(d));
        Word(WORD(d >> 16));
    }
    void Text(const std::string& text)
    {
        for (char c : text)
            Word(WORD(static_cast<unsigned char>(c)));
        Word(0);
    }
    const void* Data() const { return bytes_.data(); }

private:
    std::vector<BYTE> bytes_;
};

} // namespace

TestDialog::TestDialog(const std::vector<Control>& controls)
{
    TemplateWriter t;
    t.Dword(WS_POPUP | WS_CAPTION | DS_SETFONT);
    t.Dword(0);
    t.Word(WORD(controls.size()));
    t.Word(0); t.Word(0); t.Word(300); t.Word(20 + 14 * WORD(controls.size())); // x, y, cx, cy
    t.Word(0); // no menu
    t.Word(0); // default class
    t.Text("test dialog");
    t.Word(8);
    t.Text("MS Shell Dlg");
    short y = 4;
    for (const Control& c : controls) {
        t.Align(4);
        t.Dword(c.style | WS_CHILD | WS_VISIBLE);
        t.Dword(0);
        t.Word(4); t.Word(WORD(y));
        t.Word(200); t.Word(c.controlClass == ComboBox ? 80 : 12);
        t.Word(WORD(c.id));
        t.Word(0xFFFF);
        t.Word(c.controlClass);
        t.Text(c.text);
        t.Word(0); // no creation data
        y += 14;
    }
    dialog_ = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), static_cast<LPCDLGTEMPLATEA>(t.Data()), nullptr,
                                         QuietDialogProc, 0);
}

TestDialog::~TestDialog()
{
    if (dialog_)
        DestroyWindow(dialog_);
}

bool TestDialog::IsChecked(int id) const
{
    return SendDlgItemMessageA(dialog_, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TestDialog::SetChecked(int id, bool checked) const
{
    SendDlgItemMessageA(dialog_, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

std::string TestDialog::Text(int id) const
{
    char text[512] = {};
    GetDlgItemTextA(dialog_, id, text, sizeof text);
    return text;
}

void TestDialog::SetText(int id, const std::string& text) const
{
    SetDlgItemTextA(dialog_, id, text.c_str());
}
