#include <cstdio>

#include "sweep/sweep_fixture.h"

namespace sweep {
namespace {

class SweepSettings : public SweepTest {};

TEST_F(SweepSettings, GeneratedFilesReachTheRegistryAsTheProfileRulesSay) {
  Rng rng(kSeed ^ 0x1E1);
  const std::vector<SettingsCase> cases = GenerateSettingsCases(rng);
  std::size_t modelled = 0, defaulted = 0, truncated = 0;
  for (const SettingsCase& file : cases) {
    SCOPED_TRACE(file.Label);
    SetTrackerPath(L"");
    SetSettings(file.Bytes);
    ASSERT_EQ(ErrorOf([&] { FSwitch.FormCreate(nullptr); }), L"");
    ASSERT_TRUE(Shows(FView, Shown::Disabled));

    // The profile-string contract: what a read into 2048 characters returns,
    // and what a read into room enough does.
    const std::wstring direct = RememberedPath(kDefaultFolder, 2048);
    std::wstring expected = RememberedPath(kDefaultFolder);
    ForgetCachedSettings();  // the toggle must read the file itself
    const auto model = [&](std::size_t room) {
      return ModelProfileRead(file.Bytes, kSettingsSection, L"Path", kDefaultFolder, room);
    };
    if (file.Predictable && model(2048)) {
      ++modelled;
      EXPECT_TRUE(direct == *model(2048)) << Shorten(direct) << " vs " << Shorten(*model(2048));
      EXPECT_TRUE(expected == *model(1u << 20)) << Shorten(expected);
      expected = *model(1u << 20);
    }
    defaulted += expected == kDefaultFolder;
    truncated += expected.size() > direct.size();

    EXPECT_EQ(ErrorOf([&] { FSwitch.Button1Click(nullptr); }), L"");
    const RawValue stored = TrackerPathValue();
    EXPECT_EQ(stored.Type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(stored.Data, StringBytes(expected));
    EXPECT_EQ(Regval, expected) << Shorten(Regval) << " vs " << Shorten(expected);
    EXPECT_TRUE(Shows(FView, expected.empty() ? Shown::Disabled : Shown::Enabled));
    Close();
    if (HasFatalFailure()) return;
  }
  std::printf("%zu settings files: %zu modelled, %zu gave the default, %zu longer than 2047\n",
              cases.size(), modelled, defaulted, truncated);
  // The generator must reach the interesting ground, or the sweep proves little.
  EXPECT_GT(modelled, 300u);
  EXPECT_GT(defaulted, 30u);
  EXPECT_GT(truncated, 30u);
  EXPECT_GT(cases.size() - defaulted, 150u);
}

}  // namespace
}  // namespace sweep
