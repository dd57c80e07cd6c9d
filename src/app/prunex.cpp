#include "app/prunex.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "app/longpath.h"
#include "app/show_message.h"
#include "app/target_file.h"
#include "filelayer/error_state.h"
#include "platform/command_line.h"
#include "platform/windows_1252.h"
#include "runtime/clip.h"
#include "runtime/command_parameter.h"

namespace kestrand {

namespace {
constexpr std::string_view kUsageText =
    "Prunex.exe: A commandline program designed for|the quick removal of a table within a KESTRAND data "
    "file.||Usage:||prunex yourkstfile tablename [password]|1";
constexpr std::string_view kTableSeparator = "\\!";
constexpr ErrorCode kInvalidFilename = 45;

void showUsage(std::ostream& err) { showMessage(err, kUsageText, "Usage", kExclamationIcon); }

// The current error text twice, an empty line between; shown in the terminal's UTF-8.
void showError(std::ostream& err) {
  const std::string e = platform::utf8From1252(errorText());
  showMessage(err, runtime::CLIP(e) + "||" + e, "Error", kExclamationIcon);
}

// A table name or password as the driver takes it: Windows-1252. Text that is not
// UTF-8 was typed in Windows-1252 already and passes unchanged; none when it holds a
// character Windows-1252 cannot represent.
std::optional<std::string> ansiParameter(const std::string& typed) {
  if (!platform::isUtf8(typed)) return typed;
  return platform::utf8To1252(typed);
}

void refuseName(std::ostream& err) {
  postError(kInvalidFilename);
  showError(err);
}
}  // namespace

void runPrunex(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  const runtime::CommandParameters parameters(platform::commandLineFromArguments(arguments), platform::programPath());

  const std::string p1 = parameters.commandParameter("1");
  if (runtime::CLIP(p1).empty()) {
    showUsage(err);
    return;
  }
  const std::string p2 = parameters.commandParameter("2");
  if (runtime::CLIP(p2).empty()) {
    showUsage(err);
    return;
  }

  // The table part is taken as given: the driver upper-cases it and drops trailing
  // spaces. The path stays in the file system's own bytes.
  const std::string path = LONGPATH(runtime::CLIP(p1));
  const std::optional<std::string> table = ansiParameter(p2);
  if (!table) {
    refuseName(err);
    return;
  }
  std::string fullName = path + std::string(kTableSeparator) + *table;
  if (fullName.size() > kFullNameLength) fullName.resize(kFullNameLength);

  const std::optional<std::string> password = ansiParameter(parameters.commandParameter("3"));
  if (!password) {
    refuseName(err);
    return;
  }

  if (removeNamedTable(fullName, *password) != 0) {
    showError(err);
    return;
  }

  const std::size_t pathPart = std::min(path.size(), fullName.size());
  const std::string shownName = fullName.substr(0, pathPart) + platform::utf8From1252(fullName.substr(pathPart));
  showMessage(out, "Removed: " + shownName, "Success");
}

}  // namespace kestrand
