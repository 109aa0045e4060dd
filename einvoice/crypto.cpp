#include "einvoice/crypto.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace halvora::einvoice {

namespace {

constexpr uint32_t kIterations = 120000;
constexpr std::size_t kSaltBytes = 16;
constexpr std::size_t kHashBytes = 32;

[[noreturn]] void fail(const std::string& what) {
  throw std::runtime_error(what);
}

std::string hex(const unsigned char* bytes, std::size_t size) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(size * 2);
  for (std::size_t i = 0; i < size; ++i) {
    out += digits[bytes[i] >> 4];
    out += digits[bytes[i] & 15];
  }
  return out;
}

std::vector<unsigned char> unhex(std::string_view text) {
  if (text.size() % 2) return {};
  std::vector<unsigned char> out;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    auto value = [](char c) -> int {
      if (c >= '0' && c <= '9') return c - '0';
      if (c >= 'a' && c <= 'f') return c - 'a' + 10;
      if (c >= 'A' && c <= 'F') return c - 'A' + 10;
      return -1;
    };
    int hi = value(text[i]), lo = value(text[i + 1]);
    if (hi < 0 || lo < 0) return {};
    out.push_back(static_cast<unsigned char>(hi << 4 | lo));
  }
  return out;
}

std::vector<unsigned char> random_bytes(std::size_t count) {
  std::vector<unsigned char> out(count);
  if (RAND_bytes(out.data(), static_cast<int>(count)) != 1) fail("no random bytes");
  return out;
}

std::vector<unsigned char> derive(std::string_view password, const unsigned char* salt,
                                  std::size_t salt_size, uint32_t iterations) {
  std::vector<unsigned char> out(kHashBytes);
  if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt,
                        static_cast<int>(salt_size), static_cast<int>(iterations), EVP_sha256(),
                        static_cast<int>(out.size()), out.data()) != 1)
    fail("key derivation failed");
  return out;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) fail("cannot read " + path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct X509Deleter {
  void operator()(X509* x) const { X509_free(x); }
};

}  // namespace

void PkeyDeleter::operator()(EVP_PKEY* key) const {
  EVP_PKEY_free(key);
}

void make_identity(const std::string& key_path, const std::string& certificate_path,
                   const std::string& common_name, const std::string& tax_id,
                   const std::string& number, int years) {
  PrivateKey key(EVP_RSA_gen(2048));
  if (!key) fail("cannot generate an RSA key");
  std::unique_ptr<X509, X509Deleter> cert(X509_new());
  X509_set_version(cert.get(), 2);
  // Seal certificates carry their number as the ASCII bytes of its digits.
  BIGNUM* serial =
      BN_bin2bn(reinterpret_cast<const unsigned char*>(number.data()), number.size(), nullptr);
  ASN1_INTEGER* asn1 = BN_to_ASN1_INTEGER(serial, nullptr);
  X509_set_serialNumber(cert.get(), asn1);
  ASN1_INTEGER_free(asn1);
  BN_free(serial);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), static_cast<long>(years) * 365 * 24 * 3600);
  X509_set_pubkey(cert.get(), key.get());
  X509_NAME* name = X509_get_subject_name(cert.get());
  auto add = [name](const char* field, const std::string& value) {
    X509_NAME_add_entry_by_txt(name, field, MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(value.c_str()), -1, -1, 0);
  };
  add("CN", common_name);
  add("O", common_name);
  if (!tax_id.empty()) add("x500UniqueIdentifier", tax_id);
  X509_set_issuer_name(cert.get(), name);
  if (!X509_sign(cert.get(), key.get(), EVP_sha256())) fail("cannot sign the certificate");

  // The key is written readable by the owner only, before any byte of it exists on disk.
  std::FILE* out = nullptr;
  {
    mode_t old = umask(077);
    out = std::fopen(key_path.c_str(), "wb");
    umask(old);
  }
  if (!out) fail("cannot write " + key_path);
  bool written = PEM_write_PrivateKey(out, key.get(), nullptr, nullptr, 0, nullptr, nullptr);
  if (std::fclose(out) != 0 || !written) fail("cannot write " + key_path);

  unsigned char* der = nullptr;
  int size = i2d_X509(cert.get(), &der);
  if (size <= 0) fail("cannot encode the certificate");
  std::ofstream(certificate_path, std::ios::binary).write(reinterpret_cast<const char*>(der), size);
  OPENSSL_free(der);
}

Signer load_identity(const std::string& key_path, const std::string& certificate_path) {
  Signer signer;
  std::string pem = read_file(key_path);
  BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
  signer.key.reset(PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr));
  BIO_free(bio);
  if (!signer.key) fail("not a private key: " + key_path);
  signer.certificate_der = read_file(certificate_path);
  const auto* p = reinterpret_cast<const unsigned char*>(signer.certificate_der.data());
  std::unique_ptr<X509, X509Deleter> cert(
      d2i_X509(nullptr, &p, static_cast<long>(signer.certificate_der.size())));
  if (!cert) fail("not a DER certificate: " + certificate_path);
  if (X509_check_private_key(cert.get(), signer.key.get()) != 1)
    fail("the key " + key_path + " does not belong to " + certificate_path);
  BIGNUM* serial = ASN1_INTEGER_to_BN(X509_get0_serialNumber(cert.get()), nullptr);
  std::string bytes(static_cast<std::size_t>(BN_num_bytes(serial)), '\0');
  BN_bn2bin(serial, reinterpret_cast<unsigned char*>(bytes.data()));
  BN_free(serial);
  signer.certificate_number = bytes;
  for (char c : bytes)
    if (c < '0' || c > '9')
      signer.certificate_number =
          hex(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  return signer;
}

std::string seal(const Signer& signer, std::string_view text) {
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  std::size_t size = 0;
  std::string signature;
  bool ok = EVP_DigestSignInit(ctx, nullptr, EVP_sha256(), nullptr, signer.key.get()) == 1 &&
            EVP_DigestSign(ctx, nullptr, &size, nullptr, 0) == 1;
  if (ok) {
    signature.resize(size);
    ok = EVP_DigestSign(ctx, reinterpret_cast<unsigned char*>(signature.data()), &size,
                        reinterpret_cast<const unsigned char*>(text.data()), text.size()) == 1;
    signature.resize(size);
  }
  EVP_MD_CTX_free(ctx);
  if (!ok) fail("cannot seal");
  return base64(signature);
}

std::string base64(std::string_view bytes) {
  std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  int size = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                             reinterpret_cast<const unsigned char*>(bytes.data()),
                             static_cast<int>(bytes.size()));
  out.resize(static_cast<std::size_t>(size));
  return out;
}

std::string unbase64(std::string_view text) {
  if (text.size() % 4) fail("not base64");
  std::string out(text.size() / 4 * 3 + 1, '\0');
  int size = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                             reinterpret_cast<const unsigned char*>(text.data()),
                             static_cast<int>(text.size()));
  if (size < 0) fail("not base64");
  // EVP_DecodeBlock counts the padding as bytes.
  std::size_t padding = 0;
  if (!text.empty() && text.back() == '=') ++padding;
  if (text.size() > 1 && text[text.size() - 2] == '=') ++padding;
  out.resize(static_cast<std::size_t>(size) - padding);
  return out;
}

std::string random_digits(std::size_t count) {
  std::string out;
  while (out.size() < count) {
    for (unsigned char b : random_bytes(count)) {
      if (b >= 250) continue;  // keeps the digits uniform
      out += static_cast<char>('0' + b % 10);
      if (out.size() == count) break;
    }
  }
  return out;
}

std::string random_uuid() {
  std::vector<unsigned char> b = random_bytes(16);
  b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);
  b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);
  std::string h = hex(b.data(), b.size());
  for (char& c : h)
    if (c >= 'a') c = static_cast<char>(c - 32);
  return h.substr(0, 8) + "-" + h.substr(8, 4) + "-" + h.substr(12, 4) + "-" + h.substr(16, 4) +
         "-" + h.substr(20);
}

std::string random_token() {
  std::vector<unsigned char> b = random_bytes(32);
  return hex(b.data(), b.size());
}

std::string sha256_hex(std::string_view text) {
  unsigned char digest[32];
  unsigned int size = 0;
  EVP_Digest(text.data(), text.size(), digest, &size, EVP_sha256(), nullptr);
  return hex(digest, size);
}

std::string hash_password(std::string_view password) {
  std::vector<unsigned char> salt = random_bytes(kSaltBytes);
  std::vector<unsigned char> hash = derive(password, salt.data(), salt.size(), kIterations);
  return "pbkdf2-sha256$" + std::to_string(kIterations) + "$" + hex(salt.data(), salt.size()) +
         "$" + hex(hash.data(), hash.size());
}

bool verify_password(std::string_view password, std::string_view stored) {
  std::size_t a = stored.find('$'), b = stored.find('$', a + 1), c = stored.find('$', b + 1);
  if (a == std::string_view::npos || b == std::string_view::npos || c == std::string_view::npos ||
      stored.substr(0, a) != "pbkdf2-sha256")
    return false;
  uint32_t iterations = 0;
  for (char d : stored.substr(a + 1, b - a - 1)) {
    if (d < '0' || d > '9' || iterations > 100000000) return false;
    iterations = iterations * 10 + static_cast<uint32_t>(d - '0');
  }
  std::vector<unsigned char> salt = unhex(stored.substr(b + 1, c - b - 1));
  std::vector<unsigned char> expected = unhex(stored.substr(c + 1));
  if (iterations == 0 || salt.empty() || expected.size() != kHashBytes) return false;
  std::vector<unsigned char> hash = derive(password, salt.data(), salt.size(), iterations);
  return CRYPTO_memcmp(hash.data(), expected.data(), kHashBytes) == 0;
}

void burn_password_time(std::string_view password) {
  unsigned char salt[kSaltBytes] = {};
  derive(password, salt, sizeof salt, kIterations);
}

}  // namespace halvora::einvoice
