#pragma once
// What the checks of one domain find out once and share, so that they never tell two stories: the
// first check that asks for a fact makes it, and the others wait for that one answer.

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace vantle {

class CancelToken;

class DomainFacts {
public:
    // The fact under key, made by make on the first call; a later call waits while it is being made.
    // Nothing when cancel is set while waiting. A fact whose maker was cancelled is not kept: the next
    // caller makes it anew. Every call for one key must ask for the same T.
    template <typename T>
    std::shared_ptr<const T> Get(const std::string& key, const CancelToken& cancel,
                                 const std::function<T()>& make) {
        return std::static_pointer_cast<const T>(GetErased(
            key, cancel, [&make] { return std::shared_ptr<const void>(std::make_shared<const T>(make())); }));
    }

private:
    using Maker = std::function<std::shared_ptr<const void>()>;
    std::shared_ptr<const void> GetErased(const std::string& key, const CancelToken& cancel,
                                          const Maker& make);

    struct Entry {
        bool making = false;
        std::shared_ptr<const void> value;
    };
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::map<std::string, Entry> entries_;
};

}  // namespace vantle
