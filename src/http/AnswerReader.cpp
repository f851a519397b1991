#include "http/AnswerReader.h"

#include <algorithm>

#include "http/HttpErrors.h"

namespace vantle {
namespace {

constexpr std::size_t kReadChunk = 16384;
constexpr std::size_t kCompactAt = 65536;

enum class Framing { None, Counted, Chunked, ToClose };

void AppendCapped(std::string& out, const char* data, std::size_t size, std::size_t cap) {
    if (size > cap || out.size() > cap - size) {
        if (out.size() < cap) {
            out.append(data, cap - out.size());
        }
        throw HttpBodyTooLarge("the body is larger than " + std::to_string(cap) + " bytes");
    }
    out.append(data, size);
}

// Counts the bytes of the head against its limit, so that an endless head cannot hold the client.
void Spend(std::size_t& budget, const std::string& line) {
    const std::size_t cost = line.size() + 1;
    if (cost > budget) {
        throw HttpBadAnswer("the head of the answer does not end");
    }
    budget -= cost;
}

ResponseHead ReadOneHead(LineReader& reader, std::size_t& budget) {
    auto status = reader.ReadLine();
    if (!status) {
        throw HttpConnectionClosed("the connection closed before the status line");
    }
    Spend(budget, *status);
    ResponseHead head;
    head.code = ParseStatusCode(*status);
    head.statusLine = std::move(*status);
    // A close in the middle of the header lines ends the head there.
    while (auto line = reader.ReadLine()) {
        Spend(budget, *line);
        if (line->empty()) {
            break;
        }
        AddHeaderLine(head, *line);
    }
    return head;
}

// The head of the answer, past any "100 Continue".
ResponseHead ReadHead(LineReader& reader, const AnswerLimits& limits) {
    std::size_t budget = limits.maxHead;
    for (;;) {
        ResponseHead head = ReadOneHead(reader, budget);
        if (head.code != 100) {
            return head;
        }
    }
}

bool HasNoBody(int code) {
    return code == 204 || code == 304 || (code >= 100 && code < 200);
}

Framing ChooseFraming(const ResponseHead& head, std::uint64_t& length) {
    if (HasNoBody(head.code)) {
        return Framing::None;
    }
    const std::string* contentLength = head.Find("Content-Length");
    if (contentLength != nullptr) {
        length = ParseContentLength(*contentLength).value_or(0);
        if (length >= 1) {
            return Framing::Counted;
        }
    }
    const std::string* transferEncoding = head.Find("Transfer-Encoding");
    if (transferEncoding != nullptr && ContainsNoCase(*transferEncoding, "chunked")) {
        return Framing::Chunked;
    }
    // "Content-Length: 0" (or one that is no number) means no body; only its absence reads to the close.
    return contentLength == nullptr ? Framing::ToClose : Framing::None;
}

void ReadChunked(LineReader& reader, std::string& out, std::size_t cap) {
    for (;;) {
        const auto line = reader.ReadLine();
        if (!line) {
            throw HttpConnectionClosed("the connection closed before a chunk size");
        }
        const auto size = ParseChunkSize(*line);
        if (!size) {
            throw HttpBadAnswer("bad chunk size line");
        }
        if (*size == 0) {
            reader.ReadLine();  // the line that ends the chunked body
            return;
        }
        reader.ReadCounted(*size, out, cap);
        reader.ReadLine();  // the line end behind the chunk's data
    }
}

// Reads the body as the head frames it; true when it was read up to the close.
bool ReadBody(LineReader& reader, const ResponseHead& head, std::string& out, std::size_t cap) {
    std::uint64_t length = 0;
    switch (ChooseFraming(head, length)) {
        case Framing::None:
            return false;
        case Framing::Counted:
            reader.ReadCounted(length, out, cap);
            return false;
        case Framing::Chunked:
            ReadChunked(reader, out, cap);
            return false;
        case Framing::ToClose:
            reader.ReadToClose(out, cap);
            return true;
    }
    return false;
}

bool ClosesConnection(const ResponseHead& head) {
    for (const HttpHeader& h : head.headers) {
        if ((EqualsNoCase(h.name, "Connection") || EqualsNoCase(h.name, "Proxy-Connection")) &&
            HasCloseToken(h.value)) {
            return true;
        }
    }
    return false;
}

[[noreturn]] void RaiseProtocolError(LineReader& reader, const ResponseHead& head,
                                     const AnswerLimits& limits) {
    std::string errorBody;
    reader.Source().LimitWaits(limits.errorBodyTime);
    try {
        ReadBody(reader, head, errorBody, limits.maxBody);
    } catch (const HttpError&) {
        // The error body is only information: what arrived in time is what the exception carries.
    }
    throw EIdHTTPProtocolException(head.code, head.statusLine, std::move(errorBody));
}

}  // namespace

std::optional<std::string> LineReader::ReadLine(std::size_t maxLength) {
    for (;;) {
        const std::size_t lf = buffer_.find('\n', std::max(scanned_, pos_));
        const bool found = lf != std::string::npos;
        if (!found) {
            scanned_ = buffer_.size();
            // maxLength bytes and a CR may still be waiting for their LF; one more cannot.
            if (Buffered() > maxLength + 1) {
                throw HttpLineTooLong("a line of the answer is longer than " + std::to_string(maxLength) +
                                      " bytes");
            }
            if (Fill()) {
                continue;
            }
            if (Buffered() == 0) {
                return std::nullopt;
            }
        }
        const std::size_t end = found ? lf : buffer_.size();
        std::string line = buffer_.substr(pos_, end - pos_);
        pos_ = found ? end + 1 : end;
        if (found && !line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.size() > maxLength) {
            throw HttpLineTooLong("a line of the answer is longer than " + std::to_string(maxLength) +
                                  " bytes");
        }
        return line;
    }
}

void LineReader::ReadCounted(std::uint64_t count, std::string& out, std::size_t cap) {
    while (count > 0) {
        if (Buffered() == 0 && !Fill()) {
            throw HttpConnectionClosed("the connection closed inside the body");
        }
        count -= Drain(count, out, cap);
    }
}

void LineReader::ReadToClose(std::string& out, std::size_t cap) {
    do {
        Drain(Buffered(), out, cap);
    } while (Fill());
}

bool LineReader::Fill() {
    if (ended_) {
        return false;
    }
    if (pos_ == buffer_.size()) {
        buffer_.clear();
        pos_ = scanned_ = 0;
    } else if (pos_ >= kCompactAt) {
        buffer_.erase(0, pos_);
        scanned_ = scanned_ > pos_ ? scanned_ - pos_ : 0;
        pos_ = 0;
    }
    const std::size_t old = buffer_.size();
    buffer_.resize(old + kReadChunk);
    std::size_t n = 0;
    try {
        n = std::min(source_.ReadSome(buffer_.data() + old, kReadChunk), kReadChunk);
    } catch (...) {
        buffer_.resize(old);
        throw;
    }
    buffer_.resize(old + n);
    received_ += n;
    ended_ = n == 0;
    return !ended_;
}

std::size_t LineReader::Drain(std::uint64_t count, std::string& out, std::size_t cap) {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, Buffered()));
    const std::size_t at = pos_;
    pos_ += n;
    AppendCapped(out, buffer_.data() + at, n, cap);
    return n;
}

AnswerInfo ReadAnswer(LineReader& reader, std::string& body, const AnswerLimits& limits) {
    AnswerInfo info;
    info.head = ReadHead(reader, limits);
    const bool success =
        info.head.code >= 200 && info.head.code <= 299 && info.head.Find("Location") == nullptr;
    if (!success) {
        RaiseProtocolError(reader, info.head, limits);
    }
    const bool readToClose = ReadBody(reader, info.head, body, limits.maxBody);
    info.keepAlive = !readToClose && !ClosesConnection(info.head);
    return info;
}

}  // namespace vantle
