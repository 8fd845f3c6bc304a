#include "plan/plan.hpp"

#include <cstring>

namespace tarnwick {

void clearPlan(OntologyPlan& plan) {
    // The plan is plain data; zero bytes are empty fields and zero counts.
    std::memset(static_cast<void*>(&plan), 0, sizeof plan);
}

int& sectionCount(OntologyPlan& plan, PlanSection section) {
    return plan.count[static_cast<std::size_t>(section) - 1];
}

int sectionCount(const OntologyPlan& plan, PlanSection section) {
    return plan.count[static_cast<std::size_t>(section) - 1];
}

}  // namespace tarnwick
