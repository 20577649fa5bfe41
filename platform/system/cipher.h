// The two cryptographic primitives of the encrypted settings store, over OpenSSL's libcrypto: a key derived
// from a passphrase with PBKDF2 (HMAC-SHA1), and AES-128 in CBC mode with PKCS #7 padding.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace vorl {

using AesKey128 = std::array<std::uint8_t, 16>;
using AesBlock = std::array<std::uint8_t, 16>;

// The first 16 bytes of PBKDF2-HMAC-SHA1 over the passphrase's bytes; nothing when libcrypto fails.
std::optional<AesKey128> deriveKeyPbkdf2HmacSha1(std::string_view passphrase, std::span<const std::uint8_t> salt,
                                                 int iterations);

enum class CipherDirection { kEncipher = 0, kDecipher = 1 };

// One whole-buffer pass. Enciphering always answers a positive multiple of 16 bytes; deciphering answers
// nothing when the input is not such a multiple or its padding is wrong (a wrong key, or damaged data).
std::optional<std::vector<std::uint8_t>> aes128CbcPkcs7(CipherDirection direction, const AesKey128& key,
                                                        const AesBlock& iv, std::span<const std::uint8_t> data);

}  // namespace vorl
