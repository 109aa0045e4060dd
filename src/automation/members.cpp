#include "automation/members.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "automation/text.h"

namespace halvora {

MemberTable::MemberTable(std::initializer_list<Member> members) : members_(members) {
  for (std::size_t i = 0; i < members_.size(); ++i) {
    Member& m = members_[i];
    int32_t base = m.kind == MemberKind::Data       ? kDispDataBase
                   : m.kind == MemberKind::Property ? kDispPropertyBase
                                                    : kDispMethodBase;
    m.dispid = base + static_cast<int32_t>(i);
    by_name_.push_back(static_cast<uint32_t>(i));
  }
  // Records have a few hundred properties and a fill looks each one up by name; a stable sort
  // keeps the first of two names that differ only in case the one found.
  std::stable_sort(by_name_.begin(), by_name_.end(), [this](uint32_t a, uint32_t b) {
    return compare_ignoring_case(members_[a].name, members_[b].name) < 0;
  });
}

const Member* MemberTable::find(std::u16string_view name) const {
  auto at = std::lower_bound(by_name_.begin(), by_name_.end(), name,
                             [this](uint32_t i, std::u16string_view key) {
                               return compare_ignoring_case(members_[i].name, key) < 0;
                             });
  if (at == by_name_.end() || compare_ignoring_case(members_[*at].name, name) != 0) return nullptr;
  return &members_[*at];
}

const Member* MemberTable::find(int32_t dispid) const {
  for (const Member& m : members_)
    if (m.dispid == dispid) return &m;
  return nullptr;
}

namespace {

Variant call_method(Object& target, const Member& m, std::span<Variant> args) {
  if (args.size() > m.params.size()) throw Error::standard(err::kWrongArguments);
  // Coerced copies: the member sees its declared types, the caller's variables change only
  // where a parameter is by reference.
  std::vector<Variant> coerced(m.params.size());
  for (std::size_t i = 0; i < m.params.size(); ++i) {
    const ParamInfo& p = m.params[i];
    bool omitted = i >= args.size() || args[i].is_missing();
    if (omitted) {
      if (!p.optional) throw Error::standard(err::kArgumentNotOptional);
      coerced[i] = coerce(p.default_value, p.type);
    } else {
      coerced[i] = coerce(args[i], p.type);
    }
  }
  Variant result = m.call(target, coerced);
  for (std::size_t i = 0; i < args.size(); ++i)
    if (m.params[i].by_ref && !args[i].is_missing()) args[i] = coerced[i];
  return result;
}

// Hosts write obj.List(1) for obj.List.Item(1): arguments to a property that takes none go to
// the default member of the object it holds. An outside object is asked for its Item by name.
Variant call_default_of(const Variant& value, CallKind kind, std::span<Variant> args) {
  if (value.type() != VarType::Object || !value.object())
    throw Error::standard(err::kWrongArguments);
  Object& held = *value.object();
  if (held.outside()) return held.invoke_by_name(u"Item", kind, args);
  const Member* item = held.members().find(u"Item");
  if (!item) throw Error::standard(err::kWrongArguments);
  return invoke(held, *item, kind, args);
}

}  // namespace

Variant invoke(Object& target, const Member& m, CallKind kind, std::span<Variant> args) {
  if (m.kind == MemberKind::Method) {
    if (kind == CallKind::Let || kind == CallKind::Set) throw Error::standard(err::kNoSuchMember);
    return call_method(target, m, args);
  }
  switch (kind) {
    case CallKind::Method:
    case CallKind::Get:
      if (!(m.access & kGet)) throw Error::standard(err::kNoSuchMember);
      if (!args.empty()) return call_default_of(m.call(target, {}), kind, args);
      return m.call(target, {});
    case CallKind::Let:
    case CallKind::Set: {
      uint8_t wanted = kind == CallKind::Let ? kLet : kSet;
      if (!(m.access & wanted)) throw Error::standard(err::kNoSuchMember);
      if (args.size() != 1) throw Error::standard(err::kWrongArguments);
      if (m.takes && args[0].is_object() && args[0].object() && !m.takes(*args[0].object()))
        throw Error::standard(err::kTypeMismatch);
      m.put(target, args[0]);
      return {};
    }
  }
  return {};
}

Variant invoke(Object& target, std::u16string_view name, CallKind kind, std::span<Variant> args) {
  return target.invoke_by_name(name, kind, args);
}

Variant Object::invoke_by_name(std::u16string_view name, CallKind kind, std::span<Variant> args) {
  const Member* m = members().find(name);
  if (!m) throw Error::standard(err::kNoSuchMember);
  return invoke(*this, *m, kind, args);
}

void Object::assign_default(const Variant&) {
  throw Error::standard(err::kNoSuchMember);
}

namespace detail {

std::vector<ParamInfo> make_params(std::u16string_view member,
                                   std::initializer_list<ParamSpec> specs,
                                   std::initializer_list<std::pair<VarType, bool>> types) {
  if (specs.size() != types.size()) {
    // A table that disagrees with its C++ signature is a programming error found at start-up.
    std::fprintf(stderr, "member table: %s names %zu parameters, its function has %zu\n",
                 utf16_to_utf8(member).c_str(), specs.size(), types.size());
    std::abort();
  }
  std::vector<ParamInfo> out;
  auto t = types.begin();
  for (const ParamSpec& s : specs) {
    out.push_back({s.name, t->first, t->second, s.optional, s.default_value});
    ++t;
  }
  return out;
}

}  // namespace detail
}  // namespace halvora
