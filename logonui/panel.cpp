#include "logonui/panel.h"

#include "platform/ui/afx/afx_dispatch_driver.h"
#include "platform/ui/window/control_host.h"
#include "res/resource_ids.h"

namespace {

constexpr DISPID kDispSignature = 1;
constexpr DISPID kDispClear = 2;

}  // namespace

BOOL CPanel::Create(LPCWSTR, LPCWSTR, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                    LPVOID) {
  HWND window =
      CreateHostedControl(kSignaturePadClassId, style, rect.left, rect.top, rect.right - rect.left,
                          rect.bottom - rect.top, parent != nullptr ? parent->m_hWnd : nullptr, id);
  if (window == nullptr) return FALSE;
  return SubclassWindow(window);
}

LPDISPATCH CPanel::Control() const {
  IDispatch* control = nullptr;
  return SUCCEEDED(GetHostedControl(m_hWnd, &control)) ? control : nullptr;
}

LPDISPATCH CPanel::GetSignature() const {
  COleDispatchDriver control;
  control.AttachDispatch(Control());
  VariantHolder result;
  if (FAILED(control.InvokeHelper(kDispSignature, DISPATCH_PROPERTYGET, result.get())) ||
      (*result).vt != VT_DISPATCH) {
    return nullptr;
  }
  LPDISPATCH signature = (*result).pdispVal;
  if (signature != nullptr) signature->AddRef();
  return signature;
}

BOOL CPanel::SetSignature(LPDISPATCH signature) const {
  COleDispatchDriver control;
  control.AttachDispatch(Control());
  return SUCCEEDED(control.InvokeHelper(kDispSignature, DISPATCH_PROPERTYPUT, nullptr,
                                        {VariantDispatch(signature)}));
}

BOOL CPanel::Clear() const {
  COleDispatchDriver control;
  control.AttachDispatch(Control());
  return SUCCEEDED(control.InvokeHelper(kDispClear, DISPATCH_METHOD, nullptr));
}
