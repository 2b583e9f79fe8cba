// Whole runs through the runner: program end, subprograms, included files,
// the M-code list, line-level errors, compensation, and the mended faults.
#include "interp/runner.h"

#include <gtest/gtest.h>

#include <memory>

#include "harness.h"

namespace vorn {
namespace {

using test::Outcome;
using test::runLines;

std::string joined(const std::vector<int>& lines) {
  std::string s;
  for (int l : lines) s += std::to_string(l) + " ";
  return s;
}

TEST(Runner, EndsAtM02M30OrAfterTheLastLine) {
  struct Case {
    std::vector<std::string> program;
    int blocks;
  } cases[] = {
      {{"G00 X1.", "M02", "G00 X2."}, 2},
      {{"G00 X1.", "M30", "G00 X2."}, 2},
      {{"G00 X1.", "G00 X2."}, 2},
      {{}, 0},
  };
  for (const Case& c : cases) {
    Outcome o = runLines(c.program);
    EXPECT_EQ(o.result.ZVZ, RunState::Ended);
    EXPECT_EQ(o.result.blocks, c.blocks);
  }
}

TEST(Runner, LineLevelErrorsStopBeforeTheBlock) {
  struct Case {
    std::vector<std::string> program;
    const char* error;
    int line;
  } cases[] = {
      {{"G00 X1.", "%"}, "AZ(/", 2},
      {{"G00 X1.", "GX1."}, "AZxW", 2},
      {{"1 G00"}, "AZ(/", 1},
      {{"G00 X1.", "G01 X2. D200", "G00 X3."}, " D?", 2},
  };
  for (const Case& c : cases) {
    Outcome o = runLines(c.program);
    EXPECT_EQ(o.result.ZVZ, RunState::Error);
    EXPECT_EQ(o.result.I1M, c.error);
    EXPECT_EQ(o.result.FILE, c.line);
  }
}

TEST(Runner, BlockSkipSetting) {
  RunSettings s = test::millimetres();
  Outcome skipped = runLines({"/G00 X5.", "G00 Y1."}, s);
  EXPECT_EQ(skipped.result.blocks, 1);
  s.skipMode = 0;
  Outcome read = runLines({"/G00 X5.", "G00 Y1."}, s);
  EXPECT_EQ(read.result.blocks, 2);
  EXPECT_EQ(read.moves.back().rest, (Point3{5, 1, 0}));  // "/G00" is ignored, X5. is read
}

TEST(Subprograms, CallsRepeatsAndReturns) {
  std::vector<std::string> body = {"O1000", "G91 G00 X1.", "M99"};
  struct Case {
    const char* call;
    const char* lines;
    const char* error;
  } cases[] = {
      {"M98 P21000", "1 4 5 6 4 5 6 2 ", ""},
      {"M98 P1000 L3", "1 4 5 6 4 5 6 4 5 6 2 ", ""},
      {"M98 P1000", "1 4 5 6 2 ", ""},
      {"M98 P2000", "1 ", " Noﾅｲ"},
      {"M98 P1E30", "1 ", " Noﾅｲ"},
      {"M98 P1000.5", "1 ", " Noﾅｲ"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> program = {c.call, "M30", "G00 X9."};
    program.insert(program.end(), body.begin(), body.end());
    Outcome o = runLines(program);
    EXPECT_EQ(joined(o.lines), c.lines) << c.call;
    EXPECT_EQ(o.result.I1M, c.error) << c.call;
  }
}

TEST(Subprograms, FourNestedCallsRunAndAFifthFails) {
  auto nest = [](int depth) {
    std::vector<std::string> p = {"M98 P1", "M30"};
    for (int i = 1; i <= depth; ++i) {
      p.push_back("O" + std::to_string(i));
      p.push_back(i < depth ? "M98 P" + std::to_string(i + 1) : "G00 X1.");
      p.push_back("M99");
    }
    return p;
  };
  Outcome four = runLines(nest(4));
  EXPECT_EQ(four.result.ZVZ, RunState::Ended);
  EXPECT_EQ(four.result.I1M, "");
  Outcome five = runLines(nest(5));
  EXPECT_EQ(five.result.I1M, " m98");
}

TEST(Subprograms, TheLearnersEditionRunsThreeNestedCallsAndRefusesAFourth) {
  auto nest = [](int depth) {
    std::vector<std::string> p = {"M98 P1", "M30"};
    for (int i = 1; i <= depth; ++i) {
      p.push_back("O" + std::to_string(i));
      p.push_back(i < depth ? "M98 P" + std::to_string(i + 1) : "G00 X1.");
      p.push_back("M99");
    }
    return p;
  };
  RunSettings learner = test::millimetres();
  learner.nestedCalls = 3;
  learner.callDepthMessage = " m98多重";
  Outcome three = runLines(nest(3), learner);
  EXPECT_EQ(three.result.ZVZ, RunState::Ended);
  EXPECT_EQ(three.result.I1M, "");
  EXPECT_EQ(runLines(nest(4), learner).result.I1M, " m98多重");
}

TEST(Subprograms, M99InTheMainProgramAndSelfCallsAreBounded) {
  EXPECT_EQ(runLines({"G00 X1.", "M99"}).result.I1M, " m99");
  Outcome self = runLines({"O1", "M98 P1"});
  EXPECT_EQ(self.result.I1M, " m98");
  Outcome loop = runLines({"M98 P1 L1E30", "M30", "O1", "M99"}, test::millimetres(),
                          standardCodeTable(), {}, 500);
  EXPECT_EQ(loop.result.ZVZ, RunState::Limit);
  EXPECT_EQ(loop.result.blocks, 500);
}

TEST(Subprograms, LastMValueIsClearedEveryBlock) {
  // An M98 without P must not turn the P of a later dwell into a call.
  Outcome o = runLines({"M98", "G04 P1000", "M30", "O1000", "G00 X5.", "M99"});
  EXPECT_EQ(o.result.I1M, "");
  EXPECT_EQ(joined(o.lines), "1 2 3 ");
  // The call block itself still needs M98 before P and L after P.
  Outcome after = runLines({"P1000 M98", "M30", "O1000", "M99"});
  EXPECT_EQ(joined(after.lines), "1 2 ");
}

TEST(MCodes, AllowedListAndOWordPlace) {
  CodeTable codes = standardCodeTable();
  codes.allowedM = "03 05 08 30 250";
  struct Case {
    const char* block;
    const char* error;
  } cases[] = {{"M03", ""}, {"M04", " M?"}, {"M30", ""}, {"M99", " m99"}, {"M1003", " M?"}, {"M08", ""},
               {"M150", " M?"}, {"M1E30", " M?"}, {"N10 O100", " O?"}, {"O100", ""},
               // The code is the last two digits of 1000 + M (three above 99).
               {"M5", ""}, {"M3.", ""}, {"M250", ""}, {"M1250", ""}, {"M8250", ""}, {"M9250", ""},
               {"M3.5", " M?"}, {"M-996", " M?"}, {"M-970", ""}, {"M1030", " M?"}};
  for (const Case& c : cases) {
    EXPECT_EQ(runLines({c.block}, test::millimetres(), codes).result.I1M, c.error) << c.block;
  }
  codes.allowedM.clear();
  EXPECT_EQ(runLines({"M04"}, test::millimetres(), codes).result.I1M, "");
}

TEST(Includes, RunInPlaceAndEndAtTheirMarkers) {
  std::map<std::string, std::vector<std::string>> files = {
      {"a.nc", {"G00 X1.", "G00X2.", "M30", "G00 X3."}},
      {"b.nc", {"G00 Y1."}},
      {"self.nc", {"(:self.nc", "G00 Z1."}},
  };
  Outcome o = runLines({"(:a.nc", "(: b.nc ", "(:self.nc", "G00 Z2."}, test::millimetres(),
                       standardCodeTable(), files);
  EXPECT_EQ(o.result.ZVZ, RunState::Ended);
  std::vector<std::string> texts = {"G00 X1.", "G00X2.", "(EOF", "G00 Y1.", "(:self.nc", "G00 Z1.", "G00 Z2."};
  EXPECT_EQ(o.texts, texts);
  EXPECT_EQ(joined(o.lines), "1 1 1 2 3 3 4 ");
  EXPECT_TRUE(o.moves[0].included);
}

// An included file may be a stream: its lines run as they are read, and a
// read error part-way stops the run as an unreadable file, naming it.
TEST(Includes, StreamedFileAndAReadErrorPartWay) {
  TextProgram program({"(:s.nc", "G00 X1."});
  for (bool fails : {false, true}) {
    IncludeReader reader = [fails](const std::string&) {
      auto count = std::make_shared<int>(0);
      return IncludedFile([count, fails](std::string& line) {
        if (++*count == 2 && fails) throw std::runtime_error("read error");
        if (*count > 2) return false;
        line = "G01 X" + std::to_string(*count * 10) + ".";
        return true;
      });
    };
    Runner runner(program, standardCodeTable(), test::millimetres(), reader);
    std::vector<std::string> seen;
    while (runner.step()) seen.emplace_back(runner.move().text);
    if (fails) {
      EXPECT_EQ(seen, (std::vector<std::string>{"G01 X10."}));
      EXPECT_EQ(runner.result().ZVZ, RunState::FileError);
      EXPECT_NE(runner.result().fileError.find("s.nc"), std::string::npos) << runner.result().fileError;
    } else {
      EXPECT_EQ(seen, (std::vector<std::string>{"G01 X10.", "G01 X20.", "G00 X1."}));
      EXPECT_EQ(runner.result().ZVZ, RunState::Ended);
    }
  }
}

TEST(Includes, NormalizerAndMissingFile) {
  TextProgram program({"(:a.nc", "G00 X1."});
  IncludeReader reader = [](const std::string&) {
    return std::vector<std::string>{"G00X2.", "(c", "G01 Y3. Z-1."};
  };
  std::vector<std::string> seen;
  // The normal form is written into a string that is reused from line to line.
  Runner runner(program, standardCodeTable(), test::millimetres(), reader,
                [](std::string_view s, std::string& out) { out = "N:" + std::string(s); });
  while (runner.step()) seen.emplace_back(runner.move().text);
  EXPECT_EQ(seen, (std::vector<std::string>{"N:G00X2.", "(c", "N:G01 Y3. Z-1.", "G00 X1."}));

  Outcome missing = runLines({"G00 X1.", "(:nothere.nc", "G00 X2."});
  EXPECT_EQ(missing.result.ZVZ, RunState::FileError);
  EXPECT_EQ(missing.result.FILE, 2);
  EXPECT_NE(missing.result.fileError.find("nothere.nc"), std::string::npos);
}

TEST(Runner, ErrorInsideAnIncludedFileStopsTheRun) {
  Outcome o = runLines({"(:a.nc", "G00 X5."}, test::millimetres(), standardCodeTable(),
                       {{"a.nc", {"G00 X1.", "G02 X9. R1.", "G00 X2."}}});
  EXPECT_EQ(o.result.ZVZ, RunState::Error);
  EXPECT_EQ(o.result.I1M, " R<");
  EXPECT_EQ(o.result.FILE, 1);
  EXPECT_EQ(o.result.blocks, 2);
}

TEST(Runner, StopEndsTheRunAsEscDoes) {
  TextProgram program({"G00 X1.", "G00 X2.", "G00 X3."});
  Runner runner(program, standardCodeTable(), test::millimetres());
  ASSERT_TRUE(runner.step());
  runner.stop();
  EXPECT_FALSE(runner.step());
  EXPECT_EQ(runner.result().ZVZ, RunState::Stopped);
}

}  // namespace
}  // namespace vorn
