// The base of every object a host can hold: published classes, collections and records.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "automation/variant.h"

namespace halvora {

class MemberTable;

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
