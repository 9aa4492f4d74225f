// An animated GIF of the instrument (giflib): one frame per change of the
// picture, each shown for the simulated time until the next change, in
// 1/100 s. A change that comes sooner than MIN_DELAY after the frame before
// replaces that frame, since viewers slow frames of 0 or 1 to 1/10 s.
#pragma once

#include <cstdint>
#include <string>

#include "display/framebuffer.h"
#include "runner/files/confined_files.h"
#include "runner/files/instrument_pictures.h"

constexpr int MIN_DELAY = 2; // 1/100 s

struct GifFileType;

class GifRecorder {
  public:
    GifRecorder() = default;
    GifRecorder(const GifRecorder&) = delete;
    GifRecorder& operator=(const GifRecorder&) = delete;
    ~GifRecorder() { finish(last_ms_); }

    // Opens root/relative (a checked relative path) under a temporary name,
    // which finish renames; false with why if it cannot be written.
    bool start(const std::string& root, const std::string& relative, View view, int scale, double now_ms,
               std::string& why);
    // The same for a path in a folder that exists.
    bool start(const std::string& path, View view, int scale, double now_ms, std::string& why);
    // The picture at simulated time now_ms (call after every pass).
    void capture(double now_ms);
    // Writes the last frame and closes the file; false if writing failed.
    bool finish(double now_ms);
    bool active() const { return gif_ != nullptr; }
    int frames_written() const { return frames_; }
    // Why the last finish failed.
    const std::string& error() const { return error_; }

    // What the scenario may still write; null for no limit.
    OutputBudget* budget = nullptr;

  private:
    void put_pending(int delay);
    static int output(GifFileType* gif, const unsigned char* data, int size);

    GifFileType* gif_ = nullptr;
    AtomicFile file_;
    bool over_budget_ = false;
    std::string error_;
    View view_ = View::display;
    int scale_ = 1;
    bool ok_ = true;
    IndexedPicture shown_;   // the last frame written
    IndexedPicture pending_; // the frame waiting for its delay
    IndexedPicture scratch_;
    uint8_t last_frame_[LCD_HEIGHT][LCD_WIDTH] = {}; // the frame buffer of the last picture taken
    bool last_lamp_ = false;                         // and the lamp
    bool have_pending_ = false;
    int64_t pending_start_cs_ = 0; // when the pending frame appeared, 1/100 s
    int frames_ = 0;
    double last_ms_ = 0;
};
