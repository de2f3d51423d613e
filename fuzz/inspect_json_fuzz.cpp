// `pda inspect --json` prints whatever a device stores, and a device may
// store any bytes: registry values of any name, type and length, and
// database records of any properties. Input: entries of [kind u8], then for
// a value [root u8][path text][name text][type u32][bytes chunk], for a
// record [database text][database type u32][property count u8] and per
// property [id u16][type u8][bytes chunk]. The JSON must stay valid.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "device/inspect.h"
#include "fuzz/support/fuzz_device.h"
#include "fuzz/support/fuzz_input.h"
#include "fuzz/support/json_check.h"
#include "platform/database.h"
#include "platform/kernel.h"
#include "platform/registry.h"

namespace {

const HKEY kRoots[] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT};
constexpr WORD kTypes[] = {CEVT_BLOB, CEVT_LPWSTR, CEVT_I2,      CEVT_I4,
                           CEVT_UI2,  CEVT_UI4,    CEVT_FILETIME};

void AddRecord(fuzz::Input& in) {
  const std::u16string name = in.Text16();
  const DWORD type = in.U32();
  CEOID oid = 0;
  HANDLE db = CeOpenDatabase(&oid, name.c_str(), 0, 0, nullptr);
  if (db == INVALID_HANDLE_VALUE) {
    oid = CeCreateDatabase(name.c_str(), type, 0, nullptr);
    if (oid == 0) return;
    db = CeOpenDatabase(&oid, nullptr, 0, 0, nullptr);
    if (db == INVALID_HANDLE_VALUE) return;
  }
  const int count = in.U8() % 8;
  std::vector<CEPROPVAL> values(count);
  std::vector<std::string> bytes(count);
  std::vector<std::u16string> texts(count);
  for (int i = 0; i < count; ++i) {
    const WORD id = in.U16();
    const WORD propType = kTypes[in.U8() % std::size(kTypes)];
    bytes[i] = std::string(in.Chunk());
    CEPROPVAL& v = values[i];
    v.propid = MAKEPROPID(id, propType);
    if (propType == CEVT_BLOB) {
      v.val.blob.dwCount = static_cast<DWORD>(bytes[i].size());
      v.val.blob.lpb = reinterpret_cast<BYTE*>(bytes[i].data());
    } else if (propType == CEVT_LPWSTR) {
      for (std::size_t c = 0; c + 1 < bytes[i].size(); c += 2)
        if (char16_t unit =
                char16_t(std::uint8_t(bytes[i][c]) | std::uint8_t(bytes[i][c + 1]) << 8))
          texts[i].push_back(unit);
      v.val.lpwstr = texts[i].data();
    } else {
      std::memcpy(&v.val, bytes[i].data(), std::min(bytes[i].size(), sizeof(v.val.filetime)));
    }
  }
  CeWriteRecordProps(db, 0, static_cast<WORD>(count), values.data());
  CloseHandle(db);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::OpenDevice();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InputWrites undo;
  fuzz::Input in(data, size);
  for (int entry = 0; entry < 24 && !in.Empty(); ++entry) {
    if (in.U8() & 1) {
      AddRecord(in);
      continue;
    }
    const HKEY root = kRoots[in.U8() % std::size(kRoots)];
    const std::u16string path = in.Text16();
    const std::u16string name = in.Text16();
    const DWORD type = in.U32();
    fuzz::SetValue(root, path.c_str(), name.c_str(), type, in.Chunk());
  }

  pda::DeviceSnapshot snapshot;
  std::vector<std::string> errors;
  pda::CollectSnapshot(&snapshot, &errors);
  std::ostringstream json;
  pda::WriteInspectJson(snapshot, json);
  std::string why;
  if (!fuzz::CheckJson(json.str(), &why)) {
    std::fprintf(stderr, "%s\n%s\n", why.c_str(), json.str().c_str());
    fuzz::Broken("inspect wrote invalid JSON");
  }
  std::ostringstream text;
  pda::WriteInspectText(snapshot, text);
  return 0;
}
