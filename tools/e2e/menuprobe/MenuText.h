#pragma once
// The items of a popup menu as text, one line per item:
//   <position> TAB <caption> TAB <flags> TAB <left>,<top>,<right>,<bottom>
// Shared by menuitems.exe and the probe it places in the menu's own process.
#include <windows.h>

#include <string>

namespace menuitems {

// The items as lines; empty when the menu cannot be read.
inline std::wstring Describe(HWND window, HMENU menu) {
  const int count = ::GetMenuItemCount(menu);
  if (count <= 0) return {};
  std::wstring out;
  for (int i = 0; i < count; ++i) {
    wchar_t caption[512] = {};
    ::GetMenuStringW(menu, static_cast<UINT>(i), caption, 512, MF_BYPOSITION);
    const UINT state = ::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    std::wstring flags;
    auto add = [&flags](const wchar_t* flag) { flags += (flags.empty() ? L"" : L"+") + std::wstring(flag); };
    if (state != static_cast<UINT>(-1)) {
      if (state & MF_SEPARATOR) add(L"separator");
      if (state & MF_CHECKED) add(L"checked");
      if ((state & (MF_GRAYED | MF_DISABLED)) && !(state & MF_SEPARATOR))
        add(L"grayed"); // a separator is never chosen
    }
    if (flags.empty()) flags = L"-";
    RECT r{};
    ::GetMenuItemRect(window, menu, static_cast<UINT>(i), &r);
    out += std::to_wstring(i) + L"\t" + caption + L"\t" + flags + L"\t" + std::to_wstring(r.left) + L"," +
           std::to_wstring(r.top) + L"," + std::to_wstring(r.right) + L"," + std::to_wstring(r.bottom) +
           L"\n";
  }
  return out;
}

} // namespace menuitems
