// When input reached a port and since when its modem lines have read as they
// do, on the program's clock: the times a session trace gives the modem's
// answers (trace_recorder.h). A program reads what came only when it gets
// round to it (at the end of a pause, say); a replay must deliver it when the
// modem sent it, or the replayed program finds it one read too late.
// Not locked itself: the owning port calls it under its own lock.
#pragma once

#include <optional>

#include "platform/clock.h"
#include "platform/commapi/commapi.h"

namespace commapi {

class InputTimes {
 public:
  // Input joined the queue.
  void Arrived();
  // A read took input; inputLeft: some is still queued.
  void Read(bool inputLeft);
  // The queue was emptied unread.
  void Purged() { queuedSince_.reset(); }
  // When the oldest byte the last read took had arrived.
  platform::clock::Millis LastRead() const { return lastRead_; }

  // The modem lines (MS_*_ON) as they are now.
  void LinesAre(DWORD status);
  // Since when the lines have read as status; now for values not seen yet.
  platform::clock::Millis LinesSince(DWORD status) const;

 private:
  std::optional<platform::clock::Millis> queuedSince_;
  platform::clock::Millis lastRead_ = 0;
  std::optional<DWORD> lines_;
  platform::clock::Millis linesSince_ = 0;
};

}  // namespace commapi
