#include "operators.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "automation/conversions.h"
#include "script_error.h"

namespace halvora::host {

namespace {

// How wide an arithmetic result may stay: the wider operand decides.
enum class Rank { Integer, Long, Single, Double, Date };

Rank rank_of(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Boolean:
    case VarType::Integer:
      return Rank::Integer;
    case VarType::Long:
      return Rank::Long;
    case VarType::Single:
      return Rank::Single;
    case VarType::Date:
      return Rank::Date;
    case VarType::Double:
    case VarType::String:
      return Rank::Double;
    default:
      throw runtime_error(err::kTypeMismatch);
  }
}

double number(const Variant& v) {
  if (v.is_object() || v.is_array()) throw runtime_error(err::kTypeMismatch);
  return to_double(v);
}

// The narrowest type at or above the rank that holds the result.
Variant fit(double r, Rank rank) {
  if (rank == Rank::Date) return Variant(Date{r});
  if (rank == Rank::Integer && r >= -32768 && r <= 32767) return Variant(static_cast<int16_t>(r));
  if (rank <= Rank::Long && r >= -2147483648.0 && r <= 2147483647.0)
    return Variant(static_cast<int32_t>(r));
  if (rank == Rank::Single && std::fabs(r) <= std::numeric_limits<float>::max())
    return Variant(static_cast<float>(r));
  return Variant(r);
}

// A Single cannot hold every Long exactly, so the two together give a Double.
Rank wider(Rank a, Rank b) {
  if ((a == Rank::Long && b == Rank::Single) || (a == Rank::Single && b == Rank::Long))
    return Rank::Double;
  return a > b ? a : b;
}

Variant arithmetic(Op op, const Variant& a, const Variant& b) {
  Rank ra = rank_of(a), rb = rank_of(b);
  Rank rank = wider(ra, rb);
  double x = number(a), y = number(b);
  switch (op) {
    case Op::Add:
      return fit(x + y, rank);
    case Op::Sub:
      // Date minus Date is a day count, not a date.
      if (ra == Rank::Date && rb == Rank::Date) return Variant(x - y);
      return fit(x - y, rank);
    case Op::Mul:
      return fit(x * y, rank == Rank::Date ? Rank::Double : rank);
    case Op::Div:
      if (y == 0) throw runtime_error(x == 0 ? err::kOverflow : herr::kDivisionByZero);
      if (ra == Rank::Single && rb == Rank::Single) return fit(x / y, Rank::Single);
      return Variant(x / y);
    case Op::Pow:
      return Variant(std::pow(x, y));
    default:
      break;
  }
  // \ and Mod work on rounded 32-bit values.
  int32_t p = to_long(a), q = to_long(b);
  if (q == 0) throw runtime_error(herr::kDivisionByZero);
  Rank int_rank = rank == Rank::Integer ? Rank::Integer : Rank::Long;
  int64_t r = op == Op::IntDiv ? int64_t{p} / q : int64_t{p} % q;
  return fit(static_cast<double>(r), int_rank);
}

// Numbers sort before text when one of each meets; Empty reads as 0 or "" to match the other.
int compare(const Variant& a, const Variant& b) {
  if (a.is_object() || b.is_object() || a.is_array() || b.is_array())
    throw runtime_error(err::kTypeMismatch);
  bool sa = a.is_string(), sb = b.is_string();
  if (sa || sb) {
    if (sa && sb) return a.string().compare(b.string()) < 0 ? -1 : a.string() == b.string() ? 0 : 1;
    if (a.is_empty()) return std::u16string().compare(b.string()) == 0 ? 0 : -1;
    if (b.is_empty()) return a.string().empty() ? 0 : 1;
    return sa ? 1 : -1;
  }
  double x = to_double(a), y = to_double(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

Variant logical(Op op, const Variant& a, const Variant& b) {
  if (a.is_null() || b.is_null()) {
    // Null And False is False and Null Or True is True: the known side decides.
    const Variant& other = a.is_null() ? b : a;
    if (!other.is_null()) {
      if (op == Op::And && !to_boolean(other)) return Variant(false);
      if (op == Op::Or && other.type() == VarType::Boolean && to_boolean(other))
        return Variant(true);
    }
    return Variant(Null{});
  }
  if (a.type() == VarType::Boolean && b.type() == VarType::Boolean) {
    bool x = a.get<bool>(), y = b.get<bool>();
    switch (op) {
      case Op::And:
        return Variant(x && y);
      case Op::Or:
        return Variant(x || y);
      case Op::Xor:
        return Variant(x != y);
      case Op::Eqv:
        return Variant(x == y);
      default:
        return Variant(!x || y);
    }
  }
  Rank rank = wider(rank_of(a), rank_of(b)) == Rank::Integer ? Rank::Integer : Rank::Long;
  int32_t x = to_long(a), y = to_long(b), r = 0;
  switch (op) {
    case Op::And:
      r = x & y;
      break;
    case Op::Or:
      r = x | y;
      break;
    case Op::Xor:
      r = x ^ y;
      break;
    case Op::Eqv:
      r = ~(x ^ y);
      break;
    default:
      r = ~x | y;
      break;
  }
  return fit(r, rank);
}

std::u16string text_or_empty(const Variant& v) {
  if (v.is_null()) return {};
  if (v.is_object() || v.is_array()) throw runtime_error(err::kTypeMismatch);
  return to_string(v);
}

}  // namespace

void concat_into(Variant& acc, const Variant& rhs) {
  if (acc.is_null() && rhs.is_null()) return;
  if (!acc.is_string() || acc.is_null()) acc = Variant(text_or_empty(acc));
  std::u16string& text = acc.get<std::u16string>();
  if (rhs.is_string()) {
    check_text_length(text.size() + rhs.string().size());
    text += rhs.string();
  } else {
    std::u16string more = text_or_empty(rhs);
    check_text_length(text.size() + more.size());
    text += more;
  }
}

Variant apply_binary(Op op, const Variant& a, const Variant& b) {
  switch (op) {
    case Op::Concat: {
      Variant acc = a;
      concat_into(acc, b);
      return acc;
    }
    case Op::Is: {
      if (!a.is_object() || !b.is_object()) throw runtime_error(err::kObjectRequired);
      return Variant(a.object() == b.object());
    }
    case Op::And:
    case Op::Or:
    case Op::Xor:
    case Op::Eqv:
    case Op::Imp:
      return logical(op, a, b);
    case Op::Eq:
    case Op::Ne:
    case Op::Lt:
    case Op::Gt:
    case Op::Le:
    case Op::Ge: {
      if (a.is_null() || b.is_null()) return Variant(Null{});
      int c = compare(a, b);
      bool r = op == Op::Eq   ? c == 0
               : op == Op::Ne ? c != 0
               : op == Op::Lt ? c < 0
               : op == Op::Gt ? c > 0
               : op == Op::Le ? c <= 0
                              : c >= 0;
      return Variant(r);
    }
    default:
      break;
  }
  if (a.is_null() || b.is_null()) return Variant(Null{});
  if (op == Op::Add) {
    // "+" joins two texts; text and Empty stay text.
    if (a.is_string() && (b.is_string() || b.is_empty())) {
      if (b.is_empty()) return a;
      check_text_length(a.string().size() + b.string().size());
      return Variant(a.string() + b.string());
    }
    if (b.is_string() && a.is_empty()) return b;
  }
  return arithmetic(op, a, b);
}

Variant apply_unary(Op op, const Variant& a) {
  if (a.is_null()) return a;
  if (op == Op::Not) {
    if (a.type() == VarType::Boolean) return Variant(!a.get<bool>());
    Rank rank = rank_of(a) == Rank::Integer ? Rank::Integer : Rank::Long;
    return fit(~to_long(a), rank);
  }
  switch (a.type()) {
    case VarType::Date:
      return Variant(Date{-a.get<Date>().serial});
    case VarType::Double:
    case VarType::String:
      return Variant(-number(a));
    default:
      break;
  }
  return fit(-number(a), rank_of(a));
}

bool truthy(const Variant& v) {
  if (v.is_null()) return false;
  if (v.is_object() || v.is_array()) throw runtime_error(err::kTypeMismatch);
  return to_boolean(v);
}

}  // namespace halvora::host
