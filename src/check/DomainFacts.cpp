#include "check/DomainFacts.h"

#include "check/Check.h"

namespace vantle {

std::shared_ptr<const void> DomainFacts::GetErased(const std::string& key, const CancelToken& cancel,
                                                   const Maker& make) {
    std::unique_lock lock(mutex_);
    for (;;) {
        Entry& entry = entries_[key];
        if (entry.value) {
            return entry.value;
        }
        if (!entry.making) {
            entry.making = true;
            break;
        }
        const bool settled = changed_.wait(lock, cancel.Stop(), [this, &key] {
            const Entry& e = entries_[key];
            return e.value != nullptr || !e.making;
        });
        if (!settled) {
            return nullptr;
        }
    }
    lock.unlock();
    std::shared_ptr<const void> value;
    try {
        value = make();
    } catch (...) {
        lock.lock();
        entries_[key].making = false;
        changed_.notify_all();
        throw;
    }
    lock.lock();
    Entry& entry = entries_[key];
    entry.making = false;
    if (!cancel.Cancelled()) {
        entry.value = value;
    }
    changed_.notify_all();
    return value;
}

}  // namespace vantle
