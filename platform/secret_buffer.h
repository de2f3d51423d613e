// The one holder of secret bytes (a password's characters, a deciphered or
// not yet enciphered credential, a derived hash): a zero-filled block on the
// local heap that is wiped before it is released, on every path out.
#pragma once

#include <cstddef>

#include "platform/windef.h"

class CSecretBuffer {
 public:
  CSecretBuffer() = default;
  ~CSecretBuffer() { Release(); }
  CSecretBuffer(const CSecretBuffer&) = delete;
  CSecretBuffer& operator=(const CSecretBuffer&) = delete;

  // Replaces the block with `bytes` zeroed bytes; false (last error set,
  // holder empty) when the heap has no room.
  bool Allocate(std::size_t bytes);
  // Wipes and frees the block, leaving the holder empty.
  void Release();

  BYTE* Data() const { return m_pData; }
  std::size_t Size() const { return m_cbData; }

 private:
  BYTE* m_pData = nullptr;
  std::size_t m_cbData = 0;
};
