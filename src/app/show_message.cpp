#include "app/show_message.h"

#include "filelayer/error_state.h"
#include "platform/console_box.h"
#include "runtime/clip.h"

namespace kestrand {

int showMessage(std::ostream& console, std::string_view text, std::string_view caption,
                std::string_view /*icon*/, std::string_view /*buttons*/, int defaultButton,
                bool /*systemModal*/) {
  // A console has no icons, no push buttons and nothing to be modal to; only text
  // and caption show.
  const ErrorState saved = saveErrorState();
  platform::writeConsoleBox(console, runtime::CLIP(text), runtime::CLIP(caption));
  restoreErrorState(saved);
  return defaultButton > 0 ? defaultButton : 1;
}

}  // namespace kestrand
