#pragma once
// A small HTTP server on 127.0.0.1 for the page host's tests: it answers every request with a
// short page and remembers each request line ("GET /ct HTTP/1.1").
#include <winsock2.h>
#include <ws2tcpip.h>

#include <mutex>
#include <string>
#include <vector>

#include "support.h"

class LocalServer {
public:
    // Port 0 takes any free port.
    explicit LocalServer(u_short port = 0)
    {
        WSADATA data;
        started_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
        listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        BOOL exclusive = TRUE;
        ::setsockopt(listener_, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
                     sizeof(exclusive));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
            ::listen(listener_, 8) != 0)
            return;
        int length = sizeof(address);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = ::CreateThread(nullptr, 0, &LocalServer::Serve, this, 0, nullptr);
    }
    ~LocalServer()
    {
        stop_ = true;
        if (thread_) {
            ::WaitForSingleObject(thread_, 5000);
            ::CloseHandle(thread_);
        }
        if (listener_ != INVALID_SOCKET)
            ::closesocket(listener_);
        if (started_)
            ::WSACleanup();
    }
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    bool Listening() const noexcept { return thread_ != nullptr; }
    u_short Port() const noexcept { return port_; }
    std::wstring Url(const wchar_t* path) const { return L"http://127.0.0.1:" + std::to_wstring(port_) + path; }

    int Count(const std::string& requestLine) const
    {
        std::lock_guard lock(mutex_);
        int count = 0;
        for (const std::string& seen : requests_)
            count += seen == requestLine;
        return count;
    }

    // Runs the caller's messages until the request line has come count times in all.
    bool WaitFor(const std::string& requestLine, int count, DWORD milliseconds) const
    {
        const DWORD end = ::GetTickCount() + milliseconds;
        while (Count(requestLine) < count) {
            if (static_cast<LONG>(end - ::GetTickCount()) <= 0)
                return false;
            PumpMessages(20);
        }
        return true;
    }

private:
    static DWORD WINAPI Serve(void* context)
    {
        auto* self = static_cast<LocalServer*>(context);
        while (!self->stop_) {
            fd_set ready;
            FD_ZERO(&ready);
            FD_SET(self->listener_, &ready);
            timeval wait{0, 20000};
            if (::select(0, &ready, nullptr, nullptr, &wait) <= 0)
                continue;
            const SOCKET client = ::accept(self->listener_, nullptr, nullptr);
            if (client != INVALID_SOCKET)
                self->Answer(client);
        }
        return 0;
    }

    void Answer(SOCKET client)
    {
        DWORD timeout = 2000;
        ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));
        std::string request;
        char buffer[1024];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 16384) {
            const int got = ::recv(client, buffer, sizeof(buffer), 0);
            if (got <= 0)
                break;
            request.append(buffer, got);
        }
        if (const size_t end = request.find("\r\n"); end != std::string::npos) {
            std::lock_guard lock(mutex_);
            requests_.push_back(request.substr(0, end));
        }
        static const std::string page = "<html><body><input id=name></body></html>";
        const std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                                   std::to_string(page.size()) + "\r\nConnection: close\r\n\r\n" + page;
        ::send(client, answer.data(), static_cast<int>(answer.size()), 0);
        ::shutdown(client, SD_SEND);
        ::closesocket(client);
    }

    bool started_ = false;
    SOCKET listener_ = INVALID_SOCKET;
    u_short port_ = 0;
    HANDLE thread_ = nullptr;
    volatile bool stop_ = false;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
};
