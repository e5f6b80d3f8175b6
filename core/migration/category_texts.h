// Category texts of the vehicle-category steps. The licence letters inside «» and in the
// parentheses of the speciality names are Latin (B, C, D, E); the one exception is the first
// letter of kRetrainingCtoD, a Cyrillic С, as the managed program's data has it. The database
// compares these texts for equality, so every letter matters.
#pragma once

namespace upd::categories {

inline constexpr const char* kCategoryC = "Категория «C»";
inline constexpr const char* kCategoryCE = "Категория «CE»";
inline constexpr const char* kRetrainingCtoD = "Переподготовка с категории «С» на категорию «D»";
inline constexpr const char* kOldVus845 = "ВУС-845";
inline constexpr const char* kVus845CtoD = "ВУС-845 (переподготовка с C на D)";
inline constexpr const char* kVus845BtoD = "ВУС-845 (переподготовка с B на D)";
inline constexpr const char* kVus845BtoDDescription =
    "Профессиональная подготовка военных водителей транспортных средств - переподготовка с категории «B» на "
    "категорию «D»";
inline constexpr const char* kRetrainingBtoD = "Переподготовка с категории «B» на категорию «D»";

} // namespace upd::categories
