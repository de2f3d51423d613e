#include "platform/ui/afx/afx_object.h"

#include <cstring>

const CRuntimeClass CObject::classCObject{"CObject", nullptr};

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
  if (base == nullptr) return false;
  for (const CRuntimeClass* c = this; c != nullptr; c = c->m_pBaseClass) {
    if (c == base || std::strcmp(c->m_lpszClassName, base->m_lpszClassName) == 0) return true;
  }
  return false;
}

const CRuntimeClass* CObject::GetRuntimeClass() const {
  return RUNTIME_CLASS(CObject);
}

BOOL CObject::IsKindOf(const CRuntimeClass* runtimeClass) const {
  return GetRuntimeClass()->IsDerivedFrom(runtimeClass) ? TRUE : FALSE;
}
