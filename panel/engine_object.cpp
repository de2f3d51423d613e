#include "panel/engine_object.h"

#include <string>

#include "panel/dispatch_ids.h"
#include "panel/signature_object.h"

namespace panel {
namespace {

void SetI4(VARIANT* result, LONG value) {
  if (result == nullptr) return;
  VariantInit(result);
  result->vt = VT_I4;
  result->lVal = value;
}

void SetR8(VARIANT* result, double value) {
  if (result == nullptr) return;
  VariantInit(result);
  result->vt = VT_R8;
  result->dblVal = value;
}

HRESULT SetBstr(VARIANT* result, const std::u16string& text) {
  if (result == nullptr) return S_OK;
  VariantInit(result);
  result->vt = VT_BSTR;
  result->bstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
  return result->bstrVal != nullptr || text.empty() ? S_OK : E_OUTOFMEMORY;
}

// Wipes a copy of the enrolled template once it has been handed on.
void Wipe(std::u16string& text) {
  std::fill(text.begin(), text.end(), u'\0');
  text.clear();
}

}  // namespace

EngineObject::~EngineObject() {
  m_engine.Reset();
}

HRESULT EngineObject::Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params,
                             VARIANT* result, EXCEPINFO*, UINT* argError) {
  const Arguments args(params);
  const bool method = (flags & DISPATCH_METHOD) != 0;
  const bool get = (flags & DISPATCH_PROPERTYGET) != 0;
  const bool put = (flags & DISPATCH_PROPERTYPUT) != 0;
  // The signature argument of AddSample, Verify and Score.
  IDispatch* holder = nullptr;
  auto signatureArg = [&](UINT index, const Signature** signature) -> HRESULT {
    const VARIANT* value = args.Arg(index);
    if (value == nullptr) return DISP_E_BADPARAMCOUNT;
    *signature =
        value->vt == VT_DISPATCH ? SignatureObject::From(value->pdispVal, &holder) : nullptr;
    if (*signature != nullptr) return S_OK;
    if (argError != nullptr) *argError = index;
    return DISP_E_TYPEMISMATCH;
  };
  struct Release {
    IDispatch*& object;
    ~Release() {
      if (object != nullptr) object->Release();
    }
  } releaseHolder{holder};

  const Signature* signature = nullptr;
  switch (member) {
    case kDispAddSample: {
      if (!method) break;
      if (args.Count() != 2) return DISP_E_BADPARAMCOUNT;
      if (HRESULT hr = signatureArg(0, &signature); FAILED(hr)) return hr;
      const VARIANT* slot = args.Arg(1);
      if (slot->vt != VT_I4) return DISP_E_TYPEMISMATCH;
      return m_engine.AddSample(*signature, slot->lVal) ? S_OK : E_INVALIDARG;
    }
    case kDispCheckConsistency:
      if (!method) break;
      SetI4(result, m_engine.CheckConsistency());
      return S_OK;
    case kDispGetTemplate: {
      if (!method) break;
      if (args.Count() != 1) return DISP_E_BADPARAMCOUNT;
      const VARIANT* out = args.Arg(0);
      if (out->vt != (VT_BYREF | VT_BSTR) || out->pbstrVal == nullptr) return DISP_E_TYPEMISMATCH;
      std::u16string text = m_engine.GetTemplate();
      *out->pbstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
      Wipe(text);
      SetI4(result, 0);
      return S_OK;
    }
    case kDispVerify:
    case kDispScore:
      if (!method) break;
      if (args.Count() != 1) return DISP_E_BADPARAMCOUNT;
      if (HRESULT hr = signatureArg(0, &signature); FAILED(hr)) return hr;
      if (member == kDispVerify) {
        SetI4(result, m_engine.Verify(*signature) ? 1 : 0);
      } else {
        SetR8(result, m_engine.Score(*signature));
      }
      return S_OK;
    case kDispSampleCount:
      if (!get) break;
      SetI4(result, m_engine.SampleCount());
      return S_OK;
    case kDispThreshold:
      if (!get) break;
      SetR8(result, m_engine.Threshold());
      return S_OK;
    case kDispTemplate:
      if (put) {
        const VARIANT* value = args.Arg(0);
        if (value == nullptr || args.Count() != 1) return DISP_E_BADPARAMCOUNT;
        if (value->vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
        return m_engine.SetTemplate(
                   std::u16string_view(value->bstrVal, SysStringLen(value->bstrVal)))
                   ? S_OK
                   : E_INVALIDARG;
      }
      if (get) {
        std::u16string text = m_engine.Template();
        const HRESULT hr = SetBstr(result, text);
        Wipe(text);
        return hr;
      }
      break;
    default:
      break;
  }
  return DISP_E_MEMBERNOTFOUND;
}

}  // namespace panel
