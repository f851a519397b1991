// The answer reader on bytes from memory. Every input is read twice: in one piece, and cut into
// pieces whose sizes come from the input. Both readings must end alike (the piece boundaries of a
// TCP stream carry no meaning), and no body, error body or head may pass its limit.
//
// Input: the answer bytes first; the limits and the piece sizes are taken from its end.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <typeinfo>
#include <vector>

#include "http/AnswerReader.h"
#include "http/HttpErrors.h"

namespace {

using namespace vantle;

constexpr int kMaxAnswers = 8;  // answers read in turn on one "connection"

class PieceSource : public ByteSource {
public:
    PieceSource(const std::string& data, std::vector<std::size_t> pieces)
        : data_(data), pieces_(std::move(pieces)) {}

    std::size_t ReadSome(char* buffer, std::size_t size) override {
        const std::size_t piece = pieces_[next_++ % pieces_.size()];
        const std::size_t n = std::min({size, piece, data_.size() - pos_});
        std::memcpy(buffer, data_.data() + pos_, n);
        pos_ += n;
        return n;
    }

private:
    const std::string& data_;
    std::vector<std::size_t> pieces_;
    std::size_t next_ = 0;
    std::size_t pos_ = 0;
};

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

void Check(bool holds, const char* what) {
    if (!holds) {
        Fail(what);
    }
}

// What the reading gave, as text to compare; checks the limits on the way.
std::string Transcript(const std::string& data, std::vector<std::size_t> pieces, const AnswerLimits& limits) {
    PieceSource source(data, std::move(pieces));
    LineReader reader(source);
    std::string out;
    for (int i = 0; i < kMaxAnswers; ++i) {
        std::string body;
        try {
            const AnswerInfo info = ReadAnswer(reader, body, limits);
            Check(info.head.code >= 200 && info.head.code <= 299, "a failing status was read as success");
            Check(info.head.Find("Location") == nullptr, "a redirect was read as success");
            Check(body.size() <= limits.maxBody, "body over the cap");
            Check(info.head.statusLine.size() <= LineReader::kMaxLine, "status line over the line limit");
            out +=
                "ok " + info.head.statusLine + " [" + body + "] " + (info.keepAlive ? "keep\n" : "close\n");
            if (!info.keepAlive) {
                break;
            }
        } catch (const EIdHTTPProtocolException& e) {
            Check(body.empty(), "an error answer reached the body");
            Check(e.ErrorMessage().size() <= limits.maxBody, "error body over the cap");
            out += "status " + std::to_string(e.ErrorCode()) + " " + e.StatusLine() + " [" +
                   e.ErrorMessage() + "]\n";
            break;
        } catch (const HttpError& e) {
            Check(body.size() <= limits.maxBody, "partial body over the cap");
            out += std::string(typeid(e).name()) + " " + e.what() + " [" + body + "]\n";
            break;
        }
    }
    Check(reader.BytesReceived() <= data.size(), "more bytes received than sent");
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider input(bytes, size);
    AnswerLimits limits;
    limits.maxBody = input.ConsumeIntegralInRange<std::size_t>(0, 4096);
    limits.maxHead = input.ConsumeIntegralInRange<std::size_t>(1, 1u << 16);
    std::vector<std::size_t> pieces;
    const int pieceCount = input.ConsumeIntegralInRange<int>(1, 4);
    for (int i = 0; i < pieceCount; ++i) {
        pieces.push_back(input.ConsumeIntegralInRange<std::size_t>(1, 64));
    }
    const std::string data = input.ConsumeRemainingBytesAsString();

    const std::string whole = Transcript(data, {data.size() + 1}, limits);
    const std::string cut = Transcript(data, pieces, limits);
    if (whole != cut) {
        std::fprintf(stderr, "whole:\n%s\ncut:\n%s\n", whole.c_str(), cut.c_str());
        Fail("the reading depends on how the bytes are cut");
    }
    return 0;
}
