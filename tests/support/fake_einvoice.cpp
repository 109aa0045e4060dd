#include "support/fake_einvoice.h"

namespace halvora::test {

std::u16string shown(const Variant& v) {
  switch (v.type()) {
    case VarType::String:
      return u"\"" + v.string() + u"\"";
    case VarType::Integer:
      return to_string(v) + u"%";
    case VarType::Long:
      return to_string(v) + u"&";
    case VarType::Double:
      return to_string(v) + u"#";
    case VarType::Date:
      return u"#" + to_string(Variant(v.get<Date>().serial)) + u"#";
    case VarType::Boolean:
      return to_string(v);
    case VarType::Null:
      return u"Null";
    case VarType::Empty:
      return u"Empty";
    case VarType::Object:
      if (!v.object()) return u"Nothing";
      if (auto* fake = dynamic_cast<const FakeComponentObject*>(v.object().get()))
        return fake->name;
      return v.object()->type_name();
    default:
      return u"?";
  }
}

Variant FakeComponentObject::invoke_by_name(std::u16string_view member, CallKind kind,
                                            std::span<Variant> args) {
  const Member* m = layout_->members().find(member);
  std::u16string where = name + u"." + std::u16string(member);
  if (!m) {
    world_.log.push_back(where + u" (no such member)");
    throw Error::standard(err::kNoSuchMember);
  }
  auto failure = world_.failures.find(m->name);
  if (failure == world_.failures.end())
    failure = world_.failures.find(type_name() + u"." + m->name);
  const bool fails = failure != world_.failures.end();

  if (kind == CallKind::Let || kind == CallKind::Set) {
    world_.log.push_back(where + u" = " + shown(args[0]));
    if (m->kind == MemberKind::Method) throw Error::standard(err::kNoSuchMember);
    if (fails) throw failure->second;
    values[std::u16string(member)] = args[0];
    return {};
  }
  if (m->kind != MemberKind::Method) {
    world_.log.push_back(where);
    if (fails) throw failure->second;
    auto it = values.find(std::u16string(member));
    return it != values.end() ? it->second : invoke(*layout_, *m, CallKind::Get, {});
  }

  std::u16string line = where + u"(";
  FakeInvoicing::Call call{name, m->name, {args.begin(), args.end()}, {}};
  for (std::size_t i = 0; i < args.size(); ++i) {
    line += (i ? u", " : u"") + shown(args[i]);
    if (args[i].is_object())
      if (auto* record = dynamic_cast<FakeComponentObject*>(args[i].object().get()))
        call.contents.push_back(record->values);
  }
  world_.log.push_back(line + u")");
  world_.calls.push_back(call);
  if (args.size() != m->params.size()) throw Error::standard(err::kWrongArguments);
  if (fails) throw failure->second;

  if (m->name == u"AnexarRenglon" || m->name == u"AddDetalle") {
    if (!args[0].is_object() || !args[0].object()) throw Error::standard(err::kObjectNotSet);
    rows.push_back(dynamic_cast<FakeComponentObject&>(*args[0].object()).values);
    if (m->name == u"AddDetalle" && world_.detail_replaced)
      args[0] = Variant(FakeInvoicing::create(u"MovimientoEdoCta"));
  }
  // A component that writes to the location, user and password it was given.
  if (m->name == u"Conectar")
    for (Variant& arg : args) arg = Variant(u"scribbled");
  auto answer = world_.answers.find(m->name);
  return answer != world_.answers.end() ? answer->second : Variant();
}

void FakeComponentObject::assign_default(const Variant& value) {
  world_.log.push_back(name + u" = " + shown(value));
  if (world_.refusing_release.count(type_name())) throw Error::standard(err::kNoSuchMember);
}

ObjectRef FakeInvoicing::create(std::u16string_view class_name) {
  FakeInvoicing& w = *current();
  ObjectRef layout = einvoice::create_component(class_name);
  if (!layout) throw Error::standard(err::kCannotCreate);
  std::u16string cls = layout->type_name();
  if (auto refused = w.refusals.find(cls); refused != w.refusals.end()) {
    w.log.push_back(u"new " + cls + u" (refused)");
    throw refused->second;
  }
  if (w.substitute_records && cls != u"ServidorFacturacion") {
    w.log.push_back(u"new " + cls + u" (the substitute's)");
    return layout;
  }
  std::u16string name = cls + u"#" + to_string(Variant(int32_t{++w.serial_[cls]}));
  w.log.push_back(u"new " + name);
  auto made = std::make_shared<FakeComponentObject>(w, cls, name, std::move(layout));
  w.objects_[name] = made;
  return made;
}

}  // namespace halvora::test
