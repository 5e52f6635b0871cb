#include "platform/commapi/trace_format.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <streambuf>

#include "tests/support/TempDir.h"

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
  std::vector<Event> events = {Event::RunFact("phone", " 555 1234"),
                               Event::LogLine(""),
                               Event::LogLine("Modem detected at 9600"),
                               Event::Of(Kind::Open),
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
  EXPECT_EQ(Describe(events[5]), "send \\x20AT \\\\ Z \\r\\n");
  EXPECT_EQ(Describe(events[0]), "run phone \\x20555 1234");
}

// The header of each run reads back from the events as it was written, and
// each run keeps the lines it logged.
TEST(TraceFormat, EachRunReadsBackWithItsHeaderAndLog) {
  const commapi::trace::RunHeader first{
      "rover-test", "555 1234", true, "debug", "1.0.0", "2024-05-01 14:03:27 +0200",
      "COM3",       "/dev/ttyUSB0"};
  commapi::trace::RunHeader second = first;
  second.procedure = "detect-9600";
  second.nextel = false;
  std::string text = "0 log before any run\n";
  for (const auto& header : {first, second}) {
    for (const Event& fact : commapi::trace::HeaderEvents(header))
      text += "5 " + Describe(fact) + "\n";
    text += "5 open\n5 log Detecting modem\n5 run unknown later fact\n5 log\n";
  }
  const auto read = ReadText(text);
  ASSERT_EQ(read.error, "");
  const auto runs = commapi::trace::Runs(read.events);
  ASSERT_EQ(runs.size(), 4u);  // a fact after a header starts another run
  EXPECT_EQ(runs[0].header, first);
  EXPECT_EQ(runs[2].header, second);
  EXPECT_EQ(runs[0].start, 1u);
  ASSERT_EQ(runs[0].log.size(), 1u);
  EXPECT_EQ(runs[0].log[0].bytes, "Detecting modem");
  EXPECT_EQ(runs[0].log[0].line, 11);
  ASSERT_EQ(runs[1].log.size(), 1u);
  EXPECT_EQ(runs[1].log[0].bytes, "");
  EXPECT_TRUE(commapi::trace::Runs(ReadText("0 open\n0 log x\n").events).empty());
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
      {"0 set -9600 dtr=1 rts=1\n", "line 1: cannot read"},
      {"0 set 0 dtr=1 rts=1\n", "line 1: cannot read"},
      {"0 set 99999999 dtr=1 rts=1\n", "line 1: cannot read"},
      {"0 open\n10000000000000 recv Welcome\n", "line 2: the time 10000000000000 ms is more"},
      {"0 run\n", "line 1: cannot read"},
      {"0 run Procedure x\n", "line 1: cannot read"},
      {"", "holds no events"},
      {"# only a note\n\n", "holds no events"},
  };
  for (const auto& [text, error] : bad)
    EXPECT_EQ(ReadText(text).error.rfind(error, 0), 0u) << text << ReadText(text).error;

  // Edited in Notepad: a byte-order mark and CR LF.
  const auto marked = ReadText("\xEF\xBB\xBF" "0 open\r\n");
  EXPECT_EQ(marked.error, "");
  EXPECT_EQ(marked.events.size(), 1u);
}

// Endless input, as from a device: the same text over and over.
class Endless : public std::streambuf {
 public:
  explicit Endless(std::string text) : text_(std::move(text)) { Refill(); }

 private:
  int underflow() override {
    Refill();
    return traits_type::to_int_type(*gptr());
  }
  void Refill() { setg(text_.data(), text_.data(), text_.data() + text_.size()); }
  std::string text_;
};

// No input takes the memory: a line, the events and the whole trace are
// bounded, and reading stops at the bound with where it was reached.
TEST(TraceFormat, ReadingStopsAtTheBounds) {
  const std::pair<std::string, const char*> endless[] = {
      {std::string(1, '\0'), "line 1: longer than 262144 bytes"},
      {"0 open\n", "line 200001: more than 200000 events"},
      {"# a note of some length, over and over\n", "the trace is larger than 16777216 bytes"},
  };
  for (const auto& [text, error] : endless) {
    Endless source(text);
    std::istream in(&source);
    const auto read = commapi::trace::Read(in);
    EXPECT_NE(read.error.find(error), std::string::npos) << read.error;
    EXPECT_TRUE(read.events.empty());
  }
}

// A file to replay must be a regular file: not a directory, not a device.
TEST(TraceFormat, OnlyARegularFileIsLoaded) {
  testsupport::TempDir dir;
  std::ofstream(dir / "empty.trace");
  std::ofstream(dir / "good.trace") << "0 open\n";
  EXPECT_EQ(commapi::trace::Load(dir / "good.trace").error, "");
  EXPECT_EQ(commapi::trace::Load(dir / "empty.trace").error, dir / "empty.trace holds no events");
  EXPECT_EQ(commapi::trace::Load(dir / "none").error, "cannot read " + dir / "none" + ": no such file");
  std::filesystem::create_directory(dir / "folder");
  EXPECT_EQ(commapi::trace::Load(dir / "folder").error,
            "cannot read " + dir / "folder" + ": not a regular file");
}

}  // namespace
