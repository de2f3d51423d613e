#include "panel/com_object.h"

namespace panel {
namespace {

std::atomic<long> g_liveObjects{0};

}  // namespace

void ObjectCreated() {
  ++g_liveObjects;
}

void ObjectDestroyed() {
  --g_liveObjects;
}

long LiveObjects() {
  return g_liveObjects;
}

DispatchObject::DispatchObject() {
  ObjectCreated();
}

DispatchObject::~DispatchObject() {
  ObjectDestroyed();
}

HRESULT DispatchObject::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch) {
    *object = static_cast<IDispatch*>(this);
  } else {
    *object = QueryOther(iid);
    if (*object == nullptr) return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG DispatchObject::AddRef() {
  return ++m_refs;
}

ULONG DispatchObject::Release() {
  const ULONG left = --m_refs;
  if (left == 0) delete this;
  return left;
}

HRESULT DispatchObject::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

const VARIANT* Arguments::Arg(UINT index) const {
  if (index >= Count()) return nullptr;
  return &m_params->rgvarg[m_params->cArgs - 1 - index];
}

}  // namespace panel
