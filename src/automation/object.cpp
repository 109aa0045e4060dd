#include "automation/object.h"

namespace halvora {

std::atomic<long> Object::live_{0};

Object::Object() {
  ++live_;
}
Object::~Object() {
  --live_;
}

}  // namespace halvora
