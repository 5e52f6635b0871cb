#include <gtest/gtest.h>

#include "sim/CommandParser.h"

namespace sim {
namespace {

using Commands = std::vector<Command>;

TEST(CommandParser, SplitsLinesIntoCommands) {
  const Capabilities caps;
  const struct {
    const char* body;
    Commands expected;
  } cases[] = {
      {"", {}},
      {" &H0 &R1", {Command(Op::kFlowH, 0), Command(Op::kFlowR, 1)}},
      {"&D0 \\Q0", {Command(Op::kDtrMode, 0), Command(Op::kFlowQ, 0)}},
      {"e0v1q0", {Command(Op::kEcho, 0), Command(Op::kVerbose, 1), Command(Op::kQuiet, 0)}},
      {"S7=51S0?", {Command(Op::kSetRegister, 51, 7), Command(Op::kQueryRegister, 0, 0)}},
      {"S0=", {Command(Op::kSetRegister, 0, 0)}},
      {"Z", {Command(Op::kReset)}},
      {"H", {Command(Op::kHangUp)}},
      {"&K3 I3", {Command(Op::kFlowK, 3), Command(Op::kInfo, 3)}},
      // Dialling takes the rest of the line, whatever it holds.
      {"E0DT 555 1234 V0", {Command(Op::kEcho, 0), Command(Op::kDial, 0, 0, "5551234V0")}},
      {"dp12", {Command(Op::kDial, 0, 0, "12")}},
      {"DT ", {Command(Op::kDial, 0, 0, "")}},
      // Blanks count nowhere.
      {" S 7 = 5 1", {Command(Op::kSetRegister, 51, 7)}},
      {"X4 M0 L &V &Y0 F1",
       {Command(Op::kResultSet, 4), Command(Op::kSpeaker, 0), Command(Op::kVolume, 0),
        Command(Op::kIgnored), Command(Op::kIgnored), Command(Op::kIgnored, 1)}},
  };
  for (const auto& c : cases) {
    const auto parsed = ParseAtCommands(c.body, caps);
    ASSERT_TRUE(parsed.has_value()) << c.body;
    EXPECT_EQ(*parsed, c.expected) << c.body;
  }
}

TEST(CommandParser, RejectsTheWholeLineForAnythingUnknownOrOutOfRange) {
  const Capabilities caps;
  for (const char* body : {"X5", "M4", "&Y1", "J", "E2", "&S5", "&K1", "&D4", "&H8", "\\Q4", "S7=256", "S38?", "S7",
                           "S7=99999999999", "&", "\\", "E0 GOO", "V1 &Z"})
    EXPECT_FALSE(ParseAtCommands(body, caps).has_value()) << body;
}

TEST(CommandParser, RefusesWhatTheModemCannotDo) {
  Capabilities k0Only;
  k0Only.acceptsQ = k0Only.acceptsHR = false;
  Capabilities strict;
  strict.acceptsD0 = false;
  strict.storeWorks = false;
  const struct {
    const Capabilities& caps;
    const char* body;
    bool accepted;
  } cases[] = {
      {k0Only, "\\Q0", false}, {k0Only, "&H0", false}, {k0Only, "&R1", false},
      {k0Only, "&K0", true},   {strict, "&D0", false}, {strict, "&D", false},
      {strict, "&D2", true},   {strict, "&W", false},  {strict, "E0 &W", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ParseAtCommands(c.body, c.caps).has_value(), c.accepted) << c.body;
}

}  // namespace
}  // namespace sim
