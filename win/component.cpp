#include "win/component.hpp"

#include "win/form.hpp"
#include "win/text.hpp"

#include <algorithm>
#include <cctype>
#include <map>

namespace win {
namespace {

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::map<std::string, ComponentFactory, std::less<>>& ClassRegistry() {
  static std::map<std::string, ComponentFactory, std::less<>> registry;
  return registry;
}

} // namespace

PropertyTable::PropertyTable(const PropertyTable* base,
                             std::vector<std::pair<std::string, PropertySetter>> props)
    : base_(base), props_(std::move(props)) {}

const PropertySetter* PropertyTable::Find(std::string_view name) const {
  for (const auto& [n, setter] : props_)
    if (SameText(n, name)) return &setter;
  return base_ ? base_->Find(name) : nullptr;
}

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_) owner_->components_.push_back(this);
}

TComponent::~TComponent() {
  DestroyComponents();
  if (owner_) std::erase(owner_->components_, this);
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) delete components_.back();
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  for (TComponent* c : components_)
    if (SameText(c->Name(), name)) return c;
  return nullptr;
}

const PropertyTable& TComponent::ClassProperties() {
  static const PropertyTable table(nullptr, {});
  return table;
}
const PropertyTable& TComponent::Properties() const { return ClassProperties(); }

int64_t IntegerValue(const qt::FormValue& v) {
  if (v.kind != qt::FormValue::Kind::Integer) throw FormReadError("a number was expected");
  return v.integer;
}

bool BooleanValue(const qt::FormValue& v) {
  std::string id = IdentValue(v);
  if (SameText(id, "True")) return true;
  if (SameText(id, "False")) return false;
  throw FormReadError("True or False was expected, not " + id);
}

std::string StringValue(const qt::FormValue& v) {
  if (v.kind != qt::FormValue::Kind::String) throw FormReadError("a quoted string was expected");
  return Utf8ToAnsi(v.text);
}

std::string IdentValue(const qt::FormValue& v) {
  if (v.kind != qt::FormValue::Kind::Ident) throw FormReadError("a name was expected");
  return v.text;
}

void ThrowBadIdent(const std::string& ident) { throw FormReadError("unknown value " + ident); }

TComponent& FormBinder::Component(const std::string& name) const {
  if (SameText(form_.Name(), name)) return form_;
  if (TComponent* c = form_.FindComponent(name)) return *c;
  throw FormReadError("unknown component " + name);
}

const std::any& FormBinder::FindHandler(const std::string& name) const {
  if (const std::any* h = form_.FindHandler(name)) return *h;
  throw FormReadError("unknown handler " + name);
}

void FormBinder::RunFixups() {
  for (auto& f : fixups_) f();
  fixups_.clear();
}

void RegisterComponentClass(const std::string& className, ComponentFactory factory) {
  ClassRegistry()[className] = std::move(factory);
}

const ComponentFactory* FindComponentClass(std::string_view className) {
  auto& r = ClassRegistry();
  auto it = r.find(className);
  return it == r.end() ? nullptr : &it->second;
}

} // namespace win
