// What the server does for each operation, apart from how requests arrive: sessions, the lists,
// emission (check, number, seal, stamp, print, store), the documents by reference, mail, the
// guests' statements and registrations, signatures, groups and the wallet.
#pragma once

#include <cstdint>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <utility>

#include "einvoice/cfdi.h"
#include "einvoice/crypto.h"
#include "einvoice/store.h"

namespace halvora::einvoice {

// A document as a front desk refers to it: the first three fields of an emission result.
struct Reference {
  int branch = 0;
  int series = 0;
  std::string folio;
};

// Settings a server folder may hold (`halvora-einvoice config`), with their defaults.
struct SettingInfo {
  const char* key;
  const char* fallback;
  const char* meaning;
};
const std::vector<SettingInfo>& setting_keys();

class Service {
 public:
  // Opens a server folder made by `init`; removes what a crash left half-written.
  explicit Service(const std::string& folder);

  std::string login(const std::string& user, const std::string& password);
  // The user of a session token; throws ApiError 401 for none.
  std::string authenticate(const std::string& token);

  std::string branches_text();
  std::string series_text();
  std::string periodicities_text();

  // The "|" result of an emission.
  std::string emit(int branch, int64_t folio, const nlohmann::json& document, bool pre_invoice);

  DocumentRow find(const Reference& ref);
  std::string xml(const Reference& ref);
  std::string uuid(const Reference& ref);
  // The PDF of a document, and the name to save it under.
  std::string pdf(const Reference& ref, std::string& name);
  void cancel(const Reference& ref);
  bool send(const Reference& ref);

  bool mail(const nlohmann::json& message);

  int64_t save_statement(const nlohmann::json& statement);
  int64_t save_registration(const nlohmann::json& registration);
  void sign(const std::string& kind, const std::string& guest, const std::string& name);
  std::string statement_pdf(const std::string& guest, int folio, std::string& name);
  std::string registration_pdf(const std::string& guest, std::string& name);

  std::string group(int64_t id, const std::string& name, const std::string& invoices);
  std::string by_control(const std::string& control, int series);

  bool wallet_validate(const nlohmann::json& document);
  std::string wallet_consult(const nlohmann::json& document);
  bool wallet_cancel(int64_t document_number, double points);

  Store& store() { return store_; }
  const std::string& folder() const { return folder_; }
  // The "|" result of a stored document, as the emission gave it.
  static std::string result_text(const DocumentRow& row);

 private:
  Issuer issuer();
  std::string render(const DocumentRow& row);
  std::string mail_from();
  bool deliver(const struct MailMessage& message);

  std::string folder_;
  Store store_;
  Signer seal_signer_, stamp_signer_;
  // The folios of the emissions under way, by series: taken under `emission_`, committed or let
  // go when the emission ends.
  std::mutex emission_;
  std::set<std::pair<int, int64_t>> in_flight_;
  // Cancellations and wallet credits one at a time: each reads a row, then changes it.
  std::mutex changes_;
};

// Local time now as the CFDI writes dates: "YYYY-MM-DDThh:mm:ss".
std::string local_timestamp();

}  // namespace halvora::einvoice
