// The module whose string table, dialogs, icons and bitmaps the module's
// code loads. It sits with the resources so every part of the module can
// read it; the entry points set it, and swap it for the installed module
// with a CResourceModuleScope for the length of a call.
#pragma once

#include "platform/windef.h"

extern HINSTANCE g_hResourceModule;
