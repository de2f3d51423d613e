// Module states, one per shared object, found from an address inside it.
#include "platform/ui/afx/afx_module_state.h"

#include <dlfcn.h>
#include <link.h>

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <utility>

#include "platform/device.h"
#include "platform/modules.h"
#include "platform/ui/afx/afx_internal.h"
#include "platform/wstring.h"

namespace {

struct Registry {
  std::mutex lock;
  std::map<const void*, std::unique_ptr<AFX_MODULE_STATE>> states;
};

Registry& States() {
  static Registry registry;
  // A library's state goes with it: one loaded later at the same address
  // would otherwise start with the old one's resource handle.
  static const bool watching = [] {
    platform::modules::OnUnload([](const void* map) {
      Registry& states = States();
      std::lock_guard guard(states.lock);
      states.states.erase(map);
    });
    return true;
  }();
  static_cast<void>(watching);
  return registry;
}

const void* ProgramIdentity() {
  static const void* const identity = [] {
    link_map* map = nullptr;
    void* program = ::dlopen(nullptr, RTLD_NOW);
    if (program && ::dlinfo(program, RTLD_DI_LINKMAP, &map) != 0) map = nullptr;
    return static_cast<const void*>(map);
  }();
  return identity;
}

const void* IdentityOf(const void* address) {
  Dl_info info{};
  link_map* map = nullptr;
  if (::dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0 || !map) {
    return ProgramIdentity();
  }
  return map;
}

AFX_MODULE_STATE* StateOf(const void* identity) {
  Registry& registry = States();
  std::lock_guard guard(registry.lock);
  auto& state = registry.states[identity];
  if (!state) {
    state = std::make_unique<AFX_MODULE_STATE>();
    state->m_pModuleIdentity = identity;
  }
  return state.get();
}

thread_local AFX_MODULE_STATE* t_current = nullptr;

// The module handle LoadLibrary gave for a library of the device's file
// system: its file, as a device path, is how the loader knows it.
HINSTANCE LoadedModuleOf(const link_map* map) {
  if (!map->l_name || !*map->l_name || !platform::device::IsOpen()) return nullptr;
  std::error_code error;
  const std::filesystem::path root =
      std::filesystem::canonical(platform::device::Folder() / "fs", error);
  if (error) return nullptr;
  const std::filesystem::path file = std::filesystem::weakly_canonical(map->l_name, error);
  if (error) return nullptr;
  const std::filesystem::path relative = file.lexically_relative(root);
  if (relative.empty() || *relative.begin() == "..") return nullptr;
  std::u16string devicePath;
  for (const auto& part : relative) devicePath += u"\\" + platform::FromUtf8(part.string());
  return ::GetModuleHandle(devicePath.c_str());
}

HINSTANCE InstanceOf(const AFX_MODULE_STATE* state) {
  if (state->m_hCurrentInstanceHandle) return state->m_hCurrentInstanceHandle;
  if (!state->m_pModuleIdentity || state->m_pModuleIdentity == ProgramIdentity()) {
    return ::GetModuleHandle(nullptr);
  }
  return LoadedModuleOf(static_cast<const link_map*>(state->m_pModuleIdentity));
}

}  // namespace

namespace afx::detail {

AFX_MODULE_STATE* ModuleStateOfAddress(const void* address) {
  return StateOf(IdentityOf(address));
}

AFX_MODULE_STATE* ProgramModuleState() {
  return StateOf(ProgramIdentity());
}

}  // namespace afx::detail

AFX_MODULE_STATE* AfxGetModuleState() {
  return t_current ? t_current : afx::detail::ProgramModuleState();
}

AFX_MODULE_STATE* AfxSetModuleState(AFX_MODULE_STATE* state) {
  return std::exchange(t_current, state);
}

HINSTANCE AfxGetInstanceHandle() {
  return InstanceOf(AfxGetModuleState());
}

HINSTANCE AfxGetResourceHandle() {
  const AFX_MODULE_STATE* state = AfxGetModuleState();
  return state->m_hCurrentResourceHandle ? state->m_hCurrentResourceHandle : InstanceOf(state);
}

void AfxSetResourceHandle(HINSTANCE resources) {
  AfxGetModuleState()->m_hCurrentResourceHandle = resources;
}
