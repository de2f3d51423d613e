#include "panel/signature_object.h"

#include "panel/dispatch_ids.h"

namespace panel {
namespace {

// Private to the component: it is how the engine recognises its own
// signature objects among any IDispatch it is given.
constexpr IID kIidSignatureObject = {
    0x9C4E2A17, 0x3F61, 0x4B88, {0xA5, 0x0D, 0x7E, 0x12, 0xC9, 0x44, 0x6B, 0x3E}};

}  // namespace

HRESULT SignatureObject::Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS*,
                                VARIANT* result, EXCEPINFO*, UINT*) {
  if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
  LONG value = 0;
  switch (member) {
    case kDispPointCount:
      for (const PenStroke& stroke : m_signature.strokes) value += LONG(stroke.size());
      break;
    case kDispStrokeCount:
      value = LONG(m_signature.strokes.size());
      break;
    case kDispDuration:
      for (const PenStroke& stroke : m_signature.strokes)
        if (!stroke.empty()) value = LONG(stroke.back().t);
      break;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
  if (result == nullptr) return E_POINTER;
  VariantInit(result);
  result->vt = VT_I4;
  result->lVal = value;
  return S_OK;
}

void* SignatureObject::QueryOther(REFIID iid) {
  return iid == kIidSignatureObject ? static_cast<IDispatch*>(this) : nullptr;
}

const Signature* SignatureObject::From(IDispatch* dispatch, IDispatch** holder) {
  *holder = nullptr;
  if (dispatch == nullptr) return nullptr;
  void* object = nullptr;
  if (FAILED(dispatch->QueryInterface(kIidSignatureObject, &object)) || object == nullptr)
    return nullptr;
  *holder = static_cast<IDispatch*>(object);
  return &static_cast<SignatureObject*>(*holder)->signature();
}

}  // namespace panel
