#include "sim/TestServer.h"

#include <array>
#include <asio.hpp>
#include <cctype>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

#include "sim/Support.h"

namespace vantle::sim {

using tcp = asio::ip::tcp;

namespace {

constexpr std::size_t kMaxRequestHead = 1u << 20;

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

// Where the head of a request ends (just past its empty line), or 0 while it is incomplete.
std::size_t FindHeadEnd(const std::string& input) {
    std::size_t best = 0;
    if (const auto crlf = input.find("\r\n\r\n"); crlf != std::string::npos) {
        best = crlf + 4;
    }
    if (const auto lf = input.find("\n\n"); lf != std::string::npos && (best == 0 || lf + 2 < best)) {
        best = lf + 2;
    }
    return best;
}

// Splits raw into lines without their line ends.
std::vector<std::string_view> SplitLines(std::string_view raw) {
    std::vector<std::string_view> lines;
    while (!raw.empty()) {
        const auto lf = raw.find('\n');
        std::string_view line = raw.substr(0, lf);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        if (lf == std::string_view::npos) {
            break;
        }
        raw.remove_prefix(lf + 1);
    }
    return lines;
}

const char* ReasonPhrase(int code) {
    switch (code) {
        case 100:
            return "Continue";
        case 200:
            return "OK";
        case 204:
            return "No Content";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 304:
            return "Not Modified";
        case 400:
            return "Bad Request";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        case 503:
            return "Service Unavailable";
        default:
            return "Status";
    }
}

}  // namespace

class Session;

struct TestServer::State {
    // Declared first so that it goes last: the sessions that its pending handlers own close their
    // sockets while it still exists.
    asio::io_context io;
    tcp::acceptor acceptor{io};
    asio::steady_timer acceptRetry{io};
    std::thread thread;
    std::uint16_t port = 0;

    mutable std::mutex mutex;
    std::deque<Reply> queue;
    Handler handler;
    std::vector<std::string> requests;
    std::size_t connections = 0;
    std::size_t clientCloses = 0;

    // Sessions told to hold their connection silent (touched on the server thread only).
    std::vector<std::shared_ptr<Session>> held;

    void StartAccept();
    void Record(const std::string& raw);
    void CountClientClose();
    Reply NextReply(const Request& request);
};

// One accepted connection: reads requests and plays the reply of each.
class Session : public std::enable_shared_from_this<Session> {
public:
    Session(tcp::socket socket, TestServer::State& state)
        : socket_(std::move(socket)), timer_(socket_.get_executor()), state_(state) {}

    void Start() { ReadRequest(); }

private:
    void ReadRequest();
    void OnRequest(std::string raw);
    void RunStep();
    void SendPiece();
    void AfterPiece();
    void CloseGracefully();
    void DrainUntilClosed();
    // A held connection is let go when the client goes: a long list holds thousands of them.
    void HoldUntilClosed();
    void Reset();

    tcp::socket socket_;
    asio::steady_timer timer_;
    TestServer::State& state_;
    std::string input_;
    std::array<char, 4096> chunk_{};
    Reply reply_;
    std::size_t step_ = 0;  // the next step to run
    std::size_t sent_ = 0;  // bytes of the current Pieces step already sent
};

void Session::ReadRequest() {
    if (const std::size_t end = FindHeadEnd(input_); end != 0) {
        std::string raw = input_.substr(0, end);
        input_.erase(0, end);
        OnRequest(std::move(raw));
        return;
    }
    if (input_.size() > kMaxRequestHead) {
        CloseGracefully();
        return;
    }
    socket_.async_read_some(asio::buffer(chunk_),
                            [self = shared_from_this()](const asio::error_code& ec, std::size_t n) {
                                if (ec) {
                                    if (ec == asio::error::eof) {
                                        self->state_.CountClientClose();
                                    }
                                    return;  // the session ends; its socket closes with it
                                }
                                self->input_.append(self->chunk_.data(), n);
                                self->ReadRequest();
                            });
}

void Session::OnRequest(std::string raw) {
    state_.Record(raw);
    reply_ = state_.NextReply(ParseRequest(std::move(raw)));
    step_ = 0;
    RunStep();
}

void Session::RunStep() {
    if (step_ == reply_.steps.size()) {
        if (reply_.closeAfter) {
            CloseGracefully();
        } else {
            ReadRequest();
        }
        return;
    }
    const Step& step = reply_.steps[step_++];
    auto self = shared_from_this();
    switch (step.kind) {
        case Step::Kind::Send:
            asio::async_write(socket_, asio::buffer(step.bytes),
                              [self](const asio::error_code& ec, std::size_t) {
                                  if (!ec) {
                                      self->RunStep();
                                  }
                              });
            return;
        case Step::Kind::Pieces:
            sent_ = 0;
            AfterPiece();
            return;
        case Step::Kind::Sleep:
            timer_.expires_after(step.delay);
            timer_.async_wait([self](const asio::error_code& ec) {
                if (!ec) {
                    self->RunStep();
                }
            });
            return;
        case Step::Kind::Close:
            CloseGracefully();
            return;
        case Step::Kind::Reset:
            Reset();
            return;
        case Step::Kind::Hold:
            state_.held.push_back(self);
            HoldUntilClosed();
            return;
    }
}

void Session::SendPiece() {
    const Step& step = reply_.steps[step_ - 1];
    const std::size_t n = std::min(std::max<std::size_t>(step.pieceSize, 1), step.bytes.size() - sent_);
    asio::async_write(socket_, asio::buffer(step.bytes.data() + sent_, n),
                      [self = shared_from_this(), n](const asio::error_code& ec, std::size_t) {
                          if (ec) {
                              return;
                          }
                          self->sent_ += n;
                          self->AfterPiece();
                      });
}

void Session::AfterPiece() {
    const Step& step = reply_.steps[step_ - 1];
    if (sent_ >= step.bytes.size()) {
        RunStep();
        return;
    }
    if (sent_ == 0) {
        SendPiece();
        return;
    }
    timer_.expires_after(step.delay);
    timer_.async_wait([self = shared_from_this()](const asio::error_code& ec) {
        if (!ec) {
            self->SendPiece();
        }
    });
}

// FIN first, then read (and drop) until the client closes too: closing with unread bytes in the
// receive buffer would make the kernel send RST instead.
void Session::CloseGracefully() {
    asio::error_code ignored;
    socket_.shutdown(tcp::socket::shutdown_send, ignored);
    DrainUntilClosed();
}

void Session::DrainUntilClosed() {
    socket_.async_read_some(asio::buffer(chunk_),
                            [self = shared_from_this()](const asio::error_code& ec, std::size_t) {
                                if (!ec) {
                                    self->DrainUntilClosed();
                                }
                            });
}

void Session::HoldUntilClosed() {
    socket_.async_read_some(asio::buffer(chunk_),
                            [self = shared_from_this()](const asio::error_code& ec, std::size_t) {
                                if (ec == asio::error::operation_aborted) {
                                    return;
                                }
                                if (ec) {
                                    std::erase(self->state_.held, self);
                                    return;
                                }
                                self->HoldUntilClosed();
                            });
}

void Session::Reset() {
    asio::error_code ignored;
    socket_.set_option(asio::socket_base::linger(true, 0), ignored);
    socket_.close(ignored);
}

void TestServer::State::StartAccept() {
    acceptor.async_accept([this](const asio::error_code& ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted) {
            return;
        }
        if (ec) {
            // Out of descriptors or the like: try again a little later instead of spinning.
            acceptRetry.expires_after(std::chrono::milliseconds(10));
            acceptRetry.async_wait([this](const asio::error_code& e) {
                if (!e) {
                    StartAccept();
                }
            });
            return;
        }
        {
            std::lock_guard lock(mutex);
            ++connections;
        }
        std::make_shared<Session>(std::move(socket), *this)->Start();
        StartAccept();
    });
}

void TestServer::State::Record(const std::string& raw) {
    std::lock_guard lock(mutex);
    requests.push_back(raw);
}

void TestServer::State::CountClientClose() {
    std::lock_guard lock(mutex);
    ++clientCloses;
}

Reply TestServer::State::NextReply(const Request& request) {
    Handler answer;
    {
        std::lock_guard lock(mutex);
        if (!queue.empty()) {
            Reply reply = std::move(queue.front());
            queue.pop_front();
            return reply;
        }
        answer = handler;
    }
    if (!answer) {
        return Reply().close();
    }
    try {
        return answer(request);
    } catch (const std::exception& e) {
        return Reply::http(500, e.what()).thenClose();
    } catch (...) {
        return Reply::http(500, "the handler failed").thenClose();
    }
}

Reply& Reply::send(std::string bytes) {
    steps.push_back(Step{Step::Kind::Send, std::move(bytes), 1, {}});
    return *this;
}

Reply& Reply::sendPieces(std::string bytes, std::size_t pieceSize, std::chrono::milliseconds delay) {
    steps.push_back(Step{Step::Kind::Pieces, std::move(bytes), pieceSize, delay});
    return *this;
}

Reply& Reply::sleep(std::chrono::milliseconds delay) {
    steps.push_back(Step{Step::Kind::Sleep, {}, 1, delay});
    return *this;
}

Reply& Reply::close() {
    steps.push_back(Step{Step::Kind::Close, {}, 1, {}});
    return *this;
}

Reply& Reply::reset() {
    steps.push_back(Step{Step::Kind::Reset, {}, 1, {}});
    return *this;
}

Reply& Reply::hold() {
    steps.push_back(Step{Step::Kind::Hold, {}, 1, {}});
    return *this;
}

Reply& Reply::thenClose() {
    closeAfter = true;
    return *this;
}

std::string Reply::httpBytes(int code, std::string_view body, const HeaderList& headers) {
    std::string bytes = "HTTP/1.1 " + std::to_string(code) + " " + ReasonPhrase(code) + "\r\n";
    for (const auto& [name, value] : headers) {
        bytes += name + ": " + value + "\r\n";
    }
    bytes += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    bytes += body;
    return bytes;
}

Reply Reply::http(int code, std::string_view body, const HeaderList& headers) {
    return Reply().send(httpBytes(code, body, headers));
}

const std::string* Request::header(std::string_view name) const {
    for (const auto& [n, value] : headers) {
        if (EqualsNoCase(n, name)) {
            return &value;
        }
    }
    return nullptr;
}

Request ParseRequest(std::string raw) {
    Request request;
    const std::vector<std::string_view> lines = SplitLines(raw);
    if (!lines.empty()) {
        std::string_view first = lines.front();
        const auto a = first.find(' ');
        request.method = std::string(first.substr(0, a));
        if (a != std::string_view::npos) {
            first.remove_prefix(a + 1);
            const auto b = first.rfind(' ');
            request.target = std::string(first.substr(0, b));
            request.version = b == std::string_view::npos ? "" : std::string(first.substr(b + 1));
        }
    }
    for (std::size_t i = 1; i < lines.size() && !lines[i].empty(); ++i) {
        const auto colon = lines[i].find(':');
        if (colon != std::string_view::npos) {
            request.headers.emplace_back(std::string(lines[i].substr(0, colon)),
                                         std::string(TrimBlanks(lines[i].substr(colon + 1))));
        }
    }
    request.raw = std::move(raw);
    return request;
}

TestServer::TestServer() : state_(std::make_unique<State>()) {
    const tcp::endpoint endpoint(asio::ip::make_address("127.0.0.1"), 0);
    state_->acceptor.open(endpoint.protocol());
    state_->acceptor.set_option(tcp::acceptor::reuse_address(true));
    state_->acceptor.bind(endpoint);
    state_->acceptor.listen();
    state_->port = state_->acceptor.local_endpoint().port();
    state_->StartAccept();
    state_->thread = ServeOnThread(state_->io, "TestServer");
}

TestServer::~TestServer() {
    state_->io.stop();
    state_->thread.join();
    // Held sessions close their sockets now; the rest go with the io_context's pending handlers.
    state_->held.clear();
}

std::uint16_t TestServer::port() const {
    return state_->port;
}

std::string TestServer::authority() const {
    return "127.0.0.1:" + std::to_string(state_->port);
}

void TestServer::enqueue(Reply reply) {
    std::lock_guard lock(state_->mutex);
    state_->queue.push_back(std::move(reply));
}

void TestServer::setHandler(Handler handler) {
    std::lock_guard lock(state_->mutex);
    state_->handler = std::move(handler);
}

std::vector<std::string> TestServer::requests() const {
    std::lock_guard lock(state_->mutex);
    return state_->requests;
}

std::size_t TestServer::requestCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->requests.size();
}

std::size_t TestServer::connections() const {
    std::lock_guard lock(state_->mutex);
    return state_->connections;
}

std::size_t TestServer::clientCloses() const {
    std::lock_guard lock(state_->mutex);
    return state_->clientCloses;
}

bool TestServer::waitFor(const std::function<bool()>& test, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!test()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return test();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace vantle::sim
