#include "sdk/record_argument.h"

#include <memory>

#include "automation/error.h"
#include "automation/members.h"

namespace halvora::sdk {

RecordArgument::RecordArgument(const ObjectRef& object, const RecordLayout& layout)
    : object_(object) {
  if (!object_) throw Error::standard(err::kObjectNotSet);
  if (auto own = std::dynamic_pointer_cast<Record>(object_)) {
    if (&own->layout() != &layout) throw Error::standard(err::kTypeMismatch);
    record_ = std::move(own);
    return;
  }
  if (object_->type_name() != layout.class_name) throw Error::standard(err::kTypeMismatch);
  record_ = std::make_shared<Record>(layout);
  borrowed_ = true;
  for (std::size_t p = 0; p < layout.fields.size(); ++p)
    record_->set(p, invoke(*object_, layout.fields[p].name, CallKind::Get));
}

void RecordArgument::write_back(std::size_t position) {
  if (!borrowed_) return;
  Variant value[] = {record_->value(position)};
  invoke(*object_, record_->layout().fields.at(position).name, CallKind::Let, value);
}

}  // namespace halvora::sdk
