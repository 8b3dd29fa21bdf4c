#include <cstdio>

#include "sweep/sweep_fixture.h"

namespace sweep {
namespace {

class SweepSettings : public SweepTest {};

// Whatever the file holds, switching on writes to the registry the folder a
// direct read of the file through the profile functions gives, whole.
TEST_F(SweepSettings, GeneratedFilesReachTheRegistryAsTheProfileFunctionsReadThem) {
  Rng rng(kSeed ^ 0x1E1);
  const std::vector<SettingsCase> cases = GenerateSettingsCases(rng);
  std::size_t defaulted = 0, truncated = 0;
  for (const SettingsCase& file : cases) {
    SCOPED_TRACE(file.Label);
    SetTrackerPath(L"");
    SetSettings(file.Bytes);
    ASSERT_EQ(ErrorOf([&] { FSwitch.FormCreate(nullptr); }), L"");
    ASSERT_TRUE(Shows(FView, Shown::Disabled));

    // Read into room enough, and into the 2048 characters a plain read offers.
    const std::wstring expected = RememberedPath(kDefaultFolder);
    defaulted += expected == kDefaultFolder;
    truncated += expected.size() > RememberedPath(kDefaultFolder, 2048).size();
    ForgetCachedSettings();  // the toggle must read the file itself

    EXPECT_EQ(ErrorOf([&] { FSwitch.Button1Click(nullptr); }), L"");
    const RawValue stored = TrackerPathValue();
    EXPECT_EQ(stored.Type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(stored.Data, StringBytes(expected));
    EXPECT_EQ(Regval, expected) << Shorten(Regval) << " vs " << Shorten(expected);
    EXPECT_TRUE(Shows(FView, expected.empty() ? Shown::Disabled : Shown::Enabled));
    Close();
    if (HasFatalFailure()) return;
  }
  std::printf("%zu settings files: %zu gave the default, %zu longer than 2047\n", cases.size(),
              defaulted, truncated);
  // The generator must reach the interesting ground, or the sweep proves little.
  EXPECT_GT(defaulted, 30u);
  EXPECT_GT(truncated, 30u);
  EXPECT_GT(cases.size() - defaulted, 150u);
}

}  // namespace
}  // namespace sweep
