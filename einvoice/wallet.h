// The electronic-wallet service that the hotel's front desk already uses (SOAP 1.2, the messages
// of the library's wallet client), asked by the server when a document is paid from a wallet card.
#pragma once

#include <string>

namespace halvora::einvoice {

struct WalletService {
  std::string url;          // the service's address; empty: no wallet configured
  std::string ns;           // its namespace
  std::string company_rfc;  // the hotel, as every message names it
};

// The card's balance. Throws ApiError (502) when the service cannot be reached or answers
// something else than a number.
double wallet_balance(const WalletService& service, const std::string& card);
// A charge or a credit; answers the service's code (0 done, others refused).
int wallet_charge(const WalletService& service, const std::string& card, const std::string& centre,
                  double cheque, double amount);
int wallet_credit(const WalletService& service, const std::string& card, const std::string& centre,
                  double cheque, double amount);

}  // namespace halvora::einvoice
