// quillet-db: a command-line window onto Jet 4.0 files through Quillet's own engine.
//   quillet-db tables FILE                      user tables, one a line
//   quillet-db dump FILE TABLE [--json|--csv]   every row (JSON: one array of objects keyed by column name)
//   quillet-db history FILE                     table "Data" as JSON lines {"id":..,"time":..,"text":..}
//   quillet-db create|check|import ...          the writing commands (write_commands.cpp)
// Exit codes: 0 success, 1 the file cannot be read (message on stderr), 2 usage error.
#include <cstdio>
#include <string>
#include <vector>

#include "history/jet/database.h"
#include "tools/quillet-db/arguments.h"
#include "tools/quillet-db/output.h"
#include "tools/quillet-db/write_commands.h"

#ifdef QUILLET_DB_HAVE_CODEC
#include "history/codec/stored_text_codec.h"
#endif

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

const char kUsageText[] =
    "usage: quillet-db tables FILE\n"
    "       quillet-db dump FILE TABLE [--json|--csv]\n"
    "       quillet-db history FILE\n"
    "       quillet-db create FILE [--force]\n"
    "       quillet-db check FILE\n"
    "       quillet-db import FILE ...\n";

int Usage() {
  std::fputs(kUsageText, stderr);
  return kUsage;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "quillet-db: %s\n", message.c_str());
  return kFailed;
}

void Write(const std::string& s) {
  std::fwrite(s.data(), 1, s.size(), stdout);
}

int OnTables(const std::vector<std::string>& args) {
  if (args.size() != 1)
    return Usage();
  auto db = jet::Database::Open(args[0], jet::OpenMode::ReadOnly);
  if (!db)
    return Fail(db.message());
  for (const auto& name : db->UserTableNames())
    Write(jet::ToUtf8(name) + "\n");
  return std::fflush(stdout) == 0 ? kOk : Fail("cannot write the output");
}

int OnDump(const std::vector<std::string>& args) {
  bool csv = false;
  std::vector<std::string> positional;
  for (const auto& a : args) {
    if (a == "--csv") {
      csv = true;
    } else if (a == "--json") {
      csv = false;
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      return Usage();
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 2)
    return Usage();
  auto db = jet::Database::Open(positional[0], jet::OpenMode::ReadOnly);
  if (!db)
    return Fail(db.message());
  auto table = db->FindTable(jet::FromUtf8(positional[1]));
  if (!table)
    return Fail(table.message());
  const auto& columns = table->columns();
  std::vector<std::string> keys;
  for (const auto& c : columns)
    keys.push_back(csv ? jet::ToUtf8(c.name) : JsonString(jet::ToUtf8(c.name)));

  std::string out;
  if (csv) {
    for (size_t i = 0; i < keys.size(); ++i) {
      jet::Value name = jet::Value::Text(columns[i].name);
      out += (i ? "," : "") + CsvField(name);
    }
    out += "\n";
  } else {
    out += "[";
  }
  bool first = true;
  jet::Status status = table->ForEachRow([&](const std::vector<jet::Value>& row) {
    if (csv) {
      for (size_t i = 0; i < row.size(); ++i) {
        if (i)
          out += ',';
        out += CsvField(row[i]);
      }
      out += "\n";
    } else {
      out += first ? "\n{" : ",\n{";
      for (size_t i = 0; i < row.size(); ++i) {
        if (i)
          out += ',';
        out += keys[i];
        out += ':';
        out += JsonValue(row[i]);
      }
      out += "}";
    }
    first = false;
    if (out.size() > (1u << 16)) {
      Write(out);
      out.clear();
    }
    return true;
  });
  if (!status) {
    Write(out);
    std::fflush(stdout);
    return Fail(status.message());
  }
  if (!csv)
    out += first ? "]\n" : "\n]\n";
  Write(out);
  return std::fflush(stdout) == 0 ? kOk : Fail("cannot write the output");
}

int OnHistory(const std::vector<std::string>& args) {
  if (args.size() != 1)
    return Usage();
#ifndef QUILLET_DB_HAVE_CODEC
  return Fail("history: not available in this build (no stored-text codec)");
#else
  auto db = jet::Database::Open(args[0], jet::OpenMode::ReadOnly);
  if (!db)
    return Fail(db.message());
  auto table = db->FindTable(u"Data");
  if (!table)
    return Fail(table.message());
  if (table->columns().size() < 3)
    return Fail("table Data has fewer than three fields");
  std::string out;
  auto field = [](const jet::Value& v) { return v.IsNull() ? std::string("null") : JsonString(v.ToUtf8()); };
  jet::Status status = table->ForEachRow([&](const std::vector<jet::Value>& row) {
    out += "{\"id\":" + field(row[0]) + ",\"time\":" + field(row[1]) + ",\"text\":";
    if (row[2].IsNull()) {
      out += "null";
    } else {
      // The stored form is ASCII Base64; its UTF-8 form is the same bytes.
      out += JsonString(Base64Decode(row[2].ToUtf8(), /*stripTrailingZeros=*/true));
    }
    out += "}\n";
    if (out.size() > (1u << 16)) {
      Write(out);
      out.clear();
    }
    return true;
  });
  Write(out);
  if (!status) {
    std::fflush(stdout);
    return Fail(status.message());
  }
  return std::fflush(stdout) == 0 ? kOk : Fail("cannot write the output");
#endif
}

int OnWriteCommand(const std::string& name, std::vector<std::string> args) {
#ifdef QUILLET_DB_WRITE_COMMANDS
  args.insert(args.begin(), name);
  std::vector<char*> argv;
  for (auto& a : args)
    argv.push_back(a.data());
  argv.push_back(nullptr);
  int argc = static_cast<int>(args.size());
  if (name == "create")
    return RunCreate(argc, argv.data());
  if (name == "check")
    return RunCheck(argc, argv.data());
  return RunImport(argc, argv.data());
#else
  (void)args;
  return Fail(name + ": not available in this build");
#endif
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> all = Utf8Arguments(argc, argv);
  if (all.size() < 2)
    return Usage();
  std::string command = all[1];
  std::vector<std::string> args(all.begin() + 2, all.end());
  if (command == "tables")
    return OnTables(args);
  if (command == "dump")
    return OnDump(args);
  if (command == "history")
    return OnHistory(args);
  if (command == "create" || command == "check" || command == "import")
    return OnWriteCommand(command, args);
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsageText, stdout);
    return kOk;
  }
  return Usage();
}
