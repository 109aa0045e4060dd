// What the server needs of OpenSSL: keys and certificates made at init, RSA-SHA256 seals,
// base64, salted password hashes and random identifiers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

typedef struct evp_pkey_st EVP_PKEY;

namespace halvora::einvoice {

struct PkeyDeleter {
  void operator()(EVP_PKEY* key) const;
};
using PrivateKey = std::unique_ptr<EVP_PKEY, PkeyDeleter>;

// A signing identity: the private key, its certificate (DER) and the certificate's number as the
// tax authority writes it (the serial's twenty ASCII digits).
struct Signer {
  PrivateKey key;
  std::string certificate_der;
  std::string certificate_number;
};

// A new RSA-2048 key and a self-signed certificate for `common_name` (and `tax_id` as its unique
// identifier when given), valid `years` from now, whose serial is `number` (twenty digits) in
// ASCII, as seal certificates carry it. Written as PEM (key, mode 0600) and DER (certificate).
void make_identity(const std::string& key_path, const std::string& certificate_path,
                   const std::string& common_name, const std::string& tax_id,
                   const std::string& number, int years);
// Loads what make_identity wrote; throws std::runtime_error naming the file that fails.
Signer load_identity(const std::string& key_path, const std::string& certificate_path);

// RSA PKCS#1 v1.5 over SHA-256 of `text`, base64 without line breaks.
std::string seal(const Signer& signer, std::string_view text);

std::string base64(std::string_view bytes);
// Throws std::runtime_error on text that is not base64.
std::string unbase64(std::string_view text);

// `count` random digits, and a random version-4 UUID in upper case.
std::string random_digits(std::size_t count);
std::string random_uuid();
// 32 random bytes as hex: session tokens.
std::string random_token();
// SHA-256 as lower-case hex: tokens are stored hashed.
std::string sha256_hex(std::string_view text);

// "pbkdf2-sha256$iterations$salt-hex$hash-hex" of a new random salt.
std::string hash_password(std::string_view password);
// Constant-time comparison against a stored hash; false for a malformed one.
bool verify_password(std::string_view password, std::string_view stored);
// The work of one verification, for an unknown user, so that refusals take the same time.
void burn_password_time(std::string_view password);

}  // namespace halvora::einvoice
