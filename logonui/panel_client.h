// CPanelClient: the signature engine "Panel.Client.1", called by dispatch
// id. Calls that fail answer on the safe side: no sample taken, sample 1
// not consistent, no match, no template.
#pragma once

#include <string>

#include "platform/ui/afx/afx_dispatch_driver.h"

inline constexpr WCHAR kPanelClientProgId[] = u"Panel.Client.1";

class CPanelClient : public COleDispatchDriver {
 public:
  // Creates the engine object; FALSE when it can't be created.
  BOOL Create();

  BOOL AddSample(LPDISPATCH signature, LONG slot) const;
  // -1: consistent; else the 0-based sample that does not fit.
  LONG CheckConsistency() const;
  // The enrolled template into *text (wiped first); FALSE when the engine
  // gives none.
  BOOL GetTemplate(std::u16string* text) const;
  // TRUE when the signature matches the loaded reference.
  BOOL Verify(LPDISPATCH signature) const;
  LONG GetSampleCount() const;
  // The reference to verify against.
  BOOL SetTemplate(const std::u16string& text) const;
};
