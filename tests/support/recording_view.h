#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Trelvane.h"
#include "support/requirements.h"
#include "support/text.h"

// Stands in for the main window: keeps what the switch set, starting from the
// layout's own values, and logs every view operation in order.
class RecordingView final : public TrackerView {
 public:
  std::wstring StateCaption = kLayoutDefaults.StateCaption;
  ui::TColor StateColor = kLayoutDefaults.StateColor;
  ui::TColor StateFontColor = kLayoutDefaults.StateFontColor;
  std::wstring Caption = kLayoutDefaults.ButtonCaption;
  bool ButtonVisible = kLayoutDefaults.ButtonVisible;
  std::vector<std::wstring> Log;

  void SetStateCaption(const std::wstring& caption) override {
    StateCaption = caption;
    Log.push_back(L"caption " + caption);
  }
  void SetStateColor(ui::TColor color) override {
    StateColor = color;
    Log.push_back(L"color " + std::to_wstring(color));
  }
  void SetStateFontColor(ui::TColor color) override {
    StateFontColor = color;
    Log.push_back(L"font " + std::to_wstring(color));
  }
  void SetButtonCaption(const std::wstring& caption) override {
    Caption = caption;
    Log.push_back(L"button " + caption);
  }
  void SetButtonVisible(bool visible) override {
    ButtonVisible = visible;
    Log.push_back(visible ? L"show" : L"hide");
  }
  [[nodiscard]] std::wstring ButtonCaption() const override { return Caption; }
};

// Whether the view shows the state as the expected presentations have it.
[[nodiscard]] inline testing::AssertionResult Shows(const RecordingView& view, Shown state) {
  const ExpectedPresentation& expected = Expected(state);
  if (view.StateCaption == expected.StateCaption && view.StateColor == expected.StateColor &&
      view.StateFontColor == expected.StateFontColor &&
      view.ButtonVisible == expected.ButtonVisible &&
      (!expected.ButtonCaption || view.Caption == expected.ButtonCaption))
    return testing::AssertionSuccess();
  return testing::AssertionFailure()
         << "shown: " << Narrow(view.StateCaption) << ", colours " << view.StateColor << " / "
         << view.StateFontColor << ", button " << Narrow(view.Caption)
         << (view.ButtonVisible ? "" : " (hidden)");
}
