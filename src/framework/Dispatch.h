#pragma once
// An automation object built from a table of methods without arguments: a script resolves a
// name (any letter case) to its member id and invokes it.
#include <oaidl.h>
#include <wrl/client.h>

#include <functional>
#include <vector>

struct DispatchMethod {
    const wchar_t* name;
    DISPID id;
    // VT_EMPTY (no result), VT_I4 (the handler's value) or VT_BOOL (true when the value is not zero).
    VARTYPE result;
    std::function<int()> handler;
};

// A new object with one reference, owned by the caller; null when memory runs out.
Microsoft::WRL::ComPtr<IDispatch> MakeDispatch(std::vector<DispatchMethod> methods) noexcept;
