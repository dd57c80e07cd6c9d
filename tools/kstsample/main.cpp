// kstsample: makes the sample data files of the demo, adds plain tables to a data
// file, and lists the tables of a file with their record counts.
//
//   kstsample make DIR                       DIR/shop.kst, and DIR/vault.kst encrypted
//                                            with the password "opensesame"
//   kstsample add FILE TABLE COUNT [LENGTH [PASSWORD]]
//                                            (re)creates TABLE with COUNT records of
//                                            LENGTH bytes (default 16)
//   kstsample list FILE [PASSWORD]
//
// Table names and passwords typed in UTF-8 reach the driver in Windows-1252, as the
// programs that make these files store them.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "filelayer/error_state.h"
#include "platform/windows_1252.h"
#include "sample_builder.h"
#include "sample_tables.h"

namespace {
using namespace kestrand;

constexpr const char* kVaultPassword = "opensesame";

int usage() {
  std::fputs(
      "usage: kstsample make DIR\n"
      "       kstsample add FILE TABLE COUNT [LENGTH [PASSWORD]]\n"
      "       kstsample list FILE [PASSWORD]\n",
      stderr);
  return 2;
}

std::string ansi(const std::string& typed) {
  if (!platform::isUtf8(typed)) return typed;
  return platform::utf8To1252(typed).value_or(typed);
}

int failed(const std::string& what, ErrorCode code) {
  postError(code);
  std::string text(errorText());
  text.erase(text.find_last_not_of(' ') + 1);
  std::fprintf(stderr, "kstsample: %s: %s (%d)\n", what.c_str(), text.c_str(), int(code));
  return 1;
}

int build(const std::string& path, const std::vector<sample::SampleTable>& tables, const std::string& password) {
  for (const sample::SampleTable& table : tables) {
    if (ErrorCode error = sample::buildTable(path, table, password)) return failed(path, error);
  }
  return 0;
}

int make(const std::string& dir) {
  const std::vector<sample::SampleTable> tables = sample::shopTables();
  if (int failure = build(dir + "/shop.kst", tables, "")) return failure;
  return build(dir + "/vault.kst", tables, kVaultPassword);
}

int add(const std::vector<std::string>& args) {
  if (args.size() < 5) return usage();
  const uint32_t count = uint32_t(std::strtoul(args[4].c_str(), nullptr, 10));
  const uint32_t length = args.size() > 5 ? uint32_t(std::strtoul(args[5].c_str(), nullptr, 10)) : 16;
  const std::string password = args.size() > 6 ? ansi(args[6]) : "";
  return build(args[2], {sample::plainTable(ansi(args[3]), count, length)}, password);
}

int list(const std::vector<std::string>& args) {
  if (args.size() < 3) return usage();
  std::vector<sample::TableListing> tables;
  if (ErrorCode error = sample::listTables(args[2], args.size() > 3 ? ansi(args[3]) : "", tables)) {
    return failed(args[2], error);
  }
  std::printf("%-20s %8s\n", "table", "records");
  for (const sample::TableListing& table : tables) {
    const std::string shown = table.name.empty() ? "(empty name)" : platform::utf8From1252(table.name);
    // Padded by characters, not bytes: the terminal shows UTF-8.
    std::size_t width = 0;
    for (unsigned char c : shown) width += (c & 0xC0) != 0x80 ? 1 : 0;
    std::printf("%s%*s %8u\n", shown.c_str(), int(width < 20 ? 20 - width : 0), "", table.records);
  }
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv, argv + argc);
  if (args.size() < 3) return usage();
  if (args[1] == "make") return make(args[2]);
  if (args[1] == "add") return add(args);
  if (args[1] == "list") return list(args);
  return usage();
}
