// Run-time class information of the class library: every class names
// itself and its base class, so code can ask an object what it is
// (GetRuntimeClass, IsKindOf) without RTTI across shared objects.
#pragma once

#include <cstdint>

#include "platform/windef.h"

// Integer types of the class library's interfaces (pointer-sized, as on the
// handheld's own headers).
using INT_PTR = std::intptr_t;
using DWORD_PTR = std::uintptr_t;

struct CRuntimeClass {
  const char* m_lpszClassName;
  const CRuntimeClass* m_pBaseClass;

  // True when this class is `base` or derives from it. Classes compare by
  // name as well, so a class seen through two shared objects is one class.
  bool IsDerivedFrom(const CRuntimeClass* base) const;
};

class CObject {
 public:
  static const CRuntimeClass classCObject;

  virtual ~CObject() = default;
  virtual const CRuntimeClass* GetRuntimeClass() const;
  BOOL IsKindOf(const CRuntimeClass* runtimeClass) const;

  CObject(const CObject&) = delete;
  CObject& operator=(const CObject&) = delete;

 protected:
  CObject() = default;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

// In the class body: the class's run-time information and its accessor.
#define DECLARE_DYNAMIC(class_name)             \
 public:                                        \
  static const CRuntimeClass class##class_name; \
  const CRuntimeClass* GetRuntimeClass() const override;

// In one source file: defines what DECLARE_DYNAMIC declared.
#define IMPLEMENT_DYNAMIC(class_name, base_class_name)       \
  const CRuntimeClass class_name::class##class_name {        \
#class_name, RUNTIME_CLASS(base_class_name)              \
  };                                                         \
  const CRuntimeClass* class_name::GetRuntimeClass() const { \
    return RUNTIME_CLASS(class_name);                        \
  }
