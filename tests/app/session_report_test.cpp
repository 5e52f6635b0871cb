// The session report: what the timeline finds in a session's events, where
// it draws them, and a page that shows whatever the modem sent as text.
#include <gtest/gtest.h>

#include <sstream>

#include "app/HtmlText.h"
#include "app/SessionReport.h"
#include "app/SessionTimeline.h"
#include "app/TimelineColumns.h"
#include "app/TimelineSvg.h"

namespace {

using commapi::trace::Event;
using report::CallOutcome;
using report::Level;
using report::MarkKind;

std::vector<Event> Events(const std::string& trace) {
  std::istringstream in(trace);
  commapi::trace::ReadResult read = commapi::trace::Read(in);
  EXPECT_EQ(read.error, "");
  return read.events;
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

struct ShownCase {
  std::string bytes, shown;
};
class Shown : public testing::TestWithParam<ShownCase> {};

TEST_P(Shown, IsTextInAnyPlaceOfThePage) {
  EXPECT_EQ(html::Shown(GetParam().bytes), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, Shown,
    testing::Values(ShownCase{"<script>x</script>", "&lt;script&gt;x&lt;/script&gt;"},
                    ShownCase{"</svg>", "&lt;/svg&gt;"},
                    ShownCase{"a & \"b\" 'c'", "a &amp; &quot;b&quot; &#39;c&#39;"},
                    ShownCase{std::string("\x1b[2J\x07\0z", 7), "\\x1b[2J\\x07\\x00z"},
                    ShownCase{"\xff\xfe", "\\xff\\xfe"},
                    ShownCase{"caf\xc3\xa9 \xe2\x86\x92", "caf\xc3\xa9 \xe2\x86\x92"}));

// Every part of the page holds the modem's or a file's bytes: none may
// become markup, nor a control byte.
TEST(SessionReportPage, ShowsHostileBytesAsTextEverywhere) {
  const std::string hostile = "</svg></pre><script>alert('x')</script>&\"\x1b\x01";
  report::Session session;
  session.header.procedure = "Rover Test";
  session.header.port = "COM1 \xe2\x86\x92 " + hostile;
  session.header.phoneNumber = hostile;
  session.answer.error = hostile;
  session.answer.results = toolkit::TResults{
      hostile, {hostile}, {{hostile, hostile}}, {{hostile, toolkit::TResults::Outcome::Fail}}};
  session.answer.identity = {hostile};
  session.log = {"Modem Type " + hostile};
  session.trace = {"1 recv " + hostile};
  session.events = {Event::Of(commapi::trace::Kind::Open),
                    Event::Bytes(commapi::trace::Kind::Send, hostile + "\r\n"),
                    Event::Bytes(commapi::trace::Kind::Recv, "\r\n" + hostile + "\r\nOK\r\n")};
  session.phases = {{hostile, 0}};
  const std::string page = report::RenderPage(session);

  EXPECT_EQ(Count(page, "<script"), 0u);
  EXPECT_EQ(Count(page, "<svg"), 2u);  // the lane names and the chart
  EXPECT_EQ(Count(page, "</svg>"), 2u);
  EXPECT_EQ(Count(page, "</pre>"), 3u);  // identity, log, trace
  for (const char c : page) EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x20 || c == '\n');
  // The command's and the reply's labels, cut short after the text's escapes.
  EXPECT_EQ(Count(page, "&lt;/svg&gt;&lt;/pre&gt;\u2026"), 2u);
  // The header (2), the answer (7), the log, the trace, a phase's title.
  EXPECT_EQ(Count(page, html::Shown(hostile)), 12u);
}

// The calls of a session, from dial to the moment each was over.
struct CallCase {
  const char* name;
  std::string trace;
  report::Call call;  // dialled, ended, outcome, stillUp
};
class Calls : public testing::TestWithParam<CallCase> {};

TEST_P(Calls, AreFoundFromTheEvents) {
  const report::Timeline timeline = report::FindTimeline(Events(GetParam().trace));
  ASSERT_EQ(timeline.calls.size(), 1u);
  const report::Call& found = timeline.calls[0];
  const report::Call& expected = GetParam().call;
  EXPECT_EQ(found.dialled, expected.dialled);
  EXPECT_EQ(found.ended, expected.ended);
  EXPECT_EQ(found.outcome, expected.outcome);
  EXPECT_EQ(found.stillUp, expected.stillUp);
}

report::Call CallOf(report::Ms dialled, report::Ms ended, CallOutcome outcome, bool up = false) {
  report::Call call;
  call.dialled = dialled;
  call.ended = ended;
  call.outcome = outcome;
  call.stillUp = up;
  return call;
}

constexpr const char* kOpen = "0 open\n0 lines cts=1 dsr=1 cd=0\n0 set 19200 dtr=1 rts=1\n";

INSTANTIATE_TEST_SUITE_P(
    Sessions, Calls,
    testing::Values(
        // "+++" is answered OK in the call; the carrier falls after ATH.
        CallCase{"WelcomeSplitOverTwoReads",
                 std::string(kOpen) +
                     "100 send ATDT 5551234\\r\\n\n6000 recv \\r\\nCONNECT 19200\\r\\n\n"
                     "9000 recv Wel\n9010 recv come\\r\\n\n9010 lines cts=1 dsr=1 cd=1\n"
                     "14000 send +++\n15000 recv \\r\\nOK\\r\\n\n15500 send AT H0\\r\\n\n"
                     "15530 recv \\r\\nOK\\r\\n\n15530 lines cts=1 dsr=1 cd=0\n",
                 CallOf(100, 15530, CallOutcome::Welcome)},
        CallCase{"NoCarrier",
                 std::string(kOpen) +
                     "100 send ATDT 5551234\\r\\n\n5100 recv \\r\\nNO CARRIER\\r\\n\n"
                     "5200 send AT Z\\r\\n\n",
                 CallOf(100, 5100, CallOutcome::NoConnection)},
        CallCase{"DialGivenUpForTheNextCommand",
                 std::string(kOpen) + "100 send ATDT 5551234\\r\\n\n53100 send +++\n",
                 CallOf(100, 53100, CallOutcome::NoConnection)},
        // ATH is answered OK but the carrier stays until DTR drops.
        CallCase{"HungUpByDroppingDtr",
                 std::string(kOpen) + "100 send ATD5551234\\r\\n\n6000 recv \\r\\nCONNECT\\r\\n\n"
                                      "6000 lines cts=1 dsr=1 cd=1\n14000 send AT H0\\r\\n\n"
                                      "14030 recv \\r\\nOK\\r\\n\n16000 set 19200 dtr=0 rts=1\n"
                                      "16010 lines cts=1 dsr=1 cd=0\n",
                 CallOf(100, 16010, CallOutcome::ConnectedOnly)},
        // Carrier detect high throughout tells nothing: the answer to ATH does.
        CallCase{"CarrierDetectAlwaysHigh",
                 "0 open\n0 lines cts=1 dsr=1 cd=1\n100 send ATDT 5551234\\r\\n\n"
                 "6000 recv \\r\\nCONNECT 19200\\r\\nWelcome\\r\\n\n14000 send +++\n"
                 "15000 recv \\r\\nOK\\r\\n\n15500 send AT H0\\r\\n\n15530 recv \\r\\nOK\\r\\n\n",
                 CallOf(100, 15530, CallOutcome::Welcome)},
        CallCase{"PortClosedInTheCall",
                 std::string(kOpen) +
                     "100 send ATDT 5551234\\r\\n\n6000 recv \\r\\nCONNECT 19200\\r\\n\n"
                     "6000 lines cts=1 dsr=1 cd=1\n7000 close\n",
                 CallOf(100, 7000, CallOutcome::ConnectedOnly, true)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Timeline, LinesAreKnownOnlyWhileThePortIsOpenAndItsDeviceThere) {
  const report::Timeline timeline = report::FindTimeline(
      Events(std::string(kOpen) +
             "500 set 19200 dtr=0 rts=1\n600 lines cts=1 dsr=0 cd=0\n1000 close\n1000 open\n"
             "1000 set 19200 dtr=1 rts=1\n1000 lines cts=1 dsr=1 cd=0\n2000 gone\n"));
  using Steps = std::vector<report::Step>;
  EXPECT_EQ(
      timeline.lines[0],  // DTR: a close and reopen in one ms leaves no gap
      (Steps{{0, Level::High}, {500, Level::Low}, {1000, Level::High}, {2000, Level::Unknown}}));
  EXPECT_EQ(timeline.lines[1], (Steps{{0, Level::High}, {2000, Level::Unknown}}));
  EXPECT_EQ(
      timeline.lines[3],  // DSR
      (Steps{{0, Level::High}, {600, Level::Low}, {1000, Level::High}, {2000, Level::Unknown}}));
  EXPECT_EQ(timeline.lines[4], (Steps{{0, Level::Low}, {2000, Level::Unknown}}));
}

TEST(Timeline, ClassesRepliesAndTimesEachCommandsResult) {
  const report::Timeline timeline = report::FindTimeline(
      Events("0 open\n100 send AT Z\\r\\n\n100 recv AT Z\\r\\n\n230 recv \\r\\nOK\\r\\n\n"
             "300 send AT &S5\\r\\n\n330 recv \\r\\nERR\n331 recv OR\\r\\n\n400 send AT I3\\r\\n\n"
             "500 send +++\n"));
  std::vector<MarkKind> received;
  for (const report::Mark& mark : timeline.received) received.push_back(mark.kind);
  EXPECT_EQ(received,
            (std::vector{MarkKind::Other, MarkKind::Ok, MarkKind::Other, MarkKind::Error}));
  ASSERT_EQ(timeline.sent.size(), 4u);
  EXPECT_EQ(timeline.sent[0].answer, MarkKind::Ok);
  EXPECT_EQ(timeline.sent[0].answeredAfter, 130);
  EXPECT_EQ(timeline.sent[1].answer, MarkKind::Error);
  EXPECT_EQ(timeline.sent[1].answeredAfter, 31);
  EXPECT_EQ(timeline.sent[2].answer, std::nullopt);
  EXPECT_EQ(timeline.sent[3].kind, MarkKind::HangUp);
}

// Columns: the same moment in two rows shares one; in one row it takes two;
// short gaps widen to a mark's width, long ones run to scale, a long silence
// folds.
TEST(TimelineColumns, KeepMarksOfOneRowApartAndFoldLongSilences) {
  report::TimelineColumns columns(10);
  const std::vector<std::pair<report::Ms, int>> things = {{0, 0},  {0, 1},    {0, 0},
                                                          {30, 0}, {5000, 1}, {60000, 0}};
  for (const auto& [ms, row] : things) columns.At(ms, row);
  columns.Place();
  std::vector<double> xs;
  for (const auto& [ms, row] : things) xs.push_back(columns.At(ms, row));
  EXPECT_EQ(xs, (std::vector<double>{10, 10, 23, 36, 36 + 49.7, 36 + 49.7 + 64}));
  ASSERT_EQ(columns.Folds().size(), 1u);
  EXPECT_EQ(columns.Folds()[0].fromMs, 5000);
  EXPECT_DOUBLE_EQ(columns.X(2515), 36 + 49.7 / 2);
  EXPECT_TRUE(columns.Folded(30000));
  EXPECT_FALSE(columns.Folded(4000));
}

// A flood of line noise is thinned to blocks, however long it runs, and the
// page says so; the result in the middle of it is still drawn.
TEST(TimelineDrawing, ThinsFloodsOfNoiseAndSaysSo) {
  for (const int replies : {20000, 80000}) {
    std::string trace = "0 open\n0 send AT\\r\\n\n";
    for (int i = 0; i < replies; ++i)
      trace += std::to_string(10 + i * 10) + (i == replies / 2 ? " recv OK\\r\\n\n" : " recv ~\n");
    const report::Timeline timeline = report::FindTimeline(Events(trace));
    const report::TimelineDrawing drawing = report::DrawTimeline(timeline, {});
    EXPECT_LT(drawing.chart.size(), 400000u) << replies;
    EXPECT_EQ(Count(drawing.chart, "class=\"k-ok\""), 1u) << replies;
    ASSERT_EQ(drawing.notes.size(), 1u) << replies;
    EXPECT_EQ(drawing.notes[0].rfind("Replies received: " + std::to_string(replies), 0), 0u);
  }
}

}  // namespace
