#include "ui/base/events.h"

#include <algorithm>

namespace Ulmar {

void CEventSource::Remove(int id) {
    handlers_.erase(std::remove_if(handlers_.begin(), handlers_.end(),
                                   [id](const auto& entry) { return entry.first == id; }),
                    handlers_.end());
}

bool CEventSource::operator()(void* param) const {
    if (handlers_.empty()) return true;
    // A handler may change this list or destroy its owner: run from a copy.
    const auto handlers = handlers_;
    for (const auto& entry : handlers) {
        if (!entry.second(param)) return false;
    }
    return true;
}

}  // namespace Ulmar
