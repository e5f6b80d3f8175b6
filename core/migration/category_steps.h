// Vehicle categories and the VUS-845 plan: the reference-data steps that bring the category
// rows of a user's database up to date, add the retraining speciality "ВУС-845 (переподготовка
// с B на D)", copy its training plan from res/vus_845.accdb and copy missing categories of
// obob_uch_plan. The caller opens ADOConnection1 on the user's database beforehand; run them
// in the order FillCategory_tc, FillNewCategory_tc, Update_vus_845.
#pragma once

#include "migration/step_context.h"

namespace upd {

class CategorySteps {
public:
    explicit CategorySteps(const StepContext& ctx) : ctx_(ctx) {}

    // Outcome in the update log only.
    void FillCategory_tc() { fillCategories(); }
    void FillNewCategory_tc() { fillNewCategory(); }
    // Opens res/vus_845.accdb on ADOConnection2; ends with ADOConnection1 closed.
    void Update_vus_845() { updateVus845(); }

    // Copies into obob_uch_plan on ADOConnection1 every category that it lacks, from the table
    // of the same name on ADOConnection2. True when the success line was logged.
    bool copyPlan();

    // The same operations, telling whether they ended with their success line.
    bool fillCategories();
    bool fillNewCategory();
    bool updateVus845();

private:
    void copySubjects();
    int userCategoryId();
    void copyPlanRows(int categoryId);
    void copyCategoryRows(const db::Variant& category, int& walked);

    StepContext ctx_;
};

} // namespace upd
