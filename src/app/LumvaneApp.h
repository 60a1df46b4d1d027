#pragma once
// The application object: starts OLE and the common controls and runs the launcher window modally.
#include "framework/App.h"

class CLumvaneApp : public App {
public:
    CLumvaneApp() noexcept;

    BOOL InitInstance() noexcept override;
    int ExitInstance() noexcept override;
};
