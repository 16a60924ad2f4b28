#pragma once
// Installs itself as the engine's progress callback and records every call.

#include <string>
#include <utility>
#include <vector>

class ProgressRecorder {
public:
    ProgressRecorder();
    ~ProgressRecorder();
    const std::vector<std::pair<float, std::string>>& calls() const;
};
