#pragma once
// A scripted HttpGetter for the query tests: each Get takes the next step of the script and records
// its URL. It keeps the client's rule for the result variable: a failed Get leaves it as it was, or
// holding the part of a body that arrived before the transfer broke off.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "http/HttpGetter.h"

namespace vantle::testing {

class ScriptedHttpGetter : public HttpGetter {
public:
    // The body of a 2xx answer.
    ScriptedHttpGetter& Answer(std::string body) { return Add({std::move(body), false}); }
    // A failure before any body byte arrived.
    ScriptedHttpGetter& Fail() { return Add({std::nullopt, true}); }
    // A failure after a part of the body arrived.
    ScriptedHttpGetter& FailAfter(std::string partialBody) { return Add({std::move(partialBody), true}); }

    void Get(std::string_view url, std::string& result) override {
        urls.emplace_back(url);
        if (steps_.empty()) {
            throw HttpError("no answer scripted");
        }
        const Step step = steps_.front();
        steps_.pop_front();
        if (step.body && !step.body->empty()) {
            result = *step.body;
        }
        if (step.fails) {
            throw HttpError("connection closed");
        }
    }

    std::vector<std::string> urls;

private:
    struct Step {
        std::optional<std::string> body;
        bool fails;
    };
    ScriptedHttpGetter& Add(Step step) {
        steps_.push_back(std::move(step));
        return *this;
    }
    std::deque<Step> steps_;
};

}  // namespace vantle::testing
