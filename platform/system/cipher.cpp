#include "platform/system/cipher.h"

#include <openssl/evp.h>

#include <climits>
#include <memory>

namespace vorl {
namespace {

struct CipherContextFree {
  void operator()(EVP_CIPHER_CTX* context) const noexcept { EVP_CIPHER_CTX_free(context); }
};

}  // namespace

std::optional<AesKey128> deriveKeyPbkdf2HmacSha1(std::string_view passphrase, std::span<const std::uint8_t> salt,
                                                 int iterations) {
  if (passphrase.size() > INT_MAX || salt.size() > INT_MAX || iterations < 1) return std::nullopt;
  AesKey128 key{};
  if (PKCS5_PBKDF2_HMAC(passphrase.data(), static_cast<int>(passphrase.size()), salt.data(),
                        static_cast<int>(salt.size()), iterations, EVP_sha1(), static_cast<int>(key.size()),
                        key.data()) != 1)
    return std::nullopt;
  return key;
}

std::optional<std::vector<std::uint8_t>> aes128CbcPkcs7(CipherDirection direction, const AesKey128& key,
                                                        const AesBlock& iv, std::span<const std::uint8_t> data) {
  const bool encipher = direction == CipherDirection::kEncipher;
  if (data.size() > INT_MAX - 32) return std::nullopt;
  if (!encipher && (data.empty() || data.size() % 16 != 0)) return std::nullopt;
  std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> context(EVP_CIPHER_CTX_new());
  if (!context ||
      EVP_CipherInit_ex(context.get(), EVP_aes_128_cbc(), nullptr, key.data(), iv.data(), encipher ? 1 : 0) != 1)
    return std::nullopt;
  // Padding is on by default: PKCS #7.
  std::vector<std::uint8_t> out(data.size() + 16);
  int written = 0, last = 0;
  if (EVP_CipherUpdate(context.get(), out.data(), &written, data.data(), static_cast<int>(data.size())) != 1 ||
      EVP_CipherFinal_ex(context.get(), out.data() + written, &last) != 1)
    return std::nullopt;
  out.resize(static_cast<std::size_t>(written + last));
  return out;
}

}  // namespace vorl
