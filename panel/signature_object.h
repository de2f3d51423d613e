// A signature as the pad hands it out: an automation object carrying the
// strokes. Only the engine of this component reads the strokes; others may
// ask for its point and stroke counts and its duration.
#pragma once

#include "panel/com_object.h"
#include "panel/engine/signature_engine.h"

namespace panel {

class SignatureObject final : public DispatchObject {
 public:
  explicit SignatureObject(Signature signature) : m_signature(std::move(signature)) {}

  HRESULT Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

  const Signature& signature() const { return m_signature; }

  // The signature inside `dispatch` when it is one of ours (a reference is
  // held while `*holder` lives); null for a foreign or null object.
  static const Signature* From(IDispatch* dispatch, IDispatch** holder);

 protected:
  void* QueryOther(REFIID iid) override;

 private:
  Signature m_signature;
};

}  // namespace panel
