// The listener list: a walk survives listeners that remove listeners, add
// listeners, or destroy the list's owner.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "ui/base/listener_list.h"

using namespace Ulmar;

namespace {

struct Listener {
    int calls = 0;
};

// An owner as the paint manager is one: its list, and a flag that dies with it.
struct Owner {
    ListenerList<Listener> list;
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};

}  // namespace

TEST(ListenerList, AddRefusesNullAndDuplicatesRemoveOnlyWhatIsThere) {
    ListenerList<Listener> list;
    Listener a;
    EXPECT_FALSE(list.Add(nullptr));
    EXPECT_TRUE(list.Add(&a));
    EXPECT_FALSE(list.Add(&a));
    EXPECT_TRUE(list.Contains(&a));
    EXPECT_TRUE(list.Remove(&a));
    EXPECT_FALSE(list.Remove(&a));
    EXPECT_TRUE(list.Empty());
}

TEST(ListenerList, ARemovedListenerIsSkippedAndANewOneWaitsForTheNextWalk) {
    Owner owner;
    Listener a, b, c, late;
    owner.list.Add(&a);
    owner.list.Add(&b);
    owner.list.Add(&c);
    std::vector<Listener*> order;
    const DispatchEnd end = owner.list.Dispatch(owner.alive, [&](Listener* l) {
        order.push_back(l);
        if (l == &a) {
            owner.list.Remove(&b);  // a later one goes
            owner.list.Remove(&a);  // and the one being called
            owner.list.Add(&late);
        }
        return false;
    });
    EXPECT_EQ(DispatchEnd::kAll, end);
    EXPECT_EQ((std::vector<Listener*>{&a, &c}), order);
    EXPECT_TRUE(owner.list.Contains(&late));
}

TEST(ListenerList, AVisitThatStopsEndsTheWalk) {
    Owner owner;
    Listener a, b;
    owner.list.Add(&a);
    owner.list.Add(&b);
    const DispatchEnd end = owner.list.Dispatch(owner.alive, [&](Listener* l) {
        ++l->calls;
        return true;
    });
    EXPECT_EQ(DispatchEnd::kStopped, end);
    EXPECT_EQ(1, a.calls);
    EXPECT_EQ(0, b.calls);
}

TEST(ListenerList, AVisitThatDestroysTheOwnerEndsTheWalkUntouched) {
    auto owner = std::make_unique<Owner>();
    Listener a, b;
    owner->list.Add(&a);
    owner->list.Add(&b);
    const std::weak_ptr<bool> alive = owner->alive;
    const ListenerList<Listener>& list = owner->list;
    const DispatchEnd end = list.Dispatch(alive, [&](Listener* l) {
        ++l->calls;
        owner.reset();  // the list goes with its owner
        return false;
    });
    EXPECT_EQ(DispatchEnd::kOwnerGone, end);
    EXPECT_EQ(1, a.calls);
    EXPECT_EQ(0, b.calls);
}
