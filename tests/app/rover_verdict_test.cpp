#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/RoverVerdict.h"

namespace {

using rover::Findings;
using rover::VerdictCase;
using Lines = std::vector<std::string>;

constexpr const char* kControllerNeed =
    "4700 users need to configure survey controller not to use flow control.";

// The six findings that choose the case, from the bits of n.
Findings FromBits(unsigned n) {
  Findings f;
  f.worksWithoutDtr = n & 1;
  f.ignoreDtrWorks = n & 2;
  f.worksWithRtsLow = n & 4;
  f.q0Works = n & 8;
  f.k0Works = n & 16;
  f.h0r1Works = n & 32;
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
    if (f.h0r1Works) digit = 4;
    if (f.k0Works) digit = 3;
    if (f.q0Works) digit = 2;
    if (f.worksWithRtsLow) digit = 1;
    const VerdictCase expected = (f.worksWithoutDtr ? a : b)[digit - 1];
    EXPECT_EQ(rover::ChooseVerdictCase(f), expected) << "bits " << n;
    // A modem that works without DTR gets the same advice whatever "&D0" did.
    Findings flipped = f;
    flipped.ignoreDtrWorks = !f.ignoreDtrWorks;
    if (f.worksWithoutDtr) {
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
  f.worksWithoutDtr = withoutDtr;
  f.ignoreDtrWorks = d0;
  f.worksWithRtsLow = rts;
  f.q0Works = q0;
  f.k0Works = k0;
  f.h0r1Works = hr;
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

  f.numericResults = true;
  f.dsrStandard = false;
  Lines expected = plain;
  expected.push_back(numeric);
  expected.push_back(dsr);
  EXPECT_EQ(rover::VerdictLines(f), expected);

  f.numericResults = false;
  expected = plain;
  expected.push_back(dsr);
  EXPECT_EQ(rover::VerdictLines(f), expected);
}

}  // namespace
