// The report's transport form: Triple DES (EDE3, ECB, PKCS#5 padding) under the key
// built into the program, then Base64, then URL-encoding.
#pragma once

#include <string>
#include <string_view>

namespace report {

// Ciphertext of `text` (bytes) in ECB DES-EDE3 with PKCS#5 padding.
std::string EncipherEde3(std::string_view text);
std::string Base64Encode(std::string_view bytes);
// Unreserved characters (0-9 A-Z a-z ~ - _ .) stay; every other byte becomes %XX.
std::string UrlEncode(std::string_view text);

}  // namespace report

// EncipherEde3, Base64Encode and UrlEncode in turn.
std::string EncryptReport(const std::string& text);
