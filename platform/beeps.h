// Beeps given with MessageBeep, recorded in order for the host and tests
// (sound output for them comes with the wave player); the latest are kept
// (platform/recent_records.h).
#pragma once

#include <vector>

#include "platform/windef.h"

namespace platform::beeps {

std::vector<UINT> Recorded();
void Clear();

}  // namespace platform::beeps
