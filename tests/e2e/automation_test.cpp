// The running program read through UI Automation from another process, as
// screen readers on Windows 10 and 11 read it: the system's MSAA proxy makes
// elements of the program's accessible objects.

#include "e2e/program_under_test.h"

#include <ole2.h>
#include <oleacc.h>
#include <uiautomationclient.h>

#include <optional>
#include <string>
#include <vector>

#include "support/accessibility.h"
#include "support/text.h"

namespace {

using namespace e2e;

// An element as a screen reader gets it, printed "type | name | l,t,r,b".
struct Part {
  CONTROLTYPEID Type = 0;
  std::wstring Name;
  RECT Box{};
};

std::string Shown(const Part& part) {
  const RECT& b = part.Box;
  return std::to_string(part.Type) + " | " + Narrow(part.Name) + " | " + std::to_string(b.left) +
         "," + std::to_string(b.top) + "," + std::to_string(b.right) + "," +
         std::to_string(b.bottom);
}

Part Read(IUIAutomationElement& element) {
  Part part;
  BSTR name = nullptr;
  element.get_CurrentControlType(&part.Type);
  element.get_CurrentBoundingRectangle(&part.Box);
  if (SUCCEEDED(element.get_CurrentName(&name)) && name) part.Name = name;
  SysFreeString(name);
  return part;
}

RECT OnScreen(HWND window, RECT box) {
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&box), 2);
  return box;
}

RECT WindowBox(HWND window) {
  RECT box{};
  GetWindowRect(window, &box);
  return box;
}

// Where MSAA places a windowless child, for the caption whose width its font sets.
RECT AccessibleBox(HWND window, long child) {
  long left = 0, top = 0, width = 0, height = 0;
  if (const UniqueCom<IAccessible> client = ClientObject(window))
    client.get()->accLocation(&left, &top, &width, &height, ChildId(child));
  return {left, top, left + width, top + height};
}

// Image1's box at 96 DPI.
constexpr RECT kLogoBox{0, 0, 114, 113};

class Automation : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    FComInitialised = true;
    const HRESULT created =
        CoCreateInstance(__uuidof(CUIAutomation), nullptr, CLSCTX_INPROC_SERVER,
                         __uuidof(IUIAutomation), reinterpret_cast<void**>(FAutomation.put()));
    if (created == REGDB_E_CLASSNOTREG)
      GTEST_SKIP() << "no UI Automation on this system (CUIAutomation is not registered)";
    ASSERT_EQ(created, S_OK);
  }
  void TearDown() override {
    FAutomation.reset();
    ProgramTest::TearDown();
    if (FComInitialised) CoUninitialize();
  }

  [[nodiscard]] UniqueCom<IUIAutomationElement> ElementOf(HWND window) const {
    UniqueCom<IUIAutomationElement> element;
    FAutomation.get()->ElementFromHandle(window, element.put());
    return element;
  }

  // The windowless parts among the element's children, in the system's order
  // (Wine 10's tree walkers are stubs; FindAll is not).
  [[nodiscard]] std::vector<std::string> WindowlessParts(IUIAutomationElement& parent) const {
    UniqueCom<IUIAutomationCondition> all;
    UniqueCom<IUIAutomationElementArray> found;
    std::vector<std::string> parts;
    FAutomation.get()->CreateTrueCondition(all.put());
    if (FAILED(parent.FindAll(TreeScope_Children, all.get(), found.put())) || !found) return parts;
    int count = 0;
    found.get()->get_Length(&count);
    for (int i = 0; i < count; ++i) {
      UniqueCom<IUIAutomationElement> child;
      if (FAILED(found.get()->GetElement(i, child.put())) || !child) continue;
      const Part part = Read(*child.get());
      if (part.Type == UIA_HyperlinkControlTypeId || part.Type == UIA_TextControlTypeId)
        parts.push_back(Shown(part));
    }
    return parts;
  }

  UniqueCom<IUIAutomation> FAutomation;
  bool FComInitialised = false;
};

TEST_F(Automation, TheWindowItsPartsAndTheStateAfterAToggle) {
  SetTrackerPath(kTrackerFolder);
  const HWND form = StartProgram();
  ASSERT_NE(form, nullptr);
  Settle(form);
  const UniqueCom<IUIAutomationElement> window = ElementOf(form);
  ASSERT_TRUE(window);
  EXPECT_EQ(Shown(Read(*window.get())),
            Shown({UIA_WindowControlTypeId, L"Trelvane", WindowBox(form)}));
  const auto parts = [&](const wchar_t* state) {
    return std::vector<std::string>{
        Shown({UIA_HyperlinkControlTypeId, L"Accéder au site Web du Faelorn",
               OnScreen(form, AtDpi(kLogoBox))}),
        Shown({UIA_TextControlTypeId, L"Etat registre OpenTrack :", AccessibleBox(form, 2)}),
        Shown({UIA_TextControlTypeId, state, OnScreen(form, AtDpi(kStateBox))})};
  };
  EXPECT_EQ(WindowlessParts(*window.get()), parts(L"Activé"));

  // A real window of its own: its type is the system's to give (Wine's proxy
  // says Pane where Windows says Button).
  const HWND button = ButtonOf(form);
  const UniqueCom<IUIAutomationElement> buttonElement = ElementOf(button);
  ASSERT_TRUE(buttonElement);
  const Part read = Read(*buttonElement.get());
  EXPECT_EQ(Shown({0, read.Name, read.Box}), Shown({0, L"Désactiver", WindowBox(button)}));

  ClickCentreOf(button);
  EXPECT_TRUE(
      WaitUntil([&] { return WindowlessParts(*window.get()) == parts(L"Désactivé"); }, 5000));
  EXPECT_EQ(WindowlessParts(*window.get()), parts(L"Désactivé"));
  CloseAndExpectCleanExit(Program(), form);
}

}  // namespace
