#include "framework/Dialog.h"

#include "framework/Button.h"

bool Dialog::Create(UINT templateId, HWND parent) noexcept
{
    templateId_ = templateId;
    CreationHook hook(*this);
    return ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), parent,
                                &Dialog::DialogProc, 0) != nullptr;
}

INT_PTR Dialog::DoModal() noexcept
{
    if (!Create(templateId_, nullptr))
        return -1;
    modal_ = true;
    endModal_ = false;
    MSG message;
    while (!endModal_) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == -1)
            break;
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (!WalkPreTranslateTree(hwnd(), &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    modal_ = false;
    if (hwnd())
        ::DestroyWindow(hwnd());
    return modalResult_;
}

void Dialog::EndDialog(INT_PTR result) noexcept
{
    modalResult_ = result;
    if (modal_)
        endModal_ = true;
    else if (hwnd())
        ::ShowWindow(hwnd(), SW_HIDE);
}

bool Dialog::PreTranslateMessage(MSG* message) noexcept
{
    const bool keyboard = message->message >= WM_KEYFIRST && message->message <= WM_KEYLAST;
    const bool mouse = message->message >= WM_MOUSEFIRST && message->message <= WM_MOUSELAST;
    return (keyboard || mouse) && ::IsDialogMessageW(hwnd(), message);
}

BOOL Dialog::OnInitDialog()
{
    DoDataExchange();
    return TRUE;
}

LRESULT Dialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDOK) {
            OnOK();
            return 0;
        }
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            return 0;
        }
        break;
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (auto* button = dynamic_cast<OwnerDrawButton*>(FromHandle(item->hwndItem))) {
            button->DrawItem(item);
            return TRUE;
        }
        break;
    }
    }
    return Default();
}
