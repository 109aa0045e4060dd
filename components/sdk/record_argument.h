// A record handed to an operation (a charge to post, an example to search by, a coupon to save):
// one of the substitute's own, or an object of another maker that stands for one, such as a record
// a host made itself or one of a registered SDK. Such an object is read by its properties' names
// into a record of ours, and what the operation writes into the record (the number it assigns)
// goes back to the object by name, as a host reading it afterwards expects.
#pragma once

#include <cstddef>

#include "automation/object.h"
#include "sdk/records.h"

namespace halvora::sdk {

class RecordArgument {
 public:
  // 91 for no object; 13 for a record of another class, or an object whose TypeName is not the
  // layout's class.
  RecordArgument(const ObjectRef& object, const RecordLayout& layout);

  Record& get() { return *record_; }

  // The field at `position` back into the object handed in, when that is not one of ours.
  void write_back(std::size_t position);

 private:
  ObjectRef object_;
  RecordRef record_;
  bool borrowed_ = false;  // record_ is a copy of object_'s properties
};

}  // namespace halvora::sdk
