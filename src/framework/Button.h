#pragma once
// An owner-drawn control: its parent dialog hands WM_DRAWITEM back to it.
#include "framework/Window.h"

class OwnerDrawButton : public Window {
public:
    virtual void DrawItem(DRAWITEMSTRUCT* item) noexcept = 0;
};
