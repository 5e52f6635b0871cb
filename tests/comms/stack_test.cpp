#include <gtest/gtest.h>

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

TEST(StackTest, DestroysLongStacksWithoutFreeingItems) {
  // Items live in a vector the stack must not touch; a deep chain of nodes
  // must not recurse on destruction.
  std::vector<int> items(100000);
  {
    TStack stack;
    for (int& item : items) stack.Push(&item);
  }
  items.front() = 7;  // still ours
  EXPECT_EQ(items.front(), 7);
}

}  // namespace
}  // namespace comms
