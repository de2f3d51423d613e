// One save as one change of the object store: the registry values,
// database records and system password that a save writes between the
// construction of a CStoreBatch and its Commit are stored all together or
// not at all, even when the process dies half way. Batches nest; only the
// outermost one stores.
#pragma once

#include "platform/windef.h"

class CStoreBatch {
 public:
  CStoreBatch();
  // Without a successful Commit everything written in the batch is undone.
  ~CStoreBatch();
  CStoreBatch(const CStoreBatch&) = delete;
  CStoreBatch& operator=(const CStoreBatch&) = delete;

  // True when the batch's writes are stored (for a nested batch: still
  // on their way, the outer Commit decides). False, with the last error
  // set, when they are not: the batch could not start, a message box was
  // shown in it, or the commit failed. A second call returns false.
  bool Commit();

 private:
  bool m_bOpen = true;
};
