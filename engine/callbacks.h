#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace kavtra {

// Callbacks in the order they were added, each to be taken off again by the
// id its adding gave: a part that goes away before whoever calls it takes
// its own off.
template <typename Callback>
class Callbacks {
public:
    using Id = std::size_t;

    Id add(Callback callback) {
        entries_.emplace_back(next_, std::move(callback));
        return next_++;
    }
    void remove(Id id) {
        std::erase_if(entries_, [id](const auto& entry) { return entry.first == id; });
    }
    // From a copy: a callback may add or remove callbacks while it runs.
    template <typename... Args>
    void call(const Args&... args) const {
        const auto entries = entries_;
        for (const auto& [id, callback] : entries) callback(args...);
    }

private:
    std::vector<std::pair<Id, Callback>> entries_;
    Id next_ = 0;
};

}  // namespace kavtra
