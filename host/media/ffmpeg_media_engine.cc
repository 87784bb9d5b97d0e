#include "host/media/ffmpeg_media_engine.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

#include "host/base/logging/logger.h"

namespace kvp::av {

FfmpegMediaEngine::FfmpegMediaEngine()
    : devices_(listeners_), video_(devices_, listeners_), audio_(devices_), recorder_(video_, audio_, listeners_) {
  KLOG(6) << "media engine ready";
}

FfmpegMediaEngine::~FfmpegMediaEngine() = default;

namespace {

std::atomic<IMediaEngine*> g_testing{nullptr};
std::mutex g_mutex;
FfmpegMediaEngine* g_engine = nullptr;

// Threads of the engine must be stopped while the process's statics (logger, loopers) still
// exist, so the engine goes at exit rather than with the statics.
void ShutdownEngine() {
  std::lock_guard<std::mutex> lock(g_mutex);
  delete g_engine;
  g_engine = nullptr;
}

}  // namespace

IMediaEngine* GetMediaEngine() {
  if (IMediaEngine* testing = g_testing) return testing;
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_engine) {
    g_engine = new FfmpegMediaEngine();
    std::atexit(ShutdownEngine);
  }
  return g_engine;
}

void SetMediaEngineForTesting(IMediaEngine* engine) { g_testing = engine; }

}  // namespace kvp::av
