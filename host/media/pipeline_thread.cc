#include "host/media/pipeline_thread.h"

namespace kvp::av {

namespace {
thread_local bool t_pipeline_thread = false;
}  // namespace

void MarkPipelineThread() { t_pipeline_thread = true; }
bool IsPipelineThread() { return t_pipeline_thread; }

}  // namespace kvp::av
