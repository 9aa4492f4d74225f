#include "host/panel/jpeg_decode.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

extern const unsigned char front_jpeg[];
extern const std::size_t front_jpeg_size;

namespace {

// libjpeg's own error handler ends the process; this one jumps back to the
// decoder, which gives up on the picture instead.
struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf resume;
};

[[noreturn]] void jpeg_fail(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->resume, 1);
}

void jpeg_silent(j_common_ptr, int) {}

// Everything the decoder touches lives in one record whose address libjpeg
// holds, so nothing of it sits in a register across the jump back.
struct JpegDecoder {
    jpeg_decompress_struct cinfo;
    JpegError error;
};

// The largest picture accepted: far above the front picture, far below what
// would exhaust memory.
constexpr unsigned MAX_SIDE = 8192;

bool decode_into(JpegDecoder& d, const unsigned char* data, std::size_t size, RgbPicture& picture) {
    d.cinfo.err = jpeg_std_error(&d.error.manager);
    d.error.manager.error_exit = jpeg_fail;
    d.error.manager.emit_message = jpeg_silent;
    if (setjmp(d.error.resume) != 0) {
        jpeg_destroy_decompress(&d.cinfo);
        return false;
    }
    jpeg_create_decompress(&d.cinfo);
    jpeg_mem_src(&d.cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&d.cinfo, TRUE);
    d.cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d.cinfo);
    if (d.cinfo.output_width > MAX_SIDE || d.cinfo.output_height > MAX_SIDE || d.cinfo.output_components != 3)
        longjmp(d.error.resume, 1);
    picture.width = static_cast<int>(d.cinfo.output_width);
    picture.height = static_cast<int>(d.cinfo.output_height);
    picture.rgb.assign(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) * 3,
                       0);
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        JSAMPROW row =
            picture.rgb.data() + static_cast<std::size_t>(d.cinfo.output_scanline) * picture.width * 3;
        jpeg_read_scanlines(&d.cinfo, &row, 1);
    }
    jpeg_finish_decompress(&d.cinfo);
    jpeg_destroy_decompress(&d.cinfo);
    return true;
}

} // namespace

bool decode_jpeg_rgb(const unsigned char* data, std::size_t size, RgbPicture& picture) {
    picture = RgbPicture{};
    if (data == nullptr || size == 0) return false;
    JpegDecoder d{};
    if (decode_into(d, data, size, picture)) return true;
    picture = RgbPicture{};
    return false;
}

bool decode_front_picture(RgbPicture& picture) {
    return decode_jpeg_rgb(front_jpeg, front_jpeg_size, picture);
}
