// The module's string table, sorted by id.
#pragma once

#include "platform/resources.h"

extern const StringResource kStringTable[];
extern const std::size_t kStringTableSize;
