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
  // The form's own properties; its Font.* ones go to the design's font.
  void ReadFormProperty(const std::wstring& Property, const TLayoutValue& Value) {
    static constexpr TPropertyReader<Loader> kProperties[] = {
        {L"Caption", [](auto& F, auto& N, auto& V) { F.FDesign.Caption = LayoutString(N, V); }},
        {L"ClientWidth",
         [](auto& F, auto& N, auto& V) { F.FDesign.ClientWidth = LayoutInteger(N, V); }},
        {L"ClientHeight",
         [](auto& F, auto& N, auto& V) { F.FDesign.ClientHeight = LayoutInteger(N, V); }},
        {L"Color", [](auto& F, auto& N, auto& V) { F.FDesign.Color = ReadLayoutColor(N, V); }},
        {L"OnCreate",
         [](auto& F, auto& N, auto& V) {
           F.FDesign.OnCreate = F.Handler(N, V, &TEventHandlers::FindNotifyHandler);
         }},
        {L"OnClose", [](auto& F, auto& N, auto& V) {
           F.FDesign.OnClose = F.Handler(N, V, &TEventHandlers::FindCloseHandler);
         }}};
    if (!ReadPropertyFrom(kProperties, *this, Property, Value) &&
        !ReadFontLayoutProperty(FDesign.Font, Property, Value))
      ThrowLayoutError(FClassName, L"propriété inconnue " + Property);
  }

  void AddControl(const TLayoutObject& Layout) {
    if (!Layout.Children.empty()) ThrowLayoutError(Layout.Name, L"objets imbriqués");
    for (const auto& existing : FDesign.Controls)
      if (existing->Name() == Layout.Name) ThrowLayoutError(Layout.Name, L"nom en double");
    auto control = NewControl(FDesign.Font, Layout);
    for (const auto& [property, value] : Layout.Properties) {
      // A control's one event is bound here, where the handlers are known.
      if (property == L"OnClick")
        control->OnClick = Handler(property, value, &TEventHandlers::FindNotifyHandler);
      else if (!control->ReadProperty(property, value))
        ThrowLayoutError(Layout.Name, L"propriété inconnue " + property);
    }
    control->Loaded();
    FDesign.Controls.push_back(std::move(control));
  }

  // The handler of that name, of the kind the event takes; none is an error.
  template <typename TEvent>
  TEvent Handler(const std::wstring& Property, const TLayoutValue& Value,
                 TEvent (TEventHandlers::*Find)(const std::wstring&)) {
    const std::wstring& name = LayoutIdentifier(Property, Value);
    TEvent handler = (FHandlers.*Find)(name);
    if (!handler) ThrowLayoutError(name, L"gestionnaire d'événement inconnu");
    return handler;
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
