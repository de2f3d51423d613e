#include "platform/device.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/kernel.h"
#include "tests/support/temp_device.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempDevice;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A scratch folder beside the device, removed with it.
fs::path Scratch(const TempDevice& device, const std::string& name) {
  const fs::path dir = device.folder().parent_path() / name;
  fs::create_directories(dir);
  return dir;
}

TEST(DeviceFolder, NewDeviceGetsTreeAndIdentity) {
  TempDevice device(false);
  ASSERT_TRUE(platform::device::IsOpen());
  EXPECT_EQ(platform::device::Folder(), device.folder());
  EXPECT_TRUE(fs::is_directory(device.folder() / "fs" / "Windows"));
  EXPECT_TRUE(fs::is_directory(device.folder() / "run"));
  EXPECT_EQ(fs::file_size(device.folder() / "hardware" / "device-id"), 32u);
  EXPECT_FALSE(platform::device::CleanBootFlagSet());

  platform::device::Close();
  EXPECT_FALSE(platform::device::IsOpen());
  EXPECT_TRUE(platform::device::Folder().empty());
}

TEST(DeviceFolder, IdentitySurvivesReopenAndCleanBoot) {
  TempDevice device(false);
  const fs::path idFile = device.folder() / "hardware" / "device-id";
  const std::string identity = ReadAll(idFile);
  WriteAll(device.folder() / "fs" / "Windows" / "notes.txt", "kept");

  device.Reopen();
  EXPECT_EQ(ReadAll(idFile), identity);

  SetCleanRebootFlag();
  EXPECT_TRUE(platform::device::CleanBootFlagSet());
  // Stand-in for store contents that the wipe must remove: without the
  // wipe the next boot would still find these bytes.
  platform::device::Close();
  const fs::path db = device.folder() / "objectstore.db";
  WriteAll(db, "old store");
  WriteAll(fs::path(db) += "-wal", "old log");

  device.Reopen();
  EXPECT_FALSE(platform::device::CleanBootFlagSet());
  EXPECT_NE(ReadAll(db), "old store");
  EXPECT_NE(ReadAll(fs::path(db) += "-wal"), "old log");
  EXPECT_EQ(ReadAll(idFile), identity);
  EXPECT_EQ(ReadAll(device.folder() / "fs" / "Windows" / "notes.txt"), "kept");
}

TEST(DeviceFolder, UnusableFolderFailsWithReason) {
  TempDevice device(false);
  platform::device::Close();
  const fs::path file = Scratch(device, "x") / "plain-file";
  WriteAll(file, "not a folder");
  std::string error;
  EXPECT_FALSE(platform::device::Open(file, &error));
  EXPECT_NE(error.find(file.string()), std::string::npos) << error;
  EXPECT_FALSE(platform::device::IsOpen());

  if (::geteuid() == 0) GTEST_SKIP() << "permissions don't bind root";
  const fs::path locked = Scratch(device, "locked");
  ::chmod(locked.c_str(), 0500);
  error.clear();
  EXPECT_FALSE(platform::device::Open(locked / "device", &error));
  EXPECT_NE(error.find("Permission denied"), std::string::npos) << error;
  ::chmod(locked.c_str(), 0700);

  // A complete device folder that has become read-only.
  ASSERT_TRUE(platform::device::Open(locked / "device", &error)) << error;
  platform::device::Close();
  ::chmod((locked / "device").c_str(), 0500);
  EXPECT_FALSE(platform::device::Open(locked / "device", &error));
  EXPECT_NE(error.find("not writable"), std::string::npos) << error;
  ::chmod((locked / "device").c_str(), 0700);
}

TEST(MapPath, MatchesExistingNamesWithoutCase) {
  TempDevice device(false);
  const fs::path root = device.folder() / "fs";
  fs::create_directories(root / "Windows" / "Sub Dir");
  WriteAll(root / "Windows" / "Sub Dir" / "File.TXT", "x");

  using platform::device::MapPath;
  EXPECT_EQ(MapPath(u"\\Windows\\coredll.dll"), root / "Windows" / "coredll.dll");
  EXPECT_EQ(MapPath(u"\\WINDOWS\\sub dir\\file.txt"), root / "Windows" / "Sub Dir" / "File.TXT");
  EXPECT_EQ(MapPath(u"/windows/SUB DIR/"), root / "Windows" / "Sub Dir");
  // Past the first missing level the given spelling is kept.
  EXPECT_EQ(MapPath(u"\\windows\\New\\sub dir"), root / "Windows" / "New" / "sub dir");
  EXPECT_EQ(MapPath(u"\\Temp\\Ä.wav"), root / "Temp" / "\xC3\x84.wav");
}

TEST(MapPath, NeverLeavesTheFileSystemFolder) {
  TempDevice device(false);
  const fs::path root = device.folder() / "fs";
  using platform::device::MapPath;
  for (const char16_t* path : {u"\\..\\..\\hardware\\device-id", u"..", u"\\Windows\\..\\..\\x",
                               u"/./../objectstore.db", u""}) {
    const fs::path mapped = MapPath(path).lexically_normal();
    const fs::path relative = mapped.lexically_relative(root);
    EXPECT_FALSE(relative.empty()) << mapped;
    EXPECT_NE(*relative.begin(), "..") << mapped;
  }
  EXPECT_EQ(MapPath(u"\\Windows\\..\\x"), root / "Windows" / "x");
}

TEST(MapPath, EmptyWithoutDevice) {
  platform::device::Close();
  EXPECT_TRUE(platform::device::MapPath(u"\\Windows").empty());
}

TEST(InstallRomFiles, CopiesSkipsAndReplaces) {
  TempDevice device(false);
  const fs::path rom = Scratch(device, "rom");
  WriteAll(rom / "coredll.dll", "core v1");
  WriteAll(rom / "Alarm1.wav", "RIFF....WAVE");
  WriteAll(rom / "unrelated.txt", "not a system file");
  const fs::path windows = device.folder() / "fs" / "Windows";

  EXPECT_EQ(platform::device::InstallRomFiles(rom), 2);
  EXPECT_EQ(ReadAll(windows / "coredll.dll"), "core v1");
  EXPECT_EQ(ReadAll(windows / "Alarm1.wav"), "RIFF....WAVE");
  EXPECT_FALSE(fs::exists(windows / "unrelated.txt"));
  EXPECT_FALSE(fs::exists(windows / "Panel.ocx"));

  EXPECT_EQ(platform::device::InstallRomFiles(rom), 0);

  // A reader of the old file (a loaded module) keeps seeing the old bytes.
  std::ifstream reader(windows / "coredll.dll", std::ios::binary);
  WriteAll(rom / "coredll.dll", "core v2");  // same size, other content
  EXPECT_EQ(platform::device::InstallRomFiles(rom), 1);
  EXPECT_EQ(ReadAll(windows / "coredll.dll"), "core v2");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(reader), {}), "core v1");

  WriteAll(windows / "Alarm1.wav", "damaged");  // other size
  EXPECT_EQ(platform::device::InstallRomFiles(rom), 1);
  EXPECT_EQ(ReadAll(windows / "Alarm1.wav"), "RIFF....WAVE");

  // No temporary files are left behind.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(windows)) ++entries;
  EXPECT_EQ(entries, 2);
}

TEST(InstallRomFiles, ReplacesFileOfOtherCaseInPlace) {
  TempDevice device(false);
  const fs::path rom = Scratch(device, "rom");
  WriteAll(rom / "OMREL.htm", "<p>help</p>");
  const fs::path windows = device.folder() / "fs" / "Windows";
  WriteAll(windows / "omrel.HTM", "old");
  EXPECT_EQ(platform::device::InstallRomFiles(rom), 1);
  EXPECT_EQ(ReadAll(windows / "omrel.HTM"), "<p>help</p>");
  EXPECT_FALSE(fs::exists(windows / "OMREL.htm"));
}

}  // namespace
