#include "platform/database.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/faults.h"
#include "platform/kernel.h"
#include "tests/support/temp_device.h"

namespace {

using Bytes = std::vector<BYTE>;

constexpr DWORD kType = 12345;

CEPROPVAL Blob(WORD id, Bytes& bytes) {
  CEPROPVAL v{};
  v.propid = MAKEPROPID(id, CEVT_BLOB);
  v.val.blob.dwCount = static_cast<DWORD>(bytes.size());
  v.val.blob.lpb = bytes.data();
  return v;
}

// A record as read back: property ids with their blobs, in the order the
// store gives them.
struct Prop {
  CEPROPID propid;
  Bytes bytes;
  bool operator==(const Prop&) const = default;
};

class DatabaseTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (HANDLE h : handles_) CloseHandle(h);
    if (buffer_) LocalFree(buffer_);
  }

  HANDLE OpenByName(const char16_t* name) {
    CEOID oid = 0;
    HANDLE db = CeOpenDatabase(&oid, name, 0, 0, nullptr);
    if (db != INVALID_HANDLE_VALUE) handles_.push_back(db);
    return db;
  }

  // Reads the current record (all properties, or `ids`) with a reallocating
  // buffer that is kept between reads, as callers do.
  CEOID Read(HANDLE db, std::vector<Prop>* props, std::vector<CEPROPID> ids = {}) {
    WORD count = static_cast<WORD>(ids.size());
    const CEOID oid = CeReadRecordProps(db, CEDB_ALLOWREALLOC, &count,
                                        ids.empty() ? nullptr : ids.data(), &buffer_, &size_);
    props->clear();
    if (oid == 0) return 0;
    EXPECT_GE(LocalSize(buffer_), size_);
    const auto* values = reinterpret_cast<const CEPROPVAL*>(buffer_);
    for (WORD i = 0; i < count; ++i) {
      const CEPROPVAL& v = values[i];
      Prop p{v.propid, {}};
      if (v.wFlags & CEDB_PROPNOTFOUND) {
        p.bytes = {0xDE, 0xAD};
      } else {
        // The data lives in the same buffer, after the array.
        EXPECT_EQ(PROPID_TYPE(v.propid), CEVT_BLOB);
        EXPECT_GE(v.val.blob.lpb, buffer_ + count * sizeof(CEPROPVAL));
        EXPECT_LE(v.val.blob.lpb + v.val.blob.dwCount, buffer_ + size_);
        p.bytes.assign(v.val.blob.lpb, v.val.blob.lpb + v.val.blob.dwCount);
      }
      props->push_back(std::move(p));
    }
    return oid;
  }

  testing_support::TempDevice device_{false};
  std::vector<HANDLE> handles_;
  BYTE* buffer_ = nullptr;
  DWORD size_ = 0;
};

TEST_F(DatabaseTest, CreateAndOpenByNameOrId) {
  const CEOID oid = CeCreateDatabase(u"Vexlund", kType, 0, nullptr);
  ASSERT_NE(oid, 0u);
  EXPECT_EQ(CeCreateDatabase(u"VEXLUND", kType, 0, nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);

  CEOID byName = 0;
  HANDLE a = CeOpenDatabase(&byName, u"vexLund", 0, 0, nullptr);
  ASSERT_NE(a, INVALID_HANDLE_VALUE);
  handles_.push_back(a);
  EXPECT_EQ(byName, oid);
  CEOID byId = oid;
  HANDLE b = CeOpenDatabase(&byId, nullptr, 0, 0, nullptr);
  ASSERT_NE(b, INVALID_HANDLE_VALUE);
  handles_.push_back(b);

  CEDBASEINFO info{};
  ASSERT_TRUE(CeOidGetInfo(oid, &info));
  EXPECT_EQ(std::u16string(info.szDbaseName), u"Vexlund");
  EXPECT_EQ(info.dwDbaseType, kType);
  EXPECT_EQ(info.wNumRecords, 0);

  EXPECT_EQ(OpenByName(u"Other"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  CEOID bogus = oid + 1000;
  EXPECT_EQ(CeOpenDatabase(&bogus, nullptr, 0, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

  EXPECT_EQ(CeCreateDatabase(u"Sorted", 1, 1, nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
}

TEST_F(DatabaseTest, BlobsComeBackByteForByte) {
  ASSERT_NE(CeCreateDatabase(u"Vexlund", kType, 0, nullptr), 0u);
  HANDLE db = OpenByName(u"Vexlund");
  ASSERT_NE(db, INVALID_HANDLE_VALUE);
  Bytes signature = {0x00, 0x00};  // an empty secret: just the terminator
  Bytes symbols = {0x31, 0x00, 0x32, 0x00, 0x00, 0x00};
  Bytes user = {0xF7, 0xD8, 0xB9, 0x9A, 0x7B, 0x5C, 0x3D, 0x1E, 0xFF, 0xE0};
  Bytes master;  // zero bytes
  CEPROPVAL values[] = {Blob(100, signature), Blob(101, symbols), Blob(102, user),
                        Blob(103, master)};
  const CEOID record = CeWriteRecordProps(db, 0, 4, values);
  ASSERT_NE(record, 0u);

  ASSERT_EQ(CeSeekDatabase(db, CEDB_SEEK_BEGINNING, 0, nullptr), record);
  std::vector<Prop> props;
  ASSERT_EQ(Read(db, &props), record);
  EXPECT_EQ(props, (std::vector<Prop>{{MAKEPROPID(100, CEVT_BLOB), signature},
                                      {MAKEPROPID(101, CEVT_BLOB), symbols},
                                      {MAKEPROPID(102, CEVT_BLOB), user},
                                      {MAKEPROPID(103, CEVT_BLOB), master}}));

  // Asked-for properties come in the asked order; an absent one is flagged.
  ASSERT_EQ(CeSeekDatabase(db, CEDB_SEEK_BEGINNING, 0, nullptr), record);
  ASSERT_EQ(
      Read(db, &props,
           {MAKEPROPID(103, CEVT_BLOB), MAKEPROPID(7, CEVT_BLOB), MAKEPROPID(102, CEVT_BLOB)}),
      record);
  EXPECT_EQ(props, (std::vector<Prop>{{MAKEPROPID(103, CEVT_BLOB), master},
                                      {MAKEPROPID(7, CEVT_BLOB), {0xDE, 0xAD}},
                                      {MAKEPROPID(102, CEVT_BLOB), user}}));

  // An update replaces (in place) or deletes only the properties it names.
  Bytes symbols2 = {9, 9, 9, 9};
  Bytes extra = {4};
  CEPROPVAL update[] = {Blob(101, symbols2), Blob(100, signature), Blob(104, extra)};
  update[1].wFlags = CEDB_PROPDELETE;
  ASSERT_EQ(CeWriteRecordProps(db, record, 3, update), record);
  ASSERT_EQ(CeSeekDatabase(db, CEDB_SEEK_BEGINNING, 0, nullptr), record);
  ASSERT_EQ(Read(db, &props), record);
  EXPECT_EQ(props, (std::vector<Prop>{{MAKEPROPID(101, CEVT_BLOB), symbols2},
                                      {MAKEPROPID(102, CEVT_BLOB), user},
                                      {MAKEPROPID(103, CEVT_BLOB), master},
                                      {MAKEPROPID(104, CEVT_BLOB), extra}}));
  // Writing to a record that isn't there adds nothing.
  EXPECT_EQ(CeWriteRecordProps(db, record + 100, 1, update), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(CeSeekDatabase(db, CEDB_SEEK_END, 0, nullptr), record);
}

TEST_F(DatabaseTest, RecordsKeepCreationOrderAndReadsAdvance) {
  const CEOID dbId = CeCreateDatabase(u"Order", 1, 0, nullptr);
  HANDLE db = OpenByName(u"Order");
  std::vector<CEOID> records;
  for (BYTE n = 1; n <= 3; ++n) {
    Bytes bytes = {n};
    CEPROPVAL v = Blob(1, bytes);
    records.push_back(CeWriteRecordProps(db, 0, 1, &v));
    ASSERT_NE(records.back(), 0u);
  }
  std::vector<Prop> props;
  DWORD index = 99;
  ASSERT_EQ(CeSeekDatabase(db, CEDB_SEEK_BEGINNING, 0, &index), records[0]);
  EXPECT_EQ(index, 0u);
  for (BYTE n = 1; n <= 3; ++n) {
    ASSERT_EQ(Read(db, &props), records[n - 1]);
    EXPECT_EQ(props[0].bytes, Bytes{n});
  }
  EXPECT_EQ(Read(db, &props), 0u);
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);

  ASSERT_EQ(CeSeekDatabase(db, CEDB_SEEK_CEOID, records[2], &index), records[2]);
  EXPECT_EQ(index, 2u);
  EXPECT_EQ(CeSeekDatabase(db, CEDB_SEEK_BEGINNING, 3, nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(CeSeekDatabase(db, CEDB_SEEK_CEOID, dbId, nullptr), 0u);  // not a record
  // A failed seek keeps the position.
  ASSERT_EQ(Read(db, &props), records[2]);

  CEDBASEINFO info{};
  ASSERT_TRUE(CeOidGetInfo(dbId, &info));
  EXPECT_EQ(info.wNumRecords, 3);
  EXPECT_EQ(info.dwSize, 3u);
}

TEST_F(DatabaseTest, ReadBufferGrowsOnlyWhenAllowed) {
  ASSERT_NE(CeCreateDatabase(u"Grow", 1, 0, nullptr), 0u);
  HANDLE db = OpenByName(u"Grow");
  Bytes big(5000, 0x5A);
  CEPROPVAL v = Blob(1, big);
  const CEOID record = CeWriteRecordProps(db, 0, 1, &v);

  // Without reallocation a short buffer is refused with the size it needs.
  BYTE small[16];
  BYTE* fixed = small;
  DWORD size = sizeof small;
  WORD count = 0;
  EXPECT_EQ(CeReadRecordProps(db, 0, &count, nullptr, &fixed, &size), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(size, sizeof(CEPROPVAL) + 5000);

  // An existing small heap block is replaced by a larger one.
  buffer_ = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, 8));
  size_ = 8;
  std::vector<Prop> props;
  ASSERT_EQ(Read(db, &props), record);
  EXPECT_EQ(props[0].bytes, big);
  EXPECT_GE(size_, sizeof(CEPROPVAL) + 5000);
}

TEST_F(DatabaseTest, InjectedFaultsLeaveTheStoreUnchanged) {
  platform::faults::Scope faults;
  const CEOID oid = CeCreateDatabase(u"Vexlund", kType, 0, nullptr);
  HANDLE db = OpenByName(u"Vexlund");
  Bytes bytes = {7, 7};
  CEPROPVAL v = Blob(100, bytes);
  const CEOID record = CeWriteRecordProps(db, 0, 1, &v);
  ASSERT_NE(record, 0u);
  constexpr DWORD kError = ERROR_DISK_FULL;

  auto expectFault = [&](const char* call, auto&& action) {
    platform::faults::Fail(call, kError);
    SetLastError(0);
    EXPECT_TRUE(action()) << call;
    EXPECT_EQ(GetLastError(), kError) << call;
    CEDBASEINFO info{};
    ASSERT_TRUE(CeOidGetInfo(oid, &info)) << call;
    EXPECT_EQ(info.wNumRecords, 1) << call;
    EXPECT_EQ(info.dwSize, 2u) << call;
    HANDLE find = CeFindFirstDatabase(0);
    EXPECT_EQ(CeFindNextDatabase(find), oid) << call;
    EXPECT_EQ(CeFindNextDatabase(find), 0u) << call;
    CloseHandle(find);
  };
  Bytes other = {1, 2, 3};
  CEPROPVAL changed = Blob(100, other);
  WORD count = 0;
  CEOID openId = 0;
  std::vector<Prop> props;
  // Each action says whether the call failed.
  expectFault("CeCreateDatabase", [&] { return !CeCreateDatabase(u"New", 1, 0, nullptr); });
  expectFault("CeOpenDatabase", [&] {
    return CeOpenDatabase(&openId, u"Vexlund", 0, 0, nullptr) == INVALID_HANDLE_VALUE;
  });
  expectFault("CeSeekDatabase", [&] { return !CeSeekDatabase(db, CEDB_SEEK_END, 0, nullptr); });
  expectFault("CeWriteRecordProps", [&] { return !CeWriteRecordProps(db, record, 1, &changed); });
  expectFault("CeWriteRecordProps", [&] { return !CeWriteRecordProps(db, 0, 1, &changed); });
  expectFault("CeReadRecordProps", [&] {
    return !CeReadRecordProps(db, CEDB_ALLOWREALLOC, &count, nullptr, &buffer_, &size_);
  });
  // The failed read did not advance: the record is still the next one.
  ASSERT_EQ(Read(db, &props), record);
  EXPECT_EQ(props[0].bytes, bytes);
}

}  // namespace
