#include "einvoice/store.h"

#include <sqlite3.h>

#include <stdexcept>

namespace halvora::einvoice {

namespace {

// One prepared statement: bind by position from 1, step, read columns from 0.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK)
      throw std::runtime_error(std::string("database: ") + sqlite3_errmsg(db));
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& bind(int i, const std::string& text) {
    sqlite3_bind_text(stmt_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Statement& bind(int i, int64_t value) {
    sqlite3_bind_int64(stmt_, i, value);
    return *this;
  }
  Statement& bind(int i, int value) { return bind(i, static_cast<int64_t>(value)); }

  // True while there is a row.
  bool step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throw std::runtime_error(std::string("database: ") + sqlite3_errmsg(db_));
  }
  void run() {
    while (step()) {
    }
  }
  std::string text(int i) const {
    const unsigned char* t = sqlite3_column_text(stmt_, i);
    return t ? std::string(reinterpret_cast<const char*>(t),
                           static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i)))
             : std::string();
  }
  int64_t integer(int i) const { return sqlite3_column_int64(stmt_, i); }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

constexpr char kDocumentColumns[] =
    "id, kind, branch, series, serie, folio, uuid, total, status, issued_at, stamped_at, "
    "receiver_rfc, receiver_name, email, control_number, payment_form, card, wallet_charged, "
    "wallet_credited, seal, stamp_seal, certificate_number, stamp_certificate_number, "
    "provider_rfc, stamp_original, document, xml_file, pdf_file, ack_file, cancelled_at";

DocumentRow read_document(const Statement& s) {
  DocumentRow r;
  int i = 0;
  r.id = s.integer(i++);
  r.kind = s.text(i++);
  r.branch = static_cast<int>(s.integer(i++));
  r.series = static_cast<int>(s.integer(i++));
  r.serie = s.text(i++);
  r.folio = s.integer(i++);
  r.uuid = s.text(i++);
  r.total = s.integer(i++);
  r.status = s.text(i++);
  for (std::string* t : {&r.issued_at, &r.stamped_at, &r.receiver_rfc, &r.receiver_name, &r.email,
                         &r.control_number, &r.payment_form, &r.card})
    *t = s.text(i++);
  r.wallet_charged = s.integer(i++);
  r.wallet_credited = s.integer(i++);
  for (std::string* t :
       {&r.seal, &r.stamp_seal, &r.certificate_number, &r.stamp_certificate_number, &r.provider_rfc,
        &r.stamp_original, &r.document, &r.xml_file, &r.pdf_file, &r.ack_file, &r.cancelled_at})
    *t = s.text(i++);
  return r;
}

std::optional<DocumentRow> one_document(Statement& s) {
  if (!s.step()) return std::nullopt;
  return read_document(s);
}

}  // namespace

Store::Store(const std::string& path, bool create) {
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    db_ = nullptr;
    throw std::runtime_error("cannot open " + path + ": " + message);
  }
  sqlite3_busy_timeout(db_, 30000);
  // A commit is on disk when it returns: an issued invoice must survive a power cut.
  exec("PRAGMA journal_mode = WAL");
  exec("PRAGMA synchronous = FULL");
}

Store::~Store() {
  sqlite3_close(db_);
}

void Store::exec(const char* sql) {
  char* error = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
    std::string message = error ? error : "unknown error";
    sqlite3_free(error);
    throw std::runtime_error("database: " + message);
  }
}

void Store::create_schema() {
  std::lock_guard lock(mutex_);
  exec(R"(
    CREATE TABLE IF NOT EXISTS settings (key TEXT PRIMARY KEY, value TEXT NOT NULL);
    CREATE TABLE IF NOT EXISTS branches (number INTEGER PRIMARY KEY, name TEXT NOT NULL,
      postcode TEXT NOT NULL);
    CREATE TABLE IF NOT EXISTS series (id INTEGER PRIMARY KEY, branch INTEGER NOT NULL,
      serie TEXT NOT NULL, kind TEXT NOT NULL, next_folio INTEGER NOT NULL);
    CREATE TABLE IF NOT EXISTS users (name TEXT PRIMARY KEY, hash TEXT NOT NULL,
      failures INTEGER NOT NULL DEFAULT 0, locked_until INTEGER NOT NULL DEFAULT 0);
    CREATE TABLE IF NOT EXISTS sessions (token_hash TEXT PRIMARY KEY, user TEXT NOT NULL,
      last_used INTEGER NOT NULL);
    CREATE TABLE IF NOT EXISTS documents (id INTEGER PRIMARY KEY, kind TEXT NOT NULL,
      branch INTEGER NOT NULL, series INTEGER NOT NULL, serie TEXT NOT NULL,
      folio INTEGER NOT NULL, uuid TEXT NOT NULL, total INTEGER NOT NULL, status TEXT NOT NULL,
      issued_at TEXT NOT NULL, stamped_at TEXT NOT NULL, receiver_rfc TEXT NOT NULL,
      receiver_name TEXT NOT NULL, email TEXT NOT NULL, control_number TEXT NOT NULL,
      payment_form TEXT NOT NULL, card TEXT NOT NULL, wallet_charged INTEGER NOT NULL,
      wallet_credited INTEGER NOT NULL, seal TEXT NOT NULL, stamp_seal TEXT NOT NULL,
      certificate_number TEXT NOT NULL, stamp_certificate_number TEXT NOT NULL,
      provider_rfc TEXT NOT NULL, stamp_original TEXT NOT NULL, document TEXT NOT NULL,
      xml_file TEXT NOT NULL, pdf_file TEXT NOT NULL, ack_file TEXT NOT NULL,
      cancelled_at TEXT NOT NULL, UNIQUE (series, folio));
    CREATE INDEX IF NOT EXISTS documents_control ON documents (control_number);
    CREATE TABLE IF NOT EXISTS statements (id INTEGER PRIMARY KEY, guest TEXT NOT NULL,
      folio INTEGER NOT NULL, data TEXT NOT NULL, saved_at TEXT NOT NULL);
    CREATE TABLE IF NOT EXISTS registrations (id INTEGER PRIMARY KEY, guest TEXT NOT NULL,
      data TEXT NOT NULL, saved_at TEXT NOT NULL);
    CREATE TABLE IF NOT EXISTS signatures (id INTEGER PRIMARY KEY, kind TEXT NOT NULL,
      guest TEXT NOT NULL, name TEXT NOT NULL, signed_at TEXT NOT NULL);
    CREATE TABLE IF NOT EXISTS groups (id INTEGER PRIMARY KEY, name TEXT NOT NULL,
      invoices TEXT NOT NULL);
  )");
}

std::string Store::setting(const std::string& key, const std::string& fallback) {
  std::lock_guard lock(mutex_);
  Statement s(db_, "SELECT value FROM settings WHERE key = ?");
  s.bind(1, key);
  return s.step() ? s.text(0) : fallback;
}

void Store::set_setting(const std::string& key, const std::string& value) {
  std::lock_guard lock(mutex_);
  Statement s(db_, "INSERT OR REPLACE INTO settings (key, value) VALUES (?, ?)");
  s.bind(1, key).bind(2, value).run();
}

void Store::add_branch(const Branch& b) {
  std::lock_guard lock(mutex_);
  Statement s(db_, "INSERT OR REPLACE INTO branches (number, name, postcode) VALUES (?, ?, ?)");
  s.bind(1, b.number).bind(2, b.name).bind(3, b.postcode).run();
}

std::vector<Branch> Store::branches() {
  std::lock_guard lock(mutex_);
  Statement s(db_, "SELECT number, name, postcode FROM branches ORDER BY number");
  std::vector<Branch> out;
  while (s.step()) out.push_back({static_cast<int>(s.integer(0)), s.text(1), s.text(2)});
  return out;
}

std::optional<Branch> Store::branch(int number) {
  for (const Branch& b : branches())
    if (b.number == number) return b;
  return std::nullopt;
}

void Store::add_series(const Series& x) {
  std::lock_guard lock(mutex_);
  Statement s(db_,
              "INSERT OR REPLACE INTO series (id, branch, serie, kind, next_folio) "
              "VALUES (?, ?, ?, ?, ?)");
  s.bind(1, x.id).bind(2, x.branch).bind(3, x.serie).bind(4, x.kind).bind(5, x.next_folio).run();
}

std::vector<Series> Store::series() {
  std::lock_guard lock(mutex_);
  Statement s(db_, "SELECT id, branch, serie, kind, next_folio FROM series ORDER BY id");
  std::vector<Series> out;
  while (s.step())
    out.push_back({static_cast<int>(s.integer(0)), static_cast<int>(s.integer(1)), s.text(2),
                   s.text(3), s.integer(4)});
  return out;
}

std::optional<Series> Store::series_of(int branch, const std::string& kind) {
  for (const Series& x : series())
    if (x.branch == branch && x.kind == kind) return x;
  return std::nullopt;
}

std::optional<Series> Store::series_by_id(int id) {
  for (const Series& x : series())
    if (x.id == id) return x;
  return std::nullopt;
}

void Store::set_user(const std::string& name, const std::string& hash) {
  std::lock_guard lock(mutex_);
  Statement s(db_,
              "INSERT INTO users (name, hash) VALUES (?, ?) ON CONFLICT (name) DO UPDATE SET "
              "hash = excluded.hash, failures = 0, locked_until = 0");
  s.bind(1, name).bind(2, hash).run();
}

std::optional<std::string> Store::user_hash(const std::string& name) {
  std::lock_guard lock(mutex_);
  Statement s(db_, "SELECT hash FROM users WHERE name = ?");
  s.bind(1, name);
  if (!s.step()) return std::nullopt;
  return s.text(0);
}

int Store::failures(const std::string& name, int64_t* locked_until) {
  std::lock_guard lock(mutex_);
  Statement s(db_, "SELECT failures, locked_until FROM users WHERE name = ?");
  s.bind(1, name);
  if (!s.step()) {
    *locked_until = 0;
    return 0;
  }
  *locked_until = s.integer(1);
  return static_cast<int>(s.integer(0));
}

void Store::record_failure(const std::string& name, int limit, int64_t lock_seconds, int64_t now) {
  std::lock_guard lock(mutex_);
  // The limit-th wrong password in a row locks the user; the count starts again after the lock.
  Statement s(db_,
              "UPDATE users SET failures = CASE WHEN failures + 1 >= ? THEN 0 ELSE failures + 1 "
              "END, locked_until = CASE WHEN failures + 1 >= ? THEN ? ELSE locked_until END "
              "WHERE name = ?");
  s.bind(1, limit).bind(2, limit).bind(3, now + lock_seconds).bind(4, name).run();
}

void Store::clear_failures(const std::string& name) {
  std::lock_guard lock(mutex_);
  Statement s(db_, "UPDATE users SET failures = 0 WHERE name = ?");
  s.bind(1, name).run();
}

void Store::add_session(const std::string& token_hash, const std::string& user, int64_t now) {
  std::lock_guard lock(mutex_);
  Statement s(db_, "INSERT INTO sessions (token_hash, user, last_used) VALUES (?, ?, ?)");
  s.bind(1, token_hash).bind(2, user).bind(3, now).run();
}

std::optional<std::string> Store::session_user(const std::string& token_hash, int64_t now,
                                               int64_t idle) {
  std::lock_guard lock(mutex_);
  Statement s(db_, "SELECT user, last_used FROM sessions WHERE token_hash = ?");
  s.bind(1, token_hash);
  if (!s.step()) return std::nullopt;
  std::string user = s.text(0);
  int64_t last = s.integer(1);
  if (now - last > idle) return std::nullopt;
  // Touched at most once a minute: a busy workstation does not write on every call.
  if (now - last >= 60) {
    Statement t(db_, "UPDATE sessions SET last_used = ? WHERE token_hash = ?");
    t.bind(1, now).bind(2, token_hash).run();
  }
  return user;
}

bool Store::folio_taken(int series, int64_t folio) {
  std::lock_guard lock(mutex_);
  Statement s(db_, "SELECT 1 FROM documents WHERE series = ? AND folio = ?");
  s.bind(1, series).bind(2, folio);
  return s.step();
}

int64_t Store::insert_document(DocumentRow& r, const std::function<void()>& commit_hook) {
  std::lock_guard lock(mutex_);
  exec("BEGIN IMMEDIATE");
  try {
    Statement s(db_,
                "INSERT INTO documents (kind, branch, series, serie, folio, uuid, total, status, "
                "issued_at, stamped_at, receiver_rfc, receiver_name, email, control_number, "
                "payment_form, card, wallet_charged, wallet_credited, seal, stamp_seal, "
                "certificate_number, stamp_certificate_number, provider_rfc, stamp_original, "
                "document, xml_file, pdf_file, ack_file, cancelled_at) VALUES (?, ?, ?, ?, ?, ?, "
                "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    int i = 1;
    s.bind(i++, r.kind);
    s.bind(i++, r.branch);
    s.bind(i++, r.series);
    s.bind(i++, r.serie);
    s.bind(i++, r.folio);
    s.bind(i++, r.uuid);
    s.bind(i++, r.total);
    s.bind(i++, r.status);
    for (const std::string* t : {&r.issued_at, &r.stamped_at, &r.receiver_rfc, &r.receiver_name,
                                 &r.email, &r.control_number, &r.payment_form, &r.card})
      s.bind(i++, *t);
    s.bind(i++, r.wallet_charged);
    s.bind(i++, r.wallet_credited);
    for (const std::string* t :
         {&r.seal, &r.stamp_seal, &r.certificate_number, &r.stamp_certificate_number,
          &r.provider_rfc, &r.stamp_original, &r.document, &r.xml_file, &r.pdf_file, &r.ack_file,
          &r.cancelled_at})
      s.bind(i++, *t);
    s.run();
    r.id = sqlite3_last_insert_rowid(db_);
    Statement next(db_, "UPDATE series SET next_folio = MAX(next_folio, ? + 1) WHERE id = ?");
    next.bind(1, r.folio).bind(2, r.series).run();
    if (commit_hook) commit_hook();
    exec("COMMIT");
  } catch (...) {
    exec("ROLLBACK");
    throw;
  }
  return r.id;
}

std::optional<DocumentRow> Store::document(int branch, int series, const std::string& folio_text) {
  // The folio is matched as the digits the result gave: "0012" is not folio 12.
  for (char c : folio_text)
    if (c < '0' || c > '9') return std::nullopt;
  if (folio_text.empty() || folio_text.size() > 18 || folio_text[0] == '0') return std::nullopt;
  std::lock_guard lock(mutex_);
  Statement s(db_, (std::string("SELECT ") + kDocumentColumns +
                    " FROM documents WHERE branch = ? AND series = ? AND folio = ?")
                       .c_str());
  s.bind(1, branch).bind(2, series).bind(3, static_cast<int64_t>(std::stoll(folio_text)));
  return one_document(s);
}

std::optional<DocumentRow> Store::document_by_id(int64_t id) {
  std::lock_guard lock(mutex_);
  Statement s(db_,
              (std::string("SELECT ") + kDocumentColumns + " FROM documents WHERE id = ?").c_str());
  s.bind(1, id);
  return one_document(s);
}

std::optional<DocumentRow> Store::document_by_control(const std::string& control, int series) {
  std::lock_guard lock(mutex_);
  Statement s(db_, (std::string("SELECT ") + kDocumentColumns +
                    " FROM documents WHERE control_number = ? AND (? = 0 OR series = ?) "
                    "ORDER BY id DESC LIMIT 1")
                       .c_str());
  s.bind(1, control).bind(2, series).bind(3, series);
  return one_document(s);
}

std::vector<DocumentRow> Store::documents() {
  std::lock_guard lock(mutex_);
  Statement s(db_,
              (std::string("SELECT ") + kDocumentColumns + " FROM documents ORDER BY id").c_str());
  std::vector<DocumentRow> out;
  while (s.step()) out.push_back(read_document(s));
  return out;
}

void Store::mark_cancelled(int64_t id, const std::string& at, const std::string& ack_file) {
  std::lock_guard lock(mutex_);
  Statement s(db_,
              "UPDATE documents SET status = 'Cancelado', cancelled_at = ?, ack_file = ? "
              "WHERE id = ?");
  s.bind(1, at).bind(2, ack_file).bind(3, id).run();
}

void Store::add_wallet_credit(int64_t id, int64_t cents) {
  std::lock_guard lock(mutex_);
  Statement s(db_, "UPDATE documents SET wallet_credited = wallet_credited + ? WHERE id = ?");
  s.bind(1, cents).bind(2, id).run();
}

std::vector<std::string> Store::document_files() {
  std::lock_guard lock(mutex_);
  Statement s(db_, "SELECT xml_file, pdf_file, ack_file FROM documents");
  std::vector<std::string> out;
  while (s.step())
    for (int i = 0; i < 3; ++i)
      if (!s.text(i).empty()) out.push_back(s.text(i));
  return out;
}

int64_t Store::add_statement(const std::string& guest, int folio, const std::string& json,
                             const std::string& at) {
  std::lock_guard lock(mutex_);
  Statement s(db_, "INSERT INTO statements (guest, folio, data, saved_at) VALUES (?, ?, ?, ?)");
  s.bind(1, guest).bind(2, folio).bind(3, json).bind(4, at).run();
  return sqlite3_last_insert_rowid(db_);
}

std::optional<std::string> Store::statement(const std::string& guest, int folio) {
  std::lock_guard lock(mutex_);
  // Folio 0 asks for the guest's latest statement, whatever its folio.
  Statement s(db_,
              "SELECT data FROM statements WHERE guest = ? AND (? = 0 OR folio = ?) "
              "ORDER BY id DESC LIMIT 1");
  s.bind(1, guest).bind(2, folio).bind(3, folio);
  if (!s.step()) return std::nullopt;
  return s.text(0);
}

int64_t Store::add_registration(const std::string& guest, const std::string& json,
                                const std::string& at) {
  std::lock_guard lock(mutex_);
  Statement s(db_, "INSERT INTO registrations (guest, data, saved_at) VALUES (?, ?, ?)");
  s.bind(1, guest).bind(2, json).bind(3, at).run();
  return sqlite3_last_insert_rowid(db_);
}

std::optional<std::string> Store::registration(const std::string& guest) {
  std::lock_guard lock(mutex_);
  Statement s(db_, "SELECT data FROM registrations WHERE guest = ? ORDER BY id DESC LIMIT 1");
  s.bind(1, guest);
  if (!s.step()) return std::nullopt;
  return s.text(0);
}

void Store::add_signature(const std::string& kind, const std::string& guest,
                          const std::string& name, const std::string& at) {
  std::lock_guard lock(mutex_);
  Statement s(db_, "INSERT INTO signatures (kind, guest, name, signed_at) VALUES (?, ?, ?, ?)");
  s.bind(1, kind).bind(2, guest).bind(3, name).bind(4, at).run();
}

std::optional<Signature> Store::signature(const std::string& kind, const std::string& guest) {
  std::lock_guard lock(mutex_);
  Statement s(db_,
              "SELECT name, signed_at FROM signatures WHERE kind = ? AND guest = ? "
              "ORDER BY id DESC LIMIT 1");
  s.bind(1, kind).bind(2, guest);
  if (!s.step()) return std::nullopt;
  return Signature{s.text(0), s.text(1)};
}

int64_t Store::save_group(int64_t id, const std::string& name, const std::string& invoices) {
  std::lock_guard lock(mutex_);
  if (id == 0) {
    Statement s(db_, "INSERT INTO groups (name, invoices) VALUES (?, ?)");
    s.bind(1, name).bind(2, invoices).run();
    return sqlite3_last_insert_rowid(db_);
  }
  Statement s(db_, "INSERT OR REPLACE INTO groups (id, name, invoices) VALUES (?, ?, ?)");
  s.bind(1, id).bind(2, name).bind(3, invoices).run();
  return id;
}

std::optional<std::pair<std::string, std::string>> Store::group(int64_t id) {
  std::lock_guard lock(mutex_);
  Statement s(db_, "SELECT name, invoices FROM groups WHERE id = ?");
  s.bind(1, id);
  if (!s.step()) return std::nullopt;
  return std::pair{s.text(0), s.text(1)};
}

}  // namespace halvora::einvoice
