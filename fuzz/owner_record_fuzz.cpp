// The owner record is the shell's: the Owner page, the lock screen and the
// home screen read it as it stands. Input: [type u8] then the value's bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "device/home_screen.h"
#include "fuzz/support/fuzz_device.h"
#include "fuzz/support/fuzz_input.h"
#include "platform/registry.h"
#include "platform/system_names.h"
#include "store/settings_model.h"
#include "store/settings_record.h"

namespace {

constexpr std::size_t kRecordBytes = 768;
constexpr std::size_t kHomeNameLength = 36;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::OpenDevice();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InputWrites undo;
  fuzz::Input in(data, size);
  const DWORD type = in.U8();
  const std::string_view bytes = in.Rest();
  if (!fuzz::SetValue(HKEY_CURRENT_USER, kOwnerKeyPath, u"Owner", type, bytes)) return 0;

  g_Settings = SettingsRecord{};
  g_Settings.OwnerName = u"kept";
  const bool read = ReadOwnerInfo();
  if (read != (bytes.size() <= kRecordBytes)) fuzz::Broken("which records are read");
  const std::u16string home = pda::HomeScreen::OwnerName();
  if (!read) {
    if (g_Settings.OwnerName != u"kept" || !home.empty()) fuzz::Broken("an unread record was used");
    return 0;
  }
  // Each field ends inside the record, and the home screen shows the
  // start of the same name.
  const SettingsRecord& s = g_Settings;
  for (const std::u16string* field :
       {&s.OwnerName, &s.OwnerCompany, &s.OwnerAddress, &s.OwnerPhone, &s.OwnerEmail}) {
    if (field->size() > kRecordBytes / 2 || field->find(u'\0') != std::u16string::npos)
      fuzz::Broken("an owner field runs past the record");
  }
  if (home != s.OwnerName.substr(0, kHomeNameLength)) fuzz::Broken("the home screen's owner");
  return 0;
}
