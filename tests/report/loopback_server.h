// A small real HTTP server on 127.0.0.1 for the report tests: it records each
// request and answers 200, or stays silent to test the client's timeouts.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

struct HttpRequest {
    std::string method, target, userAgent, contentType, body;
};

class LoopbackHttpServer {
public:
    enum class Mode { Answer, Silent };
    // Port 0 takes any free port; port() tells which.
    LoopbackHttpServer(unsigned short port, Mode mode = Mode::Answer);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    bool listening() const { return m_listener != INVALID_SOCKET; }
    unsigned short port() const { return m_port; }
    std::vector<HttpRequest> requests() const;

private:
    void Serve();
    bool ReadRequest(SOCKET s, HttpRequest& out);

    Mode m_mode;
    SOCKET m_listener = INVALID_SOCKET;
    unsigned short m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<HttpRequest> m_requests;
    std::thread m_thread;
};

// Reverses the transport form independently of the code under test: URL-decoding,
// Base64 decoding and DES-EDE3-ECB deciphering through OpenSSL's EVP layer.
std::string DecodeTransportText(const std::string& transport);

}  // namespace testing_support
