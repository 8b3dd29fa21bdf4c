#include <gtest/gtest.h>

#include "ui/application.h"
#include "ui/error_box.h"
#include "ui/jpeg_image.h"
#include "ui/resource_data.h"
#include "ui/form.h"
#include "ui/layout.h"
#include "ui/picture.h"
#include "ui/scale.h"
#include "ui/test_host.h"
#include "support/error_of.h"

namespace {

using ui::TBounds;

// One row of the density table: what the 96-DPI layout becomes.
struct DensityRow {
  int Dpi;
  int ClientWidth, ClientHeight;
  int WindowFont, LabelFont;
  TBounds Image1;
  int LogoSide;
  TBounds LabelTitre, LabelEtat, Button1;
};

// clang-format off
const DensityRow kDensityTable[] = {
    {96, 327, 114, -12, -16, {0, 0, 114, 113}, 113, {140, 8, 179, 21}, {140, 35, 179, 21}, {176, 72, 113, 25}},
    {120, 409, 143, -15, -20, {0, 0, 143, 141}, 141, {175, 10, 224, 26}, {175, 44, 224, 26}, {220, 90, 141, 31}},
    {144, 491, 171, -18, -24, {0, 0, 171, 170}, 170, {210, 12, 269, 32}, {210, 53, 269, 31}, {264, 108, 170, 38}},
    {168, 572, 200, -21, -28, {0, 0, 200, 198}, 198, {245, 14, 313, 37}, {245, 61, 313, 37}, {308, 126, 198, 44}},
    {192, 654, 228, -24, -32, {0, 0, 228, 226}, 226, {280, 16, 358, 42}, {280, 70, 358, 42}, {352, 144, 226, 50}},
};
// clang-format on

TEST(Scaling, EveryDensityOfTheTableFromTheDesignLayout) {
  for (const DensityRow& row : kDensityTable) {
    SCOPED_TRACE(row.Dpi);
    const int n = row.Dpi;
    EXPECT_EQ(ui::ScaleValue(327, n, 96), row.ClientWidth);
    EXPECT_EQ(ui::ScaleValue(114, n, 96), row.ClientHeight);
    EXPECT_EQ(ui::ScaleValue(-12, n, 96), row.WindowFont);
    EXPECT_EQ(ui::ScaleValue(-16, n, 96), row.LabelFont);
    EXPECT_EQ(ui::ScaleBounds({0, 0, 114, 113}, n, 96), row.Image1);
    EXPECT_EQ(ui::ScaleBounds({140, 8, 179, 21}, n, 96), row.LabelTitre);
    EXPECT_EQ(ui::ScaleBounds({140, 35, 179, 21}, n, 96), row.LabelEtat);
    EXPECT_EQ(ui::ScaleBounds({176, 72, 113, 25}, n, 96), row.Button1);
    const RECT logo = ui::PicturePlacement(512, 512, row.Image1.Width, row.Image1.Height);
    EXPECT_EQ(logo.right, row.LogoSide);
    EXPECT_EQ(logo.bottom, row.LogoSide);
  }
}

// A density change scales from the current geometry, not from the design one.
TEST(Scaling, ChangeBetweenDensitiesStartsFromCurrentGeometry) {
  const TBounds at144 = ui::ScaleBounds({140, 35, 179, 21}, 144, 96);
  EXPECT_EQ(ui::ScaleBounds(at144, 96, 144), (TBounds{140, 35, 179, 21}));
  EXPECT_EQ(ui::ScaleValue(-24, 120, 144), -20);
  EXPECT_EQ(ui::ScaleValue(-3, 1, 2), -2);  // halves away from zero
  EXPECT_EQ(ui::ScaleValue(3, 1, 2), 2);
}

TEST(Placement, ShrinksOnlyWhatDoesNotFitAndAnchorsTopLeft) {
  const struct {
    int Width, Height, BoxWidth, BoxHeight;
    LONG Right, Bottom;
  } cases[] = {
      {50, 40, 114, 113, 50, 40},     {400, 100, 114, 113, 114, 28},  // trunc(114 / 4)
      {100, 400, 114, 113, 28, 113},                                  // trunc(113 / 4)
      {300, 200, 400, 100, 150, 100},  // wide, but the box wider still: the height limits
      {200, 300, 100, 400, 100, 150},  // tall, but the box taller still: the width limits
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Width) + " x " + std::to_string(c.Height));
    const RECT placed = ui::PicturePlacement(c.Width, c.Height, c.BoxWidth, c.BoxHeight);
    EXPECT_EQ((std::vector<LONG>{placed.left, placed.top, placed.right, placed.bottom}),
              (std::vector<LONG>{0, 0, c.Right, c.Bottom}));
  }
}

TEST(ApplicationText, TitleIsTheFileNameUpToItsFirstDotInLowerCaseAfterTheFirst) {
  EXPECT_EQ(ui::ApplicationTitleFromPath(L"Z:\\dist\\Trelvane_Project.exe"), L"Trelvane_project");
  EXPECT_EQ(ui::ApplicationTitleFromPath(L"C:\\a.b\\Outil.Test.exe"), L"Outil");
  EXPECT_EQ(ui::ApplicationTitleFromPath(L"C:\\x\\ÉCRAN.EXE"), L"Écran");
  EXPECT_EQ(ui::ApplicationTitleFromPath(L"C:\\x\\A.exe"), L"A");
  const std::wstring longFolder(400, L'd');
  EXPECT_EQ(ui::ApplicationTitleFromPath(L"C:\\" + longFolder + L"\\Long.exe"), L"Long");
}

TEST(ApplicationText, FinalPeriodOnlyAfterACharacterAboveThePeriod) {
  EXPECT_EQ(ui::ErrorBoxText(L"Impossible d'écrire dans C:\\x\\Trelvane.ini"),
            L"Impossible d'écrire dans C:\\x\\Trelvane.ini.");
  EXPECT_EQ(ui::ErrorBoxText(L"Type de données incorrect pour 'Path'"),
            L"Type de données incorrect pour 'Path'");
  EXPECT_EQ(ui::ErrorBoxText(L"Fini."), L"Fini.");
  EXPECT_EQ(ui::ErrorBoxText(L"Attention !"), L"Attention !");       // '!' is 0x21
  EXPECT_EQ(ui::ErrorBoxText(L"Quoi ?"), L"Quoi ?.");                // '?' is 0x3F
  EXPECT_EQ(ui::ErrorBoxText(L"Deux-points :"), L"Deux-points :.");  // ':' is 0x3A
  EXPECT_EQ(ui::ErrorBoxText(L"Chemin /"), L"Chemin /.");
  EXPECT_EQ(ui::ErrorBoxText(L""), L"");
}

// Every launcher's show command; the end-to-end suite starts the program with
// a few of them.
TEST(ApplicationText, OnlyMaximisedAndMinimisedStartsAreHonoured) {
  for (WORD command = SW_HIDE; command <= SW_MAX; ++command) {
    SCOPED_TRACE(command);
    const bool honoured = command == SW_SHOWMAXIMIZED || command == SW_SHOWMINNOACTIVE;
    STARTUPINFOW startup{};
    startup.wShowWindow = command;
    EXPECT_EQ(ui::FirstShowCommand(startup), SW_SHOWNORMAL) << "without STARTF_USESHOWWINDOW";
    startup.dwFlags = STARTF_USESHOWWINDOW;
    EXPECT_EQ(ui::FirstShowCommand(startup), honoured ? command : SW_SHOWNORMAL);
  }
}

TEST(Layout, ParsesObjectsPropertiesAndEveryValueKind) {
  const ui::TLayoutObject root = ui::ParseLayout(
      "// comment\n"
      "object Form1: TForm1\r\n"
      "  Caption = 'l''été'\n"
      "  Font.Height = -12\n"
      "  Font.Style = [fsBold]\n"
      "  object Button1: TButton\n"
      "    Visible = True\n"
      "  end\n"
      "end\n");
  EXPECT_EQ(root.Name, L"Form1");
  EXPECT_EQ(root.ClassName, L"TForm1");
  ASSERT_EQ(root.Properties.size(), 3u);
  EXPECT_EQ(root.Properties[0].second.Text, L"l'été");
  EXPECT_EQ(root.Properties[1].first, L"Font.Height");
  EXPECT_EQ(root.Properties[1].second.Integer, -12);
  EXPECT_EQ(root.Properties[2].second.Kind, ui::TLayoutValue::TKind::Set);
  EXPECT_EQ(root.Properties[2].second.Text, L"fsBold");
  ASSERT_EQ(root.Children.size(), 1u);
  EXPECT_EQ(root.Children[0].ClassName, L"TButton");
  EXPECT_EQ(root.Children[0].Properties[0].second.Kind, ui::TLayoutValue::TKind::Identifier);
}

std::wstring ParseError(std::string_view text) {
  return ErrorOf<ui::ELayoutError>([&] { (void)ui::ParseLayout(text); });
}

TEST(Layout, DamagedTextIsRefusedNamingTheLine) {
  EXPECT_EQ(ParseError("object A: TA\n  Left = 1x\nend\n"),
            L"Disposition de fenêtre illisible, ligne 2 : nombre incorrect");
  EXPECT_EQ(ParseError("object A: TA\n  Left = 1\n"),
            L"Disposition de fenêtre illisible, ligne 3 : disposition incomplète");
  EXPECT_NE(ParseError("object A: TA\nend\nend\n"), L"");
  EXPECT_NE(ParseError("object A TA\nend\n"), L"");
  EXPECT_NE(ParseError("object A: TA\n  Left 1\nend\n"), L"");
  EXPECT_NE(ParseError(std::string_view("object A: TA\n\0\nend\n", 20)), L"");
  EXPECT_NE(ParseError("object A: TA\n  Caption = '\xff'\nend\n"), L"");
  EXPECT_NE(ParseError(""), L"");
}

// A test form whose layout, in this executable's resources, goes by its class name.
class TNamedForm final : public ui::TForm {
 public:
  TNamedForm(ui::TFormHost& host, const wchar_t* name) : TForm(host), FName(name) {}

 protected:
  std::wstring ClassName() const override { return FName; }

 private:
  const wchar_t* FName;
};

std::wstring CreationError(const wchar_t* className) {
  TestHost host;
  TNamedForm form(host, className);
  const std::wstring error = ErrorOf([&] { form.Create(); });
  EXPECT_EQ(form.Handle(), nullptr) << "no window for an unreadable layout";
  return error;
}

TEST(Layout, AFormWhoseLayoutCannotBeReadIsNeverCreated) {
  EXPECT_EQ(CreationError(L"TUnknownHandler"),
            L"Disposition de fenêtre illisible, FormGone : gestionnaire d'événement inconnu");
  EXPECT_EQ(CreationError(L"TBrokenQuote"),
            L"Disposition de fenêtre illisible, ligne 2 : apostrophe isolée");
  EXPECT_EQ(CreationError(L"TNoLayout"), L"Ressource introuvable : TNoLayout");
}

TEST(Layout, TheJpegFormatIsRegisteredUnderBothExtensions) {
  for (const wchar_t* extension : {L"jpeg", L"jpg", L"JPG"}) {
    const ui::TFileFormat* format = ui::FindFileFormat(extension);
    ASSERT_NE(format, nullptr) << extension;
    EXPECT_EQ(format->Description, L"Fichier image JPEG");
  }
  EXPECT_EQ(ui::FindFileFormat(L"png"), nullptr);
}

// The program's layout names the resource first; every form test reads it.
TEST(Layout, APictureTakesItsResourceAndFormatInEitherOrder) {
  ui::TFont parentFont;
  ui::TImage image(parentFont, L"Image1");
  using TKind = ui::TLayoutValue::TKind;
  EXPECT_TRUE(image.ReadProperty(L"Picture.Format", {TKind::String, L"jpg"}));
  EXPECT_TRUE(image.ReadProperty(L"Picture.Resource", {TKind::String, L"LOGO"}));
  image.Loaded();
  EXPECT_EQ(image.Picture().Size().Width, 512);
}

TEST(Layout, ALabelsFontColourNeverReachesTheParentFont) {
  ui::TFont parentFont;
  ui::TLabel label(parentFont, L"LabelEtat");
  label.SetFontColor(ui::clRed);
  EXPECT_EQ(label.Font().Color, ui::clRed);
  EXPECT_EQ(parentFont.Color, ui::clWindowText);
}

TEST(Layout, TheLogoDecodesAtFullScaleTo24BitsAndDamageIsRefused) {
  const std::string_view logo = ui::ResourceData(L"LOGO");
  const ui::TPictureSize size = ui::ReadJpegSize(logo.data(), logo.size());
  EXPECT_EQ(size.Width, 512);
  EXPECT_EQ(size.Height, 512);
  const UniqueHBitmap decoded = ui::DecodeJpeg(logo.data(), logo.size());
  ASSERT_TRUE(decoded);
  BITMAP bitmap{};
  ASSERT_TRUE(GetObjectW(decoded.get(), sizeof(bitmap), &bitmap));
  EXPECT_EQ(bitmap.bmWidth, 512);
  EXPECT_EQ(bitmap.bmHeight, 512);
  EXPECT_EQ(bitmap.bmBitsPixel, 24);

  const std::string cut(logo.substr(0, 100));
  EXPECT_FALSE(ui::DecodeJpeg(cut.data(), cut.size()));
  const std::string noise(64, 'x');
  EXPECT_THROW((void)ui::ReadJpegSize(noise.data(), noise.size()), Exception);
  EXPECT_FALSE(ui::DecodeJpeg(noise.data(), noise.size()));
}

}  // namespace
