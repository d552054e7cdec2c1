// Run-time look-up of system functions that older Windows releases lack.
#pragma once

#include <windows.h>

// `proc` as a function pointer of type Fn (null stays null).
template <typename Fn>
Fn ProcAs(FARPROC proc) {
  // Through void(*)() so that the compiler accepts the change of signature.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

// The procedure `proc_name` of the already loaded module `module_name`, as a
// function pointer of type Fn, or null when the module is not loaded or does
// not export it. Nothing is loaded and no module handle is released.
template <typename Fn>
Fn LookUpSystemProc(LPCWSTR module_name, LPCSTR proc_name) {
  HMODULE module = GetModuleHandleW(module_name);
  if (module == nullptr) {
    return nullptr;
  }
  return ProcAs<Fn>(GetProcAddress(module, proc_name));
}
