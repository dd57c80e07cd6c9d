// The process-wide error state through which every file operation reports failure.
// The driver entry posts it once at the end of each operation; the program reads it
// after the call.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kestrand {

struct FileControlBlock;

// 0 = success; 2..96 file errors; 300 + n for system error n. -1 is never posted:
// inside the driver it means "did nothing, nothing to report".
using ErrorCode = int32_t;

struct ErrorState {
  ErrorCode errorCode = 0;
  std::array<char, 80> errorText{};       // space-padded, at most 79 significant
  std::array<char, 81> fileErrorCode{};   // space-padded
  std::array<char, 255> fileErrorText{};  // space-padded
  const FileControlBlock* errorFile = nullptr;
};

// Error file none, code 0, all texts blank.
void clearError();
// Sets the code and its text (0 becomes 300 + the platform's last-error value);
// the error file becomes none, the file error members stay.
void postError(ErrorCode code);
// The file error code text (81 wide) and text (255 wide). Without a text the text is
// "File System Error : <code text>".
void setFileError(std::string_view codeText, const char* text);
void setErrorFile(const FileControlBlock* block);

ErrorCode errorCode();
std::string_view errorText();      // all 80 characters; callers clip
std::string_view fileErrorCode();  // all 81
std::string_view fileErrorText();  // all 255
const FileControlBlock* errorFile();

// The whole state as one value (message boxes, saved states).
ErrorState saveErrorState();
void restoreErrorState(const ErrorState& state);

}  // namespace kestrand
