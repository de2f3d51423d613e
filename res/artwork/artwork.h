// The module's bitmaps and icons, sorted by id. The tables are written at
// build time by the artwork generator (res/artwork/main.cpp) into the build
// folder's artwork_data.cpp; the ids are named in res/resource_ids.h.
#pragma once

#include "platform/resources.h"

extern const BitmapResource kArtworkBitmaps[];
extern const std::size_t kArtworkBitmapCount;
extern const IconResource kArtworkIcons[];
extern const std::size_t kArtworkIconCount;
