#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "Trelvane.h"
#include "base/module_path.h"
#include "base/unique_handle.h"
#include "support/accessibility.h"
#include "support/child_process.h"
#include "support/requirements.h"
#include "ui/application.h"
#include "ui/test_host.h"

namespace {

using ui::TBounds;

constexpr COLORREF kWhite = RGB(255, 255, 255);

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (Form1 && Form1->PreTranslateKey(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

TBounds ChildBounds(HWND child) {
  RECT box{};
  GetWindowRect(child, &box);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&box), 2);
  return {box.left, box.top, box.right - box.left, box.bottom - box.top};
}

int FontHeightOf(HWND window) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof(font), &font);
  return font.lfHeight;
}

// The main window created in this process, as the program creates it.
class FormTest : public testing::Test {
 protected:
  void SetUp() override {
    FForm = std::make_unique<TForm1>(FHost);
    Form1 = FForm.get();
    FForm->Create();
    Window = FForm->Handle();
    Button = FForm->Button1->Handle();
    ASSERT_NE(Window, nullptr);
  }
  void TearDown() override {
    if (FForm) FForm->Close();
    FForm.reset();
    Form1 = nullptr;
    PumpMessages();
  }

  // The layout at 144 DPI, whether created there or moved there.
  void ExpectControlsAt144() const {
    EXPECT_EQ(FForm->Image1->Bounds(), (TBounds{0, 0, 171, 170}));
    EXPECT_EQ(FForm->LabelEtat->Bounds(), (TBounds{210, 53, 269, 31}));
    EXPECT_EQ(ChildBounds(Button), (TBounds{264, 108, 170, 38}));
    EXPECT_EQ(FForm->LabelTitre->Bounds().Left, 210);
    EXPECT_EQ(FForm->LabelTitre->Bounds().Top, 12);
    EXPECT_EQ(FForm->Font().Height, -18);
    EXPECT_EQ(FontHeightOf(Button), -18);
    EXPECT_EQ(FForm->LabelEtat->Font().Height, -24);
    EXPECT_EQ(FForm->LabelTitre->Font().Height, -24);
  }

  // What a screen reader finds: the windowless controls by id in creation
  // order, the button by its own window, each where it is drawn.
  void ExpectAccessibleTree() {
    FForm->SetStateCaption(L"Activé");
    FForm->SetButtonVisible(true);
    ShowAndPaint();
    const UniqueCom<IAccessible> object = ClientObject(Window);
    ASSERT_TRUE(object);
    IAccessible& client = *object.get();
    VARIANT children[5];
    long count = 0;
    ASSERT_EQ(AccessibleChildren(&client, 0, 5, children, &count), S_FALSE) << "fewer than 5";
    ASSERT_EQ(count, 4);
    EXPECT_EQ(Found(children[3]), WindowFound(Button));
    const struct {
      const ui::TControl* Control;
      const wchar_t* Name;
      long Role, State;
    } expected[] = {
        {FForm->Image1, L"Accéder au site Web du Faelorn", ROLE_SYSTEM_LINK, STATE_SYSTEM_LINKED},
        {FForm->LabelTitre, L"Etat registre OpenTrack :", ROLE_SYSTEM_STATICTEXT,
         STATE_SYSTEM_READONLY},
        {FForm->LabelEtat, L"Activé", ROLE_SYSTEM_STATICTEXT, STATE_SYSTEM_READONLY}};
    for (long id = 1; id <= 3; ++id) {
      const auto& e = expected[id - 1];
      const RECT box = OnScreen(e.Control->Bounds());
      EXPECT_EQ(Found(children[id - 1]), "child " + std::to_string(id));
      EXPECT_EQ(Describe(client, id), Element(e.Name, e.Role, e.State, box));
      EXPECT_EQ(HitTest(client, box.left, box.top), "child " + std::to_string(id));
    }
    EXPECT_EQ(
        HitTest(client, OnScreen(ChildBounds(Button)).left, OnScreen(ChildBounds(Button)).top),
        WindowFound(Button));
    const RECT blank = OnScreen(ui::ScaleBounds({130, 100, 1, 1}, FForm->CurrentDpi(), 96));
    EXPECT_EQ(HitTest(client, blank.left, blank.top), "child 0");
    VARIANT next;
    client.accNavigate(NAVDIR_NEXT, ChildId(3), &next);
    EXPECT_EQ(Found(next), WindowFound(Button));

    FForm->Image1->SetVisible(false);
    const RECT logo = OnScreen(FForm->Image1->Bounds());
    EXPECT_EQ(Describe(client, 1), Element(expected[0].Name, ROLE_SYSTEM_LINK,
                                           STATE_SYSTEM_LINKED | STATE_SYSTEM_INVISIBLE, logo));
    EXPECT_EQ(HitTest(client, logo.left, logo.top), "child 0");
  }
  [[nodiscard]] RECT OnScreen(const TBounds& bounds) const {
    RECT box = bounds.Rect();
    MapWindowPoints(Window, nullptr, reinterpret_cast<POINT*>(&box), 2);
    return box;
  }
  static std::string HitTest(IAccessible& client, long x, long y) {
    VARIANT hit;
    client.accHitTest(x, y, &hit);
    return Found(hit);
  }

  void ShowAndPaint() {
    ShowWindow(Window, SW_SHOWNORMAL);
    SetForegroundWindow(Window);
    Repaint();
  }
  void Repaint() {
    PumpMessages();
    RedrawWindow(Window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpMessages();
    GdiFlush();
  }
  [[nodiscard]] COLORREF Pixel(int x, int y) const {
    const WindowDc dc(Window);
    return GetPixel(dc.get(), x, y);
  }
  // Whether any pixel of the box has this colour.
  [[nodiscard]] bool BoxHolds(const TBounds& box, COLORREF color) const {
    const WindowDc dc(Window);
    for (int y = box.Top; y < box.Top + box.Height; ++y)
      for (int x = box.Left; x < box.Left + box.Width; ++x)
        if (GetPixel(dc.get(), x, y) == color) return true;
    return false;
  }

  void PressKey(HWND target, WPARAM key) {
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
    PumpMessages();
  }
  void Press(int x, int y) { SendMessageW(Window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
  void Release(int x, int y) { SendMessageW(Window, WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }

  TestHost FHost;
  std::unique_ptr<TForm1> FForm;
  HWND Window = nullptr;
  HWND Button = nullptr;
};

// ---- 96 DPI

using Form96 = FormTest;

TEST_F(Form96, WindowClassStylesAndFrameAreThoseOfAFixedToolWindow) {
  wchar_t className[32] = {};
  GetClassNameW(Window, className, 32);
  EXPECT_STREQ(className, L"TForm1");
  EXPECT_EQ(GetClassLongW(Window, GCL_STYLE), static_cast<DWORD>(CS_DBLCLKS));
  const DWORD style = GetWindowLongW(Window, GWL_STYLE);
  const DWORD expected = WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
  EXPECT_EQ(style & ~WS_VISIBLE, expected);
  const DWORD exStyle = GetWindowLongW(Window, GWL_EXSTYLE);
  const DWORD expectedEx = WS_EX_CONTROLPARENT | WS_EX_APPWINDOW | WS_EX_TOOLWINDOW;
  EXPECT_EQ(exStyle & expectedEx, expectedEx);
  EXPECT_EQ(GetWindow(Window, GW_OWNER), nullptr);
  wchar_t caption[32] = {};
  GetWindowTextW(Window, caption, 32);
  EXPECT_STREQ(caption, L"Trelvane");
  EXPECT_FALSE(IsWindowVisible(Window)) << "shown only by the message loop";
  EXPECT_NE(ui::Application.FormIcon(), nullptr);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(Window, WM_GETICON, ICON_BIG, 0)),
            FHost.FormIcon());
  EXPECT_EQ(GetDlgCtrlID(Button), 100);
}

TEST_F(Form96, TheLayoutBindsTheFourEventsByName) {
  EXPECT_TRUE(FForm->OnCreate);
  EXPECT_TRUE(FForm->OnClose);
  EXPECT_TRUE(FForm->Button1->OnClick);
  EXPECT_TRUE(FForm->Image1->OnClick);
  EXPECT_FALSE(FForm->LabelEtat->OnClick);
  EXPECT_FALSE(FForm->LabelTitre->OnClick);
}

TEST_F(Form96, GeometryAndFontsAreTheDesignOnes) {
  RECT client{};
  GetClientRect(Window, &client);
  EXPECT_EQ(client.right, 327);
  EXPECT_EQ(client.bottom, 114);
  EXPECT_EQ(FForm->CurrentDpi(), 96);
  EXPECT_EQ(FForm->Image1->Bounds(), (TBounds{0, 0, 114, 113}));
  EXPECT_EQ(FForm->LabelEtat->Bounds(), (TBounds{140, 35, 179, 21}));
  EXPECT_EQ(ChildBounds(Button), (TBounds{176, 72, 113, 25}));
  // The title takes its text's size, from where the layout put it.
  const TBounds title = FForm->LabelTitre->Bounds();
  EXPECT_EQ(title.Left, 140);
  EXPECT_EQ(title.Top, 8);
  EXPECT_GT(title.Width, 100);
  EXPECT_GT(title.Height, 10);
  EXPECT_EQ(FForm->Font().Height, -12);
  EXPECT_EQ(FForm->Font().Name, L"Segoe UI");
  EXPECT_EQ(FontHeightOf(Button), -12);
  EXPECT_EQ(FForm->LabelEtat->Font().Height, -16);
  EXPECT_TRUE(FForm->LabelEtat->Font().Bold);
  EXPECT_EQ(FForm->LabelTitre->Font().Height, -16);
  EXPECT_EQ(FForm->LabelTitre->Font().Name, L"Segoe UI Semibold");
  EXPECT_EQ(FForm->LabelTitre->Font().Charset, ANSI_CHARSET);
  EXPECT_FALSE(FForm->Image1->Picture().Empty());
  EXPECT_EQ(FForm->Image1->Picture().Size().Width, 512);
}

TEST_F(Form96, LogoIsDrawn113SquareWithTheWhiteWindowBesideIt) {
  ShowAndPaint();
  bool lastColumnDrawn = false;
  bool lastRowDrawn = false;
  for (int i = 0; i < 113; ++i) {
    EXPECT_EQ(Pixel(113, i), kWhite) << "column 113, row " << i;
    EXPECT_EQ(Pixel(i, 113), kWhite) << "row 113, column " << i;
    lastColumnDrawn |= Pixel(112, i) != kWhite;
    lastRowDrawn |= Pixel(i, 112) != kWhite;
  }
  EXPECT_TRUE(lastColumnDrawn);
  EXPECT_TRUE(lastRowDrawn);
}

TEST_F(Form96, StateLabelShowsItsColoursInTheThreeStates) {
  ShowAndPaint();
  const TBounds box = FForm->LabelEtat->Bounds();
  for (const Shown state : {Shown::Missing, Shown::Disabled, Shown::Enabled}) {
    const ExpectedPresentation& shown = Expected(state);
    SCOPED_TRACE(shown.StateCaption);
    FForm->SetStateCaption(shown.StateCaption);
    FForm->SetStateColor(shown.StateColor);
    FForm->SetStateFontColor(shown.StateFontColor);
    Repaint();
    const COLORREF back = ui::ColorToRGB(shown.StateColor);
    EXPECT_EQ(Pixel(box.Left, box.Top), back);
    EXPECT_EQ(Pixel(box.Left + box.Width - 1, box.Top + box.Height - 1), back);
    EXPECT_TRUE(BoxHolds(box, ui::ColorToRGB(shown.StateFontColor)));
    EXPECT_EQ(Pixel(box.Left - 1, box.Top), kWhite);
    EXPECT_EQ(Pixel(box.Left + box.Width, box.Top), kWhite);
  }
}

TEST_F(Form96, LongStateCaptionIsClippedAtBothSidesOfItsBox) {
  ShowAndPaint();
  FForm->SetStateColor(ui::clBlack);
  FForm->SetStateFontColor(ui::clWhite);
  FForm->SetStateCaption(std::wstring(60, L'W'));
  Repaint();
  const TBounds box = FForm->LabelEtat->Bounds();
  EXPECT_TRUE(BoxHolds({box.Left, box.Top, 4, box.Height}, kWhite)) << "left end drawn";
  EXPECT_TRUE(BoxHolds({box.Left + box.Width - 4, box.Top, 4, box.Height}, kWhite))
      << "right end drawn";
  for (int y = box.Top; y < box.Top + box.Height; ++y) {
    EXPECT_EQ(Pixel(box.Left - 1, y), kWhite) << "nothing drawn left of the box";
    EXPECT_EQ(Pixel(box.Left + box.Width, y), kWhite) << "nothing drawn right of the box";
  }
}

TEST_F(Form96, AnEqualCaptionRepaintsNothing) {
  ShowAndPaint();
  FForm->SetStateCaption(L"Activé");
  ValidateRect(Window, nullptr);
  FForm->SetStateCaption(L"Activé");
  EXPECT_FALSE(GetUpdateRect(Window, nullptr, FALSE));
  FForm->SetStateCaption(L"Désactivé");
  EXPECT_TRUE(GetUpdateRect(Window, nullptr, FALSE));
}

TEST_F(Form96, WithoutTheButtonTheWindowKeepsTheFocusAndEnterDoesNothing) {
  int clicks = 0;
  FForm->Button1->OnClick = [&](ui::TObject*) { ++clicks; };
  FForm->SetButtonVisible(false);
  ShowAndPaint();
  EXPECT_EQ(GetFocus(), Window);
  PressKey(Window, VK_RETURN);
  PressKey(Window, VK_SPACE);
  PressKey(Window, VK_TAB);
  EXPECT_EQ(GetFocus(), Window);
  EXPECT_EQ(clicks, 0);
}

TEST_F(Form96, TheFocusedButtonLooksDefaultAndEnterAndSpaceClickIt) {
  int clicks = 0;
  FForm->Button1->OnClick = [&](ui::TObject* sender) {
    EXPECT_EQ(sender, FForm->Button1);
    ++clicks;
  };
  FForm->SetButtonVisible(true);
  ShowAndPaint();
  ASSERT_EQ(GetFocus(), Button) << "the button takes the focus when the window activates";
  EXPECT_EQ(clicks, 0) << "focusing does not click";
  EXPECT_EQ(GetWindowLongW(Button, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  PressKey(Button, VK_RETURN);
  EXPECT_EQ(clicks, 1);
  PressKey(Button, VK_SPACE);
  EXPECT_EQ(clicks, 2);
  PressKey(Button, VK_ESCAPE);
  EXPECT_EQ(clicks, 2);
}

TEST_F(Form96, AControlTheUserCannotSeeOrUseNeverActsHoweverTheClickComes) {
  int clicks = 0;
  FForm->Button1->OnClick = [&](ui::TObject*) { ++clicks; };
  FForm->Image1->OnClick = [&](ui::TObject*) { ++clicks; };
  FForm->SetButtonVisible(true);
  ShowAndPaint();
  // As another program or an accessibility client clicks: the button's own
  // click, its notification posted, the picture's default action.
  const auto clicksByEveryPath = [&] {
    clicks = 0;
    SendMessageW(Button, BM_CLICK, 0, 0);
    PostMessageW(Window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(Button));
    PostMessageW(Window, ui::WM_ACCESSIBLE_CLICK, 0, 0);
    PumpMessages();
    return clicks;
  };
  EXPECT_EQ(clicksByEveryPath(), 3) << "shown and enabled";
  FForm->SetButtonVisible(false);
  FForm->Image1->SetVisible(false);
  EXPECT_EQ(clicksByEveryPath(), 0) << "hidden";
  FForm->SetButtonVisible(true);
  FForm->Image1->SetVisible(true);
  EnableWindow(Button, FALSE);
  EXPECT_EQ(clicksByEveryPath(), 1) << "the button disabled: the picture alone";
  EnableWindow(Button, TRUE);
  EnableWindow(Window, FALSE);
  EXPECT_EQ(clicksByEveryPath(), 0) << "the window disabled, as while a box is open";
  EnableWindow(Window, TRUE);
  ShowWindow(Window, SW_HIDE);
  EXPECT_EQ(clicksByEveryPath(), 0) << "the window hidden";
}

TEST_F(Form96, TwoQuickClicksOnTheButtonAreTwoClicks) {
  int clicks = 0;
  FForm->Button1->OnClick = [&](ui::TObject*) { ++clicks; };
  FForm->SetButtonVisible(true);
  ShowAndPaint();
  const LPARAM inside = MAKELPARAM(10, 10);
  SendMessageW(Button, WM_LBUTTONDOWN, MK_LBUTTON, inside);
  SendMessageW(Button, WM_LBUTTONUP, 0, inside);
  SendMessageW(Button, WM_LBUTTONDBLCLK, MK_LBUTTON, inside);
  SendMessageW(Button, WM_LBUTTONUP, 0, inside);
  PumpMessages();
  EXPECT_EQ(clicks, 2);
}

TEST_F(Form96, HidingTheFocusedButtonHandsTheFocusToTheWindowUntilTab) {
  FForm->SetButtonVisible(true);
  ShowAndPaint();
  ASSERT_EQ(GetFocus(), Button);
  FForm->SetButtonVisible(false);
  EXPECT_EQ(GetFocus(), Window);
  EXPECT_FALSE(IsWindowVisible(Button));
  FForm->SetButtonVisible(true);
  PumpMessages();
  EXPECT_EQ(GetFocus(), Window) << "the focus does not come back by itself";
  EXPECT_EQ(GetWindowLongW(Button, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
  PressKey(Window, VK_TAB);
  EXPECT_EQ(GetFocus(), Button);
}

TEST_F(Form96, ThePictureIsClickedOnlyWhenPressAndReleaseAreBothInside) {
  int clicks = 0;
  FForm->Image1->OnClick = [&](ui::TObject*) { ++clicks; };
  ShowAndPaint();
  Press(50, 50);
  Release(200, 50);
  Press(50, 50);
  Release(-5, 50);
  Press(200, 50);
  Release(50, 50);
  EXPECT_EQ(clicks, 0);
  Press(10, 10);
  Release(100, 100);
  EXPECT_EQ(clicks, 1);
}

TEST_F(Form96, AfterTheCloseHandlerNothingReachesTheReleasedObjects) {
  int closes = 0;
  int clicks = 0;
  FForm->OnClose = [&](ui::TObject* sender, ui::TCloseAction& action) {
    EXPECT_EQ(sender, FForm.get());
    EXPECT_EQ(action, ui::TCloseAction::caHide);
    ++closes;
  };
  FForm->Button1->OnClick = [&](ui::TObject*) { ++clicks; };
  FForm->Image1->OnClick = [&](ui::TObject*) { ++clicks; };
  FForm->SetButtonVisible(true);
  ShowAndPaint();
  SendMessageW(Window, WM_CLOSE, 0, 0);
  SendMessageW(Window, WM_CLOSE, 0, 0);
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(FHost.Closed, 1) << "the application is told once";
  SendMessageW(Window, WM_COMMAND, MAKEWPARAM(100, BN_CLICKED), reinterpret_cast<LPARAM>(Button));
  Press(10, 10);
  Release(10, 10);
  EXPECT_EQ(clicks, 0);
  EXPECT_TRUE(FForm->Closed());
}

TEST_F(Form96, ADensityChangeRescalesControlsAndFontsAndTakesTheSuggestedRectangle) {
  ShowAndPaint();
  RECT suggested{};
  GetWindowRect(Window, &suggested);
  suggested.right = suggested.left + 520;
  suggested.bottom = suggested.top + 200;
  SendMessageW(Window, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  RECT now{};
  GetWindowRect(Window, &now);
  EXPECT_TRUE(EqualRect(&now, &suggested));
  EXPECT_EQ(FForm->CurrentDpi(), 144);
  ExpectControlsAt144();
  EXPECT_TRUE(IsWindowVisible(Window)) << "drawing is resumed";
}

TEST_F(Form96, ADensityChangeBeforeTheFirstShowingLeavesThatShowingToShowAndActivate) {
  RECT suggested{};
  GetWindowRect(Window, &suggested);
  SendMessageW(Window, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  EXPECT_FALSE(IsWindowVisible(Window));
  FForm->Show(SW_SHOWNORMAL);
  PumpMessages();
  EXPECT_TRUE(IsWindowVisible(Window));
  EXPECT_EQ(GetActiveWindow(), Window);
}

TEST_F(Form96, ScreenReadersFindTheLogoTheTitleTheStateAndTheButton) { ExpectAccessibleTree(); }

TEST_F(Form96, TheLinksDefaultActionIsPostedAndTheObjectOutlivesTheWindow) {
  int clicks = 0;
  FForm->Image1->OnClick = [&](ui::TObject*) { ++clicks; };
  ShowAndPaint();
  const UniqueCom<IAccessible> object = ClientObject(Window);
  ASSERT_TRUE(object);
  EXPECT_EQ(object.get()->accDoDefaultAction(ChildId(1)), S_OK);
  EXPECT_EQ(clicks, 0) << "run inside the client's call";
  PumpMessages();
  EXPECT_EQ(clicks, 1);

  FForm.reset();
  Form1 = nullptr;
  long count = 0;
  EXPECT_EQ(object.get()->get_accChildCount(&count), CO_E_OBJNOTCONNECTED);
  EXPECT_EQ(object.get()->accDoDefaultAction(ChildId(1)), CO_E_OBJNOTCONNECTED);
  EXPECT_EQ(Describe(*object.get(), 3), Element(L"", -1, -1, {})) << "read from freed controls";
}

WPARAM UiStateChange = 0;

LRESULT CALLBACK RecordUiStateChange(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR) noexcept {
  if (message == WM_CHANGEUISTATE) UiStateChange = wParam;
  return DefSubclassProc(window, message, wParam, lParam);
}

TEST_F(Form96, TheFocusGivenToTheWindowGoesToTheButtonAndTabShowsFocusCues) {
  FForm->SetButtonVisible(true);
  ShowAndPaint();
  SetFocus(Window);  // as Windows does on restoring a window activated while minimised
  EXPECT_EQ(GetFocus(), Button);
  SetWindowSubclass(Window, RecordUiStateChange, 1, 0);
  PressKey(Button, VK_TAB);
  RemoveWindowSubclass(Window, RecordUiStateChange, 1);
  EXPECT_EQ(UiStateChange, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS));
}

TEST_F(Form96, InHighContrastTheBackgroundTakesTheWindowColourAndTheStateKeepsItsOwn) {
  const int indexes[] = {COLOR_WINDOW, COLOR_WINDOWTEXT};
  const COLORREF dark[] = {RGB(0, 0, 0), RGB(255, 255, 255)};
  // Put back whatever happens: the session's later tests read these colours.
  const struct Restore {
    COLORREF Colors[2] = {GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT)};
    ~Restore() {
      const int indexes[] = {COLOR_WINDOW, COLOR_WINDOWTEXT};
      SetSysColors(2, indexes, Colors);
      ui::HighContrastOn = Query;
    }
    bool (*Query)() noexcept = ui::HighContrastOn;
  } restore;
  FForm->SetStateColor(ui::clRed);
  ShowAndPaint();
  for (const bool highContrast : {false, true}) {
    ui::HighContrastOn = highContrast ? +[]() noexcept { return true; } : restore.Query;
    ASSERT_TRUE(SetSysColors(2, indexes, dark));
    SendMessageW(Window, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    Repaint();
    EXPECT_EQ(Pixel(130, 100), highContrast ? RGB(0, 0, 0) : kWhite);
    EXPECT_TRUE(!highContrast || BoxHolds(FForm->LabelTitre->Bounds(), RGB(255, 255, 255)))
        << "the title readable";
    EXPECT_EQ(Pixel(FForm->LabelEtat->Bounds().Left, FForm->LabelEtat->Bounds().Top),
              RGB(255, 0, 0));
  }
}

struct TooltipSearch {
  HWND Owner;
  HWND Found;
};

BOOL CALLBACK MatchTooltip(HWND window, LPARAM context) {
  auto& search = *reinterpret_cast<TooltipSearch*>(context);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (GetWindow(window, GW_OWNER) == search.Owner && lstrcmpiW(name, TOOLTIPS_CLASSW) == 0)
    search.Found = window;
  return TRUE;
}

HWND TooltipOf(HWND form) {
  TooltipSearch search{form, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), MatchTooltip, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

TEST_F(Form96, OnlyThePictureHasATooltipWithTheApplicationTimings) {
  const HWND tooltip = TooltipOf(Window);
  ASSERT_NE(tooltip, nullptr);
  EXPECT_EQ(SendMessageW(tooltip, TTM_GETDELAYTIME, TTDT_INITIAL, 0), 500);
  EXPECT_EQ(SendMessageW(tooltip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0), 2500);
  ASSERT_EQ(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0), 1);
  wchar_t text[80] = {};
  TOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.lpszText = text;
  ASSERT_TRUE(SendMessageW(tooltip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool)));
  EXPECT_STREQ(text, L"Accéder au site Web du Faelorn");
  EXPECT_EQ(tool.hwnd, Window);
  const RECT image = FForm->Image1->Bounds().Rect();
  EXPECT_TRUE(EqualRect(&tool.rect, &image));
  EXPECT_EQ(GetWindowLongW(tooltip, GWL_STYLE) & TTS_ALWAYSTIP, 0) << "only while active";
}

// The program's manifest, linked in here as there: the end-to-end suite reads
// its DPI awareness from the shipped file.
TEST_F(Form96, TheManifestGivesTheButtonCommonControls6) {
  SIZE ideal{};
  EXPECT_TRUE(SendMessageW(Button, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
}

TEST_F(Form96, TheHandCursorShowsOverThePictureOnly) {
  ShowAndPaint();
  const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
  const auto cursorAt = [&](int x, int y) {
    POINT point{x, y};
    ClientToScreen(Window, &point);
    SetCursorPos(point.x, point.y);
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    SendMessageW(Window, WM_SETCURSOR, reinterpret_cast<WPARAM>(Window),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
  };
  EXPECT_EQ(cursorAt(50, 50), hand);
  EXPECT_NE(cursorAt(200, 90), hand);
}

// What the error box showed, read by a second thread that then presses OK.
struct BoxSeen {
  std::wstring Title;
  std::wstring Text;
  HWND Owner = nullptr;
  bool OtherWindowEnabled = true;
};

BoxSeen ShowExceptionAndReadItsBox(const std::wstring& message, HWND otherWindow) {
  BoxSeen seen;
  std::thread watcher([&] {
    HWND box = nullptr;
    for (int i = 0; i < 500 && !box; ++i) {
      Sleep(10);
      box = FindWindowW(L"#32770", nullptr);
    }
    if (!box) return;
    wchar_t text[512] = {};
    GetWindowTextW(box, text, 512);
    seen.Title = text;
    GetDlgItemTextW(box, 0xFFFF, text, 512);
    seen.Text = text;
    seen.Owner = GetWindow(box, GW_OWNER);
    seen.OtherWindowEnabled = IsWindowEnabled(otherWindow);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  });
  ui::Application.ShowException(message);
  watcher.join();
  return seen;
}

TEST_F(Form96, TheErrorBoxIsOwnedByTheActiveWindowAndHoldsTheOthersMeanwhile) {
  ShowAndPaint();
  const UniqueHWnd other(CreateWindowExW(0, L"STATIC", L"autre", WS_POPUP | WS_VISIBLE, 0, 300, 50,
                                         50, nullptr, nullptr, nullptr, nullptr));
  SetForegroundWindow(Window);
  SetActiveWindow(Window);
  PumpMessages();
  ASSERT_EQ(GetActiveWindow(), Window);
  const BoxSeen seen =
      ShowExceptionAndReadItsBox(L"Impossible d'écrire dans C:\\x\\Trelvane.ini", other.get());
  EXPECT_EQ(seen.Title, ui::Application.Title());
  EXPECT_EQ(seen.Text, L"Impossible d'écrire dans C:\\x\\Trelvane.ini.");
  EXPECT_EQ(seen.Owner, Window);
  EXPECT_FALSE(seen.OtherWindowEnabled);
  EXPECT_TRUE(IsWindowEnabled(other.get()));
  EXPECT_TRUE(IsWindowEnabled(Window));
}

// ---- The end of the session

TEST(Session, TheProcessEndsAtOnceWithCode0RunningNothingMore) {
  wchar_t temp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring witness = std::wstring(temp) + L"trelvane-exit-witness";
  DeleteFileW(witness.c_str());
  SetEnvironmentVariableW(L"TRELVANE_EXIT_WITNESS", witness.c_str());
  const ChildProcess child(ExecutablePath(), L"--end-session");
  ASSERT_TRUE(child.Started());
  EXPECT_EQ(child.WaitForExit(300000), std::optional<DWORD>(0));
  EXPECT_EQ(GetFileAttributesW(witness.c_str()), INVALID_FILE_ATTRIBUTES) << "code ran at the end";
  DeleteFileW(witness.c_str());
}

// ---- 144 DPI (a session whose LogPixels is 144)

using Form144 = FormTest;

TEST_F(Form144, GeometryFontsAndLogoFollowTheMonitorDensity) {
  ASSERT_EQ(FForm->CurrentDpi(), 144);
  RECT client{};
  GetClientRect(Window, &client);
  EXPECT_EQ(client.right, 491);
  EXPECT_EQ(client.bottom, 171);
  ExpectControlsAt144();
  ShowAndPaint();
  for (int i = 0; i < 170; ++i)
    EXPECT_EQ(Pixel(170, i), kWhite) << "row " << i;
  EXPECT_EQ(Pixel(211, 54), ui::ColorToRGB(FForm->LabelEtat->Color()));
}

TEST_F(Form144, ScreenReadersFindTheControlsWhereTheyAreDrawn) { ExpectAccessibleTree(); }

}  // namespace
