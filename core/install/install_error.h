// The error of putting an update in place: what could not be done, to which file, and why.
#pragma once

#include <stdexcept>
#include <string>

namespace upd {

class InstallError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace upd
