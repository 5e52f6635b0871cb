#include "platform/commapi/trace_format.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using commapi::trace::Event;
using commapi::trace::Kind;

commapi::trace::ReadResult ReadText(const std::string& text) {
  std::istringstream in(text);
  return commapi::trace::Read(in);
}

TEST(TraceFormat, WhatIsWrittenReadsBackAsTheSameEvents) {
  std::string everyByte;
  for (int c = 0; c < 256; ++c) everyByte += static_cast<char>(c);
  std::vector<Event> events = {Event::Of(Kind::Open),
                               Event::Settings(19200, true, false),
                               Event::Bytes(Kind::Send, " AT \\ Z \r\n"),
                               Event::Bytes(Kind::Recv, everyByte),
                               Event::LineStates(true, false, true),
                               Event::Of(Kind::Gone),
                               Event::Of(Kind::Absent),
                               Event::Of(Kind::Close)};

  std::string written;
  commapi::trace::Writer writer([&written](std::string_view line) { written += line; });
  writer.Comment("a note");
  for (const Event& event : events) writer.Write(event);
  const commapi::trace::ReadResult read = ReadText(written);
  ASSERT_EQ(read.error, "");
  ASSERT_EQ(read.events.size(), events.size());
  for (std::size_t i = 0; i < events.size(); ++i)
    EXPECT_EQ(Describe(read.events[i]), Describe(events[i])) << i;
  // Blanks at either end are escaped, the ones inside are not.
  EXPECT_EQ(Describe(events[2]), "send \\x20AT \\\\ Z \\r\\n");
}

TEST(TraceFormat, AnnotationsAreSkippedAndProblemsNamedByLine) {
  const auto good = ReadText("# a trace\n\n  # indented note\r\n0 open\r\n5 recv OK\\r\\n\n");
  EXPECT_EQ(good.error, "");
  ASSERT_EQ(good.events.size(), 2u);
  EXPECT_EQ(good.events[1].bytes, "OK\r\n");
  EXPECT_EQ(good.events[1].line, 5);

  const std::pair<const char*, const char*> bad[] = {
      {"0 open\nopen\n", "line 2: expected the time in ms"},
      {"0 opened\n", "line 1: unknown event \"opened\""},
      {"0 open now\n", "line 1: cannot read \"open now\""},
      {"0 send\n", "line 1: cannot read \"send\""},
      {"0 send AT\\q\n", "line 1: cannot read"},
      {"0 set 9600 dtr=1\n", "line 1: cannot read"},
      {"5 open\n4 close\n", "line 2: the time goes back"},
  };
  for (const auto& [text, error] : bad)
    EXPECT_EQ(ReadText(text).error.rfind(error, 0), 0u) << text << ReadText(text).error;
}

}  // namespace
