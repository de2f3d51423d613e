#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>

#include "platform/resources.h"
#include "res/string_ids.h"
#include "res/string_table.h"

namespace {

const StringResource* Find(UINT id) {
  const StringResource* end = kStringTable + kStringTableSize;
  const StringResource* it = std::lower_bound(
      kStringTable, end, id, [](const StringResource& entry, UINT key) { return entry.id < key; });
  return (it != end && it->id == id) ? it : nullptr;
}

std::u16string Text(UINT id) {
  const StringResource* entry = Find(id);
  return entry ? std::u16string(entry->text) : std::u16string(u"<missing>");
}

// Built from separate pieces rather than copied literals, so an escape that
// went wrong in the table (a literal backslash, a lone \n, a mis-encoded ®)
// cannot be repeated here by the same copy and paste.
const std::u16string kCrLf{u'\r', u'\n'};
const std::u16string kProduct = std::u16string(u"Veyrholm") + u'\u00AE' + u" PDA";

}  // namespace

TEST(StringTable, IsSortedByIdWithoutDuplicates) {
  ASSERT_GT(kStringTableSize, 0u);
  for (std::size_t i = 1; i < kStringTableSize; ++i) {
    EXPECT_LT(kStringTable[i - 1].id, kStringTable[i].id) << "at index " << i;
  }
  for (std::size_t i = 0; i < kStringTableSize; ++i) {
    ASSERT_NE(kStringTable[i].text, nullptr) << kStringTable[i].id;
    EXPECT_NE(kStringTable[i].text[0], u'\0') << kStringTable[i].id;
  }
}

TEST(StringTable, MultiLineTextsUseCrLfAndKeepTheirWording) {
  EXPECT_EQ(Text(618), u"Welcome!" + kCrLf + kProduct + u" is not configured yet." + kCrLf +
                           u"Please assign a Master Password now!" + kCrLf +
                           u"Note: With the Master Password you can unblock a forgotten User "
                           u"Password, Symbol Password or Signature.");
  EXPECT_EQ(Text(620), u"Please assign your Private User Password now!" + kCrLf +
                           u"The User Password is required whenever you start the configuration, "
                           u"at ActiveSync synchronization and at Power ON when Password input is "
                           u"configured.");
  EXPECT_EQ(Text(627), u"Congratulation!" + kCrLf + u"You have just successfully installed " +
                           kProduct + u" on your Pocket PC!" + kCrLf + kCrLf +
                           u"To complete the installation the Pocket PC must be rebooted.");
  EXPECT_EQ(Text(658), u"Installation wizard aborted!" + kCrLf + kProduct + u" is not configured.");
  EXPECT_EQ(Text(802),
            u"Enrollmet process not complete!" + kCrLf + u"Tap on cancel to abort enrollment.");
  EXPECT_EQ(Text(2011), u"Error unscrambling passwords." + kCrLf + u"Execution stopped!");
  EXPECT_EQ(Text(2012),
            u"Could not play desired sound." + kCrLf + u"Please select a standard PCM wave file.");
  // The one message that breaks its line with a bare LF.
  EXPECT_EQ(Text(580), u"The Symbol Passwords do not match!" + std::u16string(1, u'\n') +
                           u"Please reenter the first Password.");
}

TEST(StringTable, SingleLineTextsKeepTheirSpelling) {
  EXPECT_EQ(Text(598), u"Could not activate/deativate ActiveSync Password.");
  EXPECT_EQ(Text(599), u"Could not activate/deactivate Power ON logon.");
  EXPECT_EQ(Text(602), u"Don't know how to log on!");
  EXPECT_EQ(Text(650), u"Error");
  EXPECT_EQ(Text(654), u"Wave Files (*.wav)|*.wav||");
  EXPECT_EQ(Text(500), u"Settings");
  EXPECT_EQ(Text(609), u"Settings");
  EXPECT_EQ(Text(586), u"Veyrholm PDA");
}

// ShowError and the signature prompts hand the loaded text to the formatter
// as the format itself: only these three may hold a conversion, exactly one.
TEST(StringTable, OnlyTheFormatTextsHoldAPercentSign) {
  EXPECT_EQ(Text(606), u"General error #%d!");
  EXPECT_EQ(Text(799), u"Signature #%d is inconsistent!" + kCrLf + u"Please enroll again!");
  EXPECT_EQ(Text(803),
            u"Please sign several times!" + kCrLf + u"Signature #%d is about to be enrolled.");
  const std::set<UINT> formats{606, 799, 803};
  for (std::size_t i = 0; i < kStringTableSize; ++i) {
    const std::u16string text(kStringTable[i].text);
    const auto percents = std::count(text.begin(), text.end(), u'%');
    EXPECT_EQ(percents, formats.count(kStringTable[i].id) ? 1 : 0) << kStringTable[i].id;
  }
}

// The control panel copies name and info into fixed fields of 32 and 64
// characters, terminator included.
TEST(StringTable, AppletNameAndInfoFitTheirControlPanelFields) {
  EXPECT_LT(Text(IDS_APPLET_NAME).size(), 32u);
  EXPECT_LT(Text(IDS_APPLET_INFO).size(), 64u);
  EXPECT_NE(Find(IDS_APPLET_INFO), nullptr);
}

// Every named id has its text, and every text has a name: parse the header
// so that a constant added without an entry (or the reverse) is caught.
TEST(StringTable, EveryNamedIdIsInTheTableAndEveryEntryIsNamed) {
  const auto header = std::filesystem::path(VEYR_SOURCE_DIR) / "res" / "string_ids.h";
  std::ifstream in(header);
  ASSERT_TRUE(in) << header;
  const std::regex constant(R"(inline constexpr UINT (IDS_\w+) = (\d+);)");
  std::set<UINT> named;
  std::string line;
  while (std::getline(in, line)) {
    std::smatch match;
    if (!std::regex_search(line, match, constant)) continue;
    const auto id = static_cast<UINT>(std::stoul(match[2]));
    EXPECT_NE(Find(id), nullptr) << match[1] << " = " << id << " has no text";
    EXPECT_TRUE(named.insert(id).second) << "id " << id << " is named twice";
  }
  for (std::size_t i = 0; i < kStringTableSize; ++i) {
    EXPECT_TRUE(named.count(kStringTable[i].id)) << kStringTable[i].id << " has no IDS_ name";
  }
}
