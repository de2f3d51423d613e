// The module's application object: one static instance, whose help call
// starts the help viewer on the product's help page.
#pragma once

#include "platform/ui/afx/afx.h"

class CControlPanelApp : public CWinApp {
 public:
  CControlPanelApp();
  void WinHelp(DWORD_PTR data, UINT command = HELP_CONTEXT) override;
};
