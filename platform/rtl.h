// The small object framework the rest of the program is written against:
// a root object with a class name, assignable settings objects, components
// with an owner, and the base exception with its message.
#pragma once

#include <stdexcept>
#include <string>

namespace rtl {

// Base of every error this program raises on purpose; carries only its message.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// An integer or enumeration value outside the range of the type it must fit.
class ERangeError : public Exception {
 public:
  ERangeError() : Exception("Range check error") {}
};

// A value that cannot be converted or assigned to another type.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

class TObject {
 public:
  virtual ~TObject() = default;
  virtual const char* ClassName() const { return "TObject"; }
};

// A settings object that can be copied into another of its kind.
class TPersistent : public TObject {
 public:
  const char* ClassName() const override { return "TPersistent"; }

  // Copies this object's values into Source's kind of object.
  void Assign(const TPersistent& source) { source.AssignTo(*this); }

  // Copies this object into Dest; objects that do not know Dest's class
  // fall through to here and raise the assignment error.
  virtual void AssignTo(TPersistent& dest) const {
    throw EConvertError(std::string("Cannot assign a ") + ClassName() + " to a " +
                        dest.ClassName());
  }
};

// A non-visual part of a window, owned by another component.
class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* owner) : owner_(owner) {}
  const char* ClassName() const override { return "TComponent"; }
  TComponent* Owner() const { return owner_; }

 private:
  TComponent* owner_;
};

}  // namespace rtl
