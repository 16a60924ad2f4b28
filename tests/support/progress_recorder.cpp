#include "support/progress_recorder.h"

#include "engine/cleaner.h"

namespace {
std::vector<std::pair<float, std::string>> recorded;
void record(float percent, const char* message) { recorded.emplace_back(percent, message); }
}  // namespace

ProgressRecorder::ProgressRecorder() {
    recorded.clear();
    g_progress_callback = record;
}
ProgressRecorder::~ProgressRecorder() { g_progress_callback = nullptr; }

const std::vector<std::pair<float, std::string>>& ProgressRecorder::calls() const { return recorded; }

