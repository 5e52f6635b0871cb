// ResetModem: every branch, at the levels where its lines differ.
#include <gtest/gtest.h>

#include "tests/scenarios/modem_operations_support.h"

namespace {

using opstest::LevelLog;
using opstest::Lines;
using opstest::LogOf;
using opstest::OpenOn;
using opstest::Scripted;

constexpr const char* kNumeric = "Modem Returns Numeric Responses. Need init string of AT V1";
constexpr const char* kNumericAfterEcho =
    "Modem Returns Numeric Responses (after reset responce). Need init string of AT V1";
constexpr const char* kAborting = "V1, Verbal codes, not supported, aborting test";

TEST(ResetModem, AVerbalModem) {
  const LevelLog cases[] = {
      {4,
       {"", "Modem Reseting", "Modem Reset using AT Z", "E0, No echo, responded OK",
        "V1, Verbal code, responded OK", ""}},
      {3, {"", "Modem Reseting", "Modem Reset using AT Z", ""}},
      {2, {}},
  };
  for (const LevelLog& c : cases) {
    auto s = OpenOn("standard", c.level);
    bool ok = false;
    EXPECT_EQ(LogOf(*s, [&] { ok = s->Form().ResetModem(); }), c.log) << int(c.level);
    EXPECT_TRUE(ok);
    EXPECT_FALSE(s->Form().RoverFindings.NumericResults);
  }
}

TEST(ResetModem, NextelPhoneResetsWithZ0) {
  Scripted m(3, {.nextel = true});
  m.modem->Answer("AT Z0", "OK\r\n");  // a plain "AT Z" would go unanswered
  m.modem->Answer("AT E0", "OK\r\n");
  m.modem->Answer("AT V1", "OK\r\n");
  bool ok = false;
  EXPECT_EQ(LogOf(*m.s, [&] { ok = m.Form().ResetModem(); }),
            (Lines{"", "Modem Reseting", "Modem Reset using AT Z0", ""}));
  EXPECT_TRUE(ok);
  EXPECT_EQ(m.modem->Lines(), (Lines{"AT Z0", "AT E0", "AT V1"}));
}

TEST(ResetModem, ANumericModemIsSwitchedToWordsAndReportedOnce) {
  auto s = OpenOn("numeric", 4);
  TMain_Form& form = s->Form();
  const auto started = platform::clock::Now();
  bool ok = false;
  EXPECT_EQ(LogOf(*s, [&] { ok = form.ResetModem(); }),
            (Lines{"", "Modem Reseting", kNumeric, "V1, Verbal codes, responded OK",
                   "E0, No echo, responded OK", "V1, Verbal code, responded OK", ""}));
  EXPECT_TRUE(ok);
  EXPECT_TRUE(form.RoverFindings.NumericResults);
  // "0" CR is no reply: the reset waits out its 3000 ms.
  EXPECT_GE(platform::clock::Now() - started, 3000);

  // The reset brings the numeric codes back; the lines are not repeated.
  form.NormalClick(nullptr);
  EXPECT_EQ(LogOf(*s, [&] { ok = form.ResetModem(); }), Lines{});
  EXPECT_TRUE(ok);

  form.RoverFindings.NumericResults = false;  // as the Rover Test does at its start
  EXPECT_EQ(LogOf(*s, [&] { form.ResetModem(); }), Lines{kNumeric});
}

TEST(ResetModem, NumericRepliesAreNotReportedBelowNormal) {
  auto s = OpenOn("numeric", 1);
  EXPECT_EQ(LogOf(*s, [&] { EXPECT_TRUE(s->Form().ResetModem()); }), Lines{});
  EXPECT_TRUE(s->Form().RoverFindings.NumericResults);
}

TEST(ResetModem, AnEchoingNumericModemIsFoundThroughTheEchoOfE0) {
  // With echo on, the reset's reply starts with the echo: not recognisable.
  // E0's reply is its echo, CR LF, then "0" CR: the echo goes, "0" remains.
  const LevelLog cases[] = {
      {4,
       {"", "Modem Reseting", "Error Reseting modem!!", kNumericAfterEcho,
        "V1, Verbal code, responded OK", "V1, Verbal code, responded OK", ""}},
      {2, {"Error Reseting modem!!", kNumericAfterEcho}},
      {0, {"Error Reseting modem!!"}},
  };
  for (const LevelLog& c : cases) {
    auto s = OpenOn("echo-numeric", c.level);
    bool ok = false;
    EXPECT_EQ(LogOf(*s, [&] { ok = s->Form().ResetModem(); }), c.log) << int(c.level);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(s->Form().RoverFindings.NumericResults);
  }
}

TEST(ResetModem, AnEchoedNumericE0WhoseV1FailsEndsWithoutTheClosingV1) {
  Scripted m(4);
  m.modem->echo = true;
  m.modem->Answer("AT Z", "\r\nOK\r\n");
  m.modem->Answer("AT E0", "0\r");
  bool ok = true;
  EXPECT_EQ(LogOf(*m.s, [&] { ok = m.Form().ResetModem(); }),
            (Lines{"", "Modem Reseting", "Modem Reset using AT Z", kNumericAfterEcho, kAborting}));
  EXPECT_FALSE(ok);
  EXPECT_EQ(m.modem->Lines(), (Lines{"AT Z", "AT E0", "AT V1"}));
}

TEST(ResetModem, V1RefusedAfterANumericReset) {
  Scripted m(2);
  m.modem->Answer("AT Z", "0\r");
  m.modem->Answer("AT E0", "0\r");  // no echo: taken as numeric, already reported
  bool ok = true;
  EXPECT_EQ(LogOf(*m.s, [&] { ok = m.Form().ResetModem(); }),
            (Lines{kNumeric, "V1, Verbal codes, not supported, ignoring", kAborting}));
  EXPECT_FALSE(ok);
  EXPECT_EQ(m.modem->Lines(), (Lines{"AT Z", "AT V1", "AT E0", "AT V1"}));
}

TEST(ResetModem, ASilentModemIsReportedAtEveryLevel) {
  auto s = OpenOn("dead", 0);
  bool ok = true;
  EXPECT_EQ(LogOf(*s, [&] { ok = s->Form().ResetModem(); }),
            (Lines{"Error Reseting modem!!, Ignoring", "E0, No Echo, not supported", kAborting}));
  EXPECT_FALSE(ok);
}

TEST(ResetModem, E0AnsweredOnlyByItsEchoOrByOtherText) {
  struct Case {
    const char* name;
    std::string e0Reply;  // after the echo
  };
  for (const Case& c :
       {Case{"echo only", ""}, Case{"other text", "NO\r\n"}, Case{"a zero without CR", "0 \r\n"}}) {
    Scripted m(4);
    m.modem->echo = true;
    m.modem->Answer("AT Z", "\r\nOK\r\n");
    if (!c.e0Reply.empty()) m.modem->Answer("AT E0", c.e0Reply);
    m.modem->On("AT V1", [](testsupport::ScriptedModem& modem) {
      modem.echo = false;  // answers in words, without echo
      modem.Send("\r\nOK\r\n", 20);
    });
    bool ok = false;
    EXPECT_EQ(LogOf(*m.s, [&] { ok = m.Form().ResetModem(); }),
              (Lines{"", "Modem Reseting", "Modem Reset using AT Z", "E0, No Echo, not supported",
                     "V1, Verbal code, responded OK", ""}))
        << c.name;
    EXPECT_TRUE(ok);
    EXPECT_FALSE(m.Form().RoverFindings.NumericResults);
  }
}

TEST(ResetModem, TheClosingV1HasOnly500Ms) {
  for (int delay : {400, 600}) {
    Scripted m(0);
    m.modem->Answer("AT Z", "OK\r\n");
    m.modem->Answer("AT E0", "OK\r\n");
    m.modem->Answer("AT V1", "OK\r\n", delay);
    const bool ok = m.Form().ResetModem();
    EXPECT_EQ(ok, delay < 500) << delay;
    EXPECT_EQ(m.s->Log(), delay < 500 ? Lines{} : Lines{kAborting});
  }
}

TEST(ResetModem, AResetAnsweredWithOtherText) {
  Scripted m(0);
  m.modem->Answer("AT Z", "ERROR\r\n");
  m.modem->Answer("AT E0", "OK\r\n");
  m.modem->Answer("AT V1", "OK\r\n");
  EXPECT_TRUE(m.Form().ResetModem());
  // The ERROR reply itself is removed from the buffer: nothing is left.
  EXPECT_EQ(m.s->Log(), (Lines{"Error Reseting modem!!, Ignoring"}));
}

}  // namespace
