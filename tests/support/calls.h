// Calling objects as hosts do, by name, and reading what comes back, for the unit tests.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "automation/collection.h"
#include "automation/error.h"
#include "automation/members.h"

namespace halvora::test {

// The number of the Error `f` raises; 0 when it raises none.
template <class F>
int32_t error_of(F&& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

inline std::vector<std::u16string> texts(const Collection& c) {
  std::vector<std::u16string> out;
  for (const Variant& v : c.items()) out.push_back(v.string());
  return out;
}

// The items of a collection held as an object.
inline std::vector<std::u16string> texts(const ObjectRef& c) {
  return texts(dynamic_cast<Collection&>(*c));
}

// A collection of `items`, as a host builds one to hand over.
inline CollectionRef list_of(std::initializer_list<const char16_t*> items) {
  CollectionRef c = Collection::create();
  for (const char16_t* i : items) c->Add(Variant(i));
  return c;
}

inline Variant call(Object& o, std::u16string_view name, std::vector<Variant> args = {}) {
  return invoke(o, name, CallKind::Method, args);
}

inline ObjectRef get(Object& o, std::u16string_view name) {
  return invoke(o, name, CallKind::Get).object();
}

// Sets an object property by name, as a host's Set statement does.
inline void put(Object& o, std::u16string_view name, ObjectRef value) {
  std::vector<Variant> args{Variant(std::move(value))};
  invoke(o, name, CallKind::Set, args);
}

}  // namespace halvora::test
