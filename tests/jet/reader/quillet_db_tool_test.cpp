// The quillet-db tool as a user runs it: its output and exit codes (0 success, 1 unreadable file,
// 2 usage error). Native: the tool is started as a process.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "tests/jet/reader/json_reader.h"
#include "tests/jet/reader/reader_test_support.h"

namespace {

struct Outcome {
  int exitCode = -1;
  std::string out;
};

Outcome Tool(const std::string& args, const std::string& stdinFile = "") {
  std::string command = std::string("'") + QUILLET_BIN_DIR + "/quillet-db' " + args + " 2>/dev/null";
  if (!stdinFile.empty())
    command += " < '" + stdinFile + "'";
  Outcome o;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr)
    return o;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0)
    o.out.append(buf, n);
  int status = pclose(p);
  o.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return o;
}

std::string Q(const std::string& s) {
  return "'" + s + "'";
}

TEST(QuilletDbTool, ListsUserTables) {
  Outcome o = Tool("tables " + Q(jet_test::FixturePath("08-chinese-text-access2007.mdb")));
  EXPECT_EQ(o.exitCode, 0);
  EXPECT_EQ(o.out, "Users\n");
}

TEST(QuilletDbTool, DumpsJsonWithTextsNullsAndBase64) {
  Outcome o = Tool("dump " + Q(jet_test::FixturePath("05-overflow-rows-nulls.mdb")) + " table1");
  ASSERT_EQ(o.exitCode, 0);
  jet_test::Json doc;
  ASSERT_TRUE(jet_test::JsonParser(o.out).Parse(doc)) << o.out;
  ASSERT_EQ(doc.kind, jet_test::Json::Array);
  ASSERT_EQ(doc.items.size(), 7u);
  EXPECT_EQ(doc.items[2].Find("data3")->text, "row3col3");
  EXPECT_EQ(doc.items[2].Find("data1")->kind, jet_test::Json::Null);

  o = Tool("dump " + Q(jet_test::FixturePath("08-chinese-text-access2007.mdb")) + " Users --json");
  ASSERT_EQ(o.exitCode, 0);
  doc = jet_test::Json();
  ASSERT_TRUE(jet_test::JsonParser(o.out).Parse(doc));
  EXPECT_EQ(doc.items[2].Find("UserName")->text, "\xE5\xBC\xA0\xE4\xB8\x89");  // 张三
  EXPECT_EQ(doc.items[0].Find("UserId")->number, 1);
  EXPECT_TRUE(doc.items[0].Find("UserMarried")->boolean);

  o = Tool("dump " + Q(jet_test::FixturePath("03-blank-access2000.mdb")) + " MSysACEs");
  doc = jet_test::Json();
  ASSERT_TRUE(jet_test::JsonParser(o.out).Parse(doc));
  EXPECT_EQ(doc.items[0].Find("SID")->kind, jet_test::Json::String);  // binary as base64
}

TEST(QuilletDbTool, DumpsCsv) {
  Outcome o = Tool("dump " + Q(jet_test::FixturePath("04-deleted-rows.mdb")) + " Table --csv");
  EXPECT_EQ(o.exitCode, 0);
  EXPECT_EQ(o.out, "a,b\nz,y\nv,u\n");
}

struct ExitCase {
  const char* args;
  int exitCode;
};

class QuilletDbExit : public testing::TestWithParam<ExitCase> {};

TEST_P(QuilletDbExit, ExitCode) {
  std::string args = GetParam().args;
  size_t at = args.find("@");
  if (at != std::string::npos) {
    size_t end = args.find(' ', at);
    std::string name = args.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
    args.replace(at, name.size() + 1, Q(jet_test::FixturePath(name)));
  }
  EXPECT_EQ(Tool(args).exitCode, GetParam().exitCode) << args;
}

INSTANTIATE_TEST_SUITE_P(Cases, QuilletDbExit,
                         testing::Values(ExitCase{"", 2}, ExitCase{"frobnicate", 2}, ExitCase{"tables", 2},
                                         ExitCase{"dump @04-deleted-rows.mdb", 2},
                                         ExitCase{"dump @04-deleted-rows.mdb Table --xml", 2},
                                         ExitCase{"tables @10-password.mdb", 1},
                                         ExitCase{"tables /nonexistent/Data.mdb", 1},
                                         ExitCase{"dump @04-deleted-rows.mdb NoSuchTable", 1},
                                         ExitCase{"history @04-deleted-rows.mdb", 1},
                                         ExitCase{"tables @04-deleted-rows.mdb", 0}));

TEST(QuilletDbTool, HistoryPrintsDecodedRecordsAsJsonLines) {
  jet_test::TempDir dir;
  std::string db = dir.File("Data.mdb"), lines = dir.File("in.jsonl");
  if (Tool("create " + Q(db)).exitCode != 0)
    GTEST_SKIP() << "this build has no create command";
  jet_test::WriteBytes(
      lines,
      "{\"id\":\"0\",\"time\":\"2017-11-06 18:09:33\",\"text\":\"hello\"}\n"
      "{\"id\":\"1\",\"time\":\"2017-11-06 18:09:34\",\"text\":\"\xE4\xB8\xAD\xE6\x96\x87 \\\"q\\\"\"}\n");
  ASSERT_EQ(Tool("import " + Q(db), lines).exitCode, 0);
  Outcome o = Tool("history " + Q(db));
  ASSERT_EQ(o.exitCode, 0);
  EXPECT_EQ(
      o.out,
      "{\"id\":\"0\",\"time\":\"2017-11-06 18:09:33\",\"text\":\"hello\"}\n"
      "{\"id\":\"1\",\"time\":\"2017-11-06 18:09:34\",\"text\":\"\xE4\xB8\xAD\xE6\x96\x87 \\\"q\\\"\"}\n");
}

}  // namespace
