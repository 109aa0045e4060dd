// The substitute's tables and the statements that fill and read them, shared by the connection,
// the command-line tool and the tests.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "sdk/database.h"
#include "sdk/records.h"

namespace halvora::sdk {

// Iterations of a new password hash. High enough to make guessing slow, low enough that every
// data-access object can open its own connection without the host noticing; each stored hash
// carries its own count, so raising this later leaves older users working.
inline constexpr uint32_t kDefaultIterations = 120000;

// Creates the tables that are missing; an existing database keeps its data.
void create_schema(Database& db);

// "pbkdf2-sha256$iterations$salt-hex$hash-hex"
std::u16string hash_password(const std::u16string& password, uint32_t iterations);
bool verify_password(const std::u16string& password, const std::u16string& stored);
// The check of a password for a user who does not exist: the same key derivation as a user's
// with the default iterations, against a hash that no password has, and false. A refusal that
// came back at once would tell an attacker which names are users.
bool verify_unknown_user(const std::u16string& password);

// The key derivations this process has run so far and their iterations added up. How long a
// log-in takes must not tell whether its user exists; this is how the tests see the work done.
struct DerivationWork {
  uint64_t derivations = 0;
  uint64_t iterations = 0;
};
DerivationWork derivation_work();

// Adds a user, or gives an existing one a new password.
void store_user(Database& db, const std::u16string& name, const std::u16string& password,
                uint32_t iterations = kDefaultIterations);

// Stores every field of a record in its class's table; rejects "|" and "*" in text fields.
void insert_record(Database& db, const Record& record);

// The records of a class that match an SQL condition on its columns ("" for all), in storage
// order.
std::vector<std::vector<Variant>> select_records(Database& db, const RecordLayout& layout,
                                                 std::u16string_view condition,
                                                 std::span<const Variant> params);

// The answers of the records that match, in storage order and joined by "*": each record's
// answered fields in answer order, joined by "|". `limit` > 0 keeps the first ones only. Only
// the answered columns are read, which keeps long lists quick.
std::u16string select_answers(Database& db, const RecordLayout& layout,
                              std::u16string_view condition, std::span<const Variant> params,
                              std::size_t limit = 0);

// Advances the folio of an operation type and answers the new one; the read-modify-write runs
// under the write lock, so two processes never get the same folio. A series that stands at the
// largest Long fails with 6 (overflow) and stays where it was: a folio never wraps to a negative
// one that an earlier document may already carry.
int32_t next_folio(Database& db, int32_t operation);

// Numbers the charge from the charge series and stores it, in one transaction; answers the
// number, also written into the record's number field once the charge is stored. Fails with 6
// as next_folio does, and then stores nothing.
double post_charge(Database& db, Record& charge);
// Numbers and stores the charge inside a transaction that the caller holds; the record itself is
// left as it is.
double store_charge(Database& db, const Record& charge);

// Stores a coupon in one transaction and answers its number: a coupon numbered 0 gets the next
// free number (also written into the record), a numbered one replaces the stored coupon of that
// number.
int32_t save_coupon(Database& db, Record& coupon);

// The folio series that numbers charges.
inline constexpr int32_t kChargeSeries = 0;

// Tables `dump` may print: the record tables, users, folios and rooms.
std::vector<std::u16string> table_names();
// The table as lines of "|"-joined values, the column names first.
std::vector<std::u16string> dump_table(Database& db, const std::u16string& table);

// Whether the database has a table of that name.
bool has_table(Database& db, const std::u16string& name);

// Whether any table but the users holds a row: a hotel in use, which the demo must not replace
// unasked. Tables that a database lacks count as empty.
bool holds_hotel_data(Database& db);

// A hotel to try things with: rooms, guests in the house, a few charges, and rows for every other
// record table. Creates the tables it needs and fills every one but the users, all in one
// transaction, so a failure leaves the database as it was. A database that holds hotel data
// already is refused (5) unless `replace`, and then its hotel data, folio series included, give
// way to the demo's.
void load_demo(Database& db, bool replace = false);

}  // namespace halvora::sdk
