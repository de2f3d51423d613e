// Reader of the alarm's wave file: the canonical 44-byte header and the
// samples after it.
#pragma once

#include <cstdio>

#include "platform/file_io.h"

#include "platform/wave_out.h"
#include "platform/windef.h"

class CWaveFile {
 public:
  CWaveFile() = default;
  ~CWaveFile() { Close(); }
  CWaveFile(const CWaveFile&) = delete;
  CWaveFile& operator=(const CWaveFile&) = delete;

  // Opens the device file and reads its header. False when the file can't
  // be opened or is shorter than the header.
  bool Open(LPCWSTR path);
  void Close();
  // Reads up to `size` sample bytes; returns the number read.
  DWORD ReadSamples(BYTE* buffer, DWORD size);

  DWORD GetDataSize() const { return m_dwDataSize; }
  // The format record, with the extra GSM word after it.
  const WAVEFORMATEX* GetFormat() const { return &m_format.base; }

  static constexpr long kHeaderSize = 44;

 private:
  struct Format {
    WAVEFORMATEX base;
    WORD extra;
  };

  std::FILE* m_pFile = nullptr;
  DWORD m_dwDataSize = 0;
  Format m_format{};
};

// Decodes a 44-byte header; the file length decides a zero data size.
// Exposed for the fuzz target and the tests.
bool ParseWaveHeader(const BYTE* header, std::uint64_t fileLength, WAVEFORMATEX* format,
                     WORD* extra, DWORD* dataSize);
