// The Kestrand driver's name. Every context points to it; SEND "REGISTER" answers
// its address as the driver's identity.
#pragma once

namespace kestrand {

inline constexpr char kDriverName[] = "KESTRAND";

}  // namespace kestrand
