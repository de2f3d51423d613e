// The base of the component's automation objects: reference counting,
// IUnknown/IDispatch identity, and the count of live objects that decides
// whether the library may be unloaded.
#pragma once

#include <atomic>

#include "platform/com.h"

namespace panel {

// Objects and window classes alive, plus server locks. DllCanUnloadNow
// answers S_OK only at zero.
void ObjectCreated();
void ObjectDestroyed();
long LiveObjects();

class DispatchObject : public IDispatch {
 public:
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetTypeInfoCount(UINT* count) override;

 protected:
  // Starts with one reference, the creator's.
  DispatchObject();
  virtual ~DispatchObject();
  // Interfaces beyond IUnknown and IDispatch; null when not offered.
  virtual void* QueryOther(REFIID) { return nullptr; }

 private:
  std::atomic<ULONG> m_refs{1};
};

// The arguments of an Invoke as the component's members read them.
// Arguments come last-first in DISPPARAMS; Arg(0) is the first one.
class Arguments {
 public:
  explicit Arguments(const DISPPARAMS* params) : m_params(params) {}
  UINT Count() const { return m_params == nullptr ? 0 : m_params->cArgs; }
  const VARIANT* Arg(UINT index) const;

 private:
  const DISPPARAMS* m_params;
};

}  // namespace panel
