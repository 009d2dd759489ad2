#include "modem/setup_steps.h"

namespace tarnwick {

bool setupStepOf(SetupValue value, bool withoutInternet, unsigned* step, unsigned* save) {
    if (value == SetupValue::none) return false;
    size_t count = 0;
    const SetupStep* steps = setupSteps(withoutInternet, &count);
    for (size_t k = 0; k < count; ++k) {
        const bool holds = withoutInternet ? (steps[k].resets & resetsBit(value)) != 0 : steps[k].carries == value;
        if (!holds) continue;
        *step = static_cast<unsigned>(k);
        *save = steps[k].save == noSave ? *step : static_cast<unsigned>(steps[k].save);
        return true;
    }
    return false;
}

}  // namespace tarnwick
