#include "app/step_catalogue.h"

#include "app/main_form.h"

namespace upd {

namespace {

// The steps on the database open on ADOConnection1 first open the user's database when that
// connection has none.
template <bool (*Step)(MigrationSteps&)>
bool onUserBase(TfmMain& form) {
    return form.migration.onUserBase([&form] { return Step(form.migration); });
}

constexpr CatalogueStep kSteps[] = {
    {"Button2Click",
     [](TfmMain& f) {
         f.Button2Click();
         f.pump.processPendingEvents();  // the queued progress messages move the bar
         return f.download.completed();
     }},
    {"Button4Click", [](TfmMain& f) { f.Button4Click(); return true; }},
    {"Button5Click", [](TfmMain& f) { f.Button5Click(); return true; }},
    {"AddColumnGrafikHours", onUserBase<[](MigrationSteps& m) { return m.schema.AddColumnGrafikHours(); }>},
    {"AddColumnGruppa", onUserBase<[](MigrationSteps& m) { return m.schema.AddColumnGruppa(); }>},
    {"AddColumnStudent", onUserBase<[](MigrationSteps& m) { return m.schema.AddColumnStudent(); }>},
    {"AddColumnTeach_obj", onUserBase<[](MigrationSteps& m) { return m.schema.AddColumnTeach_obj(); }>},
    {"CreateTableGrafikVojdenija", onUserBase<[](MigrationSteps& m) { return m.schema.CreateTableGrafikVojdenija(); }>},
    {"CreateTableSpravka", onUserBase<[](MigrationSteps& m) { return m.schema.CreateTableSpravka(); }>},
    {"modify_stroenie", onUserBase<[](MigrationSteps& m) { m.schema.modify_stroenie(); return true; }>},
    {"FillCategory_tc", onUserBase<[](MigrationSteps& m) { return m.categories.fillCategories(); }>},
    {"FillNewCategory_tc", onUserBase<[](MigrationSteps& m) { return m.categories.fillNewCategory(); }>},
    {"Update_vus_845", onUserBase<[](MigrationSteps& m) { return m.categories.updateVus845(); }>},
    {"UpdateBase", [](TfmMain& f) { return f.migration.upgrades.updateBase(); }},
    {"UpdateBase_QN", [](TfmMain& f) { return f.migration.upgrades.updateBaseQN(); }},
    {"TransferAdress", [](TfmMain& f) { return f.migration.addresses.TransferAdress(); }},
    {"Update_base_adress", [](TfmMain& f) { return f.migration.addresses.updateBaseAdress(); }},
};

} // namespace

std::span<const CatalogueStep> stepCatalogue() { return kSteps; }

const CatalogueStep* findCatalogueStep(std::string_view name) {
    for (const CatalogueStep& step : kSteps)
        if (step.name == name) return &step;
    return nullptr;
}

} // namespace upd
