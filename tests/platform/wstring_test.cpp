#include "platform/wstring.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

std::u16string Format(std::size_t capacity, LPCWSTR format, auto... args) {
  std::u16string buffer(capacity, u'#');
  const int n = wsprintf(buffer.data(), capacity, format, args...);
  EXPECT_EQ(static_cast<std::size_t>(n), wcslen16(buffer.c_str()));
  return buffer.substr(0, static_cast<std::size_t>(n));
}

TEST(Wsprintf, FormatsIntegersStringsWidthsAndPercent) {
  EXPECT_EQ(Format(64, u"General error #%d!", 5), u"General error #5!");
  EXPECT_EQ(Format(64, u"%d|%i|%d", -42, 0, INT_MIN), u"-42|0|-2147483648");
  EXPECT_EQ(Format(64, u"%u", 4294967295u), u"4294967295");
  EXPECT_EQ(Format(64, u"%x %X %08X", 255u, 0xBEEFu, 0xABu), u"ff BEEF 000000AB");
  EXPECT_EQ(Format(64, u"%ld %lu", 7, 8u), u"7 8");
  EXPECT_EQ(Format(64, u"[%5d]", 42), u"[   42]");
  EXPECT_EQ(Format(64, u"[%05d]", -42), u"[-0042]");
  EXPECT_EQ(Format(64, u"[%-5d]", 42), u"[42   ]");
  EXPECT_EQ(Format(64, u"[%2d]", 12345), u"[12345]");
  EXPECT_EQ(Format(64, u"[%6s][%-4s]", u"ab", u"cd"), u"[    ab][cd  ]");
  EXPECT_EQ(Format(64, u"[%.2s]", u"abcdef"), u"[ab]");
  EXPECT_EQ(Format(64, u"%s=%c%%", u"Grüße", u'€'), u"Grüße=€%");
  EXPECT_EQ(Format(64, u"%s", static_cast<LPCWSTR>(nullptr)), u"(null)");
  // Unknown conversions and a trailing '%' are shown, not interpreted.
  EXPECT_EQ(Format(64, u"%q 100%"), u"%q 100%");
}

TEST(Wsprintf, TruncatesToCapacityAndTerminates) {
  EXPECT_EQ(Format(5, u"Hello %s", u"World"), u"Hell");
  EXPECT_EQ(Format(1, u"%d", 12345), u"");
  EXPECT_EQ(Format(4, u"%05d", 7), u"000");
  EXPECT_EQ(Format(4, u"%99999999999999999999d|%.99999999999s", 1, u"x"), u"   ");

  char16_t untouched = u'#';
  EXPECT_EQ(wsprintf(&untouched, 0, u"abc"), 0);
  EXPECT_EQ(untouched, u'#');

  // U+1D11E is a surrogate pair; cutting it in half would leave a broken
  // character at the end.
  EXPECT_EQ(Format(3, u"a%s", u"\U0001D11E"), u"a");
  EXPECT_EQ(Format(4, u"a%s", u"\U0001D11E"), u"a\U0001D11E");
}

TEST(Utf8, RoundTripsAllPlanesAndLoneSurrogatesBecomeReplacement) {
  const std::u16string text = u"Grüße € \U0001D11E \U0010FFFF end";
  const std::string utf8 = platform::ToUtf8(text);
  EXPECT_EQ(utf8,
            "Gr\xC3\xBC\xC3\x9F"
            "e \xE2\x82\xAC \xF0\x9D\x84\x9E \xF4\x8F\xBF\xBF end");
  EXPECT_EQ(platform::FromUtf8(utf8), text);
  EXPECT_EQ(platform::FromUtf8(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
  EXPECT_EQ(platform::ToUtf8(u"a\xD800"
                             u"b"),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(platform::ToUtf8(u"\xDC00\xD800"), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Utf8, InvalidBytesBecomeReplacement) {
  struct Case {
    std::string bytes;
    std::u16string expected;
  };
  const Case cases[] = {
      {"a\xC3", u"a\uFFFD"},                              // cut off at the end
      {"\xC3(", u"\uFFFD("},                              // missing continuation
      {"\xE2\x82(", u"\uFFFD("},                          // one replacement per broken prefix
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong '/'
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
      {"\x80x\xFF", u"\uFFFDx\uFFFD"},                    // stray bytes
  };
  for (const Case& c : cases) EXPECT_EQ(platform::FromUtf8(c.bytes), c.expected) << c.bytes;
}

TEST(FoldCase, AsciiAndLatin1Letters) {
  EXPECT_EQ(platform::FoldCase(u"Software\\VEXLUND ÀÉÎÕÜÞ"), u"software\\vexlund àéîõüþ");
  EXPECT_TRUE(platform::EqualsNoCase(u"OMREL_App_Mutex", u"omrel_app_MUTEX"));
  EXPECT_TRUE(platform::EqualsNoCase(u"Ärger", u"äRGER"));
  // The multiplication and division signs sit where a letter pair would.
  EXPECT_FALSE(platform::EqualsNoCase(u"\u00D7", u"\u00F7"));
  EXPECT_FALSE(platform::EqualsNoCase(u"[", u"{"));
  EXPECT_FALSE(platform::EqualsNoCase(u"abc", u"abcd"));
}

}  // namespace
