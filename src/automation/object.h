// The base of every object a host can hold: published classes, collections and records.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "automation/variant.h"

namespace halvora {

class MemberTable;

// How a caller invokes a member: a call, a read, a value assignment, an object assignment.
enum class CallKind : uint8_t { Method, Get, Let, Set };

class Object : public std::enable_shared_from_this<Object> {
 public:
  Object();
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  virtual ~Object();

  // The members a host may call by name, in interface order.
  virtual const MemberTable& members() const = 0;
  // The name TypeName() shows for it.
  virtual std::u16string type_name() const = 0;

  // A call by name, with the platform's rules (members.h: invoke). The default looks the name up
  // in members(). An object that stands for an outside automation object has no table of its
  // own and answers every name itself: on Windows the foreign object's GetIDsOfNames and Invoke.
  virtual Variant invoke_by_name(std::u16string_view name, CallKind kind, std::span<Variant> args);

  // A value assigned to the object itself, as a host's `object = value` without Set assigns it:
  // a property put on its default member (dispatch identifier 0). The library's own classes have
  // no default member to assign, so the default refuses with 438; an outside automation object
  // answers it itself, and the outside components' substitutes take the null value through which
  // their clients let go of them.
  virtual void assign_default(const Variant& value);

  // True for an object that stands for an outside automation object whose class the library does
  // not know (a host's own collection or record, a registered component): a property that holds a
  // result collection takes it as it is, and the library calls it by name only.
  virtual bool outside() const { return false; }

  // A platform automation object that stands behind this one and that hosts should be handed
  // in its place, so that they talk to the platform directly: on Windows an IDispatch*, which
  // the COM layer hands out itself (with a reference of its own) instead of wrapping this
  // object. Opaque here so that the runtime stays free of platform types; null, as for every
  // object of the library's own, means "wrap me".
  virtual void* foreign_dispatch() const { return nullptr; }

  // Objects alive in the process; the in-process server may unload only at zero.
  static long live_count() { return live_.load(); }

 private:
  static std::atomic<long> live_;
};

}  // namespace halvora
