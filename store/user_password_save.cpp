#include "store/user_password_save.h"

#include <string>

#include "platform/store_batch.h"
#include "res/string_ids.h"
#include "store/credential_set.h"
#include "store/settings_model.h"

UINT SaveUserPassword(const OsPasswordApi& api, std::u16string_view current,
                      std::u16string_view next, bool withSettings) {
  std::u16string previous;
  AssignSecret(previous, g_strUserPassword);
  UINT failure = 0;
  {
    CStoreBatch batch;
    if (!next.empty() && !ChangeOsPassword(api, current, next)) {
      failure = IDS_PASSWORD_NOT_SET;
    } else {
      const std::u16string_view user = next.empty() ? current : next;
      // `current` may be the user password itself: nothing to assign then.
      if (!user.empty() && user.data() != g_strUserPassword.data()) {
        AssignSecret(g_strUserPassword, user);
      }
      if (!SaveSettings(withSettings, true) || !batch.Commit()) failure = IDS_SAVE_FAILED;
    }
  }
  if (failure != 0) AssignSecret(g_strUserPassword, previous);
  WipeSecret(previous);
  return failure;
}
