#include "filelayer/error_state.h"

#include <algorithm>
#include <string>

#include "filelayer/error_texts.h"
#include "platform/last_error.h"

namespace kestrand {

namespace {
ErrorState makeCleared() {
  ErrorState state;
  state.errorText.fill(' ');
  state.fileErrorCode.fill(' ');
  state.fileErrorText.fill(' ');
  return state;
}

ErrorState gState = makeCleared();

template <std::size_t N>
void putPadded(std::array<char, N>& field, std::string_view text, std::size_t limit) {
  field.fill(' ');
  std::size_t n = std::min({text.size(), limit, N});
  std::copy_n(text.data(), n, field.data());
}
}  // namespace

void clearError() { gState = makeCleared(); }

void postError(ErrorCode code) {
  uint32_t systemError = platform::lastError();
  if (code == 0) code = 300 + static_cast<ErrorCode>(systemError);
  std::string text = errorCodeText(code);
  gState.errorFile = nullptr;
  gState.errorCode = code;
  std::string_view rest(text);
  rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
  putPadded(gState.errorText, rest, 79);
}

void setFileError(std::string_view codeText, const char* text) {
  putPadded(gState.fileErrorCode, codeText, 81);
  if (text != nullptr) {
    putPadded(gState.fileErrorText, text, 254);
  } else {
    std::string composed = errorCodeText(90) + " : " + std::string(codeText);
    putPadded(gState.fileErrorText, composed, 255);
  }
}

void setErrorFile(const FileControlBlock* block) { gState.errorFile = block; }

ErrorCode errorCode() { return gState.errorCode; }
std::string_view errorText() { return {gState.errorText.data(), gState.errorText.size()}; }
std::string_view fileErrorCode() { return {gState.fileErrorCode.data(), gState.fileErrorCode.size()}; }
std::string_view fileErrorText() { return {gState.fileErrorText.data(), gState.fileErrorText.size()}; }
const FileControlBlock* errorFile() { return gState.errorFile; }

ErrorState saveErrorState() { return gState; }
void restoreErrorState(const ErrorState& state) { gState = state; }

}  // namespace kestrand
