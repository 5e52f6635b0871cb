// Reply recognition on its own: the rules by example, and the incremental
// search against a plain whole-buffer search on random input.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "app/ReplyRecognition.h"
#include "tests/support/PlainRecognition.h"

namespace {

using plain::Receiver;
using plain::State;
using replies::Reply;

TEST(ReplyRecognition, ExamplesOfTheRules) {
  struct Case {
    const char* name;
    std::vector<std::string> batches;
    std::string rx, replyText;
    std::vector<Reply> flags;
  };
  const Case cases[] = {
      {"register query", {"\r\n050\r\n\r\nOK\r\n"}, "", "\r\n050\r\n\r\n", {replies::OK}},
      {"connect keeps what follows", {"CONNECT 9600\r\n"}, " 9600\r\n", "", {replies::Connect}},
      {"error then ok in one read",
       {"ERROR\r\nOK\r\n"},
       "",
       "ERROR\r\n",
       {replies::OK, replies::Error}},
      {"ok split over two reads", {"O", "K\r\n"}, "", "", {replies::OK}},
      {"ok without line end", {"OK"}, "OK", "", {}},
      {"ok at the front leaves reply text", {"OK\r\n"}, "", "", {replies::OK}},
      {"ok inside other text", {"MODEM 33600 OK\r\nmore"}, "more", "MODEM 33600 ", {replies::OK}},
      {"welcome without line end", {"xxWelcome"}, "", "", {replies::Welcome}},
      {"no carrier needs its line end", {"NO CARRIER"}, "NO CARRIER", "", {}},
      {"case matters", {"ok\r\nconnect\r\nError\r\n"}, "ok\r\nconnect\r\nError\r\n", "", {}},
      {"no carrier across three reads", {"NO CAR", "RIER\r", "\n+"}, "+", "", {replies::NoCarrier}},
      // NO CARRIER goes before Welcome, which is then searched in what is left.
      {"removal order",
       {"Welcome NO CARRIER\r\n Welcome tail"},
       " tail",
       "",
       {replies::Welcome, replies::NoCarrier}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Receiver receive;
    for (const auto& batch : c.batches) receive(batch);
    EXPECT_EQ(receive.state.rx, c.rx);
    EXPECT_EQ(receive.state.replyText, c.replyText);
    for (std::size_t r = 0; r < replies::kReplyCount; ++r) {
      const bool expected = std::find(c.flags.begin(), c.flags.end(), Reply(r)) != c.flags.end();
      EXPECT_EQ(receive.state.flags[r], expected) << "reply " << replies::TextOf(Reply(r));
    }
  }
}

TEST(ReplyRecognition, ReplyTextIsOnlyReplacedByAnOkWithTextInFront) {
  Receiver receive;
  receive("ATI3\r\nTELVORA\r\nOK\r\n");
  EXPECT_EQ(receive.state.replyText, "ATI3\r\nTELVORA\r\n");
  receive("OK\r\n");  // an "OK" at the front leaves it alone
  EXPECT_EQ(receive.state.replyText, "ATI3\r\nTELVORA\r\n");
  receive("x\r\nOK\r\n");
  EXPECT_EQ(receive.state.replyText, "x\r\n");
}

TEST(ReplyRecognition, FlagsStaySetAndLaterRepliesAreStillRemoved) {
  Receiver receive;
  receive("OK\r\n");
  receive("noise");
  EXPECT_TRUE(receive.state.flags[replies::OK]);
  EXPECT_EQ(receive.state.rx, "noise");
  receive(" OK\r\ntail");  // the flag is already set: the new reply is still removed
  EXPECT_EQ(receive.state.rx, "tail");
  EXPECT_EQ(receive.state.replyText, "noise ");
}

TEST(ReplyRecognition, TextRemovedFromTheMiddleIsSearchedAfresh) {
  // Taking an echo out of the buffer can join the halves of a reply.
  Receiver receive;
  receive("OAT E0\r\nK\r");
  EXPECT_FALSE(receive.state.flags[replies::OK]);
  receive.state.rx.erase(1, 7);  // "OK\r" is left
  receive("\n");
  EXPECT_TRUE(receive.state.flags[replies::OK]);
  EXPECT_EQ(receive.state.rx, "");
}

// A stream drawn mostly from the replies' own pieces, so that replies, their
// fragments and near misses are common, cut into batches at random points so
// that replies straddle batches at every offset.
std::vector<std::string> RandomBatches(std::mt19937& rng) {
  static const std::vector<std::string> pieces = {
      "OK\r\n", "ERROR\r\n", "CONNECT", "Welcome", "NO CARRIER\r\n", "O",   "K",
      "\r",     "\n",        "ERR",     "OR",      "CONN",           "ECT", "Wel",
      "come",   "NO ",       "CARRIER", "x",       " 9600",          "0\r", "AT E0\r",
      "\r\n"};
  std::uniform_int_distribution<int> count(1, 60), pick(0, int(pieces.size()) - 1), size(1, 12);
  std::string stream;
  for (int i = count(rng); i > 0; --i) stream += pieces[std::size_t(pick(rng))];
  std::vector<std::string> batches;
  for (std::size_t at = 0; at < stream.size();) {
    const std::size_t n = std::size_t(size(rng));
    batches.push_back(stream.substr(at, n));
    at += n;
  }
  return batches;
}

TEST(ReplyRecognition, MatchesAWholeBufferSearchOnRandomInput) {
  std::mt19937 rng(20240607);
  std::uniform_int_distribution<int> event(0, 39);
  for (int run = 0; run < 3000; ++run) {
    plain::Comparison both;
    for (const std::string& batch : RandomBatches(rng)) {
      both.Before(event(rng));
      ASSERT_TRUE(both.Receive(batch)) << "run " << run;
    }
  }
}

}  // namespace
