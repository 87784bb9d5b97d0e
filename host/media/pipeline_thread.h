#pragma once

namespace kvp::av {

// Marks the calling thread as a recording pipeline thread (video or audio). Enable-recording and
// finalise wait for those threads, so they refuse to run on one.
void MarkPipelineThread();
bool IsPipelineThread();

}  // namespace kvp::av
