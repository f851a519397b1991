#pragma once
// A loopback HTTP server for tests, benchmarks and the demo's simulator: it records every request as it
// arrived and answers with scripted byte sequences, faults included (pieces, pauses, close, reset,
// silence). Listens on 127.0.0.1 at a port of the system's choosing and serves on its own thread until
// it is destroyed.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantle::sim {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// One step of an answer.
struct Step {
    enum class Kind {
        Send,    // bytes at once
        Pieces,  // bytes in pieces of pieceSize, with delay before each piece after the first
        Sleep,   // wait delay
        Close,   // close gracefully (FIN); the connection ends
        Reset,   // close with RST (SO_LINGER 0); the connection ends
        Hold,    // from now on silent: nothing sent, nothing read, until the server stops
    };
    Kind kind = Kind::Send;
    std::string bytes;
    std::size_t pieceSize = 1;
    std::chrono::milliseconds delay{0};
};

// What the server does for one request: its steps in order, then either reading the next request on
// the same connection (the default) or a graceful close.
struct Reply {
    std::vector<Step> steps;
    bool closeAfter = false;

    Reply& send(std::string bytes);
    Reply& sendPieces(std::string bytes, std::size_t pieceSize = 1,
                      std::chrono::milliseconds delay = std::chrono::milliseconds(1));
    Reply& sleep(std::chrono::milliseconds delay);
    Reply& close();
    Reply& reset();
    Reply& hold();
    Reply& thenClose();

    // A whole answer at once: "HTTP/1.1 <code> <reason>", the given headers, "Content-Length", body.
    static Reply http(int code, std::string_view body, const HeaderList& headers = {});
    // The bytes of such an answer.
    static std::string httpBytes(int code, std::string_view body, const HeaderList& headers = {});
};

// One request as the server read it.
struct Request {
    std::string method;
    std::string target;
    std::string version;
    HeaderList headers;  // in the order sent, names and values as sent (blanks around values dropped)
    std::string raw;     // every byte up to and including the empty line

    // The value of the first header of that name (case-insensitive), or nullptr.
    const std::string* header(std::string_view name) const;
};

// Splits a request head (raw bytes up to and including the empty line) into its parts.
Request ParseRequest(std::string raw);

class TestServer {
public:
    using Handler = std::function<Reply(const Request&)>;

    TestServer();
    ~TestServer();  // stops serving, ends every connection, joins the thread
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    std::uint16_t port() const;
    // "127.0.0.1:<port>"
    std::string authority() const;

    // Scripted replies are used in order, one per request, before the handler is asked.
    void enqueue(Reply reply);
    // Answers every request for which no scripted reply is left (called on the server's thread).
    // Without a handler and without a scripted reply, the server closes the connection.
    void setHandler(Handler handler);

    // Raw bytes of every request read so far, in order of arrival.
    std::vector<std::string> requests() const;
    std::size_t requestCount() const;
    // Connections accepted so far.
    std::size_t connections() const;
    // Connections that the client closed (end of stream while the server waited for a request).
    std::size_t clientCloses() const;

    // Waits until test() holds or timeout passes; the result of the last test.
    static bool waitFor(const std::function<bool()>& test,
                        std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

    struct State;

private:
    std::unique_ptr<State> state_;
};

}  // namespace vantle::sim
