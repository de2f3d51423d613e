#include "platform/ui/window/control_host.h"

#include "platform/com.h"
#include "platform/kernel.h"

bool IsControlClassName(LPCWSTR className) {
  return className != nullptr && className[0] == u'{';
}

HWND CreateHostedControl(LPCWSTR classId, DWORD style, int x, int y, int width, int height,
                         HWND parent, UINT id) {
  CLSID clsid{};
  if (FAILED(CLSIDFromString(classId, &clsid))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  IControlFactory* factory = nullptr;
  HRESULT hr = CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IControlFactory,
                                reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  HWND window = nullptr;
  const RECT place{x, y, x + width, y + height};
  hr = factory->CreateControlWindow(parent, id, style, place, &window);
  factory->Release();
  if (FAILED(hr)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return window;
}

HRESULT GetHostedControl(HWND window, IDispatch** dispatch) {
  if (dispatch == nullptr) return E_POINTER;
  *dispatch = nullptr;
  if (window == nullptr || !IsWindow(window)) return E_NOINTERFACE;
  SendMessage(window, WM_GETCONTROLDISPATCH, 0, reinterpret_cast<LPARAM>(dispatch));
  return *dispatch != nullptr ? S_OK : E_NOINTERFACE;
}
