// The key derivation and the cipher against published test vectors.
#include "platform/system/cipher.h"

#include <gtest/gtest.h>

#include <string>

namespace vorl {
namespace {

std::vector<std::uint8_t> fromHex(std::string_view hex) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  return bytes;
}

std::span<const std::uint8_t> textBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(Cipher, Pbkdf2HmacSha1MatchesRfc6070) {
  const struct {
    const char* password;
    const char* salt;
    int iterations;
    const char* key;  // the first 16 bytes of the RFC's derived key
  } cases[] = {
      {"password", "salt", 1, "0c60c80f961f0e71f3a9b524af601206"},
      {"password", "salt", 2, "ea6c014dc72d6f8ccd1ed92ace1d41f0"},
      {"password", "salt", 4096, "4b007901b765489abead49d926f721d0"},
      {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096, "3d2eec4fe41c849b80c8d83662c0e44a"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.iterations);
    const auto key = deriveKeyPbkdf2HmacSha1(c.password, textBytes(c.salt), c.iterations);
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(std::vector<std::uint8_t>(key->begin(), key->end()), fromHex(c.key));
  }
}

TEST(Cipher, Aes128CbcMatchesNistAndPadsWithPkcs7) {
  // NIST SP 800-38A, F.2.1: the first two blocks of CBC-AES128.Encrypt.
  AesKey128 key{};
  AesBlock iv{};
  const auto keyBytes = fromHex("2b7e151628aed2a6abf7158809cf4f3c");
  const auto ivBytes = fromHex("000102030405060708090a0b0c0d0e0f");
  std::copy(keyBytes.begin(), keyBytes.end(), key.begin());
  std::copy(ivBytes.begin(), ivBytes.end(), iv.begin());
  const auto plain = fromHex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51");
  const auto cipher = aes128CbcPkcs7(CipherDirection::kEncipher, key, iv, plain);
  ASSERT_TRUE(cipher.has_value());
  ASSERT_EQ(cipher->size(), 48u) << "a whole block of padding follows whole blocks";
  EXPECT_EQ(std::vector<std::uint8_t>(cipher->begin(), cipher->begin() + 32),
            fromHex("7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"));
  EXPECT_EQ(aes128CbcPkcs7(CipherDirection::kDecipher, key, iv, *cipher), plain);

  const struct {
    const char* name;
    std::vector<std::uint8_t> data;
  } refused[] = {
      {"empty", {}},
      {"not whole blocks", std::vector<std::uint8_t>(cipher->begin(), cipher->end() - 1)},
      {"last block gone", std::vector<std::uint8_t>(cipher->begin(), cipher->end() - 16)},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(aes128CbcPkcs7(CipherDirection::kDecipher, key, iv, c.data).has_value());
  }
}

}  // namespace
}  // namespace vorl
