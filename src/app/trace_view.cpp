#include "app/trace_view.h"

namespace tarnwick::traceView {

std::string saveFailure(const std::string& path, const std::string& reason) {
    std::string line = "The trace could not be written to " + path;
    if (!reason.empty()) line += ": " + reason;
    return line + ".";
}

}  // namespace tarnwick::traceView
