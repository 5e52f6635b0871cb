#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>
#include <numeric>
#include <vector>

#include "comms/GenAlg.h"

namespace comms {
namespace {

TEST(StackTest, PopsInReverseOrderAndReportsEmptiness) {
  int a = 1, b = 2, c = 3;
  TStack stack;
  EXPECT_TRUE(stack.IsEmpty());
  stack.Push(&a);
  stack.Push(&b);
  stack.Push(&c);
  EXPECT_FALSE(stack.IsEmpty());
  EXPECT_EQ(stack.Pop(), &c);
  EXPECT_EQ(stack.Pop(), &b);
  stack.Push(nullptr);  // a null item is an item like any other
  EXPECT_EQ(stack.Pop(), nullptr);
  EXPECT_EQ(stack.Pop(), &a);
  EXPECT_TRUE(stack.IsEmpty());
}

TEST(StackTest, PopOnEmptyRaisesAndLeavesTheStackUsable) {
  TStack stack;
  try {
    stack.Pop();
    FAIL() << "Pop on an empty stack returned";
  } catch (const EGenericAlg& e) {
    EXPECT_EQ(e.Message(), "Stack is empty");
  }
  int item = 0;
  stack.Push(&item);
  EXPECT_EQ(stack.Pop(), &item);
}

// Runs fn on a thread with a small stack, and waits for it.
void OnSmallStack(const std::function<void()>& fn) {
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, 256 * 1024);
  pthread_t thread;
  auto run = [](void* f) -> void* {
    (*static_cast<const std::function<void()>*>(f))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attributes, run, const_cast<std::function<void()>*>(&fn)), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
}

TEST(StackTest, DestroysLongStacksWithoutFreeingItems) {
  // The items stay the caller's (freeing one of these would abort or corrupt
  // them), and a chain of nodes that unwinds by recursion overflows this stack.
  std::vector<int> items(200000);
  std::iota(items.begin(), items.end(), 0);
  bool destroyed = false;
  OnSmallStack([&] {
    {
      TStack stack;
      for (int& item : items) stack.Push(&item);
    }
    destroyed = true;
  });
  EXPECT_TRUE(destroyed);
  std::vector<int> expected(items.size());
  std::iota(expected.begin(), expected.end(), 0);
  EXPECT_EQ(items, expected);
}

}  // namespace
}  // namespace comms
