#include "tests/report/loopback_server.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace testing_support {
namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

std::string HeaderValue(const std::string& head, const std::string& name) {
    const std::string lower = Lower(head);
    const size_t at = lower.find("\r\n" + Lower(name) + ":");
    if (at == std::string::npos) return {};
    size_t start = at + name.size() + 3;
    while (start < head.size() && head[start] == ' ') ++start;
    return head.substr(start, head.find("\r\n", start) - start);
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer(unsigned short port, Mode mode) : m_mode(mode) {
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return;
    m_listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (m_listener == INVALID_SOCKET) return;
    BOOL yes = TRUE;
    setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&yes), sizeof yes);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(m_listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(m_listener, 8) != 0) {
        closesocket(m_listener);
        m_listener = INVALID_SOCKET;
        return;
    }
    int len = sizeof addr;
    if (getsockname(m_listener, reinterpret_cast<sockaddr*>(&addr), &len) == 0) m_port = ntohs(addr.sin_port);
    m_thread = std::thread([this] { Serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    m_stop = true;
    if (m_listener != INVALID_SOCKET) closesocket(m_listener);  // ends the blocking accept
    if (m_thread.joinable()) m_thread.join();
    WSACleanup();
}

std::vector<HttpRequest> LoopbackHttpServer::requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

void LoopbackHttpServer::Serve() {
    std::vector<SOCKET> silent;
    while (!m_stop) {
        SOCKET s = accept(m_listener, nullptr, nullptr);
        if (s == INVALID_SOCKET) break;
        HttpRequest request;
        if (m_mode == Mode::Silent) {
            silent.push_back(s);  // keep it open and never answer
            continue;
        }
        if (ReadRequest(s, request)) {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_requests.push_back(request);
            }
            static const char kAnswer[] = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";
            send(s, kAnswer, sizeof kAnswer - 1, 0);
        }
        shutdown(s, SD_BOTH);
        closesocket(s);
    }
    for (SOCKET s : silent) closesocket(s);
}

bool LoopbackHttpServer::ReadRequest(SOCKET s, HttpRequest& out) {
    std::string data;
    char buf[4096];
    size_t headEnd = std::string::npos;
    while ((headEnd = data.find("\r\n\r\n")) == std::string::npos) {
        const int n = recv(s, buf, sizeof buf, 0);
        if (n <= 0) return false;
        data.append(buf, size_t(n));
    }
    const std::string head = data.substr(0, headEnd);
    const size_t sp1 = head.find(' '), sp2 = head.find(' ', sp1 + 1);
    out.method = head.substr(0, sp1);
    out.target = head.substr(sp1 + 1, sp2 - sp1 - 1);
    out.userAgent = HeaderValue(head, "User-Agent");
    out.contentType = HeaderValue(head, "Content-Type");
    const size_t length = std::strtoul(HeaderValue(head, "Content-Length").c_str(), nullptr, 10);
    out.body = data.substr(headEnd + 4);
    while (out.body.size() < length) {
        const int n = recv(s, buf, sizeof buf, 0);
        if (n <= 0) return false;
        out.body.append(buf, size_t(n));
    }
    return true;
}

std::string DecodeTransportText(const std::string& transport) {
    std::string base64;
    for (size_t i = 0; i < transport.size(); ++i) {
        if (transport[i] == '%' && i + 2 < transport.size()) {
            base64 += char(std::strtol(transport.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            base64 += transport[i];
        }
    }
    std::string cipher(base64.size(), '\0');
    const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(&cipher[0]),
                                  reinterpret_cast<const unsigned char*>(base64.data()), int(base64.size()));
    if (n < 0) return {};
    size_t pad = 0;
    for (size_t i = base64.size(); i > 0 && base64[i - 1] == '='; --i) ++pad;
    cipher.resize(size_t(n) - pad);

    static const unsigned char kKey[] = "7305qwfd8162940573tarnel";
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    std::string plain(cipher.size() + 8, '\0');
    int len1 = 0, len2 = 0;
    const bool ok = EVP_DecryptInit_ex(ctx, EVP_des_ede3_ecb(), nullptr, kKey, nullptr) == 1 &&
                    EVP_DecryptUpdate(ctx, reinterpret_cast<unsigned char*>(&plain[0]), &len1,
                                      reinterpret_cast<const unsigned char*>(cipher.data()), int(cipher.size())) == 1 &&
                    EVP_DecryptFinal_ex(ctx, reinterpret_cast<unsigned char*>(&plain[0]) + len1, &len2) == 1;
    EVP_CIPHER_CTX_free(ctx);
    if (!ok) return {};
    plain.resize(size_t(len1 + len2));
    return plain;
}

}  // namespace testing_support
