// The settings come from the registry, which anything may have written:
// every value the settings load reads, with any type and any length.
// Input: entries of [value u8][type u8, or 0xFF then a u32 type][bytes chunk].
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/support/fuzz_device.h"
#include "fuzz/support/fuzz_input.h"
#include "fuzz/support/settings_places.h"
#include "platform/registry.h"
#include "platform/system_names.h"
#include "res/registry_names.h"
#include "store/settings_model.h"
#include "store/settings_record.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::OpenDevice();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InputWrites undo;
  g_Settings = SettingsRecord{};
  fuzz::Input in(data, size);
  for (int entry = 0; entry < 32 && !in.Empty(); ++entry) {
    const fuzz::Place& place = fuzz::kSettingsPlaces[in.U8() % std::size(fuzz::kSettingsPlaces)];
    DWORD type = in.U8();
    if (type == 0xFF) type = in.U32();
    fuzz::SetValue(place.root, place.path, place.name, type, in.Chunk());
  }

  if (!LoadSettings(true, false)) return 0;
  // What was read is written back and reads as the same record.
  const SettingsRecord read = g_Settings;
  if (!SaveSettings(true, false)) fuzz::Broken("read settings can't be saved");
  g_Settings = SettingsRecord{};
  if (!LoadSettings(true, false)) fuzz::Broken("saved settings can't be read");
  if (!(g_Settings == read)) fuzz::Broken("saved settings read back otherwise");
  for (const std::u16string* text : {&read.AlarmSound, &read.WelcomeText1, &read.WelcomeText2,
                                     &read.OwnerName, &read.OwnerEmail})
    if (text->find(u'\0') != std::u16string::npos) fuzz::Broken("a text holds its terminator");
  return 0;
}
