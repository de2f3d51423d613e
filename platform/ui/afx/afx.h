// The class library: windows, dialogs with message maps and data exchange,
// property sheets, frames, the application object and module state.
// See docs/class-library.md.
#pragma once

#include "platform/ui/afx/afx_app.h"
#include "platform/ui/afx/afx_controls.h"
#include "platform/ui/afx/afx_ddx.h"
#include "platform/ui/afx/afx_dialog.h"
#include "platform/ui/afx/afx_frame.h"
#include "platform/ui/afx/afx_module_state.h"
#include "platform/ui/afx/afx_msgmap.h"
#include "platform/ui/afx/afx_object.h"
#include "platform/ui/afx/afx_property_sheet.h"
#include "platform/ui/afx/afx_wnd.h"
