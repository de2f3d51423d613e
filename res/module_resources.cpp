#include "platform/resources.h"
#include "res/string_table.h"

// The one entry through which the platform finds this module's resources
// (LoadString and, later, templates and bitmaps).
extern "C" __attribute__((visibility("default"))) const ResourceDirectory* ModuleResources() {
  static const ResourceDirectory directory{kStringTable, kStringTableSize};
  return &directory;
}
