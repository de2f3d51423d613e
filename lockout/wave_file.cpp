#include "lockout/wave_file.h"

#include <cstring>

namespace {

WORD Word(const BYTE* at) {
  WORD value = 0;
  std::memcpy(&value, at, sizeof(value));
  return value;
}
DWORD Dword(const BYTE* at) {
  DWORD value = 0;
  std::memcpy(&value, at, sizeof(value));
  return value;
}

}  // namespace

bool ParseWaveHeader(const BYTE* header, std::uint64_t fileLength, WAVEFORMATEX* format,
                     WORD* extra, DWORD* dataSize) {
  if (fileLength < static_cast<std::uint64_t>(CWaveFile::kHeaderSize)) return false;
  // No chunk tag is checked: the header is taken to be the canonical one.
  format->wFormatTag = Word(header + 20);
  format->nChannels = Word(header + 22);
  format->nSamplesPerSec = Dword(header + 24);
  format->nAvgBytesPerSec = Dword(header + 28);
  format->nBlockAlign = Word(header + 32);
  format->wBitsPerSample = Word(header + 34);
  format->cbSize = Word(header + 36);
  *extra = format->wFormatTag == WAVE_FORMAT_GSM610 ? Word(header + 38) : 0;
  const DWORD declared = Dword(header + 40);
  const std::uint64_t rest = fileLength - CWaveFile::kHeaderSize;
  *dataSize =
      declared != 0 ? declared : static_cast<DWORD>(rest > 0xFFFFFFFFu ? 0xFFFFFFFFu : rest);
  return true;
}

bool CWaveFile::Open(LPCWSTR path) {
  Close();
  m_pFile = _wfopen(path, u"rb");
  if (m_pFile == nullptr) return false;
  BYTE header[kHeaderSize] = {};
  std::uint64_t length = 0;
  if (std::fseek(m_pFile, 0, SEEK_END) == 0) {
    const long end = std::ftell(m_pFile);
    if (end > 0) length = static_cast<std::uint64_t>(end);
  }
  if (std::fseek(m_pFile, 0, SEEK_SET) != 0 ||
      std::fread(header, 1, kHeaderSize, m_pFile) != static_cast<std::size_t>(kHeaderSize) ||
      !ParseWaveHeader(header, length, &m_format.base, &m_format.extra, &m_dwDataSize)) {
    Close();
    return false;
  }
  return true;
}

void CWaveFile::Close() {
  if (m_pFile != nullptr) std::fclose(m_pFile);
  m_pFile = nullptr;
}

DWORD CWaveFile::ReadSamples(BYTE* buffer, DWORD size) {
  if (m_pFile == nullptr) return 0;
  return static_cast<DWORD>(std::fread(buffer, 1, size, m_pFile));
}
