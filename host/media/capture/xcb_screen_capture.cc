#include "host/media/capture/xcb_screen_capture.h"

#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>
#include <xcb/damage.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

extern "C" {
#include <libavutil/pixfmt.h>
}

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "host/base/logging/logger.h"

namespace kvp::av {

namespace {

template <typename T>
struct FreeDeleter {
  void operator()(T* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter<T>>;

Rect Intersect(const Rect& a, const Rect& b) {
  const int x0 = std::max(a.x, b.x);
  const int y0 = std::max(a.y, b.y);
  const int x1 = std::min(a.x + a.width, b.x + b.width);
  const int y1 = std::min(a.y + a.height, b.y + b.height);
  return x1 > x0 && y1 > y0 ? Rect{x0, y0, x1 - x0, y1 - y0} : Rect{};
}

}  // namespace

std::unique_ptr<XcbScreenCapture> XcbScreenCapture::Open(const ScreenPlan& plan, std::string* error) {
  if (plan.kind == ScreenPlan::Kind::kSynthetic) {
    *error = "not an X source";
    return nullptr;
  }
  std::unique_ptr<XcbScreenCapture> capture(new XcbScreenCapture());
  capture->plan_ = plan;
  if (!capture->Connect(error)) return nullptr;
  if (plan.kind == ScreenPlan::Kind::kWindow) {
    Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(capture->connection_, xcb_get_geometry(capture->connection_, plan.window_id), nullptr));
    if (!geometry) {
      *error = "no window " + std::to_string(plan.window_id);
      return nullptr;
    }
  }
  return capture;
}

XcbScreenCapture::~XcbScreenCapture() {
  if (!connection_) return;
  if (shm_) {
    xcb_shm_detach(connection_, shm_segment_);
    shmdt(shm_);
  }
  xcb_disconnect(connection_);
}

bool XcbScreenCapture::Connect(std::string* error) {
  int screen_number = 0;
  connection_ = xcb_connect(nullptr, &screen_number);
  if (xcb_connection_has_error(connection_)) {
    *error = "cannot connect to the X display";
    return false;
  }
  const xcb_setup_t* setup = xcb_get_setup(connection_);
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
  for (int i = 0; i < screen_number && screens.rem; ++i) xcb_screen_next(&screens);
  const xcb_screen_t* screen = screens.data;
  root_ = screen->root;
  root_width_ = screen->width_in_pixels;
  root_height_ = screen->height_in_pixels;
  bool four_bytes = false;
  for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem; xcb_format_next(&formats)) {
    if (formats.data->depth == screen->root_depth) four_bytes = formats.data->bits_per_pixel == 32;
  }
  if (!four_bytes || setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) {
    *error = "the display's pixel format is not 32-bit BGRX";
    return false;
  }
  // Damage and XFixes tell which rows to grab and give the pointer; without them every frame is
  // grabbed whole and drawn without the pointer.
  const xcb_query_extension_reply_t* damage = xcb_get_extension_data(connection_, &xcb_damage_id);
  const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(connection_, &xcb_xfixes_id);
  if (damage && damage->present && xfixes && xfixes->present) {
    Reply<xcb_xfixes_query_version_reply_t>(
        xcb_xfixes_query_version_reply(connection_, xcb_xfixes_query_version(connection_, 4, 0), nullptr));
    Reply<xcb_damage_query_version_reply_t>(
        xcb_damage_query_version_reply(connection_, xcb_damage_query_version(connection_, 1, 1), nullptr));
    damage_event_ = damage->first_event;
    region_ = xcb_generate_id(connection_);
    xcb_xfixes_create_region(connection_, region_, 0, nullptr);
    damage_ = xcb_generate_id(connection_);
    xcb_damage_create(connection_, damage_, root_, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
  }
  const xcb_query_extension_reply_t* shm = xcb_get_extension_data(connection_, &xcb_shm_id);
  shm_available_ = shm && shm->present;
  xcb_flush(connection_);
  return true;
}

bool XcbScreenCapture::Locate(Rect* target) {
  if (plan_.kind == ScreenPlan::Kind::kMonitor) {
    *target = Intersect(plan_.screen.geometry, {0, 0, root_width_, root_height_});
    return !target->empty();
  }
  const auto window = static_cast<xcb_window_t>(plan_.window_id);
  auto attributes_cookie = xcb_get_window_attributes(connection_, window);
  auto geometry_cookie = xcb_get_geometry(connection_, window);
  auto position_cookie = xcb_translate_coordinates(connection_, window, root_, 0, 0);
  Reply<xcb_get_window_attributes_reply_t> attributes(
      xcb_get_window_attributes_reply(connection_, attributes_cookie, nullptr));
  Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(connection_, geometry_cookie, nullptr));
  Reply<xcb_translate_coordinates_reply_t> position(
      xcb_translate_coordinates_reply(connection_, position_cookie, nullptr));
  if (!attributes || !geometry || !position || attributes->map_state != XCB_MAP_STATE_VIEWABLE) return false;
  *target = Intersect({position->dst_x, position->dst_y, geometry->width, geometry->height},
                      {0, 0, root_width_, root_height_});
  return !target->empty();
}

bool XcbScreenCapture::EnsureBuffer(size_t bytes) {
  if (shm_available_ && bytes > shm_size_) {
    if (shm_) {
      xcb_shm_detach(connection_, shm_segment_);
      shmdt(shm_);
      shm_ = nullptr;
      shm_size_ = 0;
    }
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    void* address = id >= 0 ? shmat(id, nullptr, 0) : reinterpret_cast<void*>(-1);
    if (address != reinterpret_cast<void*>(-1)) {
      shm_segment_ = xcb_generate_id(connection_);
      Reply<xcb_generic_error_t> failed(
          xcb_request_check(connection_, xcb_shm_attach_checked(connection_, shm_segment_, id, 0)));
      if (failed) {
        shmdt(address);
      } else {
        shm_ = static_cast<uint8_t*>(address);
        shm_size_ = bytes;
        // Mapped now, on the thread that prepares the capture, rather than a page fault at a
        // time in the first frame (about 2000 of them for a 1080p screen).
        madvise(address, bytes, MADV_POPULATE_READ);
      }
    }
    // Marked for removal now, so it goes away with the last detach whatever happens to us.
    if (id >= 0) shmctl(id, IPC_RMID, nullptr);
    if (!shm_) {
      KLOG(4) << "X shared memory unavailable, grabbing through the socket";
      shm_available_ = false;
    }
  }
  if (shm_) {
    image_ = shm_;
  } else {
    if (buffer_.size() < bytes) buffer_.resize(bytes);
    image_ = buffer_.data();
  }
  return true;
}

Rect XcbScreenCapture::TakeDamage(const Rect& target) {
  const Rect all{0, 0, target.width, target.height};
  if (!damage_) return all;
  while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
    if ((event->response_type & 0x7F) == damage_event_ + XCB_DAMAGE_NOTIFY) damaged_ = true;
    std::free(event);
  }
  if (!damaged_) return {};
  damaged_ = false;
  // Taken before the grab: whatever is drawn after this is reported again.
  xcb_damage_subtract(connection_, damage_, XCB_NONE, region_);
  Reply<xcb_xfixes_fetch_region_reply_t> region(
      xcb_xfixes_fetch_region_reply(connection_, xcb_xfixes_fetch_region(connection_, region_), nullptr));
  if (!region) return all;
  int top = target.height;
  int bottom = 0;
  const xcb_rectangle_t* rects = xcb_xfixes_fetch_region_rectangles(region.get());
  for (int i = 0; i < xcb_xfixes_fetch_region_rectangles_length(region.get()); ++i) {
    const Rect hit = Intersect({rects[i].x, rects[i].y, rects[i].width, rects[i].height}, target);
    if (hit.empty()) continue;
    top = std::min(top, hit.y - target.y);
    bottom = std::max(bottom, hit.y + hit.height - target.y);
  }
  if (bottom <= top) return {};
  return {0, top, target.width, bottom - top};
}

bool XcbScreenCapture::Grab(const Rect& target, const Rect& band) {
  const size_t stride = static_cast<size_t>(target.width) * 4;
  uint8_t* into = image_ + band.y * stride;
  if (shm_) {
    Reply<xcb_shm_get_image_reply_t> reply(xcb_shm_get_image_reply(
        connection_,
        xcb_shm_get_image(connection_, root_, static_cast<int16_t>(target.x), static_cast<int16_t>(target.y + band.y),
                          static_cast<uint16_t>(band.width), static_cast<uint16_t>(band.height), ~0u,
                          XCB_IMAGE_FORMAT_Z_PIXMAP, shm_segment_, static_cast<uint32_t>(band.y * stride)),
        nullptr));
    return reply != nullptr;
  }
  Reply<xcb_get_image_reply_t> reply(xcb_get_image_reply(
      connection_,
      xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, root_, static_cast<int16_t>(target.x),
                    static_cast<int16_t>(target.y + band.y), static_cast<uint16_t>(band.width),
                    static_cast<uint16_t>(band.height), ~0u),
      nullptr));
  if (!reply || static_cast<size_t>(xcb_get_image_data_length(reply.get())) < stride * band.height) return false;
  std::memcpy(into, xcb_get_image_data(reply.get()), stride * band.height);
  return true;
}

Rect XcbScreenCapture::Track(const Rect& target) {
  if (!(target == target_) || !image_) {
    target_ = target;
    EnsureBuffer(static_cast<size_t>(target.width) * target.height * 4);
    scaler_.Reset();
    redraw_ = true;
  }
  const Rect band = TakeDamage(target);
  return redraw_ ? Rect{0, 0, target.width, target.height} : band;
}

void XcbScreenCapture::Prepare() {
  Rect target;
  if (!Locate(&target)) return;
  const Rect band = Track(target);
  if (band.empty() || !Grab(target, band)) return;
  // The image is current; the recording paints its new canvas from it (Invalidate).
  redraw_ = false;
}

ScreenLayer::Result XcbScreenCapture::Render(const I420View& canvas) {
  Rect target;
  if (!Locate(&target)) return Result::kNoFrame;
  const Rect band = Track(target);
  if (!band.empty() && !Grab(target, band)) return Result::kFrame;
  const Pointer pointer = FetchPointer(target);
  const bool pointer_moved = !(pointer.at == last_pointer_.at) || pointer.serial != last_pointer_.serial;
  bool drawn = redraw_ || !band.empty() || !pending_.empty() || pointer_moved;
  if (target.width == canvas.width && target.height == canvas.height) {
    std::vector<Rect> areas;
    areas.swap(pending_);
    if (!band.empty()) areas.push_back(band);
    // Where the pointer was is painted from the screen image again when it moved.
    if (pointer_moved) areas.push_back(pointer_area_);
    bool pointer_covered = redraw_ || pointer_moved;
    for (const Rect& r : areas) {
      ConvertArea(canvas, r);
      pointer_covered = pointer_covered || !Intersect(r, pointer_area_).empty();
    }
    pointer_area_ = EvenClip(pointer.at, canvas.width, canvas.height);
    if (pointer_covered) DrawPointerInPlace(canvas, pointer);
  } else if (drawn) {
    pending_.clear();
    ScaleWithPointer(canvas, target, pointer);
  }
  last_pointer_ = {pointer.at, pointer.serial};
  redraw_ = false;
  return drawn ? Result::kFrame : Result::kUnchanged;
}

XcbScreenCapture::Pointer XcbScreenCapture::FetchPointer(const Rect& target) {
  Pointer pointer;
  if (!damage_) return pointer;
  auto* reply = xcb_xfixes_get_cursor_image_reply(connection_, xcb_xfixes_get_cursor_image(connection_), nullptr);
  if (!reply) return pointer;
  pointer.reply.reset(reply, std::free);
  pointer.at = {reply->x - reply->xhot - target.x, reply->y - reply->yhot - target.y, reply->width, reply->height};
  pointer.serial = reply->cursor_serial;
  pointer.pixels = xcb_xfixes_get_cursor_image_cursor_image(reply);
  return pointer;
}

void XcbScreenCapture::ConvertArea(const I420View& canvas, const Rect& rect) {
  const Rect area = EvenClip(rect, canvas.width, canvas.height);
  if (area.empty()) return;
  ConvertBgraToI420(image_ + area.y * stride() + area.x * 4, stride(), canvas, area);
}

void XcbScreenCapture::DrawPointerInPlace(const I420View& canvas, const Pointer& pointer) {
  // The pointer's area is converted from a copy with the pointer drawn in; it stays on the
  // canvas until the pointer moves or the screen under it changes.
  const Rect area = EvenClip(pointer.at, canvas.width, canvas.height);
  if (area.empty() || !pointer.pixels) return;
  const int row_bytes = area.width * 4;
  scratch_.resize(static_cast<size_t>(row_bytes) * area.height);
  for (int row = 0; row < area.height; ++row) {
    std::memcpy(scratch_.data() + row * row_bytes, image_ + (area.y + row) * stride() + area.x * 4, row_bytes);
  }
  BlendArgbOver(scratch_.data(), row_bytes, area.width, area.height, pointer.pixels, pointer.at.width,
                pointer.at.height, pointer.at.x - area.x, pointer.at.y - area.y);
  ConvertBgraToI420(scratch_.data(), row_bytes, canvas, area);
}

void XcbScreenCapture::ScaleWithPointer(const I420View& canvas, const Rect& target, const Pointer& pointer) {
  const uint8_t* source = image_;
  if (pointer.pixels) {
    scratch_.assign(source, source + static_cast<size_t>(stride()) * target.height);
    BlendArgbOver(scratch_.data(), stride(), target.width, target.height, pointer.pixels, pointer.at.width,
                  pointer.at.height, pointer.at.x, pointer.at.y);
    source = scratch_.data();
  }
  const uint8_t* planes[4] = {source, nullptr, nullptr, nullptr};
  const int strides[4] = {stride(), 0, 0, 0};
  scaler_.Scale(planes, strides, AV_PIX_FMT_BGR0, target.width, target.height, canvas);
}

void XcbScreenCapture::Invalidate(const Rect& area) {
  pending_.push_back(area);
  scaler_.Reset();
}

}  // namespace kvp::av
