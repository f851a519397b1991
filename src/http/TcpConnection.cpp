#include "http/TcpConnection.h"

#include <algorithm>
#include <asio.hpp>

#include "http/HttpErrors.h"

namespace vantle {

using tcp = asio::ip::tcp;

struct TcpConnection::Impl {
    asio::io_context io;
    tcp::socket socket{io};
    tcp::resolver resolver{io};
    // The peer's end of stream was seen. Asio's reactor would wait for another readiness event that
    // never comes, so a read after it answers from here.
    bool peerClosed = false;

    // Runs the io_context until the started operation has called back (done) or timeout has passed.
    // On time-out the operation is cancelled, its handler run, and HttpTimeout raised: afterwards no
    // operation is pending and the socket is closed.
    void Await(const bool& done, std::chrono::milliseconds timeout, std::string_view what) {
        io.restart();
        io.run_for(std::max(timeout, std::chrono::milliseconds(0)));
        if (done) {
            return;
        }
        resolver.cancel();
        asio::error_code ignored;
        socket.close(ignored);
        io.restart();
        io.run();
        throw HttpTimeout(std::string(what) + " timed out after " + std::to_string(timeout.count()) + " ms");
    }

    tcp::resolver::results_type Resolve(const std::string& host, std::uint16_t port,
                                        std::chrono::milliseconds timeout) {
        bool done = false;
        asio::error_code error;
        tcp::resolver::results_type results;
        resolver.async_resolve(host, std::to_string(port),
                               [&](const asio::error_code& ec, tcp::resolver::results_type r) {
                                   error = ec;
                                   results = std::move(r);
                                   done = true;
                               });
        Await(done, timeout, "name look-up of " + host);
        if (error || results.empty()) {
            throw HttpHostNotFound("cannot resolve " + host + ": " + error.message());
        }
        return results;
    }

    void Connect(const tcp::resolver::results_type& endpoints, const std::string& host,
                 std::chrono::milliseconds timeout) {
        bool done = false;
        asio::error_code error;
        asio::async_connect(socket, endpoints, [&](const asio::error_code& ec, const tcp::endpoint&) {
            error = ec;
            done = true;
        });
        Await(done, timeout, "connecting to " + host);
        if (error) {
            asio::error_code ignored;
            socket.close(ignored);
        }
        if (error == asio::error::connection_refused) {
            throw HttpConnectionRefused("connection to " + host + " refused");
        }
        if (error) {
            throw HttpSocketError("cannot connect to " + host + ": " + error.message());
        }
    }
};

TcpConnection::TcpConnection() : impl_(std::make_unique<Impl>()) {}

TcpConnection::~TcpConnection() {
    Close();
}

void TcpConnection::Open(const std::string& host, std::uint16_t port, std::chrono::milliseconds timeout) {
    Close();
    const auto start = std::chrono::steady_clock::now();
    const auto endpoints = impl_->Resolve(host, port, timeout);
    const auto spent =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    impl_->Connect(endpoints, host, timeout - spent);
}

void TcpConnection::Close() noexcept {
    impl_->peerClosed = false;
    asio::error_code ignored;
    impl_->socket.shutdown(tcp::socket::shutdown_both, ignored);
    impl_->socket.close(ignored);
}

bool TcpConnection::IsOpen() const {
    return impl_->socket.is_open();
}

void TcpConnection::WriteAll(std::string_view bytes, std::chrono::milliseconds timeout) {
    bool done = false;
    asio::error_code error;
    asio::async_write(impl_->socket, asio::buffer(bytes.data(), bytes.size()),
                      [&](const asio::error_code& ec, std::size_t) {
                          error = ec;
                          done = true;
                      });
    impl_->Await(done, timeout, "sending the request");
    if (error) {
        throw HttpSocketError("cannot send the request: " + error.message());
    }
}

std::size_t TcpConnection::ReadSome(char* buffer, std::size_t size, std::chrono::milliseconds timeout) {
    if (impl_->peerClosed) {
        return 0;
    }
    bool done = false;
    asio::error_code error;
    std::size_t received = 0;
    impl_->socket.async_read_some(asio::buffer(buffer, size), [&](const asio::error_code& ec, std::size_t n) {
        error = ec;
        received = n;
        done = true;
    });
    impl_->Await(done, timeout, "waiting for the answer");
    if (error == asio::error::eof) {
        impl_->peerClosed = true;
        return 0;
    }
    if (error) {
        throw HttpSocketError("connection lost: " + error.message());
    }
    return received;
}

std::chrono::milliseconds TimeLeft(std::chrono::steady_clock::time_point deadline) {
    const auto now = std::chrono::steady_clock::now();
    if (deadline <= now) {
        return std::chrono::milliseconds(0);
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
}

std::size_t ConnectionSource::ReadSome(char* buffer, std::size_t size) {
    const auto wait = std::min(readTimeout_, TimeLeft(deadline_));
    if (wait.count() <= 0) {
        throw HttpTimeout("the answer took longer than its time limit");
    }
    return connection_.ReadSome(buffer, size, wait);
}

void ConnectionSource::LimitWaits(std::chrono::milliseconds total) {
    deadline_ = std::min(deadline_, std::chrono::steady_clock::now() + total);
}

}  // namespace vantle
