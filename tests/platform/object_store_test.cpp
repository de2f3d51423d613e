// The object store: persistence, refused files, a writer killed mid-write,
// a bounded log; and batches of store calls, all or nothing, nested ones
// stored by the outer one, given up by a message box.
#include "platform/object_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/database.h"
#include "platform/device.h"
#include "platform/kernel.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/store_batch.h"
#include "tests/support/child_process.h"
#include "tests/support/registry_values.h"
#include "tests/support/temp_device.h"
#include "tests/support/test_seed.h"

namespace {

namespace fs = std::filesystem;
namespace store = platform::object_store;
using Bytes = std::vector<BYTE>;

using namespace testing_support;

LONG SetDword(HKEY key, const char16_t* name, DWORD value) {
  return RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof value);
}

HKEY CreateKey(HKEY root, const char16_t* path) {
  HKEY key = nullptr;
  return RegCreateKeyEx(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
                 ERROR_SUCCESS
             ? key
             : nullptr;
}

TEST(ObjectStoreTest, EverythingPersistsAcrossCloseAndOpen) {
  testing_support::TempDevice device(false);
  HKEY key = CreateKey(HKEY_LOCAL_MACHINE, u"Software\\Vexlund\\Zentrak");
  ASSERT_EQ(SetDword(key, u"LogonMethod", 2), ERROR_SUCCESS);
  const CEOID oid = CeCreateDatabase(u"Vexlund", 12345, 0, nullptr);
  HANDLE db = CeOpenDatabase(nullptr, u"Vexlund", 0, 0, nullptr);
  BYTE bytes[] = {1, 2, 3};
  CEPROPVAL v{};
  v.propid = MAKEPROPID(100, CEVT_BLOB);
  v.val.blob = {3, bytes};
  ASSERT_NE(CeWriteRecordProps(db, 0, 1, &v), 0u);

  device.Reopen();
  // Handles of the old connection are gone with it.
  EXPECT_EQ(SetDword(key, u"LogonMethod", 3), ERROR_INVALID_HANDLE);
  EXPECT_EQ(CeSeekDatabase(db, CEDB_SEEK_BEGINNING, 0, nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

  EXPECT_EQ(RegBytes(HKEY_LOCAL_MACHINE, u"Software\\Vexlund\\Zentrak", u"LogonMethod"),
            testing_support::DwordBytes(2));
  CEDBASEINFO info{};
  ASSERT_TRUE(CeOidGetInfo(oid, &info));
  EXPECT_EQ(info.wNumRecords, 1);
  EXPECT_EQ(info.dwSize, 3u);
  std::string problem;
  EXPECT_TRUE(store::CheckIntegrity(&problem)) << problem;
}

// Refused files are left byte for byte as they were, and the reason says why.
TEST(ObjectStoreTest, DamagedForeignAndNewerFilesAreRefusedAndLeftAlone) {
  testing_support::TempDevice device(false);
  platform::device::Close();  // the store's files are made by hand here
  const fs::path db = device.folder() / "objectstore.db";
  std::string error;
  auto refused = [&](const std::string& bytes, const char* reason) {
    WriteFile(db, bytes);
    EXPECT_FALSE(store::Open(db, &error)) << reason;
    EXPECT_FALSE(store::IsOpen()) << reason;
    EXPECT_FALSE(error.empty()) << reason;
    EXPECT_NE(error.find(reason), std::string::npos) << error;
    EXPECT_EQ(ReadFile(db), bytes) << reason;
  };
  std::mt19937 random(42);
  std::string noise(8192, '\0');
  for (char& b : noise) b = static_cast<char>(random());
  refused(noise, "damaged");
  // A SQLite header over garbage gets past the first look but no further.
  std::memcpy(noise.data(), "SQLite format 3", 16);
  refused(noise, "");

  fs::remove(db);
  ASSERT_TRUE(store::Open(db, &error)) << error;
  store::Close();
  const std::string ours = ReadFile(db);
  ASSERT_GT(ours.size(), 100u);
  // A SQLite file with tables but without our application id (offset 68 of
  // the header) is someone else's.
  for (std::uint32_t id : {0u, 0x12345678u}) {
    std::string foreign = ours;
    for (int i = 0; i < 4; ++i) foreign[68 + i] = static_cast<char>(id >> (24 - 8 * i));
    refused(foreign, "another application");
  }
  // Ours, but from a later schema (user version at offset 60).
  std::string newer = ours;
  newer[63] = 99;
  refused(newer, "newer version");

  WriteFile(db, ours);
  EXPECT_TRUE(store::Open(db, &error)) << error;
}

// Values of step n of the killed writer: each one on its own is a single
// call, so it must hold a whole step, never a mix.
Bytes StepBlob(DWORD n) {
  return Bytes(n % 97 + 1, static_cast<BYTE>(n));
}

TEST(ObjectStoreTest, KilledWriterLeavesAConsistentStore) {
  testing_support::TempDevice device(false);
  ASSERT_NE(CeCreateDatabase(u"Log", 1, 0, nullptr), 0u);
  // Each step reports its number once all three of its calls are done.
  testing_support::ChildProcess child([](testing_support::ChildProcess& self) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, u"Counter");
    HANDLE db = CeOpenDatabase(nullptr, u"Log", 0, 0, nullptr);
    CEOID record = 0;
    for (DWORD n = 1;; ++n) {
      Bytes blob = StepBlob(n);
      CEPROPVAL v[2] = {};
      v[0].propid = MAKEPROPID(1, CEVT_UI4);
      v[0].val.ulVal = n;
      v[1].propid = MAKEPROPID(2, CEVT_BLOB);
      v[1].val.blob = {static_cast<DWORD>(blob.size()), blob.data()};
      if (SetDword(key, u"N", n) != ERROR_SUCCESS ||
          RegSetValueEx(key, u"Blob", 0, REG_BINARY, blob.data(),
                        static_cast<DWORD>(blob.size())) != ERROR_SUCCESS ||
          (record = CeWriteRecordProps(db, record, 2, v)) == 0) {
        self.Report("failed");
        return;
      }
      self.Report(std::to_string(n));
    }
  });
  // Where the kill lands is drawn at random: the seed replays it.
  std::mt19937 random(testing_support::TestSeed());
  DWORD last = 0;
  auto read = [&] {
    const auto line = child.NextLine();
    if (!line) return false;
    if (*line == "failed") {
      ADD_FAILURE() << "the writer failed after step " << last;
      return false;
    }
    last = static_cast<DWORD>(std::stoul(*line));
    return true;
  };
  while (last < 300 && read()) {
  }
  usleep(static_cast<useconds_t>(random() % 3000));
  child.Kill();
  while (read()) {
  }
  ASSERT_GE(last, 300u);

  // As after a power cut: a fresh connection recovers from the log.
  device.Reopen();
  std::string problem;
  ASSERT_TRUE(store::CheckIntegrity(&problem)) << problem;
  const auto counter = RegBytes(HKEY_CURRENT_USER, u"Counter", u"N");
  EXPECT_TRUE(counter == testing_support::DwordBytes(last) ||
              counter == testing_support::DwordBytes(last + 1))
      << "after " << last;
  const auto blob = RegBytes(HKEY_CURRENT_USER, u"Counter", u"Blob");
  EXPECT_TRUE(blob == StepBlob(last) || blob == StepBlob(last + 1)) << "after " << last;

  HANDLE db = CeOpenDatabase(nullptr, u"Log", 0, 0, nullptr);
  BYTE* buffer = nullptr;
  DWORD bufferSize = 0;
  WORD count = 0;
  ASSERT_NE(CeReadRecordProps(db, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &bufferSize), 0u);
  ASSERT_EQ(count, 2);
  const auto* props = reinterpret_cast<const CEPROPVAL*>(buffer);
  const DWORD logged = props[0].val.ulVal;
  EXPECT_TRUE(logged == last || logged == last + 1) << logged << " after " << last;
  EXPECT_EQ(Bytes(props[1].val.blob.lpb, props[1].val.blob.lpb + props[1].val.blob.dwCount),
            StepBlob(logged));
  EXPECT_EQ(CeReadRecordProps(db, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &bufferSize), 0u);
  LocalFree(buffer);
  CloseHandle(db);
}

// Flushing syncs the log and leaves copying it into the main file to the
// store's own checkpoints: those must still come, or the log grows without
// end. Nothing reads the store meanwhile, so a checkpoint can always finish.
TEST(ObjectStoreTest, FlushedWritesKeepTheLogBounded) {
  testing_support::TempDevice device(false);
  HKEY key = CreateKey(HKEY_CURRENT_USER, u"Bulk");
  ASSERT_NE(key, nullptr);
  Bytes value(32 * 1024);
  const fs::path log = fs::path(device.folder()) / "objectstore.db-wal";
  std::uintmax_t largest = 0;
  // About 8 MB written: twice what 1000 pages of log hold.
  for (DWORD n = 0; n < 256; ++n) {
    // Every byte changes, so every page of the value goes to the log.
    std::fill(value.begin(), value.end(), static_cast<BYTE>(n));
    ASSERT_EQ(
        RegSetValueEx(key, u"Value", 0, REG_BINARY, value.data(), static_cast<DWORD>(value.size())),
        ERROR_SUCCESS);
    ASSERT_EQ(RegFlushKey(key), ERROR_SUCCESS);
    std::error_code ec;
    largest = std::max(largest, fs::file_size(log, ec));
  }
  EXPECT_LT(largest, 6u * 1024 * 1024);
  RegCloseKey(key);
  device.Reopen();
  EXPECT_EQ(RegBytes(HKEY_CURRENT_USER, u"Bulk", u"Value"), value);
}

constexpr const char16_t* kPath = u"Software\\Batch";

bool Stored(const char16_t* name) {
  return RegBytes(HKEY_LOCAL_MACHINE, kPath, name).has_value();
}

TEST(StoreBatchTest, StoresAllOrNothingAndANestedBatchWithTheOuterOne) {
  testing_support::TempDevice device;
  {
    CStoreBatch batch;
    SetRegDword(HKEY_LOCAL_MACHINE, kPath, u"A", 1);
    EXPECT_TRUE(Stored(u"A"));  // the process sees its own batch
  }
  EXPECT_FALSE(Stored(u"A"));
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kPath, 0, 0, &key), ERROR_FILE_NOT_FOUND)
      << "the key made in the batch outlived it";

  {
    CStoreBatch outer;
    {
      CStoreBatch inner;
      SetRegDword(HKEY_LOCAL_MACHINE, kPath, u"A", 1);
      EXPECT_TRUE(inner.Commit());
    }
    SetRegDword(HKEY_LOCAL_MACHINE, kPath, u"B", 2);
    EXPECT_TRUE(outer.Commit());
    EXPECT_FALSE(outer.Commit());
  }
  device.Reopen();
  EXPECT_TRUE(Stored(u"A"));
  EXPECT_TRUE(Stored(u"B"));

  // An inner batch that gives up takes the outer one with it.
  {
    CStoreBatch outer;
    SetRegDword(HKEY_LOCAL_MACHINE, kPath, u"C", 3);
    { CStoreBatch inner; }
    EXPECT_FALSE(outer.Commit());
  }
  EXPECT_FALSE(Stored(u"C"));
}

TEST(StoreBatchTest, AMessageBoxGivesUpTheBatchAndItsLaterWrites) {
  testing_support::TempDevice device;
  platform::message_box::SetAnswer(IDOK);
  CStoreBatch batch;
  SetRegDword(HKEY_LOCAL_MACHINE, kPath, u"A", 1);
  MessageBox(nullptr, u"Something failed", u"Error", MB_OK);
  EXPECT_FALSE(Stored(u"A"));
  // Written alone, a later write would be stored without the rest.
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, kPath, 0, nullptr, 0, 0, nullptr, &key, nullptr),
            ERROR_CANCELLED);
  EXPECT_FALSE(batch.Commit());
  EXPECT_EQ(GetLastError(), ERROR_CANCELLED);
  platform::message_box::ClearRecorded();
}

}  // namespace
