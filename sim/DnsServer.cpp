#include "sim/DnsServer.h"

#include <arpa/inet.h>

#include <array>
#include <asio.hpp>
#include <cctype>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>

#include "sim/Support.h"

namespace vantle::sim {

using udp = asio::ip::udp;
using tcp = asio::ip::tcp;

namespace {

constexpr std::size_t kHeaderSize = 12;
constexpr std::uint16_t kClassIn = 1;
constexpr std::uint32_t kTtl = 300;
constexpr int kRcodeServFail = 2;
constexpr int kRcodeNxDomain = 3;
constexpr std::size_t kCutBytes = 3;  // taken off the end of a cut answer

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& ch : out) {
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    }
    if (!out.empty() && out.back() == '.') {
        out.pop_back();
    }
    return out;
}

void Put16(std::string& out, unsigned value) {
    out += static_cast<char>((value >> 8) & 0xff);
    out += static_cast<char>(value & 0xff);
}

unsigned Get16(const std::string& in, std::size_t at) {
    return (static_cast<unsigned char>(in[at]) << 8) | static_cast<unsigned char>(in[at + 1]);
}

// A name in wire form, without compression; "" and "." are the root.
std::string EncodeName(std::string_view name) {
    std::string out;
    while (!name.empty() && name != ".") {
        const auto dot = name.find('.');
        const std::string_view label = name.substr(0, std::min<std::size_t>(dot, 63));
        out += static_cast<char>(label.size());
        out += label;
        name = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
    }
    out += '\0';
    return out;
}

// The question of a query as read from its packet.
struct Question {
    unsigned id = 0;
    bool recursionDesired = false;
    std::string name;  // lower-case, dotted, without the final dot
    std::uint16_t type = 0;
    std::string wire;  // the question section as sent
};

std::optional<Question> ParseQuestion(const std::string& packet) {
    if (packet.size() < kHeaderSize || Get16(packet, 4) == 0 ||
        (static_cast<unsigned char>(packet[2]) & 0x80) != 0) {
        return std::nullopt;
    }
    Question question;
    question.id = Get16(packet, 0);
    question.recursionDesired = (packet[2] & 0x01) != 0;
    std::size_t at = kHeaderSize;
    for (;;) {
        if (at >= packet.size()) {
            return std::nullopt;
        }
        const auto length = static_cast<unsigned char>(packet[at]);
        if (length == 0) {
            ++at;
            break;
        }
        if (length > 63 || at + 1 + length > packet.size() || question.name.size() > 255) {
            return std::nullopt;
        }
        if (!question.name.empty()) {
            question.name += '.';
        }
        question.name.append(packet, at + 1, length);
        at += 1 + length;
    }
    if (at + 4 > packet.size()) {
        return std::nullopt;
    }
    question.type = static_cast<std::uint16_t>(Get16(packet, at));
    question.wire = packet.substr(kHeaderSize, at + 4 - kHeaderSize);
    question.name = Lower(question.name);
    return question;
}

std::string AddressData(int family, const std::string& text) {
    std::array<unsigned char, 16> bytes{};
    if (inet_pton(family, text.c_str(), bytes.data()) != 1) {
        std::fprintf(stderr, "DnsServer: not an address: %s\n", text.c_str());
    }
    return std::string(reinterpret_cast<const char*>(bytes.data()), family == AF_INET ? 4 : 16);
}

// The data of every record of the asked type in the answer.
std::vector<std::string> RecordData(const DnsAnswer& answer, std::uint16_t type) {
    std::vector<std::string> data;
    if (type == kDnsTypeA) {
        for (const auto& a : answer.a) {
            data.push_back(AddressData(AF_INET, a));
        }
    } else if (type == kDnsTypeAaaa) {
        for (const auto& aaaa : answer.aaaa) {
            data.push_back(AddressData(AF_INET6, aaaa));
        }
    } else if (type == kDnsTypeMx) {
        for (const auto& mx : answer.mx) {
            std::string rdata;
            Put16(rdata, mx.preference);
            data.push_back(rdata + EncodeName(mx.exchange));
        }
    }
    return data;
}

std::string BuildPacket(const Question& question, int rcode, bool truncatedFlag,
                        const std::vector<std::string>& records) {
    std::string out;
    Put16(out, question.id);
    out += static_cast<char>(0x80 | 0x04 | (truncatedFlag ? 0x02 : 0) | (question.recursionDesired ? 1 : 0));
    out += static_cast<char>(0x80 | rcode);
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(records.size()));
    Put16(out, 0);
    Put16(out, 0);
    out += question.wire;
    for (const auto& rdata : records) {
        Put16(out, 0xC000 | kHeaderSize);  // the name of the question
        Put16(out, question.type);
        Put16(out, kClassIn);
        Put16(out, kTtl >> 16);
        Put16(out, kTtl & 0xffff);
        Put16(out, static_cast<unsigned>(rdata.size()));
        out += rdata;
    }
    return out;
}

// The bytes sent for the question, or nullopt for silence.
std::optional<std::string> AnswerBytes(const Question& question, const DnsAnswer& answer, bool overTcp) {
    switch (answer.kind) {
        case DnsAnswer::Kind::Silent:
            return std::nullopt;
        case DnsAnswer::Kind::NxDomain:
            return BuildPacket(question, kRcodeNxDomain, false, {});
        case DnsAnswer::Kind::ServFail:
            return BuildPacket(question, kRcodeServFail, false, {});
        case DnsAnswer::Kind::Cut: {
            std::vector<std::string> records = RecordData(answer, question.type);
            if (records.empty()) {
                records =
                    RecordData(DnsAnswer::records({"192.0.2.1"}, {"2001:db8::1"}, {{10, "mail.invalid"}}),
                               question.type);
            }
            if (records.empty()) {
                records.push_back(AddressData(AF_INET, "192.0.2.1"));
            }
            std::string bytes = BuildPacket(question, 0, false, records);
            bytes.resize(bytes.size() - kCutBytes);
            return bytes;
        }
        case DnsAnswer::Kind::Records:
            break;
    }
    if (answer.truncateUdp && !overTcp) {
        return BuildPacket(question, 0, true, {});
    }
    return BuildPacket(question, 0, false, RecordData(answer, question.type));
}

}  // namespace

DnsAnswer DnsAnswer::records(std::vector<std::string> a, std::vector<std::string> aaaa,
                             std::vector<DnsMx> mx) {
    DnsAnswer answer;
    answer.a = std::move(a);
    answer.aaaa = std::move(aaaa);
    answer.mx = std::move(mx);
    return answer;
}

DnsAnswer DnsAnswer::of(Kind kind) {
    DnsAnswer answer;
    answer.kind = kind;
    return answer;
}

DnsAnswer& DnsAnswer::after(std::chrono::milliseconds wait) {
    delay = wait;
    return *this;
}

DnsAnswer& DnsAnswer::truncated() {
    truncateUdp = true;
    return *this;
}

DnsAnswer DnsServer::defaultAnswer(std::string_view name) {
    const std::string lower = Lower(name);
    const std::uint32_t hash = NameHash(lower);
    if (lower.rfind("nx", 0) == 0 || hash % 40 == 7) {
        return DnsAnswer::nxDomain();
    }
    const std::string host = std::to_string(1 + hash % 250);
    DnsAnswer answer;
    if (hash % 10 != 3) {
        answer.a.push_back("198.51.100." + host);
    }
    if (hash % 10 == 3 || hash % 10 == 5) {
        answer.aaaa.push_back("2001:db8::" + host);
    }
    if (hash % 6 != 1) {
        answer.mx.push_back(DnsMx{10, "mail." + lower});
    }
    return answer;
}

class DnsTcpSession;

struct DnsServer::State {
    // Declared first so that it goes last: the sessions and timers that its pending handlers own go
    // while it still exists.
    asio::io_context io;
    udp::socket udpSocket{io};
    tcp::acceptor acceptor{io};
    std::thread thread;
    std::uint16_t port = 0;
    std::array<char, 65536> datagram{};
    udp::endpoint sender;

    mutable std::mutex mutex;
    std::unordered_map<std::string, DnsAnswer> answers;
    std::optional<DnsAnswer> fallback;
    std::chrono::milliseconds delay{0};
    std::map<std::pair<std::string, std::uint16_t>, std::size_t> counts;
    std::size_t total = 0;
    std::size_t overTcp = 0;

    void StartReceive();
    void StartAccept();
    // What to send for a query and after how long; nullopt: nothing (silence or not a query).
    std::optional<std::pair<std::string, std::chrono::milliseconds>> Answer(const std::string& packet,
                                                                            bool fromTcp);
};

// One TCP connection: reads length-prefixed queries and answers each on its own time, in the order the
// answers become ready.
class DnsTcpSession : public std::enable_shared_from_this<DnsTcpSession> {
public:
    DnsTcpSession(tcp::socket socket, DnsServer::State& state) : socket_(std::move(socket)), state_(state) {}

    void Start() { ReadLength(); }

private:
    void ReadLength() {
        asio::async_read(socket_, asio::buffer(length_),
                         [self = shared_from_this()](const asio::error_code& ec, std::size_t) {
                             if (!ec) {
                                 self->ReadQuery();
                             }
                         });
    }

    void ReadQuery() {
        query_.assign((static_cast<unsigned char>(length_[0]) << 8) | static_cast<unsigned char>(length_[1]),
                      '\0');
        asio::async_read(socket_, asio::buffer(query_),
                         [self = shared_from_this()](const asio::error_code& ec, std::size_t) {
                             if (ec) {
                                 return;
                             }
                             if (auto answer = self->state_.Answer(self->query_, true)) {
                                 self->Schedule(std::move(answer->first), answer->second);
                             }
                             self->ReadLength();
                         });
    }

    void Schedule(std::string bytes, std::chrono::milliseconds delay) {
        std::string framed;
        Put16(framed, static_cast<unsigned>(bytes.size()));
        framed += bytes;
        auto timer = std::make_shared<asio::steady_timer>(socket_.get_executor(), delay);
        timer->async_wait(
            [self = shared_from_this(), timer, framed = std::move(framed)](const asio::error_code& ec) {
                if (!ec) {
                    self->outbox_.push_back(framed);
                    self->Write();
                }
            });
    }

    void Write() {
        if (writing_ || outbox_.empty()) {
            return;
        }
        writing_ = true;
        asio::async_write(socket_, asio::buffer(outbox_.front()),
                          [self = shared_from_this()](const asio::error_code& ec, std::size_t) {
                              self->writing_ = false;
                              self->outbox_.pop_front();
                              if (!ec) {
                                  self->Write();
                              }
                          });
    }

    tcp::socket socket_;
    DnsServer::State& state_;
    std::array<char, 2> length_{};
    std::string query_;
    std::deque<std::string> outbox_;
    bool writing_ = false;
};

std::optional<std::pair<std::string, std::chrono::milliseconds>> DnsServer::State::Answer(
    const std::string& packet, bool fromTcp) {
    const std::optional<Question> question = ParseQuestion(packet);
    if (!question) {
        return std::nullopt;
    }
    DnsAnswer answer;
    std::chrono::milliseconds extra{0};
    {
        std::lock_guard lock(mutex);
        ++counts[{question->name, question->type}];
        ++total;
        overTcp += fromTcp ? 1 : 0;
        if (const auto found = answers.find(question->name); found != answers.end()) {
            answer = found->second;
        } else if (fallback) {
            answer = *fallback;
        } else {
            answer = defaultAnswer(question->name);
        }
        extra = delay;
    }
    std::optional<std::string> bytes = AnswerBytes(*question, answer, fromTcp);
    if (!bytes) {
        return std::nullopt;
    }
    return std::make_pair(std::move(*bytes), answer.delay + extra);
}

void DnsServer::State::StartReceive() {
    udpSocket.async_receive_from(
        asio::buffer(datagram), sender, [this](const asio::error_code& ec, std::size_t n) {
            if (ec == asio::error::operation_aborted) {
                return;
            }
            if (!ec) {
                if (auto answer = Answer(std::string(datagram.data(), n), false)) {
                    auto bytes = std::make_shared<std::string>(std::move(answer->first));
                    auto timer = std::make_shared<asio::steady_timer>(io, answer->second);
                    timer->async_wait([this, timer, bytes, to = sender](const asio::error_code& e) {
                        if (!e) {
                            udpSocket.async_send_to(asio::buffer(*bytes), to,
                                                    [bytes](const asio::error_code&, std::size_t) {});
                        }
                    });
                }
            }
            StartReceive();
        });
}

void DnsServer::State::StartAccept() {
    acceptor.async_accept([this](const asio::error_code& ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted) {
            return;
        }
        if (!ec) {
            std::make_shared<DnsTcpSession>(std::move(socket), *this)->Start();
        }
        StartAccept();
    });
}

DnsServer::DnsServer(std::uint16_t port) : state_(std::make_unique<State>()) {
    // TCP takes a free port first; UDP then binds the same one, which a rare other user may hold.
    // A given port is tried once: its holder will not let it go for a retry.
    for (int attempt = 0;; ++attempt) {
        const tcp::endpoint endpoint(asio::ip::make_address("127.0.0.1"), port);
        state_->acceptor.open(endpoint.protocol());
        if (port != 0) {
            state_->acceptor.set_option(tcp::acceptor::reuse_address(true));
        }
        state_->acceptor.bind(endpoint);
        state_->acceptor.listen();
        state_->port = state_->acceptor.local_endpoint().port();
        asio::error_code ec;
        state_->udpSocket.open(udp::v4());
        state_->udpSocket.bind(udp::endpoint(asio::ip::make_address("127.0.0.1"), state_->port), ec);
        if (!ec) {
            break;
        }
        state_->udpSocket.close();
        state_->acceptor.close();
        if (port != 0 || attempt == 20) {
            throw asio::system_error(ec);
        }
    }
    state_->StartReceive();
    state_->StartAccept();
    state_->thread = ServeOnThread(state_->io, "DnsServer");
}

DnsServer::~DnsServer() {
    state_->io.stop();
    state_->thread.join();
}

std::uint16_t DnsServer::port() const {
    return state_->port;
}

std::string DnsServer::authority() const {
    return "127.0.0.1:" + std::to_string(state_->port);
}

void DnsServer::set(std::string_view name, DnsAnswer answer) {
    std::lock_guard lock(state_->mutex);
    state_->answers[Lower(name)] = std::move(answer);
}

void DnsServer::setFallback(std::optional<DnsAnswer> answer) {
    std::lock_guard lock(state_->mutex);
    state_->fallback = std::move(answer);
}

void DnsServer::setDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(state_->mutex);
    state_->delay = delay;
}

std::size_t DnsServer::queryCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->total;
}

std::size_t DnsServer::queryCount(std::string_view name) const {
    const std::string lower = Lower(name);
    std::lock_guard lock(state_->mutex);
    std::size_t count = 0;
    for (const auto& [key, n] : state_->counts) {
        count += key.first == lower ? n : 0;
    }
    return count;
}

std::size_t DnsServer::queryCount(std::string_view name, std::uint16_t type) const {
    std::lock_guard lock(state_->mutex);
    const auto found = state_->counts.find({Lower(name), type});
    return found == state_->counts.end() ? 0 : found->second;
}

std::size_t DnsServer::tcpQueryCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->overTcp;
}

}  // namespace vantle::sim
