// The engine object "Panel.Client.1": the automation face of
// SignatureEngine (AddSample 1, CheckConsistency 2, GetTemplate 3, Verify
// 4, SampleCount 5, Template 6, and the component's own Score 7 and
// Threshold 8).
#pragma once

#include "panel/com_object.h"
#include "panel/engine/signature_engine.h"

namespace panel {

class EngineObject final : public DispatchObject {
 public:
  EngineObject() = default;

  HRESULT Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

 private:
  ~EngineObject() override;

  SignatureEngine m_engine;
};

}  // namespace panel
