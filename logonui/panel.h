// CPanel: the signature pad control in a dialog. Created as the control of
// the component's class id; GetSignature / SetSignature (dispatch id 1)
// and Clear (2) go to the control through its dispatch interface.
#pragma once

#include "platform/com.h"
#include "platform/ui/afx/afx.h"

class CPanel : public CWnd {
 public:
  // Creates the window as the pad control (className is ignored: the
  // control's class is fixed).
  BOOL Create(LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
              UINT id, LPVOID param = nullptr) override;

  // The signature on the pad, with a reference for the caller; null when
  // the control does not answer.
  LPDISPATCH GetSignature() const;
  BOOL SetSignature(LPDISPATCH signature) const;
  BOOL Clear() const;

 private:
  // The control's dispatch interface, with a reference for the caller.
  LPDISPATCH Control() const;
};
