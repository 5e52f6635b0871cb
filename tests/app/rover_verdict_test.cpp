#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "app/RoverVerdict.h"
#include "app/RunResults.h"

namespace {

using rover::Call;
using rover::Findings;
using rover::VerdictCase;
using Lines = std::vector<std::string>;

Call Works(bool works) { return works ? Call::Welcome : Call::NotConnected; }

constexpr const char* kControllerNeed =
    "4700 users need to configure survey controller not to use flow control.";

// The six findings that choose the case, from the bits of n.
Findings FromBits(unsigned n) {
  Findings f;
  f.withoutDtr = Works(n & 1);
  f.ignoreDtr = Works(n & 2);
  f.rtsLow = Works(n & 4);
  f.q0 = Works(n & 8);
  f.k0 = Works(n & 16);
  f.h0r1 = Works(n & 32);
  return f;
}

TEST(RoverVerdict, CaseFollowsPriorityForEveryCombination) {
  for (unsigned n = 0; n < 64; ++n) {
    const Findings f = FromBits(n);
    // Written out as the priority table reads: RTS low, then \Q0, then &K0,
    // then &H0 &R1; the letter only from WorksWithoutDtr.
    const VerdictCase a[] = {VerdictCase::A1, VerdictCase::A2, VerdictCase::A3, VerdictCase::A4,
                             VerdictCase::A5};
    const VerdictCase b[] = {VerdictCase::B1, VerdictCase::B2, VerdictCase::B3, VerdictCase::B4,
                             VerdictCase::B5};
    int digit = 5;
    if (f.H0R1Works()) digit = 4;
    if (f.K0Works()) digit = 3;
    if (f.Q0Works()) digit = 2;
    if (f.WorksWithRtsLow()) digit = 1;
    const VerdictCase expected = (f.WorksWithoutDtr() ? a : b)[digit - 1];
    EXPECT_EQ(rover::ChooseVerdictCase(f), expected) << "bits " << n;
    // A modem that works without DTR gets the same advice whatever "&D0" did.
    Findings flipped = f;
    flipped.ignoreDtr = Works(!f.IgnoreDtrWorks());
    if (f.WorksWithoutDtr()) {
      EXPECT_EQ(rover::VerdictLines(f), rover::VerdictLines(flipped)) << "bits " << n;
    }
  }
}

struct Example {
  const char* name;
  Findings findings;
  Lines lines;
};

Findings Make(bool withoutDtr, bool d0, bool rts, bool q0, bool k0, bool hr) {
  Findings f;
  f.withoutDtr = Works(withoutDtr);
  f.ignoreDtr = Works(d0);
  f.rtsLow = Works(rts);
  f.q0 = Works(q0);
  f.k0 = Works(k0);
  f.h0r1 = Works(hr);
  return f;
}

// The exact wording of each case, odd spellings and trailing blanks included.
TEST(RoverVerdict, ExactLinesOfEachCase) {
  const Example examples[] = {
      {"A1 with every other finding", Make(true, true, true, true, true, true),
       {"Modem can be used with a 37779 cable and 4700 or 5700", "No init string needed",
        "Configure survey controller not to use flow control."}},
      {"A2 over &K0", Make(true, false, false, true, true, false),
       {"Modem can be used with a 37779 cable and 5700",
        "4700 users need a 37779 and an init string of AT \\Q0", kControllerNeed}},
      {"A3 over &H0 &R1", Make(true, false, false, false, true, true),
       {"Modem can be used with a 37779 cable and a 5700",
        "4700 users need a 37779 and an init string of AT &K0", kControllerNeed}},
      {"A4", Make(true, true, false, false, false, true),
       {"Modem can be used with a 37779 cable and a 5700",
        "4700 users need a 37779 and an init string of AT &H0 &R1", kControllerNeed}},
      {"A5", Make(true, false, false, false, false, false),
       {"Flow Control can not be disabled", "Modem Can be used with a 37779 cable and a 5700",
        "4700 users need a 37779 and modem flow control cheater cable", kControllerNeed}},
      {"B1 with &D0", Make(false, true, true, false, true, false),
       {"Modem can be used with a 37779 cable and 4700 or 5700", "Init String should be AT &D0",
        "4700 users should configure survey controller not to use flow control."}},
      {"B1 without &D0", Make(false, false, true, true, false, false),
       {"Modem can be used with a 37779 cable and 4700 or 5700",
        "You must create a cable for this modem to work, DTR DSR Looped",
        "4700 users should configure survey controller not to use flow control."}},
      {"B2 with &D0", Make(false, true, false, true, true, true),
       {"Modem can be used with a 37779 cable and 5700",
        "5700 users need a 37779 and an init string of AT &D0",
        "4700 users need a 37779 and an init string of AT &D0 \\Q0", kControllerNeed}},
      {"B2 without &D0", Make(false, false, false, true, false, false),
       {"Modem can be used with a 37779 cable and 5700",
        "5700 users need a 37779 and an exmpty init string ",
        "4700 users need a 37779 and an init string of AT \\Q0",
        "You must create a cable for this modem to work, DTR DSR Looped", kControllerNeed}},
      {"B3 with &D0", Make(false, true, false, false, true, false),
       {"Modem can be used with a 37779 cable and a 5700",
        "5700 users need a 37779 and an init string of AT &D0",
        "4700 users need a 37779 and an init string of AT &D0 &K0", kControllerNeed}},
      {"B3 without &D0", Make(false, false, false, false, true, true),
       {"Modem can be used with a 37779 cable and a 5700",
        "5700 users need a 37779 and an empty init string",
        "4700 users need a 37779 and an init string of AT &K0",
        "You must create a cable for this modem to work, DTR DSR Looped", kControllerNeed}},
      {"B4 with &D0", Make(false, true, false, false, false, true),
       {"Modem can be used with a 37779 cable and a 5700",
        "5700 users need a 37779 and an init string of AT &D0",
        "4700 users need a 37779 and an init string of AT &D0 &H0 &R1", kControllerNeed}},
      {"B4 without &D0", Make(false, false, false, false, false, true),
       {"Modem can be used with a 37779 cable and a 5700",
        "5700 users need a 37779 and an empty init string ",
        "4700 users need a 37779 and an init string of AT &H0 &R1",
        "You must create a cable for this modem to work, DTR DSR Looped", kControllerNeed}},
      {"B5 with &D0", Make(false, true, false, false, false, false),
       {"Flow Control can not be disabled", "Modem Can be used with a 37779 cable and a 5700",
        "5700 users need a 37779 and an init string of AT &D0",
        "4700 users need a 37779 and an init string of AT &D0",
        "4700 users need a modem flow control cheater cable. Depending on cable &D0 may not be "
        "needed",
        kControllerNeed}},
      {"B5 without &D0 (all findings false)", Make(false, false, false, false, false, false),
       {"Flow Control can not be disabled", "Modem Can be used with a 37779 cable and a 5700",
        "5700 users need a 37779 and an empty init string",
        "4700 users need a 37779 and an empty init string",
        "4700 users need a modem flow control cheater cable",
        "5700 users must create a cable for this modem to work, DTR DSR Looped",
        "4700 users must create a cable for this modem to work, DTR DSR Looped and flow control "
        "cheated",
        kControllerNeed}},
  };
  for (const Example& e : examples) EXPECT_EQ(rover::VerdictLines(e.findings), e.lines) << e.name;
}

TEST(RoverVerdict, NotesOnNumericResultsAndDsrFollowTheCaseInThatOrder) {
  const std::string numeric =
      "Returns numeric results instead of verbal, need to use an init string of AT V1 (Or at V1 "
      "to the recommended init string)";
  const std::string dsr = "DSR behaviour non standard. Standard Cheater cables will not work";
  Findings f = Make(true, false, true, false, false, false);
  const Lines plain = rover::VerdictLines(f);

  f.NumericResults = true;
  f.DsrStandard = false;
  Lines expected = plain;
  expected.push_back(numeric);
  expected.push_back(dsr);
  EXPECT_EQ(rover::VerdictLines(f), expected);

  f.NumericResults = false;
  expected = plain;
  expected.push_back(dsr);
  EXPECT_EQ(rover::VerdictLines(f), expected);
}

// What the log's case lines recommend: the init string for each model (""
// when none), and what else the cable needs.
struct Recommended {
  std::string init4700, init5700;
  bool looped = false, cheated = false, flowControlFixed = false;
};

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

Recommended FromLog(const Lines& caseLines) {
  Recommended r;
  auto initAfter = [](const std::string& line, const std::string& prefix, std::string& init) {
    if (line.starts_with(prefix)) init = line.substr(prefix.size());
  };
  for (const std::string& line : caseLines) {
    initAfter(line, "4700 users need a 37779 and an init string of ", r.init4700);
    initAfter(line, "5700 users need a 37779 and an init string of ", r.init5700);
    initAfter(line, "Init String should be ", r.init4700);
    initAfter(line, "Init String should be ", r.init5700);
    r.looped |= Has(line, "DTR DSR Looped");
    r.cheated |= Has(line, "cheater cable") || Has(line, "cheated");
    r.flowControlFixed |= line == "Flow Control can not be disabled";
  }
  return r;
}

std::set<std::string> InitStringsIn(const std::string& text) {
  static const std::regex kInit(R"(AT( [&\\][A-Z][0-9])+)");
  std::set<std::string> found;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), kInit); it != std::sregex_iterator();
       ++it)
    found.insert(it->str());
  return found;
}

// In every case, with and without the notes, the pane's headline says what
// the log's lines say: which cable, what must be made for which models, and
// which init strings; the fields to copy hold each model's init string.
TEST(RoverVerdict, ThePaneSaysWhatTheLogRecommendsInEveryCase) {
  for (unsigned n = 0; n < 256; ++n) {
    Findings f = FromBits(n & 63);
    f.reachedVerdict = true;
    const Recommended logged = FromLog(rover::VerdictLines(f));
    f.NumericResults = n & 64;
    f.DsrStandard = (n & 128) == 0;
    const toolkit::TResults pane = RoverResultsOf(f);
    ASSERT_FALSE(pane.lines.empty());
    const std::string& headline = pane.lines[0];
    SCOPED_TRACE("bits " + std::to_string(n) + ": " + headline);

    EXPECT_TRUE(Has(headline, "cable 37779") && Has(headline, "4700") &&
                Has(headline, "5700"));
    EXPECT_FALSE(Has(headline, "cannot be used"));
    EXPECT_EQ(Has(headline, "DTR and DSR looped"), logged.looped);
    EXPECT_EQ(Has(headline, "cheat"), logged.cheated);
    EXPECT_EQ(Has(headline, "flow control cannot be switched off"), logged.flowControlFixed);

    std::set<std::string> inits;
    for (const std::string& init : {logged.init4700, logged.init5700})
      if (!init.empty()) inits.insert(init);
    EXPECT_EQ(InitStringsIn(headline), inits);
    EXPECT_EQ(Has(headline, "no init string"),
              logged.init4700.empty() || logged.init5700.empty());
    // The log adds V1 to the recommended string in a note.
    auto withV1 = [&](const std::string& init) {
      return !f.NumericResults ? init : init.empty() ? "AT V1" : init + " V1";
    };
    EXPECT_EQ(pane.fields, (std::vector<toolkit::TResults::Field>{
                               {"Init string 4700", withV1(logged.init4700)},
                               {"Init string 5700", withV1(logged.init5700)}}));
    auto noteOn = [&](const std::string& part) {
      return std::any_of(pane.lines.begin() + 1, pane.lines.end(),
                         [&](const std::string& line) { return Has(line, part); });
    };
    EXPECT_EQ(noteOn("numeric result codes"), f.NumericResults);
    EXPECT_EQ(noteOn("standard cheater cables will not work"), !*f.DsrStandard);
  }
}

// The table of checks: a call the test expects to fail (without DTR, or with
// RTS low, in the reset configuration) that does not connect is no fault. A
// run that ended early recommends nothing.
TEST(RoverVerdict, TheChecksShowHowEachCallWent) {
  using Outcome = toolkit::TResults::Outcome;
  Findings f;
  f.dialTest = Call::Welcome;
  f.withoutDtr = Call::NotConnected;
  f.ignoreDtr = Call::NoCommands;
  f.rtsLow = Call::NotConnected;
  f.q0 = Call::NotConnected;
  f.h0r1 = Call::NoWelcome;
  f.NumericResults = true;
  const toolkit::TResults early = RoverResultsOf(f);
  EXPECT_EQ(early.lines, Lines{"The test ended before its verdict: it recommends nothing."});
  EXPECT_TRUE(early.fields.empty());
  std::vector<Outcome> outcomes;
  for (const auto& row : early.rows) outcomes.push_back(row.outcome);
  EXPECT_EQ(outcomes, (std::vector<Outcome>{Outcome::Pass, Outcome::Expected, Outcome::Fail,
                                            Outcome::Expected, Outcome::Fail, Outcome::Fail,
                                            Outcome::NotRun, Outcome::Fail, Outcome::NotRun}));

  f.withoutDtr = f.rtsLow = Call::NoWelcome;  // connected: not what the test expects
  f.DsrStandard = true;
  f.reachedVerdict = true;
  const toolkit::TResults finished = RoverResultsOf(f);
  EXPECT_EQ(finished.rows[1].outcome, Outcome::Fail);
  EXPECT_EQ(finished.rows[3].outcome, Outcome::Fail);
  EXPECT_EQ(finished.rows.back().outcome, Outcome::Pass);
  EXPECT_EQ(finished.fields.size(), 2u);
}

}  // namespace
