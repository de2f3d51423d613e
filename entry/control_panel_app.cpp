#include "entry/control_panel_app.h"

#include "platform/ui/shell/shell.h"

namespace {
// The application's title, the caption of the installer's closing boxes.
constexpr const WCHAR* kAppTitle = u"Veyrholm PDA";
CControlPanelApp theApp;
}  // namespace

CControlPanelApp::CControlPanelApp() : CWinApp(kAppTitle) {}

void CControlPanelApp::WinHelp(DWORD_PTR data, UINT command) {
  if (data > 7) {
    CWinApp::WinHelp(data, command);
    return;
  }
  CreateProcess(u"PegHelp.exe", u"OMREL.htm", nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr,
                nullptr);
}
