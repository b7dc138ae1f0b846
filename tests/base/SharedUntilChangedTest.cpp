#include "base/SharedUntilChanged.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace tavlora::base {
namespace {

using Names = SharedUntilChanged<std::vector<std::string>>;

TEST(SharedUntilChanged, CopiesShareUntilOneChangesAndThenOnlyThatOneChanges) {
    Names original;
    original.own() = {"a", "b"};
    Names copy = original;
    EXPECT_EQ(&*copy, &*original) << "a copy shares the value";

    copy.own().push_back("c");
    EXPECT_EQ(*original, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(*copy, (std::vector<std::string>{"a", "b", "c"}));

    // The holder that was copied from changes its own too, never the copy's.
    Names second = original;
    original.own()[0] = "z";
    EXPECT_EQ(*second, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(*original, (std::vector<std::string>{"z", "b"}));
}

TEST(SharedUntilChanged, TheSoleHolderChangesInPlace) {
    Names only;
    only.own() = {"a"};
    const std::vector<std::string>* before = &*only;
    only.own().push_back("b");
    EXPECT_EQ(&*only, before);

    // Once the other holder has gone the value is this holder's alone again.
    Names alone = only;
    { Names gone = alone; }
    alone.own().push_back("c");
    EXPECT_EQ(*only, (std::vector<std::string>{"a", "b"}));
}

TEST(SharedUntilChanged, AReferenceTakenBeforeAChangeStaysValidWhenTheOthersGo) {
    auto original = std::make_unique<Names>();
    original->own() = {"kept"};
    Names copy = *original;
    const std::string& taken = (*copy)[0];
    copy.own()[0] = "changed";
    original.reset();  // the only other holder of the value `taken` points into
    EXPECT_EQ(taken, "kept");
    EXPECT_EQ((*copy)[0], "changed");

    Names assigned;
    const std::vector<std::string>* held = &*assigned;
    assigned = copy;
    EXPECT_TRUE(held->empty()) << "the value given up by an assignment lives as long as the holder";
}

TEST(SharedUntilChanged, CopiesOnSeveralThreadsChangeTheirOwnOnly) {
    Names original;
    original.own() = {"template"};
    std::vector<std::thread> threads;
    std::vector<std::vector<std::string>> seen(4);
    for (size_t t = 0; t < seen.size(); ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 200; ++round) {
                Names copy = original;
                copy.own().push_back(std::to_string(t));
                seen[t] = *copy;
            }
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(*original, (std::vector<std::string>{"template"}));
    for (size_t t = 0; t < seen.size(); ++t) EXPECT_EQ(seen[t], (std::vector<std::string>{"template", std::to_string(t)}));
}

}  // namespace
}  // namespace tavlora::base
