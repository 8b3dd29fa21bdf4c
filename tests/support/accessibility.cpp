#include "support/accessibility.h"

#include <cstdio>

VARIANT ChildId(long id) {
  VARIANT child;
  V_VT(&child) = VT_I4;
  V_I4(&child) = id;
  return child;
}

UniqueCom<IAccessible> ClientObject(HWND window) {
  UniqueCom<IAccessible> object;
  AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                             reinterpret_cast<void**>(object.put()));
  return object;
}

std::wstring Element(const std::wstring& name, long role, long state, RECT box) {
  return name + L" | role " + std::to_wstring(role) + L" | state " + std::to_wstring(state) +
         L" | " + std::to_wstring(box.left) + L"," + std::to_wstring(box.top) + L"," +
         std::to_wstring(box.right) + L"," + std::to_wstring(box.bottom);
}

std::wstring Describe(IAccessible& object, long child) {
  BSTR name = nullptr;
  VARIANT role{};
  VARIANT state{};
  long left = 0, top = 0, width = 0, height = 0;
  object.get_accName(ChildId(child), &name);
  object.get_accRole(ChildId(child), &role);
  object.get_accState(ChildId(child), &state);
  object.accLocation(&left, &top, &width, &height, ChildId(child));
  const std::wstring text = name ? name : L"";
  SysFreeString(name);
  return Element(text, V_VT(&role) == VT_I4 ? V_I4(&role) : -1,
                 V_VT(&state) == VT_I4 ? V_I4(&state) : -1,
                 {left, top, left + width, top + height});
}

std::string WindowFound(HWND window) {
  char text[32];
  std::snprintf(text, sizeof text, "window %p", static_cast<void*>(window));
  return text;
}

std::string Found(VARIANT found) {
  if (V_VT(&found) == VT_I4) return "child " + std::to_string(V_I4(&found));
  if (V_VT(&found) != VT_DISPATCH || !V_DISPATCH(&found)) return "none";
  UniqueCom<IAccessible> object;
  V_DISPATCH(&found)->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(object.put()));
  V_DISPATCH(&found)->Release();
  HWND window = nullptr;
  if (object) WindowFromAccessibleObject(object.get(), &window);
  return WindowFound(window);
}
