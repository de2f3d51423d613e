#include "platform/resources.h"
#include "res/artwork/artwork.h"
#include "res/dialog_templates.h"
#include "res/resource_module.h"
#include "res/string_table.h"

HINSTANCE g_hResourceModule = nullptr;

// The one entry through which the platform finds this module's resources:
// LoadString, FindDialogTemplate, FindBitmapResource and FindIconResource.
extern "C" __attribute__((visibility("default"))) const ResourceDirectory* ModuleResources() {
  static const ResourceDirectory directory{
      kStringTable,    kStringTableSize,    kDialogTemplates, kDialogTemplateCount,
      kArtworkBitmaps, kArtworkBitmapCount, kArtworkIcons,    kArtworkIconCount};
  return &directory;
}
