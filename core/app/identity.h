// The release identity: which program this updater installs and between which releases.
#pragma once

#include <cstdint>
#include <string>

namespace upd {

class TDM {
public:
    std::string ProgrammName() const { return "Автошкола. Кордеваль"; }
    std::string Programm_version() const { return "3.2"; }
    std::string ProgrammVersion_Previous() const { return "3.1"; }
    int32_t Major_version() const { return 3; }
    int32_t Minor_version() const { return 2; }
};

// The About window's fixed release-date text.
inline constexpr const char* kUpdateDateText = "Обновление от 07.12.2020";

} // namespace upd
