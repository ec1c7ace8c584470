#include "report/report_cipher.h"

// The low-level DES interface is deprecated in OpenSSL 3 but costs about 20 KB in a
// static exe, where the EVP layer costs about 4 MB.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/des.h>

#include <cstring>

namespace report {
namespace {

// Characters 1-24 are the three DES keys, taken byte for byte; the rest is unused.
constexpr char kCipherKey[] = "7305qwfd8162940573tarnelvoprik81";

void LoadKey(DES_key_schedule& schedule, const char* key8) {
    DES_cblock block;
    std::memcpy(block, key8, sizeof block);
    DES_set_key_unchecked(&block, &schedule);  // no parity adjustment
}

}  // namespace

std::string EncipherEde3(std::string_view text) {
    std::string padded(text);
    const size_t pad = 8 - text.size() % 8;
    padded.append(pad, static_cast<char>(pad));

    DES_key_schedule k1, k2, k3;
    LoadKey(k1, kCipherKey);
    LoadKey(k2, kCipherKey + 8);
    LoadKey(k3, kCipherKey + 16);

    std::string out(padded.size(), '\0');
    for (size_t i = 0; i < padded.size(); i += 8) {
        DES_cblock in, enciphered;
        std::memcpy(in, padded.data() + i, 8);
        DES_ecb3_encrypt(&in, &enciphered, &k1, &k2, &k3, DES_ENCRYPT);
        std::memcpy(&out[i], enciphered, 8);
    }
    return out;
}

std::string Base64Encode(std::string_view bytes) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t n = (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8) | uint8_t(bytes[i + 2]);
        out += kAlphabet[n >> 18];
        out += kAlphabet[(n >> 12) & 63];
        out += kAlphabet[(n >> 6) & 63];
        out += kAlphabet[n & 63];
    }
    const size_t rest = bytes.size() - i;
    if (rest > 0) {
        uint32_t n = uint8_t(bytes[i]) << 16;
        if (rest == 2) n |= uint8_t(bytes[i + 1]) << 8;
        out += kAlphabet[n >> 18];
        out += kAlphabet[(n >> 12) & 63];
        out += rest == 2 ? kAlphabet[(n >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string UrlEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3 / 2);
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        const bool keep = (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') ||
                          u == '~' || u == '-' || u == '_' || u == '.';
        if (keep) {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        }
    }
    return out;
}

}  // namespace report

std::string EncryptReport(const std::string& text) {
    return report::UrlEncode(report::Base64Encode(report::EncipherEde3(text)));
}
