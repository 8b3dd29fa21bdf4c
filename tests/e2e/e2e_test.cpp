// The real program, started as a separate process in the test session and
// driven from outside: what the user sees, clicks and types, what it writes,
// and how it ends.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>

#include "e2e/program_under_test.h"

#include <commctrl.h>

#include "support/accessibility.h"
#include "support/text.h"

namespace e2e {

std::wstring ProgramPath;
std::wstring BrowserCommand;
std::wstring BrowserLog;
int ScreenDpi = 96;

int AtDpi(int value) { return MulDiv(value, ScreenDpi, 96); }
POINT AtDpi(POINT point) { return {AtDpi(point.x), AtDpi(point.y)}; }
RECT AtDpi(RECT box) {
  return {AtDpi(box.left), AtDpi(box.top), AtDpi(box.right), AtDpi(box.bottom)};
}

}  // namespace e2e

namespace {

using namespace e2e;

// Given on the command line by CTest.
std::wstring PlantedDll;     // any DLL, to be placed under a system DLL's name
bool WithoutShcore = false;  // the program runs without shcore.dll, as on Windows 7

// As a snapshot names it; compared without regard to case.
const std::wstring kPathEntry = L"HKCU\\" + std::wstring(kTrackerKey) + L"|Path";
const ExpectedPresentation& kMissing = Expected(Shown::Missing);
const ExpectedPresentation& kDisabled = Expected(Shown::Disabled);
const ExpectedPresentation& kEnabled = Expected(Shown::Enabled);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr POINT kLogoInside{56, 56};

std::wstring SettingsText(const std::wstring& path) {
  return L"[Registre OpenTrack]\r\nPath=" + path + L"\r\n";
}

// --- The three states, from start to close ---------------------------------

using States = ProgramTest;

TEST_F(States, MissingShowsBlackLabelNoButtonAndCreatesNothing) {
  const HWND form = StartWatchedProgram();
  ASSERT_NE(form, nullptr);
  ExpectLook(form, kMissing);
  CloseAndExpectCleanExit(Program(), form);
  ExpectNothingWritten();
  EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, kTrackerKey));
}

TEST_F(States, KeyWithoutPathIsMissingToo) {
  SetRawString(HKEY_CURRENT_USER, kTrackerKey, L"Autre", L"x");
  const HWND form = StartWatchedProgram();
  ASSERT_NE(form, nullptr);
  ExpectLook(form, kMissing);
  CloseAndExpectCleanExit(Program(), form);
  ExpectNothingWritten();
}

TEST_F(States, DisabledClickWritesDefaultFolderAndRemembersIt) {
  SetTrackerPath(L"");
  const HWND form = StartWatchedProgram();
  ASSERT_NE(form, nullptr);
  ExpectLook(form, kDisabled);
  EXPECT_FALSE(FileExists(SettingsPath())) << "nothing to remember yet";

  ClickCentreOf(ButtonOf(form));
  ExpectLook(form, kEnabled);
  ExpectPath(kDefaultFolder);
  CloseAndExpectCleanExit(Program(), form);

  EXPECT_EQ(RegistryChanges({kPathEntry}), std::vector<std::wstring>{}) << "beside \"Path\"";
  EXPECT_EQ(FolderChanges(), std::vector<std::wstring>{L"+ Trelvane.ini"});
  EXPECT_EQ(ReadFileBytes(SettingsPath()), Narrow(SettingsText(kDefaultFolder)));
}

TEST_F(States, EnabledRemembersPathAndClicksSwitchOffAndBackOn) {
  SetTrackerPath(kTrackerFolder);
  const HWND form = StartWatchedProgram();
  ASSERT_NE(form, nullptr);
  ExpectLook(form, kEnabled);
  EXPECT_EQ(ReadFileBytes(SettingsPath()), Narrow(SettingsText(kTrackerFolder)))
      << "remembered before the window shows";

  ClickCentreOf(ButtonOf(form));
  ExpectLook(form, kDisabled);
  ExpectPath(L"");  // emptied, never deleted

  ClickCentreOf(ButtonOf(form));
  ExpectLook(form, kEnabled);
  ExpectPath(kTrackerFolder);
  CloseAndExpectCleanExit(Program(), form);

  EXPECT_EQ(RegistryChanges(), std::vector<std::wstring>{});
  EXPECT_EQ(FolderChanges(), std::vector<std::wstring>{L"+ Trelvane.ini"});
}

// The input method's windows are the system's, made for any thread with a
// window: "IME" on Windows and Wine 8, "Wine IME" on Wine 10 (at a time of its
// own), "MSCTFIME UI" where Windows' text services run.
bool IsInputMethodClass(const std::wstring& name) {
  return name == L"IME" || name == L"Wine IME" || name == L"MSCTFIME UI";
}

// The classes of a process's top-level windows, sorted; the input method's aside.
std::vector<std::wstring> TopLevelClassesOf(DWORD processId) {
  std::vector<std::wstring> classes;
  for (const HWND window : TopLevelWindowsOf(processId))
    if (const std::wstring name = ClassOf(window); !IsInputMethodClass(name))
      classes.push_back(name);
  std::sort(classes.begin(), classes.end());
  return classes;
}

TEST_F(States, OneWindowOfTheProgramsOwnWithTheLogoAtTopLeftAndItsTooltipAlone) {
  const HWND form = StartProgram();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(TextOf(form), L"Trelvane");
  RECT client;
  GetClientRect(form, &client);
  EXPECT_EQ(client.right, AtDpi(327));
  EXPECT_EQ(client.bottom, AtDpi(114));
  EXPECT_EQ(GetWindow(form, GW_OWNER), nullptr);
  EXPECT_EQ(TopLevelClassesOf(Program().Id()),
            (std::vector<std::wstring>{L"TForm1", TOOLTIPS_CLASSW}));

  // Its styles, and every edge of the logo, are the in-process suite's; here
  // the logo is drawn at the window's density, square, as high as its box.
  Settle(form);
  const int logo = AtDpi(113);
  EXPECT_NE(ClientPixel(form, logo - 1, logo - 1), kWhite) << "logo corner";
  EXPECT_EQ(Rgb(ClientPixel(form, logo, logo - 1)), Rgb(kWhite)) << "right of the logo";
  EXPECT_EQ(Rgb(ClientPixel(form, logo - 1, logo)), Rgb(kWhite)) << "below the logo";
  if (const auto modules = ModulesOf(Program().Id()); modules && WithoutShcore) {
    for (const std::wstring& module : *modules)
      EXPECT_EQ(module.find(L"\\shcore.dll"), std::wstring::npos) << "density from shcore";
  }
  CloseAndExpectCleanExit(Program(), form);
}

// --- Errors reported in the box --------------------------------------------

using Errors = ProgramTest;

struct NamedExe {
  const wchar_t* FileName;
  const wchar_t* Title;
};

class NonStringPath : public ProgramTest, public testing::WithParamInterface<NamedExe> {};

TEST_P(NonStringPath, BoxFirstThenLayoutValues) {
  const DWORD number = 1;
  SetRawValue(HKEY_CURRENT_USER, kTrackerKey, L"Path", REG_DWORD, &number, sizeof number);
  const std::wstring exe = Install(GetParam().FileName);
  TakeSnapshots();
  RunningProgram program(exe);
  const HWND form =
      BoxAtStartThenForm(program, GetParam().Title, L"Type de données incorrect pour 'Path'");
  ASSERT_NE(form, nullptr);
  ExpectLook(form, kLayoutDefaults);
  CloseAndExpectCleanExit(program, form);
  ExpectNothingWritten();
}

INSTANTIATE_TEST_SUITE_P(Errors, NonStringPath,
                         testing::Values(NamedExe{L"Trelvane_Project.exe", L"Trelvane_project"},
                                         NamedExe{L"Outil.Test.exe", L"Outil"}));

TEST_F(Errors, UnwritableSettingsAtStartThenEnabledWindow) {
  SetTrackerPath(kTrackerFolder);
  // A folder where the file should be: no profile write can succeed.
  ASSERT_TRUE(CreateDirectoryW(SettingsPath().c_str(), nullptr));
  const std::wstring exe = Install();
  TakeSnapshots();
  RunningProgram program(exe);
  const HWND form = BoxAtStartThenForm(program, L"Trelvane_project",
                                       L"Impossible d'écrire dans " + SettingsPath() + L".");
  ASSERT_NE(form, nullptr);
  ExpectLook(form, kEnabled);
  CloseAndExpectCleanExit(program, form);
  ExpectNothingWritten();
}

TEST_F(Errors, FailingWriteDuringToggleKeepsTheState) {
  SetTrackerPath(kTrackerFolder);
  const HWND form = StartProgram();
  ASSERT_NE(form, nullptr);
  ExpectLook(form, kEnabled);

  MakeKeyReadOnly(HKEY_CURRENT_USER, kTrackerKey);
  ClickCentreOf(ButtonOf(form));
  const HWND box = Program().WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(TextOf(box), L"Trelvane_project");
  EXPECT_EQ(MessageBoxText(box), L"Echec à la définition des données pour 'Path'");
  EXPECT_EQ(GetWindow(box, GW_OWNER), form) << "over the main window";
  EXPECT_FALSE(IsWindowEnabled(form)) << "modal";

  PressOk(box);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(form) != FALSE; }));
  ExpectLook(form, kEnabled);
  MakeKeyWritable(HKEY_CURRENT_USER, kTrackerKey);
  ExpectPath(kTrackerFolder);
  CloseAndExpectCleanExit(Program(), form);
}

// --- Keyboard, focus and the web link --------------------------------------

using Input = ProgramTest;

TEST_F(Input, MissingKeepsFocusOnWindowAndEnterOrAClickOnTheHiddenButtonDoesNothing) {
  const HWND form = StartWatchedProgram();
  ASSERT_NE(form, nullptr);
  ExpectLook(form, kMissing);
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == form; }));
  EXPECT_EQ(FocusOf(form), form);

  // As an automation tool clicks; input is handled in order: the click and
  // Enter are done with when Alt+F4 closes.
  SendMessageW(ButtonOf(form), BM_CLICK, 0, 0);
  PressKeys({VK_RETURN});
  PressKeys({VK_MENU, VK_F4});
  EXPECT_EQ(Program().WaitForExit(), std::optional<DWORD>(0));
  ExpectNothingWritten();
}

TEST_F(Input, EnabledFocusesButtonEnterAndSpaceClickEscDoesNothing) {
  SetTrackerPath(kTrackerFolder);
  const HWND form = StartProgram();
  ASSERT_NE(form, nullptr);
  ExpectLook(form, kEnabled);
  const HWND button = ButtonOf(form);
  EXPECT_TRUE(WaitUntil([&] { return FocusOf(form) == button; }));
  EXPECT_EQ(SendMessageW(button, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON, DLGC_DEFPUSHBUTTON)
      << "drawn as the default button while focused";
  ExpectPath(kTrackerFolder);  // focusing does not click

  PressKeys({VK_RETURN});
  ExpectLook(form, kDisabled);
  ExpectPath(L"");

  PressKeys({VK_SPACE});
  ExpectLook(form, kEnabled);
  ExpectPath(kTrackerFolder);

  PressKeys({VK_ESCAPE});
  PressKeys({VK_MENU, VK_F4});
  EXPECT_EQ(Program().WaitForExit(), std::optional<DWORD>(0));
  ExpectPath(kTrackerFolder);
}

TEST_F(Input, LogoOpensTheSiteOnlyForPressAndReleaseInside) {
  const HWND form = StartProgram();
  ASSERT_NE(form, nullptr);
  Settle(form);

  MoveMouseTo(form, AtDpi(kLogoInside));
  MouseButton(form, AtDpi(kLogoInside), true);
  MoveMouseTo(form, AtDpi(POINT{230, 100}));
  MouseButton(form, AtDpi(POINT{230, 100}), false);
  // Handled in order: an address from the first gesture would come first.
  ClickAt(form, AtDpi(kLogoInside));
  EXPECT_TRUE(WaitUntil([] { return !ReadFileBytes(BrowserLog).empty(); }));
  CloseAndExpectCleanExit(Program(), form);
  EXPECT_TRUE(WaitUntil([] { return CountProcesses(L"winebrowser.exe") == 0; }));
  EXPECT_EQ(ReadFileBytes(BrowserLog), Narrow(kSiteAddress) + "\n");
}

TEST_F(Input, LogoTooltipAppearsBelowThePointer) {
  const HWND form = StartProgram();
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == form; }));
  Settle(form);
  const POINT logo = AtDpi(kLogoInside);
  MoveMouseTo(form, {logo.x + 1, logo.y});
  MoveMouseTo(form, logo);
  const HWND tip = Program().WaitForTopLevel(TOOLTIPS_CLASSW);
  ASSERT_NE(tip, nullptr) << "no tooltip over the logo";
  POINT pointer;
  GetCursorPos(&pointer);
  RECT box;
  GetWindowRect(tip, &box);
  EXPECT_GT(box.top, pointer.y) << "below the pointer";
  CloseAndExpectCleanExit(Program(), form);
}

// --- What screen readers get -------------------------------------------------

struct WinEvent {
  DWORD Event;
  HWND Window;
  LONG Object, Child;
};
std::vector<WinEvent> Events;

void CALLBACK RecordEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD,
                          DWORD) noexcept {
  Events.push_back({event, window, object, child});
}

struct EventHookCloser {
  void operator()(HWINEVENTHOOK hook) const noexcept { UnhookWinEvent(hook); }
};

using Accessibility = ProgramTest;

TEST_F(Accessibility, TheStateIsAnnouncedAtEachToggleAndTheLinkOpensTheSiteOnce) {
  SetTrackerPath(kTrackerFolder);
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  // As screen readers hook them; Wine passes a program's events only to a
  // hook set for all processes.
  Events.clear();
  const UniqueHandle<HWINEVENTHOOK, EventHookCloser> hook(
      SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_LIVEREGIONCHANGED, nullptr, RecordEvent,
                      0, 0, WINEVENT_OUTOFCONTEXT));
  const HWND form = StartProgram();
  ASSERT_NE(form, nullptr);
  ExpectLook(form, kEnabled);
  // None where the program's modules cannot be listed: that check is then left out.
  const auto loaded = [&](const wchar_t* dll) -> std::optional<bool> {
    const auto modules = ModulesOf(Program().Id());
    if (!modules) return std::nullopt;
    for (const std::wstring& module : *modules)
      if (module.find(dll) != std::wstring::npos) return true;
    return false;
  };
  EXPECT_NE(loaded(L"\\oleacc.dll"), true) << "before any client asked";
  // LabelEtat is the client's third child.
  const auto announced = [&](DWORD event) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
      DispatchMessageW(&message);
    int count = 0;
    for (const WinEvent& e : Events)
      count += e.Event == event && e.Window == form && e.Object == OBJID_CLIENT && e.Child == 3;
    return count;
  };
  for (const int toggles : {1, 2}) {
    ClickCentreOf(ButtonOf(form));
    ExpectLook(form, toggles == 1 ? kDisabled : kEnabled);
    EXPECT_TRUE(WaitUntil([&] { return announced(EVENT_OBJECT_LIVEREGIONCHANGED) >= toggles; }));
    EXPECT_EQ(announced(EVENT_OBJECT_NAMECHANGE), toggles) << "none at the start, one per toggle";
    EXPECT_EQ(
        Describe(*ClientObject(form).get(), 3).find(toggles == 1 ? L"Désactivé |" : L"Activé |"),
        0u);
  }
  EXPECT_NE(loaded(L"\\oleacc.dll"), false);

  POINT logo = kLogoInside;
  ClientToScreen(form, &logo);
  UniqueCom<IAccessible> object;
  VARIANT child;
  ASSERT_EQ(AccessibleObjectFromPoint(logo, object.put(), &child), S_OK);
  EXPECT_EQ(Found(child), "child 1");
  EXPECT_EQ(object.get()->accDoDefaultAction(child), S_OK);
  EXPECT_TRUE(WaitUntil([] { return !ReadFileBytes(BrowserLog).empty(); }));
  object.reset();
  CloseAndExpectCleanExit(Program(), form);
  EXPECT_EQ(announced(EVENT_OBJECT_LIVEREGIONCHANGED), 2);
  EXPECT_TRUE(WaitUntil([] { return CountProcesses(L"winebrowser.exe") == 0; }));
  EXPECT_EQ(ReadFileBytes(BrowserLog), Narrow(kSiteAddress) + "\n");
  CoUninitialize();
}

// --- Pixels --------------------------------------------------------------------

using Pixels = ProgramTest;

// The client area in the three states, as hashes taken from the program as it
// was before it had an accessible view and a high-contrast background (with
// this machine's Wine and fonts): in normal colours not one pixel may move.
TEST_F(Pixels, TheThreeStatesLookAsTheyAlwaysDid) {
  const std::map<int, std::array<std::uint64_t, 3>> expected = {
      {96, {16716793815743565895u, 10314050076426447190u, 17365201072943002528u}},
      {144, {17869695986389662626u, 4817011236714889412u, 5327670772580672482u}}};
  ASSERT_EQ(expected.count(ScreenDpi), 1u) << ScreenDpi;
  // The pointer out of the way: no hover effect or tooltip in the picture.
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
  std::array<std::uint64_t, 3> seen{};
  for (size_t state = 0; state < seen.size(); ++state) {
    if (state > 0) SetTrackerPath(state == 1 ? L"" : kTrackerFolder);
    const HWND form = StartProgram();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(form) == (state > 0 ? ButtonOf(form) : form); }));
    Settle(form);
    seen[state] = ClientAreaHash(form);
    CloseAndExpectCleanExit(Program(), form);
  }
  EXPECT_EQ(seen, expected.at(ScreenDpi))
      << "missing, disabled, enabled at " << ScreenDpi << " DPI";
}

// --- Closing -----------------------------------------------------------------

using Closing = ProgramTest;

TEST_F(Closing, RequestsAfterTheFirstCloseReachNothing) {
  SetTrackerPath(kTrackerFolder);
  const HWND form = StartProgram();
  ASSERT_NE(form, nullptr);
  ExpectLook(form, kEnabled);
  const std::string remembered = ReadFileBytes(SettingsPath());
  TakeSnapshots();

  // All queued before the first is handled, so the last two arrive between
  // the close handler and the end of the loop.
  const HWND button = ButtonOf(form);
  PostMessageW(form, WM_CLOSE, 0, 0);
  PostMessageW(form, WM_CLOSE, 0, 0);
  PostMessageW(button, BM_CLICK, 0, 0);
  EXPECT_EQ(Program().WaitForExit(), std::optional<DWORD>(0));
  EXPECT_EQ(Program().FindTopLevel(L"#32770", false), nullptr);
  ExpectNothingWritten();
  EXPECT_EQ(ReadFileBytes(SettingsPath()), remembered);
}

TEST_F(Closing, LogOffIsConsentedAndEndsTheProgram) {
  SetTrackerPath(kTrackerFolder);
  const HWND form = StartProgram();
  ASSERT_NE(form, nullptr);
  ExpectLook(form, kEnabled);
  TakeSnapshots();

  DWORD_PTR consent = 0;
  ASSERT_TRUE(SendMessageTimeoutW(form, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 5000,
                                  &consent));
  EXPECT_NE(consent, 0u);
  // The program may end while handling this, so no answer is awaited.
  SendMessageTimeoutW(form, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 2000, nullptr);
  EXPECT_EQ(Program().WaitForExit(), std::optional<DWORD>(0));
  EXPECT_EQ(Program().FindTopLevel(L"#32770", false), nullptr);
  ExpectNothingWritten();
}

// --- How the program starts --------------------------------------------------

using Start = ProgramTest;

TEST_F(Start, ShowCommandsMaximisedAndMinimisedAreHonouredOthersOpenNormally) {
  struct Case {
    WORD Command;
    bool Zoomed, Iconic;
  };
  const std::wstring exe = Install();
  // The two honoured, and hidden by the launcher: still normal. The in-process
  // suite checks every other command.
  for (const Case c : {Case{SW_SHOWMAXIMIZED, true, false}, Case{SW_SHOWMINNOACTIVE, false, true},
                       Case{SW_HIDE, false, false}}) {
    SCOPED_TRACE(c.Command);
    RunningProgram program(exe, c.Command);
    const HWND form = program.WaitForForm();
    ASSERT_NE(form, nullptr);
    Settle(form);
    EXPECT_TRUE(WaitUntil([&] { return (IsZoomed(form) != FALSE) == c.Zoomed; }));
    EXPECT_TRUE(WaitUntil([&] { return (IsIconic(form) != FALSE) == c.Iconic; }));
    CloseAndExpectCleanExit(program, form);
  }
}

// The program's folder is the user's to write in: DLLs placed there under the
// names of the system DLLs it loads itself must not be taken.
TEST_F(Start, SystemDllsAreNeverTakenFromTheProgramsFolder) {
  for (const wchar_t* name : {L"shcore.dll", L"shell32.dll"})
    ASSERT_TRUE(CopyFileW(PlantedDll.c_str(), FFolder.File(name).c_str(), FALSE));
  const HWND form = StartProgram();
  ASSERT_NE(form, nullptr);
  Settle(form);
  ClickAt(form, AtDpi(kLogoInside));
  EXPECT_TRUE(WaitUntil([] { return !ReadFileBytes(BrowserLog).empty(); }));
  std::wstring folder = FFolder.Path() + L"\\";
  CharLowerW(folder.data());
  for (const std::wstring& module : ModulesOf(Program().Id()).value_or(std::vector<std::wstring>{}))
    EXPECT_TRUE(module.rfind(folder, 0) != 0 || module.find(L".exe") != std::wstring::npos)
        << Narrow(module);
  CloseAndExpectCleanExit(Program(), form);
  EXPECT_TRUE(WaitUntil([] { return CountProcesses(L"winebrowser.exe") == 0; }));
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR into) noexcept {
  reinterpret_cast<std::vector<WORD>*>(into)->push_back(language);
  return TRUE;
}

[[nodiscard]] std::vector<WORD> LayoutLanguages(const std::wstring& exe) {
  std::vector<WORD> languages;
  const HMODULE image = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (image == nullptr) return languages;
  EnumResourceLanguagesW(image, RT_RCDATA, L"TFORM1", CollectLanguage,
                         reinterpret_cast<LONG_PTR>(&languages));
  FreeLibrary(image);
  return languages;
}

[[nodiscard]] std::string LayoutBytes(const std::wstring& exe) {
  std::string bytes;
  const HMODULE image = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (image == nullptr) return bytes;
  if (const HRSRC found = FindResourceW(image, L"TFORM1", RT_RCDATA)) {
    const auto* data = static_cast<const char*>(LockResource(LoadResource(image, found)));
    if (data != nullptr) bytes.assign(data, SizeofResource(image, found));
  }
  FreeLibrary(image);
  return bytes;
}

// Replaces the window layout compiled into a copy of the program.
void ReplaceLayout(const std::wstring& exe, const std::string& bytes) {
  const std::vector<WORD> languages = LayoutLanguages(exe);
  ASSERT_FALSE(languages.empty()) << "no TFORM1 layout resource";
  const HANDLE update = BeginUpdateResourceW(exe.c_str(), FALSE);
  ASSERT_NE(update, nullptr);
  for (const WORD language : languages)
    ASSERT_TRUE(UpdateResourceW(update, RT_RCDATA, L"TFORM1", language,
                                const_cast<char*>(bytes.data()), static_cast<DWORD>(bytes.size())));
  ASSERT_TRUE(EndUpdateResourceW(update, FALSE));
  ASSERT_EQ(LayoutBytes(exe), bytes);
}

enum class Damage { Garbage, CutInHalf };

class BrokenLayout : public ProgramTest, public testing::WithParamInterface<Damage> {};

TEST_P(BrokenLayout, FailsBeforeTheLoopWithTaskModalBoxAndCode1) {
  SetTrackerPath(kTrackerFolder);
  const std::wstring exe = Install();
  const std::string layout = LayoutBytes(exe);
  ASSERT_FALSE(layout.empty());
  ReplaceLayout(exe, GetParam() == Damage::Garbage ? std::string("pas une mise en page\x01\x02")
                                                   : layout.substr(0, layout.size() / 2));
  TakeSnapshots();
  RunningProgram program(exe);
  const HWND box = program.WaitForMessageBox();
  ASSERT_NE(box, nullptr) << "window shown: " << (program.FindTopLevel(L"TForm1", true) != nullptr)
                          << ", exited: " << program.HasExited();
  EXPECT_EQ(TextOf(box), L"Erreur d'application");
  EXPECT_NE(MessageBoxText(box), L"");
  EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr) << "task-modal: no owner window";
  EXPECT_EQ(program.FindTopLevel(L"TForm1", true), nullptr);

  PressOk(box);
  EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(1));
  EXPECT_EQ(RegistryChanges(), std::vector<std::wstring>{});
  EXPECT_EQ(FolderChanges(), std::vector<std::wstring>{}) << "no first evaluation ran";
}

INSTANTIATE_TEST_SUITE_P(Start, BrokenLayout, testing::Values(Damage::Garbage, Damage::CutInHalf));

TEST_F(Start, EverySecondInstanceOpensItsOwnWindow) {
  const std::wstring exe = Install();
  RunningProgram first(exe);
  const HWND firstForm = first.WaitForForm();
  ASSERT_NE(firstForm, nullptr);
  RunningProgram second(exe);
  const HWND secondForm = second.WaitForForm();
  ASSERT_NE(secondForm, nullptr);
  EXPECT_NE(firstForm, secondForm);
  CloseAndExpectCleanExit(second, secondForm);
  CloseAndExpectCleanExit(first, firstForm);
}

TEST_F(Start, ManifestDeclaresPerMonitorAwareness) {
  ACTCTXW request{};
  request.cbSize = sizeof request;
  request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.lpSource = ProgramPath.c_str();
  request.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
  const HANDLE context = CreateActCtxW(&request);
  ASSERT_NE(context, INVALID_HANDLE_VALUE);
  auto setting = [&](const wchar_t* space, const wchar_t* name) {
    wchar_t value[128] = L"";
    SIZE_T written = 0;
    QueryActCtxSettingsW(0, context, space, name, value, 128, &written);
    return std::wstring(value);
  };
  EXPECT_EQ(setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"),
            L"PerMonitorV2, PerMonitor");
  EXPECT_EQ(setting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"),
            L"true/pm");
  ReleaseActCtx(context);
}

TEST_F(Start, CommonControlsVersion6IsLoaded) {
  const HWND form = StartProgram();
  ASSERT_NE(form, nullptr);
  Settle(form);
  const auto modules = ModulesOf(Program().Id());
  if (!modules) GTEST_SKIP() << "the program's modules cannot be listed here";
  const std::wstring suffix = L"\\comctl32.dll";
  bool fromSideBySide = false;
  std::wstring loaded;
  for (const std::wstring& module : *modules) {
    loaded += module + L"\n";
    if (module.find(L"\\winsxs\\") != std::wstring::npos &&
        module.find(L"common-controls") != std::wstring::npos && module.size() > suffix.size() &&
        module.compare(module.size() - suffix.size(), suffix.size(), suffix) == 0)
      fromSideBySide = true;
  }
  EXPECT_TRUE(fromSideBySide) << "comctl32 6.0 from the side-by-side store; loaded:\n"
                              << Narrow(loaded);
  CloseAndExpectCleanExit(Program(), form);
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](const char* prefix) {
      const std::string p = prefix;
      return arg.rfind(p, 0) == 0 ? WindowsPath(arg.substr(p.size())) : std::wstring();
    };
    if (auto v = value("--exe="); !v.empty()) ProgramPath = v;
    if (auto v = value("--browser-log="); !v.empty()) BrowserLog = v;
    if (auto v = value("--planted-dll="); !v.empty()) PlantedDll = v;
    if (arg.rfind("--browser=", 0) == 0) BrowserCommand = std::wstring(arg.begin() + 10, arg.end());
    if (arg == "--without-shcore") WithoutShcore = true;
  }
  // Wine's per-program switch, read as the program starts: a DLL override in
  // this process's environment would not reach it.
  const std::wstring programName = ProgramPath.substr(ProgramPath.find_last_of(L"\\/") + 1);
  const std::wstring overrides = L"Software\\Wine\\AppDefaults\\" + programName;
  if (WithoutShcore)
    SetRawString(HKEY_CURRENT_USER, overrides + L"\\DllOverrides", L"shcore", L"disabled");
  ScreenDpi = GetDeviceCaps(WindowDc(nullptr).get(), LOGPIXELSY);
  const int failed = RUN_ALL_TESTS();
  if (WithoutShcore) RegDeleteTreeW(HKEY_CURRENT_USER, overrides.c_str());
  return failed;
}
