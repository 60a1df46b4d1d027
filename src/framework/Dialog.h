#pragma once
// Dialogs made from template resources, modeless (Create) or modal (DoModal with its own loop).
#include "framework/Window.h"

class Dialog : public Window {
public:
    explicit Dialog(UINT templateId) noexcept : templateId_(templateId) {}

    // Creates the dialog modeless as a child or owned popup of parent; OnInitDialog has run on return.
    bool Create(UINT templateId, HWND parent) noexcept;
    // Creates the dialog and runs its message loop until EndDialog; -1 when it cannot be created.
    INT_PTR DoModal() noexcept;
    void EndDialog(INT_PTR result) noexcept;

    bool PreTranslateMessage(MSG* message) noexcept override;

protected:
    // The base runs the data exchange that binds the template's controls to their objects.
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange() noexcept {}
    // IDOK and IDCANCEL, from Enter, Escape or a button.
    virtual void OnOK() noexcept = 0;
    virtual void OnCancel() noexcept = 0;

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM) noexcept { return FALSE; }

    UINT templateId_;
    bool modal_ = false;
    bool endModal_ = false;
    INT_PTR modalResult_ = -1;
};
