#pragma once
// ListenerList: borrowed listeners in the order they were added, walked so that
// a listener may remove others (or itself) and may destroy the list's owner.
#include <algorithm>
#include <memory>
#include <vector>

namespace Ulmar {

enum class DispatchEnd {
    kAll,        // every listener still listed was visited
    kStopped,    // a visit asked to stop
    kOwnerGone,  // a visit destroyed the owner; nothing of it may be touched
};

template <class T>
class ListenerList {
public:
    // False for null and for a listener already listed.
    bool Add(T* item) {
        if (!item || Contains(item)) return false;
        items_.push_back(item);
        return true;
    }
    bool Remove(T* item) {
        const auto it = std::find(items_.begin(), items_.end(), item);
        if (it == items_.end()) return false;
        items_.erase(it);
        return true;
    }
    bool Contains(T* item) const { return std::find(items_.begin(), items_.end(), item) != items_.end(); }
    bool Empty() const { return items_.empty(); }
    void Clear() { items_.clear(); }

    // Calls visit(item) for each listener listed when the walk starts and still
    // listed when its turn comes; visit returns true to stop. `ownerAlive`
    // expires with the object that holds this list: after a visit that expired
    // it, the walk ends without touching the list again.
    template <class Visit>
    DispatchEnd Dispatch(const std::weak_ptr<bool>& ownerAlive, Visit visit) const {
        const std::vector<T*> snapshot = items_;
        for (T* item : snapshot) {
            if (!Contains(item)) continue;
            const bool stop = visit(item);
            if (ownerAlive.expired()) return DispatchEnd::kOwnerGone;
            if (stop) return DispatchEnd::kStopped;
        }
        return DispatchEnd::kAll;
    }

private:
    std::vector<T*> items_;
};

}  // namespace Ulmar
