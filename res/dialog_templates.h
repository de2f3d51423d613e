// The module's dialog templates, sorted by id (FindDialogTemplate searches
// them by binary search). Ids are named in res/resource_ids.h.
#pragma once

#include "platform/resources.h"

extern const DialogTemplate kDialogTemplates[];
extern const std::size_t kDialogTemplateCount;
