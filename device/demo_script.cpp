#include "device/demo_script.h"

namespace pda {

std::string_view DemoScript() {
  // Dialogs: 778 the installation wizard (684/685 the two fields, 717 its
  // Next/Finish button, which Enter presses), 628 the password logon (679 the field), 634 the
  // false-logon delay, 1 the home screen. Boxes by string id: 627
  // installation complete, 590 wrong user password.
  return R"(# First boot of a new device: the installer.
expect dialog 778
tap 684
sip Master#1
type 685 Master#1
# The soft keyboard covers the Next button: Enter goes on.
key Enter
expect dialog 778
type 684 user1234
type 685 user1234
key Enter
expect box 627
tap 1
# The device reboots into the power-on logon. A wrong password first:
expect dialog 628
type 679 guess
tap 1
expect box 590
tap 1
# ... and the first false logon costs one second (the full bar stays one
# more tick of the progress).
expect dialog 634
wait 1100
expect dialog 628
type 679 user1234
tap 1
expect dialog 1
)";
}

}  // namespace pda
