// The component's class object: one class id with two faces. Asked for
// IControlFactory it makes pad windows (a dialog hosting the control);
// CreateInstance makes the engine object ("Panel.Client.1").
#include "panel/com_object.h"
#include "panel/engine_object.h"
#include "panel/pad_control.h"

namespace panel {
namespace {

constexpr CLSID kPanelClsid = {
    0x5281D351, 0xDC25, 0x4153, {0x8A, 0x45, 0x79, 0x70, 0x52, 0x58, 0xFF, 0x18}};

class ClassObject final : public IClassFactory, public IControlFactory {
 public:
  ClassObject() { ObjectCreated(); }
  ClassObject(const ClassObject&) = delete;
  ClassObject& operator=(const ClassObject&) = delete;

  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *object = static_cast<IClassFactory*>(this);
    } else if (iid == IID_IControlFactory) {
      *object = static_cast<IControlFactory*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override {
    const ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
  }

  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    EngineObject* engine = new EngineObject();
    const HRESULT hr = engine->QueryInterface(iid, object);
    engine->Release();
    return hr;
  }
  HRESULT LockServer(BOOL lock) override {
    if (lock) {
      ObjectCreated();
    } else {
      ObjectDestroyed();
    }
    return S_OK;
  }

  HRESULT CreateControlWindow(HWND parent, UINT id, DWORD style, const RECT& place,
                              HWND* window) override {
    if (window == nullptr) return E_POINTER;
    *window = PadControl::CreateWindowFor(parent, id, style, place);
    return *window != nullptr ? S_OK : E_FAIL;
  }

 private:
  ~ClassObject() { ObjectDestroyed(); }

  ULONG m_refs = 1;
};

}  // namespace
}  // namespace panel

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid,
                                                                            REFIID iid,
                                                                            void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (clsid != panel::kPanelClsid) return CLASS_E_CLASSNOTAVAILABLE;
  auto* classObject = new panel::ClassObject();
  const HRESULT hr = static_cast<IClassFactory*>(classObject)->QueryInterface(iid, object);
  static_cast<IClassFactory*>(classObject)->Release();
  return hr;
}

// The library may go once no object, pad window or server lock is left;
// the pad's window class goes with it.
extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
  if (panel::LiveObjects() != 0) return S_FALSE;
  panel::PadControl::UnregisterWindowClass();
  return S_OK;
}
