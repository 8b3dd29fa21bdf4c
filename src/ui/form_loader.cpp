#include "ui/form_loader.h"

namespace ui {

namespace {

std::unique_ptr<TControl> NewControl(TFont& ParentFont, const TLayoutObject& Layout) {
  if (Layout.ClassName == L"TLabel") return std::make_unique<TLabel>(ParentFont, Layout.Name);
  if (Layout.ClassName == L"TImage") return std::make_unique<TImage>(ParentFont, Layout.Name);
  if (Layout.ClassName == L"TButton") return std::make_unique<TButton>(ParentFont, Layout.Name);
  ThrowLayoutError(Layout.Name, L"classe inconnue " + Layout.ClassName);
}

class Loader {
 public:
  Loader(const std::wstring& ClassName, TEventHandlers& Handlers, TFormDesign& Design)
      : FClassName(ClassName), FHandlers(Handlers), FDesign(Design) {}

  void Load(const TLayoutObject& Layout) {
    if (Layout.ClassName != FClassName)
      ThrowLayoutError(Layout.Name, L"classe " + Layout.ClassName);
    for (const auto& [property, value] : Layout.Properties)
      ReadFormProperty(property, value);
    for (const auto& child : Layout.Children)
      AddControl(child);
  }

 private:
  void ReadFormProperty(const std::wstring& Property, const TLayoutValue& Value) {
    if (Property == L"Caption") {
      FDesign.Caption = LayoutString(Property, Value);
    } else if (Property == L"ClientWidth") {
      FDesign.ClientWidth = LayoutInteger(Property, Value);
    } else if (Property == L"ClientHeight") {
      FDesign.ClientHeight = LayoutInteger(Property, Value);
    } else if (Property == L"Color") {
      FDesign.Color = ReadLayoutColor(Property, Value);
    } else if (Property == L"OnCreate") {
      FDesign.OnCreate = NotifyHandler(LayoutIdentifier(Property, Value));
    } else if (Property == L"OnClose") {
      const std::wstring& name = LayoutIdentifier(Property, Value);
      FDesign.OnClose = FHandlers.FindCloseHandler(name);
      if (!FDesign.OnClose) ThrowUnknownHandler(name);
    } else if (!ReadFontLayoutProperty(FDesign.Font, Property, Value)) {
      ThrowLayoutError(FClassName, L"propriété inconnue " + Property);
    }
  }

  void AddControl(const TLayoutObject& Layout) {
    if (!Layout.Children.empty()) ThrowLayoutError(Layout.Name, L"objets imbriqués");
    for (const auto& existing : FDesign.Controls)
      if (existing->Name() == Layout.Name) ThrowLayoutError(Layout.Name, L"nom en double");
    auto control = NewControl(FDesign.Font, Layout);
    for (const auto& [property, value] : Layout.Properties) {
      if (property == L"OnClick")
        control->OnClick = NotifyHandler(LayoutIdentifier(property, value));
      else if (!control->ReadProperty(property, value))
        ThrowLayoutError(Layout.Name, L"propriété inconnue " + property);
    }
    control->Loaded();
    FDesign.Controls.push_back(std::move(control));
  }

  TNotifyEvent NotifyHandler(const std::wstring& Name) {
    TNotifyEvent handler = FHandlers.FindNotifyHandler(Name);
    if (!handler) ThrowUnknownHandler(Name);
    return handler;
  }

  [[noreturn]] static void ThrowUnknownHandler(const std::wstring& Name) {
    ThrowLayoutError(Name, L"gestionnaire d'événement inconnu");
  }

  const std::wstring& FClassName;
  TEventHandlers& FHandlers;
  TFormDesign& FDesign;
};

}  // namespace

void LoadFormDesign(const TLayoutObject& Layout, const std::wstring& ClassName,
                    TEventHandlers& Handlers, TFormDesign& Design) {
  Loader(ClassName, Handlers, Design).Load(Layout);
}

}  // namespace ui
