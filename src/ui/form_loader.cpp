#include "ui/form_loader.h"

namespace ui {

namespace {

std::unique_ptr<TControl> NewControl(TFont& parentFont, const TLayoutObject& layout) {
  if (layout.ClassName == L"TLabel") return std::make_unique<TLabel>(parentFont, layout.Name);
  if (layout.ClassName == L"TImage") return std::make_unique<TImage>(parentFont, layout.Name);
  if (layout.ClassName == L"TButton") return std::make_unique<TButton>(parentFont, layout.Name);
  ThrowLayoutError(layout.Name, L"classe inconnue " + layout.ClassName);
}

class Loader {
 public:
  Loader(const std::wstring& className, TEventHandlers& handlers, TFormDesign& design)
      : FClassName(className), FHandlers(handlers), FDesign(design) {}

  void Load(const TLayoutObject& layout) {
    if (layout.ClassName != FClassName)
      ThrowLayoutError(layout.Name, L"classe " + layout.ClassName);
    for (const auto& [property, value] : layout.Properties)
      ReadFormProperty(property, value);
    for (const auto& child : layout.Children)
      AddControl(child);
  }

 private:
  void ReadFormProperty(const std::wstring& property, const TLayoutValue& value) {
    if (property == L"Caption") {
      FDesign.Caption = LayoutString(property, value);
    } else if (property == L"ClientWidth") {
      FDesign.ClientWidth = LayoutInteger(property, value);
    } else if (property == L"ClientHeight") {
      FDesign.ClientHeight = LayoutInteger(property, value);
    } else if (property == L"Color") {
      FDesign.Color = ReadLayoutColor(property, value);
    } else if (property == L"OnCreate") {
      FDesign.OnCreate = NotifyHandler(LayoutIdentifier(property, value));
    } else if (property == L"OnClose") {
      const std::wstring& name = LayoutIdentifier(property, value);
      FDesign.OnClose = FHandlers.FindCloseHandler(name);
      if (!FDesign.OnClose) ThrowUnknownHandler(name);
    } else if (!ReadFontLayoutProperty(FDesign.Font, property, value)) {
      ThrowLayoutError(FClassName, L"propriété inconnue " + property);
    }
  }

  void AddControl(const TLayoutObject& layout) {
    if (!layout.Children.empty()) ThrowLayoutError(layout.Name, L"objets imbriqués");
    for (const auto& existing : FDesign.Controls)
      if (existing->Name() == layout.Name) ThrowLayoutError(layout.Name, L"nom en double");
    auto control = NewControl(FDesign.Font, layout);
    for (const auto& [property, value] : layout.Properties) {
      if (property == L"OnClick")
        control->OnClick = NotifyHandler(LayoutIdentifier(property, value));
      else if (!control->ReadProperty(property, value))
        ThrowLayoutError(layout.Name, L"propriété inconnue " + property);
    }
    FDesign.Controls.push_back(std::move(control));
  }

  TNotifyEvent NotifyHandler(const std::wstring& name) {
    TNotifyEvent handler = FHandlers.FindNotifyHandler(name);
    if (!handler) ThrowUnknownHandler(name);
    return handler;
  }

  [[noreturn]] static void ThrowUnknownHandler(const std::wstring& name) {
    ThrowLayoutError(name, L"gestionnaire d'événement inconnu");
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
