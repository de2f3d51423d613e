#include "setup/input_panel_state.h"

SIPINFO SaveAndDockInputPanel(HWND dialog) {
  SIPINFO saved{};
  saved.cbSize = sizeof(saved);
  SHSipInfo(SPI_GETSIPINFO, sizeof(saved), &saved, 0);
  SHSipPreference(dialog, SIP_FORCEDOWN);
  SIPINFO docked = saved;
  docked.fdwFlags = (docked.fdwFlags & ~SIPF_LOCKED) | SIPF_DOCKED | SIPF_DISABLECOMPLETION;
  SHSipInfo(SPI_SETSIPINFO, sizeof(docked), &docked, 0);
  return saved;
}

void RestoreInputPanel(HWND dialog, SIPINFO saved) {
  SHSipPreference(dialog, SIP_FORCEDOWN);
  SHSipInfo(SPI_SETSIPINFO, sizeof(saved), &saved, 0);
}
