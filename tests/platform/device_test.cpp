#include "platform/device.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/file_io.h"
#include "platform/kernel.h"
#include "tests/support/temp_device.h"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

// A scratch folder beside the device, removed with it.
fs::path Scratch(const TempDevice& device, const std::string& name) {
  const fs::path dir = device.folder().parent_path() / name;
  fs::create_directories(dir);
  return dir;
}

TEST(DeviceFolder, IdentitySurvivesReopenAndCleanBoot) {
  TempDevice device(false);
  const fs::path idFile = device.folder() / "hardware" / "device-id";
  const std::string identity = ReadFile(idFile);
  WriteFile(device.folder() / "fs" / "Windows" / "notes.txt", "kept");

  device.Reopen();
  EXPECT_EQ(ReadFile(idFile), identity);

  SetCleanRebootFlag();
  EXPECT_TRUE(platform::device::CleanBootFlagSet());
  // Stand-in for store contents that the wipe must remove: without the
  // wipe the next boot would still find these bytes.
  platform::device::Close();
  const fs::path db = device.folder() / "objectstore.db";
  WriteFile(db, "old store");
  WriteFile(fs::path(db) += "-wal", "old log");

  device.Reopen();
  EXPECT_FALSE(platform::device::CleanBootFlagSet());
  EXPECT_NE(ReadFile(db), "old store");
  EXPECT_NE(ReadFile(fs::path(db) += "-wal"), "old log");
  EXPECT_EQ(ReadFile(idFile), identity);
  EXPECT_EQ(ReadFile(device.folder() / "fs" / "Windows" / "notes.txt"), "kept");
}

TEST(DeviceFolder, UnusableFolderFailsWithReason) {
  TempDevice device(false);
  platform::device::Close();
  const fs::path file = Scratch(device, "x") / "plain-file";
  WriteFile(file, "not a folder");
  std::string error;
  EXPECT_FALSE(platform::device::Open(file, &error));
  EXPECT_NE(error.find(file.string()), std::string::npos) << error;
  EXPECT_FALSE(platform::device::IsOpen());
}

// The folder holds the object store and the hardware identity, from which
// the device key follows: nobody but its owner may read any of it.
TEST(DeviceFolder, OnlyTheOwnerCanReachTheDevice) {
  const mode_t previousMask = ::umask(022);
  TempDevice device;
  const fs::path root = device.folder();
  auto modeOf = [](const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
  };
  auto expectPrivate = [&](const char* when) {
    EXPECT_EQ(modeOf(root), 0700u) << when;
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      if (entry.is_directory()) {
        EXPECT_EQ(modeOf(entry.path()), 0700u) << when << ": " << entry.path();
      } else {
        ++files;
        EXPECT_EQ(modeOf(entry.path()) & 077, 0u) << when << ": " << entry.path();
      }
    }
    EXPECT_GE(files, 6u) << when;  // identity, store and its log, ROM files, ...
  };
  // Files the device makes later: one of its own, a flag, a lock file.
  std::FILE* file = _wfopen(u"\\Windows\\notes.txt", u"wb");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  SetCleanRebootFlag();
  HANDLE mutex = CreateMutex(nullptr, FALSE, u"DeviceFolderTest");
  expectPrivate("new device");
  EXPECT_EQ(modeOf(root / "hardware" / "device-id"), 0600u);
  EXPECT_EQ(modeOf(root / "objectstore.db"), 0600u);
  CloseHandle(mutex);

  // A folder made open by an earlier build is closed again when opened.
  platform::device::Close();
  for (const auto& entry : fs::recursive_directory_iterator(root))
    ::chmod(entry.path().c_str(), entry.is_directory() ? 0755 : 0644);
  ::chmod(root.c_str(), 0755);
  device.Reopen();
  expectPrivate("reopened");
  ::umask(previousMask);
}

TEST(MapPath, MatchesExistingNamesWithoutCaseAndStaysInTheFileSystem) {
  TempDevice device(false);
  const fs::path root = device.folder() / "fs";
  fs::create_directories(root / "Windows" / "Sub Dir");
  WriteFile(root / "Windows" / "Sub Dir" / "File.TXT", "x");

  using platform::device::MapPath;
  EXPECT_EQ(MapPath(u"\\Windows\\coredll.dll"), root / "Windows" / "coredll.dll");
  EXPECT_EQ(MapPath(u"\\WINDOWS\\sub dir\\file.txt"), root / "Windows" / "Sub Dir" / "File.TXT");
  EXPECT_EQ(MapPath(u"/windows/SUB DIR/"), root / "Windows" / "Sub Dir");
  // Past the first missing level the given spelling is kept.
  EXPECT_EQ(MapPath(u"\\windows\\New\\sub dir"), root / "Windows" / "New" / "sub dir");
  EXPECT_EQ(MapPath(u"\\Temp\\Ä.wav"), root / "Temp" / "\xC3\x84.wav");

  // It never leaves the file system folder.
  for (const char16_t* path : {u"\\..\\..\\hardware\\device-id", u"..", u"\\Windows\\..\\..\\x",
                               u"/./../objectstore.db", u""}) {
    const fs::path mapped = MapPath(path).lexically_normal();
    const fs::path relative = mapped.lexically_relative(root);
    EXPECT_FALSE(relative.empty()) << mapped;
    EXPECT_NE(*relative.begin(), "..") << mapped;
  }
  EXPECT_EQ(MapPath(u"\\Windows\\..\\x"), root / "Windows" / "x");

  platform::device::Close();
  EXPECT_TRUE(MapPath(u"\\Windows").empty());  // no device, no file system
}

TEST(InstallRomFiles, CopiesSkipsAndReplaces) {
  TempDevice device(false);
  const fs::path rom = Scratch(device, "rom");
  WriteFile(rom / "coredll.dll", "core v1");
  WriteFile(rom / "Alarm1.wav", "RIFF....WAVE");
  WriteFile(rom / "unrelated.txt", "not a system file");
  const fs::path windows = device.folder() / "fs" / "Windows";

  EXPECT_EQ(platform::device::InstallRomFiles(rom), 2);
  EXPECT_EQ(ReadFile(windows / "coredll.dll"), "core v1");
  EXPECT_EQ(ReadFile(windows / "Alarm1.wav"), "RIFF....WAVE");
  EXPECT_FALSE(fs::exists(windows / "unrelated.txt"));
  EXPECT_FALSE(fs::exists(windows / "Panel.ocx"));

  EXPECT_EQ(platform::device::InstallRomFiles(rom), 0);

  // A reader of the old file (a loaded module) keeps seeing the old bytes.
  std::ifstream reader(windows / "coredll.dll", std::ios::binary);
  WriteFile(rom / "coredll.dll", "core v2");  // same size, other content
  EXPECT_EQ(platform::device::InstallRomFiles(rom), 1);
  EXPECT_EQ(ReadFile(windows / "coredll.dll"), "core v2");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(reader), {}), "core v1");

  WriteFile(windows / "Alarm1.wav", "damaged");  // other size
  EXPECT_EQ(platform::device::InstallRomFiles(rom), 1);
  EXPECT_EQ(ReadFile(windows / "Alarm1.wav"), "RIFF....WAVE");
}

}  // namespace
