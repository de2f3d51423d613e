#include "platform/secret_buffer.h"

#include <openssl/crypto.h>

#include "platform/kernel.h"

bool CSecretBuffer::Allocate(std::size_t bytes) {
  Release();
  m_pData = static_cast<BYTE*>(LocalAlloc(LPTR, bytes));
  if (m_pData == nullptr) return false;
  m_cbData = bytes;
  return true;
}

void CSecretBuffer::Release() {
  if (m_pData == nullptr) return;
  OPENSSL_cleanse(m_pData, m_cbData);
  LocalFree(m_pData);
  m_pData = nullptr;
  m_cbData = 0;
}
