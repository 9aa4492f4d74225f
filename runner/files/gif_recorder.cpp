#include "runner/files/gif_recorder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include <gif_lib.h>

#include "display/framebuffer.h"
#include "host/panel/front_panel.h"

namespace {

constexpr int GIF_COLOURS = 256;
constexpr int LONGEST_DELAY = 65535; // a GIF delay is 16 bits

int64_t centiseconds(double ms) { return std::llround(ms / 10.0); }

// The smallest rectangle that holds every pixel where a and b differ; false
// when they are the same.
bool changed_box(const IndexedPicture& a, const IndexedPicture& b, int& left, int& top, int& right,
                 int& bottom) {
    left = a.width, top = a.height, right = -1, bottom = -1;
    for (int y = 0; y < a.height; ++y) {
        const uint8_t* ra = &a.index[static_cast<std::size_t>(y) * a.width];
        const uint8_t* rb = &b.index[static_cast<std::size_t>(y) * b.width];
        if (std::memcmp(ra, rb, a.width) == 0) continue;
        top = std::min(top, y);
        bottom = y;
        for (int x = 0; x < a.width; ++x)
            if (ra[x] != rb[x]) left = std::min(left, x), right = std::max(right, x);
    }
    return right >= 0;
}

} // namespace

int GifRecorder::output(GifFileType* gif, const unsigned char* data, int size) {
    auto* self = static_cast<GifRecorder*>(gif->UserData);
    if (self->budget != nullptr && self->budget->left < size) {
        self->over_budget_ = true;
        return 0;
    }
    return self->file_.write(data, static_cast<std::size_t>(size), self->budget) ? size : 0;
}

bool GifRecorder::start(const std::string& path, View view, int scale, double now_ms, std::string& why) {
    std::string folder, name;
    split_named_path(path, folder, name);
    return start(folder, name, view, scale, now_ms, why);
}

bool GifRecorder::start(const std::string& root, const std::string& relative, View view, int scale,
                        double now_ms, std::string& why) {
    finish(now_ms);
    if (!file_.open(root, relative, true, why)) return false;
    int error = 0;
    over_budget_ = false;
    gif_ = EGifOpen(this, &GifRecorder::output, &error);
    if (gif_ == nullptr) {
        why = std::string("cannot write ") + file_.shown() + ": " + GifErrorString(error);
        file_.discard();
        return false;
    }
    // The loop and the frame delays are GIF89a extensions.
    EGifSetGifVersion(gif_, true);
    view_ = view;
    scale_ = scale;
    last_ms_ = now_ms;
    ok_ = true;
    frames_ = 0;
    take_indexed(view_, scale_, pending_);
    std::memcpy(last_frame_, FrameBuffer, sizeof last_frame_);
    last_lamp_ = front_panel_lamp_with_frame();
    have_pending_ = true;
    pending_start_cs_ = centiseconds(now_ms);
    shown_ = IndexedPicture{};

    GifColorType colours[GIF_COLOURS];
    for (int i = 0; i < GIF_COLOURS; ++i) {
        const uint32_t c = gif_colour(i);
        colours[i] = GifColorType{static_cast<GifByteType>(c >> 16), static_cast<GifByteType>(c >> 8),
                                  static_cast<GifByteType>(c)};
    }
    ColorMapObject* map = GifMakeMapObject(GIF_COLOURS, colours);
    ok_ = map != nullptr && EGifPutScreenDesc(gif_, pending_.width, pending_.height, 8, 0, map) == GIF_OK;
    GifFreeMapObject(map);
    // Loop for ever, as viewers expect of a short recording.
    static const GifByteType NETSCAPE[] = "NETSCAPE2.0";
    static const GifByteType LOOP[] = {1, 0, 0};
    ok_ = ok_ && EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
          EGifPutExtensionBlock(gif_, 11, NETSCAPE) == GIF_OK &&
          EGifPutExtensionBlock(gif_, 3, LOOP) == GIF_OK && EGifPutExtensionTrailer(gif_) == GIF_OK;
    return true;
}

void GifRecorder::capture(double now_ms) {
    if (gif_ == nullptr) return;
    last_ms_ = now_ms;
    // Most passes draw the same frame again: compare the small frame buffer
    // and the lamp (which only the device view shows) first.
    const bool lamp_changed = view_ == View::device && last_lamp_ != front_panel_lamp_with_frame();
    if (std::memcmp(last_frame_, FrameBuffer, sizeof last_frame_) == 0 && !lamp_changed) return;
    std::memcpy(last_frame_, FrameBuffer, sizeof last_frame_);
    last_lamp_ = front_panel_lamp_with_frame();
    take_indexed(view_, scale_, scratch_);
    const int64_t now_cs = centiseconds(now_ms);
    if (now_cs - pending_start_cs_ >= MIN_DELAY) {
        put_pending(static_cast<int>(std::min<int64_t>(now_cs - pending_start_cs_, INT32_MAX)));
        pending_start_cs_ = now_cs;
    }
    std::swap(pending_, scratch_);
}

void GifRecorder::put_pending(int delay) {
    int left = 0, top = 0, right = 0, bottom = 0;
    if (shown_.index.empty()) {
        right = pending_.width - 1;
        bottom = pending_.height - 1;
    } else if (!changed_box(pending_, shown_, left, top, right, bottom)) {
        left = top = right = bottom = 0; // nothing changed: one pixel carries the delay
    }
    std::vector<GifPixelType> row(static_cast<std::size_t>(right - left + 1));
    do {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_DO_NOT;
        control.DelayTime = std::min(delay, LONGEST_DELAY);
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        ok_ = ok_ && EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK &&
              EGifPutImageDesc(gif_, left, top, right - left + 1, bottom - top + 1, false, nullptr) == GIF_OK;
        for (int y = top; ok_ && y <= bottom; ++y) {
            std::memcpy(row.data(), &pending_.index[static_cast<std::size_t>(y) * pending_.width + left],
                        row.size());
            ok_ = EGifPutLine(gif_, row.data(), static_cast<int>(row.size())) == GIF_OK;
        }
        ++frames_;
        delay -= control.DelayTime;
        // A longer stillness goes on in frames that change nothing.
        right = left, bottom = top;
        row.resize(1);
    } while (delay > 0 && ok_);
    shown_ = pending_;
}

bool GifRecorder::finish(double now_ms) {
    if (gif_ == nullptr) return true;
    if (have_pending_)
        put_pending(static_cast<int>(
            std::clamp<int64_t>(centiseconds(now_ms) - pending_start_cs_, MIN_DELAY, INT32_MAX)));
    have_pending_ = false;
    int error = 0;
    const bool closed = EGifCloseFile(gif_, &error) == GIF_OK;
    gif_ = nullptr;
    if (!ok_ || !closed) {
        error_ = over_budget_ ? file_.shown() + " went over the " + std::to_string(MAX_OUTPUT_BYTES >> 20) +
                                    " MB that one scenario may write"
                              : "cannot write " + file_.shown();
        file_.discard();
        return false;
    }
    return file_.commit(error_);
}
