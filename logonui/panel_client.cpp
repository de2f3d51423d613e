#include "logonui/panel_client.h"

#include "store/credential_set.h"

namespace {

constexpr DISPID kDispAddSample = 1;
constexpr DISPID kDispCheckConsistency = 2;
constexpr DISPID kDispGetTemplate = 3;
constexpr DISPID kDispVerify = 4;
constexpr DISPID kDispSampleCount = 5;
constexpr DISPID kDispTemplate = 6;

// An I4 result, or `fallback` when the call failed or gave another type.
LONG I4Result(HRESULT hr, const VariantHolder& result, LONG fallback) {
  return SUCCEEDED(hr) && (*result).vt == VT_I4 ? (*result).lVal : fallback;
}

}  // namespace

BOOL CPanelClient::Create() {
  return CreateDispatch(kPanelClientProgId);
}

BOOL CPanelClient::AddSample(LPDISPATCH signature, LONG slot) const {
  return SUCCEEDED(InvokeHelper(kDispAddSample, DISPATCH_METHOD, nullptr,
                                {VariantDispatch(signature), VariantI4(slot)}));
}

LONG CPanelClient::CheckConsistency() const {
  VariantHolder result;
  return I4Result(InvokeHelper(kDispCheckConsistency, DISPATCH_METHOD, result.get()), result, 0);
}

BOOL CPanelClient::GetTemplate(std::u16string* text) const {
  WipeSecret(*text);
  BSTR out = nullptr;
  VariantHolder result;
  const HRESULT hr =
      InvokeHelper(kDispGetTemplate, DISPATCH_METHOD, result.get(), {VariantBstrOut(&out)});
  if (SUCCEEDED(hr) && out != nullptr)
    AssignSecret(*text, std::u16string_view(out, SysStringLen(out)));
  SysFreeString(out);
  return !text->empty();
}

BOOL CPanelClient::Verify(LPDISPATCH signature) const {
  VariantHolder result;
  return I4Result(
             InvokeHelper(kDispVerify, DISPATCH_METHOD, result.get(), {VariantDispatch(signature)}),
             result, 0) != 0;
}

LONG CPanelClient::GetSampleCount() const {
  VariantHolder result;
  return I4Result(InvokeHelper(kDispSampleCount, DISPATCH_PROPERTYGET, result.get()), result, 0);
}

BOOL CPanelClient::SetTemplate(const std::u16string& text) const {
  BSTR value = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  const HRESULT hr =
      InvokeHelper(kDispTemplate, DISPATCH_PROPERTYPUT, nullptr, {VariantBstr(value)});
  SysFreeString(value);
  return SUCCEEDED(hr);
}
