#include "platform/store_batch.h"

#include "platform/kernel.h"
#include "platform/object_store.h"

namespace os = platform::object_store::internal;

CStoreBatch::CStoreBatch() {
  // A batch that can't begin still counts as open: its writes then fail,
  // and Commit reports why.
  os::BeginBatch();
}

CStoreBatch::~CStoreBatch() {
  if (m_bOpen) os::EndBatch(false);
}

bool CStoreBatch::Commit() {
  if (!m_bOpen) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  m_bOpen = false;
  const DWORD result = os::EndBatch(true);
  if (result != ERROR_SUCCESS) SetLastError(result);
  return result == ERROR_SUCCESS;
}
