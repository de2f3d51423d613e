// Batches of store calls: all or nothing, nested ones stored by the outer
// one, and given up by a message box. (Power cuts in the module's saves are
// the crash tests' part.)
#include "platform/store_batch.h"

#include <gtest/gtest.h>

#include "platform/kernel.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "tests/support/registry_values.h"
#include "tests/support/temp_device.h"

namespace {

using testing_support::RegBytes;
using testing_support::SetRegDword;

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
