#include "framework/Dispatch.h"

#include <windows.h>

#include <algorithm>
#include <new>
#include <utility>

namespace {

constexpr LCID kNameLocale = 0x0409;

class TableDispatch final : public IDispatch {
public:
    explicit TableDispatch(std::vector<DispatchMethod> methods) noexcept : methods_(std::move(methods)) {}
    TableDispatch(const TableDispatch&) = delete;
    TableDispatch& operator=(const TableDispatch&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override
    {
        if (!object)
            return E_POINTER;
        if (iid != IID_IUnknown && iid != IID_IDispatch) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return ::InterlockedIncrement(&references_); }
    STDMETHODIMP_(ULONG) Release() noexcept override
    {
        const ULONG left = ::InterlockedDecrement(&references_);
        if (left == 0)
            delete this;
        return left;
    }

    STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override
    {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        return DISP_E_BADINDEX;
    }

    // The first name is the method; the methods take no arguments, so further (argument) names are unknown.
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) noexcept override
    {
        if (iid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        if (!names || !ids)
            return E_POINTER;
        std::fill_n(ids, count, DISPID_UNKNOWN);
        if (count == 0)
            return S_OK;
        const DispatchMethod* method = Find(names[0]);
        if (method)
            ids[0] = method->id;
        return method && count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }

    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                        EXCEPINFO*, UINT*) noexcept override
    {
        if (iid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        const auto method = std::find_if(methods_.begin(), methods_.end(),
                                         [id](const DispatchMethod& entry) { return entry.id == id; });
        // Only a call runs a method: reading the member as a property must not act.
        if (method == methods_.end() || !(flags & DISPATCH_METHOD))
            return DISP_E_MEMBERNOTFOUND;
        if (parameters && parameters->cArgs != 0)
            return DISP_E_BADPARAMCOUNT;
        int value;
        try {
            value = method->handler();
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return DISP_E_EXCEPTION;
        }
        if (result) {
            ::VariantInit(result);
            result->vt = method->result;
            if (method->result == VT_I4)
                result->lVal = value;
            else if (method->result == VT_BOOL)
                result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        }
        return S_OK;
    }

private:
    ~TableDispatch() = default;

    const DispatchMethod* Find(const wchar_t* name) const noexcept
    {
        if (!name)
            return nullptr;
        for (const DispatchMethod& method : methods_) {
            if (::CompareStringW(kNameLocale, NORM_IGNORECASE, method.name, -1, name, -1) == CSTR_EQUAL)
                return &method;
        }
        return nullptr;
    }

    LONG references_ = 0;
    std::vector<DispatchMethod> methods_;
};

} // namespace

Microsoft::WRL::ComPtr<IDispatch> MakeDispatch(std::vector<DispatchMethod> methods) noexcept
{
    // Made without a reference: the ComPtr takes the first (mingw-w64's ComPtr::Attach would add one).
    return Microsoft::WRL::ComPtr<IDispatch>(new (std::nothrow) TableDispatch(std::move(methods)));
}
