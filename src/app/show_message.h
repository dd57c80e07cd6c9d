// showMessage: the runtime's message box, here written to a console stream. Showing
// a box never changes the error state.
#pragma once

#include <ostream>
#include <string_view>

namespace kestrand {

// The icon code of the system's stock exclamation icon (identifier 0x7F04 - 1).
inline constexpr std::string_view kExclamationIcon{"\xFF\x01\x04\x7F", 4};

// Text, caption, icon and buttons lose their trailing spaces. An empty buttons text
// means the single button "OK". A console box does not wait: the result is the
// default button, or 1 (the first button) when none is given.
int showMessage(std::ostream& console, std::string_view text, std::string_view caption,
                std::string_view icon = {}, std::string_view buttons = {}, int defaultButton = 0,
                bool systemModal = false);

}  // namespace kestrand
