// Which image buttons a skin's button group shows: the overwrite question
// offers yes / yes to all / no / cancel while more files follow (group 1) and
// yes / no for the last or a read-only file (group 2).
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace kb::loader {

struct ButtonGroupPlan {
    bool partKnown = false;  // false: show Part + " not defined." and change nothing
    std::vector<int> show;
    std::vector<int> hide;
};

// The plan for part and group: only the part group "Rw" has groups; any
// other group number changes nothing. Ids the form lacks are skipped by the
// caller.
inline ButtonGroupPlan PlanButtonGroup(std::string_view part, int group) {
    ButtonGroupPlan plan;
    if (part != "Rw") return plan;
    plan.partKnown = true;
    if (group == 1) {
        plan.show = {40, 41, 42, 43};
        plan.hide = {44, 45};
    } else if (group == 2) {
        plan.show = {44, 45};
        plan.hide = {40, 41, 42, 43};
    }
    return plan;
}

// The message of a part an operation does not know.
inline std::string NotDefinedText(std::string_view part) { return std::string(part) + " not defined."; }

}  // namespace kb::loader
