#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>

#include "platform/kernel.h"
#include "platform/message_box.h"
#include "platform/resources.h"
#include "res/string_table.h"
#include "store/show_error.h"
#include "tests/support/store_fixture.h"

namespace {

using ShowErrorTest = testing_support::StoreTest;

// The text comes from the string table with the code formatted in (-1 takes
// the last error, none when it is 0); caption "Error"; always foreground.
TEST_F(ShowErrorTest, TextCaptionAndType) {
  struct Case {
    UINT id;
    int code;
    DWORD lastError;
    UINT type;
    const char16_t* text;
  } const cases[] = {
      {606, -1, 5, MB_ICONHAND, u"General error #5!"},
      {606, -1, 0, MB_ICONHAND, u"General error #%d!"},
      {606, 1392, 5, MB_ICONHAND, u"General error #1392!"},
      {600, 0, 5, MB_ICONINFORMATION, u"Error when saving the settings!"},
  };
  for (const Case& c : cases) {
    SetLastError(c.lastError);
    ShowError(nullptr, c.id, c.code, c.type);
    ASSERT_FALSE(platform::message_box::Recorded().empty());
    const platform::message_box::Record& shown = platform::message_box::Recorded().back();
    EXPECT_EQ(shown.text, c.text);
    EXPECT_EQ(shown.caption, u"Error");
    EXPECT_EQ(shown.type, c.type | MB_SETFOREGROUND);
  }
}

}  // namespace

// Ids sorted and unique (lookups bisect), texts not empty; line breaks are
// CR LF (a lone LF or a backslash means an escape went wrong). ShowError and
// the signature prompts hand the loaded text to the formatter as the format
// itself: only those texts hold a conversion, exactly one %d.
TEST(StringTable, IsSortedAndItsTextsAreWellFormed) {
  ASSERT_GT(kStringTableSize, 0u);
  const std::set<UINT> formats{606, 799, 803};
  for (std::size_t i = 0; i < kStringTableSize; ++i) {
    const UINT id = kStringTable[i].id;
    EXPECT_TRUE(i == 0 || kStringTable[i - 1].id < id) << "at index " << i;
    ASSERT_NE(kStringTable[i].text, nullptr) << id;
    const std::u16string text(kStringTable[i].text);
    EXPECT_FALSE(text.empty()) << id;
    for (std::size_t at = text.find(u'\n'); at != std::u16string::npos && id != 580;
         at = text.find(u'\n', at + 1)) {  // 580 is the one text with a bare LF
      EXPECT_TRUE(at > 0 && text[at - 1] == u'\r') << id;
    }
    EXPECT_EQ(text.find(u'\\'), std::u16string::npos) << id;
    const auto percents = std::count(text.begin(), text.end(), u'%');
    EXPECT_EQ(percents, formats.count(id) ? 1 : 0) << id;
    EXPECT_TRUE(percents == 0 || text.find(u"%d") != std::u16string::npos) << id;
  }
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
    EXPECT_TRUE(std::any_of(kStringTable, kStringTable + kStringTableSize,
                            [id](const StringResource& entry) { return entry.id == id; }))
        << match[1] << " = " << id << " has no text";
    EXPECT_TRUE(named.insert(id).second) << "id " << id << " is named twice";
  }
  for (std::size_t i = 0; i < kStringTableSize; ++i) {
    EXPECT_TRUE(named.count(kStringTable[i].id)) << kStringTable[i].id << " has no IDS_ name";
  }
}
