#include "ui/accessible.h"

#include <ole2.h>
#include <oleacc.h>

#include <new>
#include <string>

#include "base/system_library.h"

namespace ui {

namespace {

// Dynamic Annotation's service and the property that makes a live region
// (UIAutomationCoreApi.h), which not every SDK declares.
constexpr CLSID kAccPropServicesClass = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kAccPropServicesInterface = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr GUID kLiveSettingProperty = {
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};

// The default action of a clickable windowless control.
constexpr wchar_t kClickAction[] = L"Ouvrir";

// oleacc and oleaut32 are not imported: few users run a client, and every
// start would pay for loading them.
struct TAccessibilityFunctions {
  decltype(&CreateStdAccessibleObject) CreateStandard;
  decltype(&LresultFromObject) Lresult;
  decltype(&AccessibleObjectFromWindow) FromWindow;
  decltype(&SysAllocStringLen) AllocString;
};

const TAccessibilityFunctions* Functions() noexcept {
  static const TAccessibilityFunctions functions{
      SystemFunction<decltype(&CreateStdAccessibleObject)>(L"oleacc.dll",
                                                           "CreateStdAccessibleObject"),
      SystemFunction<decltype(&LresultFromObject)>(L"oleacc.dll", "LresultFromObject"),
      SystemFunction<decltype(&AccessibleObjectFromWindow)>(L"oleacc.dll",
                                                            "AccessibleObjectFromWindow"),
      SystemFunction<decltype(&SysAllocStringLen)>(L"oleaut32.dll", "SysAllocStringLen")};
  const bool complete = functions.CreateStandard && functions.Lresult && functions.FromWindow &&
                        functions.AllocString;
  return complete ? &functions : nullptr;
}

VARIANT ChildId(LONG Id) noexcept {
  VARIANT child;
  V_VT(&child) = VT_I4;
  V_I4(&child) = Id;
  return child;
}

HRESULT Text(const std::wstring& Text, BSTR* Out) noexcept {
  if (Text.empty()) return S_FALSE;
  *Out = Functions()->AllocString(Text.data(), static_cast<UINT>(Text.size()));
  return *Out ? S_OK : E_OUTOFMEMORY;
}

UniqueCom<IAccessible> WindowObject(HWND Window) noexcept {
  UniqueCom<IAccessible> object;
  Functions()->FromWindow(Window, static_cast<DWORD>(OBJID_WINDOW), __uuidof(IAccessible),
                          reinterpret_cast<void**>(object.put()));
  return object;
}

}  // namespace

// The client object itself. Everything about the client area as a whole goes
// to the standard object; only the children are this object's own.
class TAccessibleClient final : public IAccessible, public IOleWindow {
 public:
  TAccessibleClient(HWND Window, UniqueCom<IAccessible> Standard,
                    const TControls& Controls) noexcept
      : FWindow(Window), FStandard(std::move(Standard)), FControls(&Controls) {}

  // The window and its controls are going: nothing here may reach them again.
  void Disconnect() noexcept {
    FControls = nullptr;
    FStandard.reset();
  }

  // ---- IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID Iid, void** Object) noexcept override {
    if (!Object) return E_POINTER;
    if (Iid == __uuidof(IUnknown) || Iid == __uuidof(IDispatch) || Iid == __uuidof(IAccessible)) {
      *Object = static_cast<IAccessible*>(this);
    } else if (Iid == __uuidof(IOleWindow)) {
      *Object = static_cast<IOleWindow*>(this);
    } else {
      *Object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return InterlockedIncrement(&FReferences); }
  ULONG STDMETHODCALLTYPE Release() noexcept override {
    const LONG left = InterlockedDecrement(&FReferences);
    // The COM idiom: the last reference given back ends the object, and this
    // is the only place that deletes it.
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // ---- IDispatch: clients use the IAccessible methods directly.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* Count) noexcept override {
    if (!Count) return E_POINTER;
    *Count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** Info) noexcept override {
    if (Info) *Info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID,
                                          DISPID*) noexcept override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) noexcept override {
    return E_NOTIMPL;
  }

  // ---- IOleWindow, through which clients find the window of an object.
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* Window) noexcept override {
    if (!Window) return E_POINTER;
    *Window = FControls ? FWindow : nullptr;
    return FControls ? S_OK : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) noexcept override { return E_NOTIMPL; }

  // ---- IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** Parent) noexcept override {
    if (!Parent) return E_POINTER;
    *Parent = nullptr;
    return FStandard ? FStandard.get()->get_accParent(Parent) : CO_E_OBJNOTCONNECTED;
  }

  HRESULT STDMETHODCALLTYPE get_accChildCount(long* Count) noexcept override {
    if (!Count) return E_POINTER;
    *Count = FControls ? static_cast<long>(FControls->size()) : 0;
    return FControls ? S_OK : CO_E_OBJNOTCONNECTED;
  }

  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT Child, IDispatch** Dispatch) noexcept override {
    if (!Dispatch) return E_POINTER;
    *Dispatch = nullptr;
    const TControl* control = nullptr;
    if (const HRESULT found = Find(Child, control); found != S_OK) return found;
    if (!control) return E_INVALIDARG;
    if (!control->Handle()) return S_FALSE;  // a simple element, known by its id
    UniqueCom<IAccessible> window = WindowObject(control->Handle());
    if (!window) return E_FAIL;
    *Dispatch = window.release();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE get_accName(VARIANT Child, BSTR* Name) noexcept override {
    if (!Name) return E_POINTER;
    *Name = nullptr;
    return Answer(
        Child, [&](IAccessible& Other, VARIANT Id) { return Other.get_accName(Id, Name); },
        [&](const TControl& Control) { return Text(Control.AccessibleName(), Name); });
  }

  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT Child, BSTR* Value) noexcept override {
    return TextNoneOfOurs(Child, Value, &IAccessible::get_accValue);
  }

  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT Child, BSTR* Description) noexcept override {
    return TextNoneOfOurs(Child, Description, &IAccessible::get_accDescription);
  }

  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT Child, VARIANT* Role) noexcept override {
    if (!Role) return E_POINTER;
    V_VT(Role) = VT_EMPTY;
    return Answer(
        Child, [&](IAccessible& Other, VARIANT Id) { return Other.get_accRole(Id, Role); },
        [&](const TControl& Control) {
          static constexpr LONG kRoles[] = {ROLE_SYSTEM_GRAPHIC, ROLE_SYSTEM_LINK,
                                            ROLE_SYSTEM_STATICTEXT};
          *Role = ChildId(kRoles[static_cast<int>(Control.AccessibleRole())]);
          return S_OK;
        });
  }

  HRESULT STDMETHODCALLTYPE get_accState(VARIANT Child, VARIANT* State) noexcept override {
    if (!State) return E_POINTER;
    V_VT(State) = VT_EMPTY;
    return Answer(
        Child, [&](IAccessible& Other, VARIANT Id) { return Other.get_accState(Id, State); },
        [&](const TControl& Control) {
          LONG state = Control.AccessibleRole() == TAccessibleRole::Link ? STATE_SYSTEM_LINKED
                                                                         : STATE_SYSTEM_READONLY;
          if (!Control.Visible() || !IsWindowVisible(FWindow)) state |= STATE_SYSTEM_INVISIBLE;
          *State = ChildId(state);
          return S_OK;
        });
  }

  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT Child, BSTR* Help) noexcept override {
    return TextNoneOfOurs(Child, Help, &IAccessible::get_accHelp);
  }

  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* File, VARIANT Child,
                                             long* Topic) noexcept override {
    if (!File || !Topic) return E_POINTER;
    *File = nullptr;
    *Topic = 0;
    return Answer(
        Child,
        [&](IAccessible& Other, VARIANT Id) { return Other.get_accHelpTopic(File, Id, Topic); },
        [](const TControl&) { return S_FALSE; });
  }

  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT Child, BSTR* Keys) noexcept override {
    return TextNoneOfOurs(Child, Keys, &IAccessible::get_accKeyboardShortcut);
  }

  // Asked here rather than of the standard object, whose child numbers are
  // not these: the focus is on the client itself, on a child window, or elsewhere.
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* Focus) noexcept override {
    if (!Focus) return E_POINTER;
    V_VT(Focus) = VT_EMPTY;
    if (!FControls) return CO_E_OBJNOTCONNECTED;
    const HWND focus = ::GetFocus();
    if (focus && focus == FWindow) {
      *Focus = ChildId(CHILDID_SELF);
      return S_OK;
    }
    for (size_t index = 0; focus && index < FControls->size(); ++index)
      if ((*FControls)[index]->Handle() == focus) return ChildAt(index, Focus);
    return S_FALSE;
  }

  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* Selection) noexcept override {
    if (!Selection) return E_POINTER;
    V_VT(Selection) = VT_EMPTY;
    return FStandard ? FStandard.get()->get_accSelection(Selection) : CO_E_OBJNOTCONNECTED;
  }

  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT Child, BSTR* Action) noexcept override {
    if (!Action) return E_POINTER;
    *Action = nullptr;
    return Answer(
        Child,
        [&](IAccessible& Other, VARIANT Id) { return Other.get_accDefaultAction(Id, Action); },
        [&](const TControl& Control) {
          return Control.OnClick ? Text(kClickAction, Action) : S_FALSE;
        });
  }

  HRESULT STDMETHODCALLTYPE accSelect(long Flags, VARIANT Child) noexcept override {
    return Answer(
        Child, [&](IAccessible& Other, VARIANT Id) { return Other.accSelect(Flags, Id); },
        [](const TControl&) { return DISP_E_MEMBERNOTFOUND; });
  }

  HRESULT STDMETHODCALLTYPE accLocation(long* Left, long* Top, long* Width, long* Height,
                                        VARIANT Child) noexcept override {
    if (!Left || !Top || !Width || !Height) return E_POINTER;
    *Left = *Top = *Width = *Height = 0;
    return Answer(
        Child,
        [&](IAccessible& Other, VARIANT Id) {
          return Other.accLocation(Left, Top, Width, Height, Id);
        },
        [&](const TControl& Control) {
          const TBounds& box = Control.Bounds();
          POINT origin{box.Left, box.Top};
          ClientToScreen(FWindow, &origin);
          *Left = origin.x;
          *Top = origin.y;
          *Width = box.Width;
          *Height = box.Height;
          return S_OK;
        });
  }

  // Children in creation order; the client's own neighbours are the
  // standard object's affair.
  HRESULT STDMETHODCALLTYPE accNavigate(long Direction, VARIANT Start,
                                        VARIANT* End) noexcept override {
    if (!End) return E_POINTER;
    V_VT(End) = VT_EMPTY;
    const TControl* control = nullptr;
    if (const HRESULT found = Find(Start, control); found != S_OK) return found;
    const auto count = static_cast<LONG>(FControls->size());
    const LONG id = V_I4(&Start);
    LONG next = 0;
    switch (Direction) {
      case NAVDIR_FIRSTCHILD:
      case NAVDIR_LASTCHILD:
        if (control) return S_FALSE;
        next = Direction == NAVDIR_FIRSTCHILD ? 1 : count;
        break;
      case NAVDIR_NEXT:
      case NAVDIR_PREVIOUS:
        if (!control) return FStandard.get()->accNavigate(Direction, Start, End);
        next = id + (Direction == NAVDIR_NEXT ? 1 : -1);
        break;
      default:
        if (!control) return FStandard.get()->accNavigate(Direction, Start, End);
        return DISP_E_MEMBERNOTFOUND;
    }
    if (next < 1 || next > count) return S_FALSE;
    return ChildAt(static_cast<size_t>(next - 1), End);
  }

  // Windowed controls lie above the windowless ones the form paints, and a
  // later windowless control above an earlier one.
  HRESULT STDMETHODCALLTYPE accHitTest(long Left, long Top, VARIANT* Child) noexcept override {
    if (!Child) return E_POINTER;
    V_VT(Child) = VT_EMPTY;
    if (!FControls) return CO_E_OBJNOTCONNECTED;
    POINT point{Left, Top};
    ScreenToClient(FWindow, &point);
    RECT client{};
    GetClientRect(FWindow, &client);
    if (!PtInRect(&client, point)) return FStandard.get()->accHitTest(Left, Top, Child);
    size_t hit = FControls->size();
    for (size_t index = FControls->size(); index-- > 0;) {
      const TControl& control = *(*FControls)[index];
      if (!control.Visible() || !control.Bounds().Contains(point)) continue;
      if (hit == FControls->size() || control.Handle()) hit = index;
      if (control.Handle()) break;
    }
    if (hit == FControls->size()) {
      *Child = ChildId(CHILDID_SELF);
      return S_OK;
    }
    return ChildAt(hit, Child);
  }

  // Posted: the client's call returns at once, and the click runs from the
  // message loop as a mouse click does, never inside another program's call.
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT Child) noexcept override {
    return Answer(
        Child, [](IAccessible& Other, VARIANT Id) { return Other.accDoDefaultAction(Id); },
        [&](const TControl& Control) -> HRESULT {
          if (!Control.OnClick) return DISP_E_MEMBERNOTFOUND;
          return PostMessageW(FWindow, WM_ACCESSIBLE_CLICK, V_I4(&Child) - 1, 0) ? S_OK : E_FAIL;
        });
  }

  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) noexcept override { return E_NOTIMPL; }

 private:
  // The control a child id names, or null for the client itself (S_OK);
  // CO_E_OBJNOTCONNECTED once the window is gone.
  HRESULT Find(const VARIANT& Child, const TControl*& Control) const noexcept {
    Control = nullptr;
    if (!FControls) return CO_E_OBJNOTCONNECTED;
    if (V_VT(&Child) != VT_I4) return E_INVALIDARG;
    const LONG id = V_I4(&Child);
    if (id == CHILDID_SELF) return S_OK;
    if (id < 1 || static_cast<size_t>(id) > FControls->size()) return E_INVALIDARG;
    Control = (*FControls)[id - 1].get();
    return S_OK;
  }

  // A text the windowless controls do not have (S_FALSE); the standard object
  // answers for the client and the windowed children.
  HRESULT TextNoneOfOurs(const VARIANT& Child, BSTR* Out,
                         HRESULT (STDMETHODCALLTYPE IAccessible::*Get)(VARIANT,
                                                                       BSTR*)) const noexcept {
    if (!Out) return E_POINTER;
    *Out = nullptr;
    return Answer(
        Child, [&](IAccessible& Other, VARIANT Id) { return (Other.*Get)(Id, Out); },
        [](const TControl&) { return S_FALSE; });
  }

  // The client goes to the standard object, a windowed control to its
  // window's object, and a windowless one to Own.
  template <typename DelegatedAnswer, typename OwnAnswer>
  HRESULT Answer(const VARIANT& Child, DelegatedAnswer Delegated, OwnAnswer Own) const noexcept {
    try {
      const TControl* control = nullptr;
      if (const HRESULT found = Find(Child, control); found != S_OK) return found;
      if (!control) return Delegated(*FStandard.get(), Child);
      if (!control->Handle()) return Own(*control);
      const UniqueCom<IAccessible> window = WindowObject(control->Handle());
      return window ? Delegated(*window.get(), ChildId(CHILDID_SELF)) : E_FAIL;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
  }

  // A windowless child by its id, a windowed one by its window's object.
  HRESULT ChildAt(size_t Index, VARIANT* Out) const noexcept {
    const HWND handle = (*FControls)[Index]->Handle();
    if (!handle) {
      *Out = ChildId(static_cast<LONG>(Index + 1));
      return S_OK;
    }
    UniqueCom<IAccessible> window = WindowObject(handle);
    if (!window) return E_FAIL;
    V_VT(Out) = VT_DISPATCH;
    V_DISPATCH(Out) = window.release();
    return S_OK;
  }

  LONG FReferences = 1;
  HWND FWindow;
  UniqueCom<IAccessible> FStandard;
  const TControls* FControls;
};

TAccessibleView::TAccessibleView() noexcept = default;

TAccessibleView::~TAccessibleView() { Disconnect(); }

LRESULT TAccessibleView::Answer(HWND Window, WPARAM Flags, const TControls& Controls) noexcept {
  if (FDisconnected) return 0;
  const TAccessibilityFunctions* functions = Functions();
  if (!functions) return 0;
  if (!FObject) {
    UniqueCom<IAccessible> standard;
    if (FAILED(functions->CreateStandard(Window, static_cast<LONG>(OBJID_CLIENT),
                                         __uuidof(IAccessible),
                                         reinterpret_cast<void**>(standard.put()))))
      return 0;
    try {
      auto object = std::make_unique<TAccessibleClient>(Window, std::move(standard), Controls);
      FObject.reset(object.release());
    } catch (const std::bad_alloc&) {
      return 0;
    }
    FWindow = Window;
    AnnotateLiveRegions(Controls);
  }
  return functions->Lresult(__uuidof(IAccessible), Flags, static_cast<IAccessible*>(FObject.get()));
}

// Annotated before the first object leaves, so that every client sees it.
void TAccessibleView::AnnotateLiveRegions(const TControls& Controls) noexcept {
  try {
    for (size_t index = 0; index < Controls.size(); ++index) {
      const TLiveSetting setting = Controls[index]->LiveSetting();
      if (setting == TLiveSetting::Off) continue;
      if (!FAnnotations && FAILED(CoCreateInstance(kAccPropServicesClass, nullptr,
                                                   CLSCTX_INPROC_SERVER, kAccPropServicesInterface,
                                                   reinterpret_cast<void**>(FAnnotations.put()))))
        return;
      const auto id = static_cast<LONG>(index + 1);
      FAnnotated.reserve(Controls.size());
      if (SUCCEEDED(FAnnotations.get()->SetHwndProp(FWindow, static_cast<DWORD>(OBJID_CLIENT),
                                                    static_cast<DWORD>(id), kLiveSettingProperty,
                                                    ChildId(static_cast<LONG>(setting)))))
        FAnnotated.push_back(id);
    }
  } catch (...) {
    // Without the annotation the events still reach every client.
  }
}

void TAccessibleView::Disconnect() noexcept {
  FDisconnected = true;
  // Annotations outlive their window unless they are cleared.
  for (const LONG id : FAnnotated)
    FAnnotations.get()->ClearHwndProps(FWindow, static_cast<DWORD>(OBJID_CLIENT),
                                       static_cast<DWORD>(id), &kLiveSettingProperty, 1);
  FAnnotated.clear();
  FAnnotations.reset();
  if (!FObject) return;
  FObject.get()->Disconnect();
  // Clients in other processes are cut off at once, and their stubs let go.
  CoDisconnectObject(static_cast<IAccessible*>(FObject.get()), 0);
  FObject.reset();
}

}  // namespace ui
