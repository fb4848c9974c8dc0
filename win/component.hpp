#pragma once
#include "base/formtext.hpp"

#include <any>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace win {

class TComponent;
class TForm;
class FormBinder;

// Every object that can be an event's Sender.
class TObject {
public:
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

// A layout that names an unknown class, property, handler or component, or gives a value of the
// wrong kind.
class FormReadError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

using PropertySetter = std::function<void(TComponent&, const qt::FormValue&, FormBinder&)>;

// The published properties of one class, by name (compared without regard to case); a class's
// table chains to its base class's.
class PropertyTable {
public:
  PropertyTable(const PropertyTable* base, std::vector<std::pair<std::string, PropertySetter>> props);
  const PropertySetter* Find(std::string_view name) const;

private:
  const PropertyTable* base_;
  std::vector<std::pair<std::string, PropertySetter>> props_;
};

class TComponent : public TObject {
public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  // Owned components in creation order; the owner destroys them, last first.
  const std::vector<TComponent*>& Components() const { return components_; }
  TComponent* FindComponent(std::string_view name) const;
  // The owned component of that name and class; a layout without it is a FormReadError naming it.
  template <class T>
  T* Find(const char* name) const {
    if (T* c = dynamic_cast<T*>(FindComponent(name))) return c;
    throw FormReadError(std::string("the layout has no ") + name + " of the expected class");
  }

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }

  // Called once the whole layout is read and its references are resolved.
  virtual void Loaded() {}

  virtual const PropertyTable& Properties() const;
  static const PropertyTable& ClassProperties();

protected:
  // Frees the owned components now, last first, rather than after a derived destructor ran.
  void DestroyComponents();

private:
  TComponent* owner_;
  std::string name_;
  std::vector<TComponent*> components_;
};

// Typed helpers for building property tables. Each converts the layout value and throws a
// FormReadError when it is of the wrong kind.
int64_t IntegerValue(const qt::FormValue& v);
bool BooleanValue(const qt::FormValue& v);
std::string StringValue(const qt::FormValue& v); // code page 936
std::string IdentValue(const qt::FormValue& v);

template <class C>
PropertySetter IntProperty(void (*set)(C&, int)) {
  return [set](TComponent& c, const qt::FormValue& v, FormBinder&) {
    set(static_cast<C&>(c), static_cast<int>(IntegerValue(v)));
  };
}
template <class C>
PropertySetter BoolProperty(void (*set)(C&, bool)) {
  return [set](TComponent& c, const qt::FormValue& v, FormBinder&) {
    set(static_cast<C&>(c), BooleanValue(v));
  };
}
template <class C>
PropertySetter StringProperty(void (*set)(C&, const std::string&)) {
  return [set](TComponent& c, const qt::FormValue& v, FormBinder&) {
    set(static_cast<C&>(c), StringValue(v));
  };
}

// A layout lists items as repeated Items.Add lines, in order.
template <class C>
PropertySetter AddItemProperty(void (C::*add)(const std::string&)) {
  return [add](TComponent& c, const qt::FormValue& v, FormBinder&) { (static_cast<C&>(c).*add)(StringValue(v)); };
}

template <class E>
using EnumNames = std::vector<std::pair<std::string, E>>;

[[noreturn]] void ThrowBadIdent(const std::string& ident);

template <class C, class E>
PropertySetter EnumProperty(void (*set)(C&, E), EnumNames<E> names) {
  return [set, names = std::move(names)](TComponent& c, const qt::FormValue& v, FormBinder&) {
    std::string id = IdentValue(v);
    for (const auto& [n, e] : names)
      if (n == id) return set(static_cast<C&>(c), e);
    ThrowBadIdent(id);
  };
}

template <class C>
PropertySetter SetProperty(void (*set)(C&, unsigned), EnumNames<unsigned> bits) {
  return [set, bits = std::move(bits)](TComponent& c, const qt::FormValue& v, FormBinder&) {
    if (v.kind != qt::FormValue::Kind::Set) throw FormReadError("a set [..] was expected");
    unsigned mask = 0;
    for (const auto& item : v.items) {
      bool found = false;
      for (const auto& [n, b] : bits)
        if (n == item) {
          mask |= b;
          found = true;
        }
      if (!found) ThrowBadIdent(item);
    }
    set(static_cast<C&>(c), mask);
  };
}

// Resolves layout names to handlers and components.
class FormBinder {
public:
  explicit FormBinder(TForm& form) : form_(form) {}
  TForm& Form() const { return form_; }
  // The handler of that name with the given event type, or a FormReadError.
  template <class Ev>
  Ev Handler(const std::string& name) const {
    const std::any& h = FindHandler(name);
    if (const Ev* ev = std::any_cast<Ev>(&h)) return *ev;
    throw FormReadError("handler " + name + " does not fit this event");
  }
  // Runs after the whole layout is read, so references may name components read later.
  void Later(std::function<void()> fixup) { fixups_.push_back(std::move(fixup)); }
  TComponent& Component(const std::string& name) const;
  void RunFixups();

private:
  const std::any& FindHandler(const std::string& name) const;
  TForm& form_;
  std::vector<std::function<void()>> fixups_;
};

template <class C, class Ev>
PropertySetter EventProperty(Ev C::*field) {
  return [field](TComponent& c, const qt::FormValue& v, FormBinder& b) {
    static_cast<C&>(c).*field = b.Handler<Ev>(IdentValue(v));
  };
}

// A reference to another component of the form, set once the whole layout is read.
template <class C>
PropertySetter ReferenceProperty(void (*set)(C&, TComponent*)) {
  return [set](TComponent& c, const qt::FormValue& v, FormBinder& b) {
    std::string name = IdentValue(v);
    b.Later([set, &c, &b, name] { set(static_cast<C&>(c), &b.Component(name)); });
  };
}

// Classes that layouts may name. Each factory creates the component with its owner.
using ComponentFactory = std::function<TComponent*(TComponent* owner)>;
void RegisterComponentClass(const std::string& className, ComponentFactory factory);
const ComponentFactory* FindComponentClass(std::string_view className);

template <class T>
void RegisterComponentClass(const std::string& className) {
  RegisterComponentClass(className, [](TComponent* owner) -> TComponent* { return new T(owner); });
}

} // namespace win
