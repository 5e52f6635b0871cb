#include "comms/GenAlg.h"

namespace comms {

TStack::~TStack() {
  // Unlink one node at a time: letting the chain of unique_ptrs unwind by
  // itself would recurse once per node.
  while (top_) top_ = std::move(top_->next);
}

void TStack::Push(void* item) {
  top_ = std::make_unique<Node>(Node{item, std::move(top_)});
}

void* TStack::Pop() {
  if (!top_) throw EGenericAlg("Stack is empty");
  void* item = top_->item;
  top_ = std::move(top_->next);
  return item;
}

}  // namespace comms
