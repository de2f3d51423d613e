// A string of the module's table as a wide string (empty when missing).
#pragma once

#include <string>

#include "platform/windef.h"

std::u16string LoadResourceText(UINT id);
