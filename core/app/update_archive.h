// The update archive's fixed password: the one place it is written. The test programs, the
// fuzzer and the scripts that build or measure update archives take it from here.
#pragma once

namespace upd {

inline constexpr const char* kUpdateArchivePassword = "Xa9Pq2LmT7vRb4NcW8yKd3Hs6Gf1Zj0E";

} // namespace upd
