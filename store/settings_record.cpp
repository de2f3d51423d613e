#include "store/settings_record.h"

SettingsRecord g_Settings;
