// Small generic containers used by the port component.
#pragma once

#include <memory>

#include "platform/rtl.h"

namespace comms {

class EGenericAlg : public rtl::Exception {
 public:
  using rtl::Exception::Exception;
};

class TGenericStruct : public rtl::TObject {
 public:
  const char* ClassName() const override { return "TGenericStruct"; }
  virtual bool IsEmpty() const = 0;
};

// A stack of untyped references. It owns its nodes, never its items.
class TStack : public TGenericStruct {
 public:
  TStack() = default;
  ~TStack() override;
  TStack(const TStack&) = delete;
  TStack& operator=(const TStack&) = delete;
  const char* ClassName() const override { return "TStack"; }

  void Push(void* item);
  // Raises EGenericAlg("Stack is empty") when empty.
  void* Pop();
  bool IsEmpty() const override { return top_ == nullptr; }

 private:
  struct Node {
    void* item;
    std::unique_ptr<Node> next;
  };
  std::unique_ptr<Node> top_;
};

}  // namespace comms
