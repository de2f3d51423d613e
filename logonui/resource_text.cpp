#include "logonui/resource_text.h"

#include "platform/ui/afx/afx.h"

std::u16string LoadResourceText(UINT id) {
  LPWSTR text = nullptr;
  const int length = LoadString(AfxGetResourceHandle(), id, reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 && text != nullptr ? std::u16string(text, static_cast<std::size_t>(length))
                                       : std::u16string();
}
