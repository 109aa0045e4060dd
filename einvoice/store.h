// The server's database (einvoice.db in its folder): settings, the issuer's branches and folio
// series, users and sessions, and every document, statement, registration, signature and group it
// keeps. One connection, used under a lock: requests are short, and SQLite writes one at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace halvora::einvoice {

struct Branch {
  int number = 0;
  std::string name, postcode;
};

struct Series {
  int id = 0;
  int branch = 0;
  std::string serie;
  std::string kind;  // "factura" or "prefactura"
  int64_t next_folio = 1;
};

// One issued document, as the table keeps it.
struct DocumentRow {
  int64_t id = 0;
  std::string kind;  // "factura" or "prefactura"
  int branch = 0;
  int series = 0;
  std::string serie;
  int64_t folio = 0;
  std::string uuid;
  int64_t total = 0;   // cents
  std::string status;  // "Vigente", "Cancelado", "Prefactura"
  std::string issued_at, stamped_at, receiver_rfc, receiver_name, email, control_number;
  std::string payment_form, card;
  int64_t wallet_charged = 0, wallet_credited = 0;  // cents
  std::string seal, stamp_seal, certificate_number, stamp_certificate_number, provider_rfc;
  std::string stamp_original;
  std::string document;  // the request's document, JSON
  std::string xml_file, pdf_file, ack_file, cancelled_at;
};

struct Signature {
  std::string name, signed_at;
};

class Store {
 public:
  // Opens (creating when asked) the database of a server folder. Throws std::runtime_error.
  Store(const std::string& path, bool create);
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  void create_schema();

  std::string setting(const std::string& key, const std::string& fallback = "");
  void set_setting(const std::string& key, const std::string& value);

  void add_branch(const Branch& branch);
  std::vector<Branch> branches();
  std::optional<Branch> branch(int number);
  void add_series(const Series& series);
  std::vector<Series> series();
  std::optional<Series> series_of(int branch, const std::string& kind);
  std::optional<Series> series_by_id(int id);

  // Users: the stored hash, and the run of wrong passwords that locks one out.
  void set_user(const std::string& name, const std::string& hash);
  std::optional<std::string> user_hash(const std::string& name);
  int failures(const std::string& name, int64_t* locked_until);
  void record_failure(const std::string& name, int limit, int64_t lock_seconds, int64_t now);
  void clear_failures(const std::string& name);

  // Sessions by the hash of their token, expiring `idle` seconds after their last use.
  void add_session(const std::string& token_hash, const std::string& user, int64_t now);
  std::optional<std::string> session_user(const std::string& token_hash, int64_t now, int64_t idle);

  // Documents. insert_document runs `commit_hook` inside the transaction, after the row is in,
  // so a fault injected there leaves nothing behind.
  bool folio_taken(int series, int64_t folio);
  int64_t insert_document(DocumentRow& row, const std::function<void()>& commit_hook);
  std::optional<DocumentRow> document(int branch, int series, const std::string& folio_text);
  std::optional<DocumentRow> document_by_id(int64_t id);
  std::optional<DocumentRow> document_by_control(const std::string& control, int series);
  std::vector<DocumentRow> documents();
  void mark_cancelled(int64_t id, const std::string& at, const std::string& ack_file);
  void add_wallet_credit(int64_t id, int64_t cents);
  // Every file a document row names, for the recovery sweep.
  std::vector<std::string> document_files();

  int64_t add_statement(const std::string& guest, int folio, const std::string& json,
                        const std::string& at);
  std::optional<std::string> statement(const std::string& guest, int folio);
  int64_t add_registration(const std::string& guest, const std::string& json,
                           const std::string& at);
  std::optional<std::string> registration(const std::string& guest);
  void add_signature(const std::string& kind, const std::string& guest, const std::string& name,
                     const std::string& at);
  std::optional<Signature> signature(const std::string& kind, const std::string& guest);

  // Groups of invoices: 0 takes a new number. Answers the group's number.
  int64_t save_group(int64_t id, const std::string& name, const std::string& invoices);
  std::optional<std::pair<std::string, std::string>> group(int64_t id);

 private:
  void exec(const char* sql);

  sqlite3* db_ = nullptr;
  std::recursive_mutex mutex_;
};

}  // namespace halvora::einvoice
