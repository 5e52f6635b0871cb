#pragma once

namespace comms {

// Setters ignore an unchanged value: stores value in field when it differs
// and tells whether it did.
template <typename T>
bool StoreIfChanged(T& field, T value) {
  if (field == value) return false;
  field = value;
  return true;
}

}  // namespace comms
