#include "platform/ui/afx/afx_msgmap.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static constexpr AFX_MSGMAP kMap{nullptr, nullptr, 0};
  return &kMap;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
  return GetThisMessageMap();
}

namespace afx {
namespace {

template <class Match>
const AFX_MSGMAP_ENTRY* FindEntry(const AFX_MSGMAP* map, Match match) {
  for (; map != nullptr; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (std::size_t i = 0; i < map->nEntries; ++i) {
      if (match(map->lpEntries[i])) return &map->lpEntries[i];
    }
  }
  return nullptr;
}

}  // namespace

const AFX_MSGMAP_ENTRY* FindMessageEntry(const AFX_MSGMAP* map, UINT message) {
  return FindEntry(map, [message](const AFX_MSGMAP_ENTRY& e) {
    if (e.kind == AfxEntryKind::kMessage) return e.message == message;
    return e.kind == AfxEntryKind::kRegistered && e.registered != nullptr && *e.registered != 0 &&
           *e.registered == message;
  });
}

const AFX_MSGMAP_ENTRY* FindCommandEntry(const AFX_MSGMAP* map, UINT code, UINT id) {
  return FindEntry(map, [code, id](const AFX_MSGMAP_ENTRY& e) {
    return e.kind == AfxEntryKind::kCommand && e.code == code && id >= e.firstId && id <= e.lastId;
  });
}

const AFX_MSGMAP_ENTRY* FindNotifyEntry(const AFX_MSGMAP* map, UINT code, UINT id) {
  return FindEntry(map, [code, id](const AFX_MSGMAP_ENTRY& e) {
    return e.kind == AfxEntryKind::kNotify && e.code == code && id >= e.firstId && id <= e.lastId;
  });
}

}  // namespace afx
