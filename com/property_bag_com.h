// A control's property store on Windows: the container's IPropertyBag behind the controls'
// PropertyBag. Values cross as the platform's own types (VT_I4, VT_BOOL, VT_BSTR, ...); a font
// crosses as the platform's standard font object (IFont), which the container persists itself.
#pragma once

#include <ocidl.h>
#include <windows.h>

#include "controls/property_bag.h"

namespace halvora::com {

class ComPropertyBag : public controls::PropertyBag {
 public:
  // Holds a reference to the bag (and the error log, which may be null) while it lives.
  ComPropertyBag(IPropertyBag* bag, IErrorLog* log = nullptr);
  ~ComPropertyBag() override;
  ComPropertyBag(const ComPropertyBag&) = delete;
  ComPropertyBag& operator=(const ComPropertyBag&) = delete;

  // A key the bag does not have, or a value of a type the control cannot hold, gives the default.
  Variant read(std::u16string_view key, const Variant& default_value) override;
  // A write the bag refuses is 5 (invalid procedure call).
  void write(std::u16string_view key, const Variant& value) override;

 private:
  IPropertyBag* bag_;
  IErrorLog* log_;
};

}  // namespace halvora::com
