// The DNS server on a port it is given: served there over UDP and TCP, and a port someone else holds
// refused at once instead of another being taken.
#include <gtest/gtest.h>

#include <array>
#include <asio.hpp>

#include "sim/DnsServer.h"

namespace vantle::sim {
namespace {

using tcp = asio::ip::tcp;
using udp = asio::ip::udp;

// A port of 127.0.0.1 that was free a moment ago.
std::uint16_t FreePort() {
    asio::io_context io;
    tcp::acceptor probe(io, tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
    return probe.local_endpoint().port();
}

// The answer's RCODE to a query for name, type A, over UDP.
int RcodeOverUdp(std::uint16_t port, const std::string& label) {
    asio::io_context io;
    udp::socket socket(io, udp::v4());
    std::string query("\x12\x34\x01\x00\x00\x01\x00\x00\x00\x00\x00\x00", 12);
    query += static_cast<char>(label.size()) + label + "\x04test";
    query += std::string("\x00\x00\x01\x00\x01", 5);
    socket.send_to(asio::buffer(query), udp::endpoint(asio::ip::make_address("127.0.0.1"), port));
    std::array<char, 512> answer{};
    const std::size_t n = socket.receive(asio::buffer(answer));
    return n >= 4 ? answer[3] & 0x0f : -1;
}

TEST(DnsServerPort, ServesOnTheGivenPortOverUdpAndTcp) {
    const std::uint16_t port = FreePort();
    DnsServer server(port);
    EXPECT_EQ(server.port(), port);
    EXPECT_EQ(server.authority(), "127.0.0.1:" + std::to_string(port));
    EXPECT_EQ(RcodeOverUdp(port, "nx1"), 3);
    EXPECT_EQ(RcodeOverUdp(port, "p1"), 0);
    asio::io_context io;
    tcp::socket client(io);
    EXPECT_NO_THROW(client.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), port)));
}

TEST(DnsServerPort, AHeldPortThrowsWhereAnyPortFindsAnother) {
    DnsServer holder;
    EXPECT_THROW(DnsServer{holder.port()}, asio::system_error);
    DnsServer any(0);
    EXPECT_NE(any.port(), holder.port());
    EXPECT_NE(any.port(), 0);
}

}  // namespace
}  // namespace vantle::sim
